#include "state/install_settings.h"
#include "state/mirror_lists.h"

// A first start writes these seventeen keys, in this order. Proxy, Port and the
// dviout directory are left out on purpose: they read back as empty, 0 and empty.
void write_default_settings(install_settings& settings) {
  settings.set_save_dir("c:\\download\\");
  settings.set_install_dir("c:\\tex\\");
  settings.set_tex_url(w32tex_mirrors.urls[0]);
  settings.set_tex_url_from_list(true);
  settings.set_tex_pattern("texinst[0-9]*\\.zip");
  settings.set_dviout_url(dviout_mirrors.urls[0]);
  settings.set_dviout_url_from_list(true);
  settings.set_dviout_pattern("tex[0-9]*w\\.zip");
  settings.set_gs_url(gs_mirrors.urls[0]);
  settings.set_gs_url_from_list(true);
  settings.set_gs_pattern("gs[0-9]*w32full\\.zip");
  // GSview's default is the university mirror, the third row of its list.
  settings.set_gsview_url(gsview_mirrors.urls[2]);
  settings.set_gsview_url_from_list(true);
  settings.set_gsview_pattern("gsv[0-9]*w32\\.exe");
  settings.set_install_downloaded(true);
  settings.set_delete_cache(true);
  settings.set_use_network(true);
}
