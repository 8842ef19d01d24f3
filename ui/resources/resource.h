// Identifiers of every resource, grouped by kind. The code relies on the
// consecutive runs: a setting value is its command minus the first of its group.
#pragma once

// Resources (1..99)
#define IDR_MAINMENU 1
#define IDR_ACCELERATORS 1
#define IDI_MARBLEQUAKE 1
#define IDD_HIGH_SCORES 1
#define IDD_CUSTOM_SIZE 2
#define IDD_ABOUT 3
#define IDB_RECTANGLE 1
#define IDB_SMALL_RECTANGLE 2
#define IDB_ELLIPSE 3
#define IDB_SMALL_ELLIPSE 4

// Menu commands (110..240)
#define IDM_NEW 110
#define IDM_OPEN 111
#define IDM_SAVE 112
#define IDM_REPLAY 120
#define IDM_UNDO 130
#define IDM_REDO 131
#define IDM_SCORES 150
#define IDM_EXIT 160
#define IDM_ABOUT 170
#define IDM_SIZE_SMALL 180
#define IDM_SIZE_MEDIUM 181
#define IDM_SIZE_BIG 182
#define IDM_SIZE_CUSTOM 183
#define IDM_LEVEL_EASY 200
#define IDM_LEVEL_STANDARD 201
#define IDM_LEVEL_DIFFICULT 202
#define IDM_LEVEL_HARD 203
#define IDM_SHAPE_RECTANGLE 220
#define IDM_SHAPE_SMALL_RECTANGLE 221
#define IDM_SHAPE_ELLIPSE 222
#define IDM_SHAPE_SMALL_ELLIPSE 223
#define IDM_SHAPE_CUSTOM 224
#define IDM_SCORING_0 230
#define IDM_SCORING_1 231
#define IDM_SCORING_2 232
#define IDM_SOUND 240

// High Scores dialog controls (101..150); results 1, 2, 140 and 150
#define IDC_SCORE_LINE_FIRST 101
#define IDC_SCORE_LINE_LAST 110
#define IDC_LEVEL_LIST 111
#define IDC_SIZE_LIST 112
#define IDC_NAME_FIELD 120
#define IDC_CLEAR_SCORES 130
#define IDC_NEW_GAME 140
#define IDC_REPLAY_GAME 150

// Custom size dialog controls
#define IDC_COLUMNS_LIST 101
#define IDC_ROWS_LIST 102

// About dialog controls
#define IDC_ABOUT_VERSION 101
#define IDC_ABOUT_CREDIT 102
#define IDC_ABOUT_CONTACT 103
#define IDC_ABOUT_SPARE 104

// Status bar child window
#define IDC_STATUS_BAR 3
