// Templates and control ids of the dialog framework's tests.
#pragma once

#define IDD_TEST_DIALOG 200
#define IDC_TEST_EDIT 201
#define IDC_TEST_ASK 203
#define IDD_TEST_SCROLL 210
#define IDD_TEST_PAGE 300
