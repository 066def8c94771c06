// Every resource identifier of CantaroMaker, in one place. Plain #defines so
// that both windres and the portable core can include it.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// --- Dialogs ---------------------------------------------------------------
#define IDD_ABOUT 100
#define IDD_MAIN 102
#define IDD_PROCESSING 150
#define IDD_ID3_EDITOR 178
#define IDD_RENAME 152
#define IDD_PANEL_EXTRACT 199
#define IDD_PANEL_ENCODE 200
#define IDD_PANEL_ERROR 201
#define IDD_PANEL_OK 202
#define IDD_LOG 213

// --- Menus and accelerators ------------------------------------------------
#define IDR_MAIN_MENU 159
#define IDR_ACCELERATORS 205

// --- Icons -----------------------------------------------------------------
#define IDI_MAIN 128

// --- Main window controls --------------------------------------------------
#define IDC_TRACK_LIST 1200
#define IDC_DRIVE_LABEL 1201
#define IDC_PLAY_TIME 1202
#define IDC_VOLUME_SLIDER 1203
#define IDC_SEEK_SLIDER 1204
#define IDC_STATUS_LINE 1205
#define IDC_CDDB_CONTROL 1078

// --- About dialog controls -------------------------------------------------
#define IDC_ABOUT_ENGINE 1210
#define IDC_ABOUT_VERSION 1211

// --- Processing window and its panels ---------------------------------------
#define IDC_PANEL_FRAME 1113
#define IDC_EXTRACT_GROUP 1056
#define IDC_EXTRACT_BAR 1022
#define IDC_EXTRACT_ELAPSED 1025
#define IDC_EXTRACT_ESTIMATED 1026
#define IDC_ENCODE_GROUP 1058
#define IDC_ENCODE_BAR 1028
#define IDC_ENCODE_ELAPSED 1027
#define IDC_ENCODE_ESTIMATED 1030
#define IDC_VIEW_LOG 1132
#define IDC_PLAY_NOW 1124
#define IDC_CREATE_PLAY_LIST 1125
#define IDC_PANEL_ICON 1134

// --- ID3 editor -------------------------------------------------------------
#define IDC_ID3_GENRE 1070
#define IDC_ID3_TRACK 1071
#define IDC_ID3_ARTIST 1072
#define IDC_ID3_ALBUM 1073
#define IDC_ID3_TITLE 1074
#define IDC_ID3_YEAR 1075
#define IDC_ID3_COMMENT 1076

// --- CDDB query window and its pages ----------------------------------------
#define IDD_CDDB_QUERY 181
#define IDD_QUERY_PROGRESS 188
#define IDD_QUERY_MATCH_MULTI 189
#define IDD_QUERY_FULL_INFO 190
#define IDD_QUERY_NO_MATCH 191
#define IDD_QUERY_ERROR 192
#define IDC_QUERY_STATUS 1091
#define IDC_CDDB_PROGRESS 1093
#define IDC_QUERY_OK 1095
#define IDC_QUERY_CANCEL 1097
#define IDC_QUERY_SUBMIT_ABOVE 1098
#define IDC_QUERY_FRAME 1099
#define IDC_QUERY_SUBMIT_IN_PLACE 1100
#define IDC_QUERY_MATCH_LIST 1100
#define IDC_QUERY_ARTIST 1101
#define IDC_QUERY_YEAR 1102
#define IDC_QUERY_TITLE 1103
#define IDC_QUERY_MORE_INFO 1104
#define IDC_QUERY_ERROR_TEXT 1105


// --- CDDB submission window and its pages, the music browser ------------------
#define IDD_CDDB_SUBMIT 193
#define IDD_SUBMIT_PROGRESS 194
#define IDD_SUBMIT_EDIT 195
#define IDD_SUBMIT_OK 196
#define IDD_SUBMIT_ERROR 197
#define IDD_MUSIC_BROWSER 214
#define IDC_SUBMIT_ARTIST 1072
#define IDC_SUBMIT_TITLE 1074
#define IDC_SUBMIT_EDIT_DISC 1104
#define IDC_SUBMIT_ERROR_TEXT 1091
#define IDC_SUBMIT_DONE_TEXT 1092
#define IDC_SUBMIT_STATUS 1094
#define IDC_SUBMIT_SUBMIT 1106
#define IDC_SUBMIT_FRAME 1107
#define IDC_SUBMIT_TRACKS 1109
#define IDC_SUBMIT_CANCEL 1110
#define IDC_SUBMIT_LINK 1156
#define IDC_BROWSER_FRAME 1145
#define IDC_BROWSER_OK 1146
#define IDC_BROWSER_CANCEL 1147
#define IDC_BROWSER_SUBMIT_NEW 1148

// --- Log window -------------------------------------------------------------
#define IDC_LOG_LIST 1002
#define IDC_LOG_PRODUCT 1155
#define IDC_LOG_CLEAR 1133

// --- System menu -----------------------------------------------------------
#define IDM_ABOUTBOX 16

// --- Commands of menu 159 ---------------------------------------------------
#define ID_FILE_ENCODE 32777
#define ID_FILE_EXIT 32778
#define ID_EDIT_ID3TAG 32782
#define ID_EDIT_RENAME 32784
#define ID_EDIT_SELECT_ALL 32785
#define ID_EDIT_SELECT_NONE 32786
#define ID_EDIT_INVERT 32787
#define ID_EDIT_OPTIONS 32788
#define ID_EDIT_COPY 32789
#define ID_ACTION_EXTRACT 32790
#define ID_ACTION_QUERY_CDDB 32791
#define ID_ACTION_SUBMIT_CDDB 32792
#define ID_ACTION_PLAY 32793
#define ID_ACTION_STOP 32794
#define ID_ACTION_PREVIOUS 32796
#define ID_ACTION_NEXT 32797
#define ID_HELP_CDDB_HOME 32799
#define ID_HELP_ABOUT 32801
#define ID_FILE_EJECT 32802
#define ID_FILE_CLOSE_TRAY 32803
#define ID_ACTION_REFRESH_TOC 32807
#define ID_FILE_OPEN_OUTPUT 32814
#define ID_LIST_RENAME 32817
#define ID_LIST_SELECT_NONE 32819
#define ID_LIST_INVERT 32820
#define ID_LIST_SELECT_ALL 32824
#define ID_HELP_REGISTER_CDDB 32828
#define ID_ACTION_VOLUME 32830
#define ID_FILE_VIEW_LOG 32833
#define ID_HELP_CONTENTS 32834
#define ID_HELP_HOME_PAGE 32846
#define ID_FILE_MP3_PLAYER 32848
#define ID_ACTION_MUSIC_BROWSER 32851
#define ID_FILE_DECODE 32852
#define ID_FILE_NORMALIZE 32853
#define ID_EDIT_UPPER_CASE 32854
#define ID_EDIT_LOWER_CASE 32855
#define ID_EDIT_CAPITALIZE 32856

// --- Skinned buttons of the main window -------------------------------------
#define IDC_BTN_OPTIONS 33001
#define IDC_BTN_QUERY_CDDB 33002
#define IDC_BTN_MP3_PLAYER 33003
#define IDC_BTN_OPEN_OUTPUT 33004
#define IDC_BTN_EXIT 33005
#define IDC_BTN_RENAME 33006
#define IDC_BTN_MOVE_FIRST 33007
#define IDC_BTN_MOVE_UP 33008
#define IDC_BTN_MOVE_DOWN 33009
#define IDC_BTN_MOVE_LAST 33010
#define IDC_BTN_EXTRACT 33011
#define IDC_BTN_HOME_PAGE 33012
#define IDC_BTN_MINIMIZE 33013
#define IDC_BTN_PREVIOUS 33014
#define IDC_BTN_PLAY 33015
#define IDC_BTN_PAUSE 33016
#define IDC_BTN_STOP 33017
#define IDC_BTN_EJECT 33018
#define IDC_BTN_NEXT 33019
#define IDC_MENU_FILE 34006
#define IDC_MENU_EDIT 34007
#define IDC_MENU_ACTION 34008
#define IDC_MENU_HELP 34009

// --- String table -----------------------------------------------------------
#define IDS_ABOUTBOX 101
#define IDS_SELECT_ONE_ITEM 121
#define IDS_HIGHLIGHT_TO_RENAME 124
#define IDS_NO_ENCODE_DLL 57692
#define IDS_NO_CDROM 57693
#define IDS_CANT_OPEN_CDROM 57694
#define IDS_SELECT_TRACK_TO_PLAY 57695
#define IDS_CANT_OPEN_DB 57697
#define IDS_TRACK_FORMAT 57730
#define IDS_ALL_TRACKS 57731
#define IDS_NO_AUDIO_CD 57736
#define IDS_COLUMN_NO 57737
#define IDS_COLUMN_TITLE 57738
#define IDS_COLUMN_LENGTH 57739
#define IDS_PLAYING_FORMAT 57744
#define IDS_COLUMN_SIZE 57746
// Texts the program shows that carry no fixed number of their own.
#define IDS_ALREADY_RUNNING 58001
#define IDS_CANT_OPEN_OUTPUT_DIR 58002
#define IDS_CANT_OPEN_CACHE_DIR 58003
#define IDS_APP_TITLE 58004
#define IDS_SEEK_TOOLTIP 58005
#define IDS_VOLUME_TOOLTIP 58006
#define IDS_TITLE_EXTRACTING 58010
#define IDS_TITLE_ENCODING 58011
#define IDS_TITLE_DECODING 58012
#define IDS_TITLE_NORMALIZING 58013
#define IDS_TITLE_FINISHED 58014
#define IDS_BUTTON_CLOSE 58015
#define IDS_GROUP_EXTRACTING 58016
#define IDS_GROUP_DECODING 58017
#define IDS_GROUP_NORMALIZE 58018
#define IDS_GROUP_NORMALIZING 58019
#define IDS_GROUP_SEEKING_PEAK 58020
#define IDS_TEMPORARY_WAVE 58021
#define IDS_NORMALIZE_TITLE 58022
#define IDS_ENCODE_TITLE 58023
#define IDS_DECODE_TITLE 58024
#define IDS_USER_CANCELED 57715
#define IDS_NO_CD_AVAILABLE 58026
#define IDS_COPIED_TO_CLIPBOARD 58027
#define IDS_NO_VOLUME_CONTROL 58028
#define IDS_NO_MP3_PLAYER 58029
#define IDS_MP3_PLAYER_FAILED 58030
// The success panel's messages.
#define IDS_PLAY_NO_DEFAULT_PLAYER 57677
#define IDS_PLAY_LAUNCH_FAILED 57678
#define IDS_PLAY_NO_ITEMS 57679
#define IDS_PLAY_LIST_FAILED 57680
#define IDS_PLAY_LIST_CREATED 57681
#define IDS_PLAY_LIST_FILTER 58031
#define IDC_RENAME_EDIT 1001
