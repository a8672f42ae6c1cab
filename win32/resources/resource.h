// Resource ids of the Windows program, grouped by kind. The numbers are the
// program's own and fixed: the menu, the dialog templates and the controls
// are addressed by them (also by the end-to-end UI driver).
//
// Several dialogs reuse a control number for a different control (1072 is
// the port combo of the interface dialog and the NTSC aspect combo of the
// other-settings dialog); each dialog's controls therefore carry names of
// their own, and equal numbers are intended.
#pragma once

// ---- Bitmaps (IDB_) -----------------------------------------------------
#define IDB_TOOLBAR 131
// The toolbar image drawn for 150 % and 200 % display scale.
#define IDB_TOOLBAR_150 231
#define IDB_TOOLBAR_200 232

// ---- Dialog templates (IDD_) ---------------------------------------------
#define IDD_ABOUT 100
#define IDD_ALARM 133
#define IDD_VIDEO_LOSS 134
#define IDD_DATE_TIME 135
#define IDD_TITLE 136
#define IDD_TITLE_POSITION 137
#define IDD_AUTO_SWITCH 138
#define IDD_DISPLAY_CHANNEL 139
#define IDD_VIDEO_ADJUST 140
#define IDD_OTHER 141
#define IDD_SLAVE_ADDRESS 142
#define IDD_SET_ALL 143
#define IDD_INTERFACE 144
#define IDD_READ_ALL 145
#define IDD_VIDEO_FORMAT 148
#define IDD_AGC 150

// ---- Menu and toolbar commands (IDM_) ------------------------------------
#define IDM_FILE_NEW 32775
#define IDM_FILE_OPEN 32776
#define IDM_FILE_SAVE 32777
#define IDM_FILE_SAVE_AS 32778
#define IDM_EXIT 121
#define IDM_ALARM 32779
#define IDM_VIDEO_LOSS 32780
#define IDM_DATE_TIME 32817
#define IDM_TITLE 32782
#define IDM_AUTO_SWITCH 32784
#define IDM_VIDEO_ADJUST 32786
#define IDM_DISPLAY_CHANNEL 32785
#define IDM_VIDEO_FORMAT 32818
#define IDM_AGC 32819
#define IDM_OTHER 32787
#define IDM_SET_ALL 32788
#define IDM_SLAVE_ADDRESS 32790
#define IDM_READ_ALL 32789
#define IDM_INTERFACE 32791
#define IDM_ABOUT 120

#define IDT_ALARM 501
#define IDT_VIDEO_LOSS 502
#define IDT_DATE_TIME 503
#define IDT_TITLE 504
#define IDT_AUTO_SWITCH 505
#define IDT_VIDEO_ADJUST 506
#define IDT_DISPLAY_CHANNEL 507
#define IDT_VIDEO_FORMAT 508
#define IDT_AGC 509
#define IDT_OTHER 510

// ---- Main window children ------------------------------------------------
#define IDC_STATUS_BAR 520
#define IDC_TOOLBAR 132

// ---- Timers ----------------------------------------------------------------
#define TIMER_MAIN 1
#define TIMER_AUTO_SWITCH 3
#define TIMER_TITLE 10
#define TIMER_TITLE_POSITION 11
#define TIMER_VIDEO_ADJUST 12
#define TIMER_READ_ALL 15
#define TIMER_SET_ALL 16
#define TIMER_PORT_RETRY 20   // reopens a pulled adapter's port
#define TIMER_TRANSFER 30     // a dialog's run at the reply pace: its one-shot wake-up

// ---- Messages posted to the main window -------------------------------------

// ---- Controls (IDC_) -------------------------------------------------------
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// shared by every settings dialog
#define IDC_SLAVE_ADDRESS 1005

// about (100): the version line, read by the package test
#define IDC_ABOUT_VERSION 1199

// interface (144)
#define IDC_COM_PORT 1072
#define IDC_RS_CONTROL 1075
#define IDC_TRANSFER_PACE 1150

// alarm (133)
#define IDC_ALARM_MODE 1000
#define IDC_ALARM_HOLD_TIME 1001
#define IDC_ALARM_POLARITY 1002
#define IDC_ALARM_DISPLAY 1003
#define IDC_ALARM_RETURN 1004
#define IDC_ALARM_MODE_SET 1006
#define IDC_ALARM_HOLD_TIME_SET 1007
#define IDC_ALARM_POLARITY_SET 1008
#define IDC_ALARM_DISPLAY_SET 1009
#define IDC_ALARM_RETURN_SET 1010

// video loss (134)
#define IDC_VLOSS_CH1 1011
#define IDC_VLOSS_CH2 1012
#define IDC_VLOSS_CH3 1013
#define IDC_VLOSS_CH4 1014
#define IDC_VLOSS_BACKGROUND 1015
#define IDC_VLOSS_CH1_SET 1016
#define IDC_VLOSS_CH2_SET 1017
#define IDC_VLOSS_CH3_SET 1018
#define IDC_VLOSS_CH4_SET 1019
#define IDC_VLOSS_BACKGROUND_SET 1020
#define IDC_VLOSS_DISPLAY 1021
#define IDC_VLOSS_SIGNAL_OUTPUT 1022
#define IDC_VLOSS_DISPLAY_SET 1023
#define IDC_VLOSS_SIGNAL_OUTPUT_SET 1024

// date and time (135)
#define IDC_DT_YEAR 1021
#define IDC_DT_MONTH 1023
#define IDC_DT_DAY 1025
#define IDC_DT_HOUR 1026
#define IDC_DT_MINUTE 1027
#define IDC_DT_SECOND 1028
#define IDC_DT_RANGE 1030
#define IDC_DT_DISPLAY 1031
#define IDC_DT_YEAR_SET 1032
#define IDC_DT_MONTH_SET 1033
#define IDC_DT_DAY_SET 1034
#define IDC_DT_HOUR_SET 1035
#define IDC_DT_MINUTE_SET 1036
#define IDC_DT_DISPLAY_SET 1037
#define IDC_DT_SECOND_SET 1038
#define IDC_DT_RANGE_SET 1040
#define IDC_DT_ADJUST_SET 1041
#define IDC_DT_ALL_SET 1122

// title (136)
#define IDC_TITLE_PREVIEW 1043
#define IDC_TITLE_CHANNEL 1044
#define IDC_TITLE_EDIT 1045
#define IDC_TITLE_DISPLAY_SINGLE 1046
#define IDC_TITLE_DISPLAY_SPLIT 1047
#define IDC_TITLE_SET 1048
#define IDC_TITLE_SET_ALL 1049
#define IDC_TITLE_DISPLAY_SINGLE_SET 1050
#define IDC_TITLE_DISPLAY_SPLIT_SET 1051
#define IDC_TITLE_PROGRESS 1052
#define IDC_TITLE_PERCENT 1053
#define IDC_TITLE_SET_DONT 1054
#define IDC_TITLE_SET_ALL_DONT 1055
#define IDC_TITLE_POSITION 1121

// title position (137)
#define IDC_TPOS_PREVIEW 1081
#define IDC_TPOS_CHANNEL 1044
#define IDC_TPOS_X 1115
#define IDC_TPOS_X_SET 1116
#define IDC_TPOS_Y 1117
#define IDC_TPOS_Y_SET 1118
#define IDC_TPOS_X_SET_ALL 1119
#define IDC_TPOS_Y_SET_ALL 1120

// auto-switch (138)
#define IDC_AUTO_PANEL 1054
#define IDC_AUTO_CHANNEL 1044
#define IDC_AUTO_DWELL 1055
#define IDC_AUTO_ALL_DWELL 1056
#define IDC_AUTO_SET 1057

// display channel (139)
#define IDC_DISP_SCREEN 1111
#define IDC_DISP_SCREEN_SET 1112
#define IDC_DISP_SPLIT_MODE 1092
#define IDC_DISP_SPLIT_MODE_SET 1102
#define IDC_DISP_LEFT 1113
#define IDC_DISP_RIGHT 1114
#define IDC_DISP_SPLIT2_SET 1115
#define IDC_DISP_SPLIT2_SET_DONT 1116

// video adjustment (140)
#define IDC_VADJ_TABLE 1113
#define IDC_VADJ_BRIGHTNESS 1069
#define IDC_VADJ_BRIGHTNESS_SET 1067
#define IDC_VADJ_CONTRAST 1071
#define IDC_VADJ_CONTRAST_SET 1082
#define IDC_VADJ_HUE 1073
#define IDC_VADJ_HUE_SET 1085
#define IDC_VADJ_SHARPNESS 1076
#define IDC_VADJ_SHARPNESS_SET 1087
#define IDC_VADJ_SATURATION 1079
#define IDC_VADJ_SATURATION_SET 1089
#define IDC_VADJ_CHANNEL 1044
#define IDC_VADJ_SET_ALL 1049
#define IDC_VADJ_PROGRESS 1114

// other settings (141)
#define IDC_OTHER_CONNECTOR 1066
#define IDC_OTHER_CONNECTOR_SET 1093
#define IDC_OTHER_POWER_ON 1068
#define IDC_OTHER_POWER_ON_SET 1095
#define IDC_OTHER_BORDER 1070
#define IDC_OTHER_BORDER_SET 1094
#define IDC_OTHER_OFFSET_H 1074
#define IDC_OTHER_OFFSET_H_SET 1097
#define IDC_OTHER_OFFSET_V 1077
#define IDC_OTHER_OFFSET_V_SET 1099
#define IDC_OTHER_SIZE_SINGLE 1080
#define IDC_OTHER_SIZE_SINGLE_SET 1101
#define IDC_OTHER_SIZE_SPLIT 1083
#define IDC_OTHER_SIZE_SPLIT_SET 11003
#define IDC_OTHER_BUTTON_LOCK 1071
#define IDC_OTHER_BUTTON_LOCK_SET 1096
#define IDC_OTHER_NTSC_ASPECT 1072
#define IDC_OTHER_NTSC_ASPECT_SET 1098

// set all (143) and read all (145)
#define IDC_SET_ALL_START 1048
#define IDC_READ_ALL_START 1078
#define IDC_BULK_PROGRESS 1052
#define IDC_BULK_PERCENT 1053

// video format (148)
#define IDC_VFMT_CH1 1123
#define IDC_VFMT_CH1_SET 1124
#define IDC_VFMT_CH2 1125
#define IDC_VFMT_CH2_SET 1126
#define IDC_VFMT_CH3 1127
#define IDC_VFMT_CH3_SET 1129
#define IDC_VFMT_CH4 1128
#define IDC_VFMT_CH4_SET 1130
#define IDC_VFMT_ALL 1006
#define IDC_VFMT_ALL_SET 1131

// auto gain control (150)
#define IDC_AGC_CH1 1132
#define IDC_AGC_CH1_SET 1133
#define IDC_AGC_CH2 1134
#define IDC_AGC_CH2_SET 1141
#define IDC_AGC_CH3 1135
#define IDC_AGC_CH3_SET 1137
#define IDC_AGC_CH4 1136
#define IDC_AGC_CH4_SET 1138
