// Ids of dialog 104 (the catalogue's progress) and of the four lists of page 103
// (file selection) that the catalogue fills.
#pragma once

#define IDD_FILE_SELECTION 103
#define IDC_FILE_TEXT 1000
#define IDC_FILE_W32TEX 1010
#define IDC_FILE_DVIOUT 1024
#define IDC_FILE_GHOSTSCRIPT 1025
#define IDC_FILE_GSVIEW 1027
#define IDC_FILE_ADVANCED 1040

#define IDD_CATALOGUE 104
#define IDC_CATALOGUE_HEADER 1000
#define IDC_CATALOGUE_PROGRESS 1028
