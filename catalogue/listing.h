// read_listing: the names in a mirror directory, from an FTP listing or from the
// links of the HTTP server's index page. Failures are logged here.
#pragma once

#include "catalogue/name_list.h"
#include "net/ftp_client.h"
#include "net/http_client.h"
#include "net/mirror_url.h"
#include "support/string.h"

// `mode` mirror_ftp: the FTP client is connected and in the mirror directory; any
// other mode reads `mirror_path` (the directory itself) through the HTTP client.
// `cancel_flag` (may be null) is looked at between reads of the page.
listing_result read_listing(int mode, ftp_client& ftp, http_client& http,
                            const wklib::string& mirror_path, name_list& names,
                            const volatile char* cancel_flag);
