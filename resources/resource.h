// Resource ids shared by the template and the code.
#pragma once

#define IDD_CONFIG 1000

// Controls of the configuration dialog, in the order they are referenced by the code.
#define IDC_CHECK_NOTE 1001     // "(检查 = 使用此设置)"
#define IDC_SETTINGS_FILE 1002  // combo box: which INI file is edited
#define IDC_FILE_LABEL 1003
#define IDC_LISTS_GROUP 1004
#define IDC_LIST_VIEW 1005  // the keyword lists, one check box each
#define IDC_DETAILS_GROUP 1006
#define IDC_PATH_LABEL 1007
#define IDC_TITLE_LABEL 1008
#define IDC_DESCRIPTION_LABEL 1009
#define IDC_HELP_LABEL 1010
#define IDC_HELP_TARGET 1011  // edit: the help target of the selected list
#define IDC_SYMBOLS_LABEL 1012
#define IDC_SYMBOL_R 1013
#define IDC_SYMBOL_D 1014
#define IDC_SYMBOL_A 1015
#define IDC_SYMBOL_H 1016
#define IDC_SYMBOL_K 1017
#define IDC_SYMBOL_DOLLAR 1018
#define IDC_QUOTES_NOTE 1019
#define IDC_LIST_PATH 1020
#define IDC_LIST_TITLE 1021
#define IDC_LIST_DESCRIPTION 1022
#define IDC_BROWSE 1023
#define IDC_OK 1024
#define IDC_APPLY 1025
#define IDC_CANCEL 1026
#define IDC_ABOUT 1027
#define IDC_RESTORE 1028  // delete an assembler's own settings
