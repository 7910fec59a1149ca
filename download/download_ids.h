// Ids of dialog 106, the download's progress.
#pragma once

#define IDD_DOWNLOAD 106
#define IDC_DOWNLOAD_STATUS 1000
#define IDC_DOWNLOAD_BAR 1029
