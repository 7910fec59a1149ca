// Ids of the plug-in's dialog 101, the package information run.
#pragma once

#define IDD_PACKAGE_INFO 101
#define IDC_PACKAGE_PROGRESS 1001
