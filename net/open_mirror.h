// Connecting the catalogue's clients to a mirror directory URL, and the proxy of
// the URL-download layer.
#pragma once

#include <windows.h>

#include "net/ftp_client.h"
#include "net/http_client.h"
#include "net/mirror_url.h"
#include "support/string.h"

// The anonymous FTP password: a placeholder in the form of an e-mail address.
extern const char* const anonymous_ftp_password;

// Splits `url` and connects the client its scheme selects (both must be open).
// FTP: logs in anonymously and changes to the mirror directory; on failure logs
// "<host>へのFTPでの接続に失敗．" and drops the connection. HTTP: connects only, so a
// wrong path is noticed by the listing. Gives the mode, mirror_failed on failure.
mirror_mode open_mirror(const wklib::string& url, ftp_client& ftp, http_client& http,
                        wklib::string& mirror_path);

// Sets the process-wide proxy of URLDownloadToFileA: "host:port" through a proxy
// (local names bypass it), an empty text for direct access. S_OK when the
// URL-download layer took it. A layer that refuses the session option (Wine's
// urlmon) opens its one session with the proxy of the process environment
// (http_proxy): that is set instead, and S_FALSE says it holds only if no URL
// download has opened that session yet. Any other value is the refusal's status.
HRESULT set_download_proxy(const wklib::string& proxy_text);
