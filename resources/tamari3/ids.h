// Dialog and control ids of tamari3's templates, named once here and used by both
// the resource scripts and the code. Each dialog's template is in a file of its own.
#pragma once

// Dialogs 109 and 110 are shown by the utilities and by extraction, which own their ids.
#include "archive/unzip_ids.h"
#include "catalogue/catalogue_ids.h"
#include "download/download_ids.h"
#include "system/ask_path_ids.h"
// The controls of the wizard's own pages and of the advanced dialog.
#include "resources/tamari3/wizard_ids.h"

#define IDD_WIZARD_WELCOME 101
#define IDD_TEX_SETTINGS 102
#define IDD_FILE_SELECTION 103
#define IDD_CATALOGUE 104
#define IDD_OTHER_SETTINGS 105
#define IDD_DOWNLOAD 106
#define IDD_INSTALLATION 107
#define IDD_FINISH 108
#define IDD_ADVANCED 111
#define IDD_OBSOLETE_VARIABLES 112
#define IDD_OTHER_SOFTWARE 113

// The installation dialog 107 and the obsolete-variable dialog 112.
#define IDC_INSTALL_PROGRESS 1030
#define IDC_OBSOLETE_MESSAGE 1000
#define IDC_OBSOLETE_LIST 1042
