// Ids of dialog 110, whose template every module that unpacks with progress carries.
#pragma once

#define IDD_UNZIP 110
#define IDC_UNZIP_PATH 1033
