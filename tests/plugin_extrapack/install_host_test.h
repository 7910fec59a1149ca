// The stand-in for the host's installation dialog.
#pragma once

#define IDD_TEST_INSTALL_HOST 300
#define IDC_TEST_INSTALL_TEXT 1030
