// Control ids of the wizard's own pages (101, 102, 105, 108, 113) and of the
// advanced dialog (111). Several templates reuse a number for a control of the
// same role; each page names its own.
#pragma once

// 101 and 108: the one large text of the page.
#define IDC_INTRO_TEXT 1000
#define IDC_FINISH_TEXT 1000

// 102: directories, network switch, W32TeX mirror, cache and proxy.
#define IDC_SAVE_DIR 1001
#define IDC_SAVE_DIR_BROWSE 1002
#define IDC_INSTALL_DIR 1003
#define IDC_INSTALL_DIR_BROWSE 1004
#define IDC_TEX_URL_LIST 1005
#define IDC_TEX_URL_TYPED 1006
#define IDC_TEX_URL_EDIT 1007
#define IDC_PROXY 1008
#define IDC_PORT 1009
#define IDC_DELETE_CACHE 1041
#define IDC_NO_NETWORK 1044

// 105: one list, check box and edit per package.
#define IDC_DVIOUT_URL_LIST 1012
#define IDC_DVIOUT_URL_TYPED 1013
#define IDC_DVIOUT_URL_EDIT 1014
#define IDC_GS_URL_LIST 1018
#define IDC_GS_URL_TYPED 1019
#define IDC_GS_URL_EDIT 1020
#define IDC_GSVIEW_URL_LIST 1021
#define IDC_GSVIEW_URL_TYPED 1022
#define IDC_GSVIEW_URL_EDIT 1023

// 113: the plug-in list.
#define IDC_PLUGIN_LIST 1043

// 111: the advanced dialog.
#define IDC_ADVANCED_LIST 1003
#define IDC_ADVANCED_CHECK_ALL 1037
#define IDC_INSTALL_DOWNLOADED 1038
#define IDC_INSTALL_LISTED 1039
