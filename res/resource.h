#pragma once

// Resource numbers shared by the windows: skin bitmaps (looked up with SkinBitmap), dialog
// templates, commands and control IDs. The numbers are fixed; the names are ours.
// Bitmap pairs are named for the state they stand for: _OFF/_ON for the unlit and lit image of
// a toggle, NAME/NAME_PRESSED for a push button's released and held image.

namespace ostrel {

// ---- Templates, strings and commands -----------------------------------------------------
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_OSTREL_FORM = 101;      // the main view
inline constexpr int IDS_SOCKETS_INIT_FAILED = 104;
inline constexpr int IDR_MAINFRAME = 128;        // document template; also the program icon
inline constexpr int IDD_ARCHIVE = 178;
inline constexpr int IDD_IP_HISTORY = 234;
inline constexpr int IDD_CONFIG = 259;
inline constexpr int AFX_IDS_APP_TITLE = 57344;  // "Ostrel16"
inline constexpr int ID_APP_ABOUT = 57664;

// ---- Bitmaps: the main view ------------------------------------------------------------------
inline constexpr int IDB_PROGRAM_ICON = IDR_MAINFRAME; // 64 x 64, about box and window icon
inline constexpr int IDB_MAIN_BACKGROUND = 162;        // 877 x 685
inline constexpr int IDB_CONNECT_OFF = 163;            // 33 x 32, connect and disconnect
inline constexpr int IDB_CONNECT_ON = 164;
// Layout buttons i = 0..6 (40 x 25): off 165 + 2i, on 166 + 2i. Indices 0, 1, 3 and 6 are the
// 1, 4, 9 and 16 cell layouts; 2, 4 and 5 have no layout.
inline constexpr int IDB_LAYOUT_OFF_FIRST = 165;
inline constexpr int IDB_LAYOUT_ON_FIRST = 166;
inline constexpr int kLayoutButtonCount = 7;
constexpr int IdbLayoutOff(int i) { return IDB_LAYOUT_OFF_FIRST + 2 * i; }
constexpr int IdbLayoutOn(int i) { return IDB_LAYOUT_ON_FIRST + 2 * i; }

// PTZ keys: released / pressed.
inline constexpr int IDB_PTZ_UP = 189;          // 51 x 34
inline constexpr int IDB_PTZ_UP_PRESSED = 190;
inline constexpr int IDB_PTZ_LEFT_UP = 191;     // 35 x 32 (key placed hidden)
inline constexpr int IDB_PTZ_LEFT_UP_PRESSED = 192;
inline constexpr int IDB_PTZ_LEFT = 193;        // 36 x 51
inline constexpr int IDB_PTZ_LEFT_PRESSED = 194;
inline constexpr int IDB_PTZ_LEFT_DOWN = 195;       // 39 x 39 (hidden)
inline constexpr int IDB_PTZ_LEFT_DOWN_PRESSED = 196;
inline constexpr int IDB_PTZ_DOWN = 197;            // 51 x 36
inline constexpr int IDB_PTZ_DOWN_PRESSED = 198;
inline constexpr int IDB_PTZ_RIGHT_DOWN = 199;      // 40 x 39 (hidden)
inline constexpr int IDB_PTZ_RIGHT_DOWN_PRESSED = 200;
inline constexpr int IDB_PTZ_RIGHT = 201;              // 34 x 51
inline constexpr int IDB_PTZ_RIGHT_PRESSED = 202;
inline constexpr int IDB_PTZ_RIGHT_UP = 203;           // 45 x 38 (hidden)
inline constexpr int IDB_PTZ_RIGHT_UP_PRESSED = 204;

inline constexpr int IDB_SMALL_KEY_PRESSED = 216;  // 51 x 11: "SEtting", "Archive", rotation
inline constexpr int IDB_SMALL_KEY = 217;
inline constexpr int IDB_LAMP_OFF = 220;        // 40 x 40; the lamp itself fills the top-left
inline constexpr int IDB_LAMP_ON = 221;         // 33 x 33, so the archive's 33 x 33 control shows it whole
inline constexpr int IDB_PTZ_IN = 222;          // 25 x 18: zoom in and focus in (+)
inline constexpr int IDB_PTZ_IN_PRESSED = 223;
inline constexpr int IDB_PTZ_OUT = 224;         // 25 x 18: zoom out and focus out (-)
inline constexpr int IDB_PTZ_OUT_PRESSED = 225;
inline constexpr int IDB_EXIT_PRESSED = 243;       // 114 x 22
inline constexpr int IDB_EXIT = 244;
inline constexpr int IDB_PTZ_CH_PLUS = 301;     // 21 x 20
inline constexpr int IDB_PTZ_CH_PLUS_PRESSED = 302;
inline constexpr int IDB_PTZ_CH_MINUS = 303;
inline constexpr int IDB_PTZ_CH_MINUS_PRESSED = 304;

// Channel buttons of the main view, channel n = 0..15 (height 30; width 31 for channels 1 and
// 16, 28 for the others). The numbers are not in channel order; use these functions.
constexpr int IdbViewChannelOff(int n)
{
    constexpr int kOff[16] = {310, 318, 319, 320, 325, 326, 327, 328,
                              329, 311, 312, 313, 314, 315, 316, 317};
    return n >= 0 && n < 16 ? kOff[n] : 0;
}
constexpr int IdbViewChannelOn(int n)
{
    constexpr int kOn[16] = {330, 338, 339, 340, 341, 342, 343, 344,
                             345, 331, 332, 333, 334, 335, 336, 337};
    return n >= 0 && n < 16 ? kOn[n] : 0;
}

// ---- Bitmaps: the archive dialog -------------------------------------------------------------
inline constexpr int IDB_ARCHIVE_BACKGROUND = 228; // 951 x 684
inline constexpr int IDB_SLIDER_TRACK = 229;       // 583 x 16
inline constexpr int IDB_SLIDER_THUMB = 230;       // 4 x 26, top-left colour transparent
inline constexpr int IDB_TILES_FEWER_PRESSED = 237;   // 26 x 26
inline constexpr int IDB_TILES_FEWER = 238;
inline constexpr int IDB_TILES_MORE_PRESSED = 241;    // 26 x 26
inline constexpr int IDB_TILES_MORE = 242;
inline constexpr int IDB_SNAPSHOT = 245;           // 62 x 51
inline constexpr int IDB_SNAPSHOT_PRESSED = 246;
inline constexpr int IDB_VIEWER_PRESSED = 247;        // 118 x 23
inline constexpr int IDB_VIEWER = 248;
inline constexpr int IDB_AVI_ON = 257;             // 62 x 51
inline constexpr int IDB_AVI_OFF = 258;
// Archive channel buttons, channel i = 0..15 (31 x 30): off 265 + 2i, on 266 + 2i.
constexpr int IdbArchiveChannelOff(int i) { return 265 + 2 * i; }
constexpr int IdbArchiveChannelOn(int i) { return 266 + 2 * i; }
inline constexpr int IDB_MULTI_VIEW_OFF = 321;     // 26 x 26
inline constexpr int IDB_MULTI_VIEW_ON = 322;
inline constexpr int IDB_SINGLE_VIEW_ON = 323;     // 25 x 26
inline constexpr int IDB_SINGLE_VIEW_OFF = 324;
inline constexpr int IDB_PRINT = 348;              // 62 x 51
inline constexpr int IDB_PRINT_PRESSED = 349;
inline constexpr int IDB_EVENT_LIST = 350;         // 62 x 51
inline constexpr int IDB_EVENT_LIST_PRESSED = 351;
// Play controls (38 x 40), lit / unlit.
inline constexpr int IDB_FAST_REVERSE_ON = 352;
inline constexpr int IDB_FAST_REVERSE_OFF = 353;
inline constexpr int IDB_REVERSE_ON = 354;
inline constexpr int IDB_REVERSE_OFF = 355;
inline constexpr int IDB_STOP_ON = 356;
inline constexpr int IDB_STOP_OFF = 357;
inline constexpr int IDB_FORWARD_ON = 358;
inline constexpr int IDB_FORWARD_OFF = 359;
inline constexpr int IDB_FAST_FORWARD_ON = 360;
inline constexpr int IDB_FAST_FORWARD_OFF = 361;
// Range and hour steps (38 x 40), pressed / normal.
inline constexpr int IDB_GO_START_PRESSED = 380;
inline constexpr int IDB_GO_START = 381;
inline constexpr int IDB_PREV_HOUR_PRESSED = 382;
inline constexpr int IDB_PREV_HOUR = 383;
inline constexpr int IDB_NEXT_HOUR_PRESSED = 384;
inline constexpr int IDB_NEXT_HOUR = 385;
inline constexpr int IDB_GO_END_PRESSED = 386;
inline constexpr int IDB_GO_END = 387;

// ---- Controls of the main view ----------------------------------------------------------------
inline constexpr int IDC_EXIT = 1000;
inline constexpr int IDC_SETTING = 1006;
inline constexpr int IDC_LAYOUT_FIRST = 1017;      // 1017..1023
inline constexpr int IDC_CONNECT = 1024;
inline constexpr int IDC_DISCONNECT = 1025;
inline constexpr int IDC_CHANNEL_FIRST = 1026;     // 1026..1041
inline constexpr int IDC_ARCHIVE = 1042;
inline constexpr int IDC_ROTATE = 1043;
inline constexpr int IDC_ACTIVITY_LAMP = 1044;
inline constexpr int IDC_PTZ_UP = 1087;
inline constexpr int IDC_PTZ_LEFT_UP = 1088;
inline constexpr int IDC_PTZ_LEFT = 1089;
inline constexpr int IDC_PTZ_LEFT_DOWN = 1090;
inline constexpr int IDC_PTZ_DOWN = 1091;
inline constexpr int IDC_PTZ_RIGHT_DOWN = 1092;
inline constexpr int IDC_PTZ_RIGHT = 1093;
inline constexpr int IDC_PTZ_RIGHT_UP = 1094;
inline constexpr int IDC_PTZ_ZOOM_IN = 1095;
inline constexpr int IDC_PTZ_ZOOM_OUT = 1096;
inline constexpr int IDC_PTZ_FOCUS_IN = 1097;
inline constexpr int IDC_PTZ_FOCUS_OUT = 1098;
inline constexpr int IDC_PTZ_CH_PLUS = 1099;
inline constexpr int IDC_PTZ_CH_MINUS = 1101;
inline constexpr int IDC_PTZ_COMBO = 1121;

// ---- Controls of the archive dialog -------------------------------------------------------------
inline constexpr int IDC_VIEWER = 1049;
inline constexpr int IDC_SNAPSHOT = 1050;
inline constexpr int IDC_PRINT = 1051;
inline constexpr int IDC_EVENT_LIST = 1052;
inline constexpr int IDC_TILES_MORE = 1053;
inline constexpr int IDC_TILES_FEWER = 1054;
inline constexpr int IDC_SINGLE_VIEW = 1057;
inline constexpr int IDC_MULTI_VIEW = 1058;
inline constexpr int IDC_ARCHIVE_CHANNEL_FIRST = 1059; // 1059..1074
inline constexpr int IDC_FAST_REVERSE = 1075;
inline constexpr int IDC_REVERSE = 1076;
inline constexpr int IDC_STOP = 1077;
inline constexpr int IDC_FORWARD = 1078;
inline constexpr int IDC_FAST_FORWARD = 1079;
inline constexpr int IDC_GO_START = 1080;
inline constexpr int IDC_PREV_HOUR = 1081;
inline constexpr int IDC_NEXT_HOUR = 1082;
inline constexpr int IDC_GO_END = 1083;
inline constexpr int IDC_RECEIVE_LAMP = 1084;
inline constexpr int IDC_TIME_SLIDER = 1085;
inline constexpr int IDC_AVI_RECORD = 1086;

// ---- Controls of the alarm event dialog -----------------------------------------------------------
inline constexpr int IDC_EVENT_LOG_LIST = 1064;
inline constexpr int IDC_EVENT_LOG_OK = 1065;

} // namespace ostrel
