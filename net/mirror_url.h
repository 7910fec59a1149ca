// Mirror URLs: how a directory URL from the settings is split into the protocol,
// the host and the directory, and how the proxy settings become one proxy text.
// Pure text handling, shared by the Windows clients and the native tests.
#pragma once

#include "support/string.h"

// What open_mirror reports, and later what chooses the listing and transfer method.
enum mirror_mode : int {
  mirror_failed = 0,
  mirror_ftp = 1,
  mirror_http = 2,
};

struct mirror_url_parts {
  mirror_mode mode = mirror_ftp;  // mirror_ftp or mirror_http; never mirror_failed
  wklib::string host;
  wklib::string path;  // after the first "/" behind the host, without that "/"
};

// URLs longer than this are cut to it before they are split.
const int max_mirror_url_length = 4095;

// Only "ftp://" and "http://" in lower case are schemes; any other text, scheme and
// all, is taken whole as the host of an FTP mirror, so that it fails to connect.
// A colon and a port after the host stay part of the host name.
mirror_url_parts split_mirror_url(const wklib::string& url);

// "host:port" when both a proxy host and a port are set; an empty text (no proxy
// at all) when either is missing.
wklib::string make_proxy_text(const wklib::string& proxy, int port);
