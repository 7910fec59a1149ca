// The built-in mirror lists the settings pages offer, and the host names of the
// servers they name. Every row is a directory URL ending in "/"; the same role
// (S1 ... W3) is the same server in every list.
#pragma once

// Macros, so that the lists can be built by joining literals.
// FTP server of the primary Japanese TeX archive; also the host of the first-start defaults.
#define MIRROR_HOST_S1 "ftp.texarchive.example"
// FTP server of a Japanese mirror network, and that network's load-balanced FTP name.
#define MIRROR_HOST_S2 "ftp.mirrornet.example"
#define MIRROR_HOST_S3 "ftp.mirrors.example"
// FTP servers of two Japanese universities.
#define MIRROR_HOST_S4 "ftp.univ-a.example"
#define MIRROR_HOST_S5 "ftp.univ-b.example"
// Web servers of the mirror network (HTTP), under its own and its load-balanced name.
#define MIRROR_HOST_W2 "www.mirrornet.example"
#define MIRROR_HOST_W3 "www.mirrors.example"

struct mirror_list {
  const char* const* urls;
  int count;
};

extern const mirror_list w32tex_mirrors;
extern const mirror_list dviout_mirrors;
extern const mirror_list gs_mirrors;
extern const mirror_list gsview_mirrors;
