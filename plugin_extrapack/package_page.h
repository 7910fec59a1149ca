// The text rules of the package's web page (portable core): which URLs are
// taken, how they split, and which link names the archive.
#pragma once

#include "support/string.h"

// The archive link as the package's page writes it; segment 1 is the file name.
// Case matters: a link written in capitals is not the one.
extern const char package_link_pattern[];

// True when the first seven characters, lowered, are "http://".
bool is_http_url(const wklib::string& url);

// Splits an http URL after its first seven characters: the host runs up to the
// first "/", the object is that "/" and what follows. False when no "/" follows
// the host (there is nothing to ask for) or the host is empty.
bool split_url(const wklib::string& url, wklib::string& host, wklib::string& object);

// The file name of the first archive link from the top of a Shift_JIS page.
bool find_package_link(const wklib::string& page, wklib::string& file_name);
