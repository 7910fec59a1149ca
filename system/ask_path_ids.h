// Ids of dialog 109, the path prompt, whose template the program carries.
#pragma once

#define IDD_ASK_PATH 109
#define IDC_ASK_PATH_EDIT 1031
#define IDC_ASK_PATH_BROWSE 1032
