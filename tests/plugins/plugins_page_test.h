// The stand-in for the page for other software: a dialog with the plug-in list.
#pragma once

#define IDD_TEST_PLUGINS_PAGE 200
#define IDC_TEST_PLUGIN_LIST 1043
