#include "state/mirror_lists.h"

#define S1 MIRROR_HOST_S1
#define S2 MIRROR_HOST_S2
#define S3 MIRROR_HOST_S3
#define S4 MIRROR_HOST_S4
#define S5 MIRROR_HOST_S5
#define W2 MIRROR_HOST_W2
#define W3 MIRROR_HOST_W3

namespace {

const char* const w32tex_urls[] = {
    "ftp://" S1 "/pub/TeX/win32/",
    "ftp://" S2 "/pub/text/TeX/ptex-win32/current/",
    "ftp://" S3 "/pub/text/TeX/ptex-win32/current/",
    "ftp://" S4 "/pub/tex/ptex-win32/current/",
    "ftp://" S5 "/pub/TeX/ptex-win32/current/",
    "http://" W2 "/pub/text/TeX/ptex-win32/current/",
    "http://" W3 "/pub/text/TeX/ptex-win32/current/",
};

const char* const dviout_urls[] = {
    "ftp://" S1 "/pub/TeX/dviout/current/", "ftp://" S2 "/pub/text/TeX/dviout/",
    "ftp://" S3 "/pub/text/TeX/dviout/",    "http://" W2 "/pub/text/TeX/dviout/",
    "http://" W3 "/pub/text/TeX/dviout/",
};

const char* const gs_urls[] = {
    "ftp://" S1 "/pub/TeX/win32-gs/",
    "ftp://" S4 "/pub/tex/ptex-win32/gs/",
    "ftp://" S5 "/pub/TeX/ptex-win32/gs/",
    "ftp://" S2 "/pub/text/TeX/ptex-win32/gs/",
    "ftp://" S3 "/pub/text/TeX/ptex-win32/gs/",
    "http://" W2 "/pub/text/TeX/ptex-win32/gs/",
    "http://" W3 "/pub/text/TeX/ptex-win32/gs/",
};

const char* const gsview_urls[] = {
    "ftp://" S2 "/pub/text/CTAN/nonfree/support/ghostscript/ghostgum/",
    "ftp://" S3 "/pub/text/CTAN/nonfree/support/ghostscript/ghostgum/",
    "ftp://" S4 "/pub/tex/CTAN/support/ghostscript/ghostgum/",
    "http://" W2 "/pub/text/CTAN/nonfree/support/ghostscript/ghostgum/",
    "http://" W3 "/pub/text/CTAN/nonfree/support/ghostscript/ghostgum/",
};

template <int n>
constexpr mirror_list list_of(const char* const (&urls)[n]) {
  return {urls, n};
}

}  // namespace

const mirror_list w32tex_mirrors = list_of(w32tex_urls);
const mirror_list dviout_mirrors = list_of(dviout_urls);
const mirror_list gs_mirrors = list_of(gs_urls);
const mirror_list gsview_mirrors = list_of(gsview_urls);
