// Resource, control and command numbers of ZEKO.EXE, shared by the C++ code and zeko.rc.
// Plain #define lines, because the resource compiler reads this file too. A number can
// mean different controls in different dialogs (1010 is the output folder on the main
// window and the UNIX preset on the code pages); each meaning has its own name.
#pragma once

#define IDC_STATIC (-1)

// Resources
#define IDI_APP 101
#define IDD_MAIN 102
#define IDD_OUTPUT_CODE_PAGE 103
#define IDD_INPUT_CODE_PAGE 104
#define IDD_GENERAL_PAGE 105
#define IDD_EXTENSIONS_PAGE 106
#define IDD_PROGRESS 107
#define IDR_DELETE_MENU 109
#define IDD_NAME_CLASH 110
#define IDD_CANNOT_CONVERT 111
#define IDD_ABOUT 114
#define IDD_DETECTION_FAILED 115
#define IDD_SUMMARY 116

// Commands shared by the delete menu and the extension page's buttons
#define ID_DELETE 1036
#define ID_DELETE_ALL 1039

// The About item added to the main window's system menu
#define ID_SYS_ABOUT 0x200

// Main window (102)
#define IDC_MAIN_OUTPUT_FOLDER 1010
#define IDC_MAIN_BROWSE 1011
#define IDC_MAIN_FILE_LIST 1012
#define IDC_MAIN_CONVERT 1014
#define IDC_MAIN_SETTINGS 1015
#define IDC_MAIN_EXIT 2  // IDCANCEL, so Esc and the close box exit too

// Output code page (103)
#define IDC_OUT_JIS 1000
#define IDC_OUT_SHIFT_JIS 1001
#define IDC_OUT_EUC 1002
#define IDC_OUT_UNICODE 1003
#define IDC_OUT_KEEP_CODE 1030
#define IDC_OUT_UTF8 1066
// No control: positions 5-7 of the output code group, codes that are never written.
#define IDC_OUT_NO_BUTTON 1007
#define IDC_OUT_CRLF 1004
#define IDC_OUT_CR 1005
#define IDC_OUT_LF 1006
#define IDC_OUT_KEEP_NEWLINE 1031
#define IDC_OUT_WIDEN_KANA 1063
#define IDC_OUT_UTF8_MARK 1067

// Presets of the output code page (103) and the input code page (104, without 1009)
#define IDC_PRESET_WINDOWS 1008
#define IDC_PRESET_MACINTOSH 1009
#define IDC_PRESET_UNIX 1010

// Input code page (104); the page has no JIS button, but 1000 is still position 0 of
// the radio group that holds the input code.
#define IDC_IN_JIS 1000
#define IDC_IN_SHIFT_JIS 1001
#define IDC_IN_EUC 1002
#define IDC_IN_UNICODE 1003

// General page (105)
#define IDC_FOLDER_IGNORE 1017
#define IDC_FOLDER_ALL 1018
#define IDC_FOLDER_LIMITED 1019
#define IDC_DEPTH 1020
#define IDC_DEPTH_SPIN 1021
#define IDC_MIRROR_FOLDERS 1024
#define IDC_NO_OUTPUT_DO_NOT_CONVERT 1026
#define IDC_NO_OUTPUT_REPLACE 1027
#define IDC_NO_OUTPUT_BACKUP 1065
#define IDC_NO_OUTPUT_UNIQUE 1028
#define IDC_AFFIX_START 1031
#define IDC_AFFIX_END 1032
#define IDC_AFFIX_TEXT 1029

// Extensions page (106)
#define IDC_EXT_LIST 1034
#define IDC_EXT_ADD 1035
#define IDC_EXT_DELETE ID_DELETE
#define IDC_EXT_TEXT 1037
#define IDC_EXT_ANY 1038
#define IDC_EXT_DELETE_ALL ID_DELETE_ALL
#define IDC_EXT_DEFAULTS 1046

// Progress dialog (107)
#define IDC_PROGRESS_INPUT 1012
#define IDC_PROGRESS_OUTPUT 1010
#define IDC_PROGRESS_STOP 2  // IDCANCEL, which WM_CLOSE also sends
#define IDC_PROGRESS_BAR 1069
#define IDC_PROGRESS_COUNT 1070

// Summary of a run (116)
#define IDC_SUMMARY_COUNTS 1071
#define IDC_SUMMARY_FILES 1072
#define IDC_SUMMARY_COPY 1073

// Controls common to the decision dialogs (110, 111, 115)
#define IDC_DECISION_PATH 1059
#define IDC_DECISION_EXECUTE 1014
#define IDC_DECISION_ALL 1060
#define IDC_DECISION_STOP 1061

// Name clash dialog (110)
#define IDC_CLASH_UNIQUE 1050
#define IDC_CLASH_RENAME 1049
#define IDC_CLASH_OVERWRITE 1048
#define IDC_CLASH_SKIP 1052
#define IDC_CLASH_NEW_NAME 1054

// Cannot-convert dialog (111)
#define IDC_UNCONVERTIBLE_IGNORE 1052
#define IDC_UNCONVERTIBLE_COPY 1062

// Detection-failed dialog (115)
#define IDC_DETECT_SHIFT_JIS 1064
#define IDC_DETECT_EUC 1063
#define IDC_DETECT_COPY 1062
#define IDC_DETECT_IGNORE 1052
#define IDC_DETECT_UTF8 1068

// About box (114)
#define IDC_ABOUT_CLOSE 1  // IDOK, so Enter closes it
