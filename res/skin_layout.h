#pragma once

#include "resource.h"

// Where the skinned controls sit on the two backgrounds, in client pixels, with the two images
// each one shows: released/unlit first, pressed/lit second. The windows place their controls
// from these tables; the skin generator draws the backgrounds around them and renders previews
// from them, so artwork and placement cannot drift apart.

namespace ostrel {

struct SkinPlacement {
    int nControlId;
    int x, y, cx, cy;
    int nBitmapNormal; // unchecked, up or released image
    int nBitmapActive; // checked, down or pressed image
    bool bVisible;
};

inline constexpr int kMainWidth = 877;      // the frame and background 162
inline constexpr int kMainHeight = 685;
inline constexpr int kArchiveBitmapWidth = 951; // background 228
inline constexpr int kArchiveBitmapHeight = 684;

// Live display and playback area, (62, 22)-(702, 502) in both windows.
inline constexpr int kDisplayLeft = 62;
inline constexpr int kDisplayTop = 22;
inline constexpr int kDisplayWidth = 640;
inline constexpr int kDisplayHeight = 480;

inline constexpr int kViewChannelX[16] = {311, 343, 371, 398, 426, 455, 482, 510,
                                          538, 566, 594, 622, 650, 678, 706, 735};
inline constexpr int kArchiveChannelX[16] = {342, 373, 401, 429, 457, 485, 513, 541,
                                             568, 596, 625, 652, 680, 709, 736, 764};

// The main view's skinned controls (the hidden combo box 1121 has no skin).
inline constexpr SkinPlacement kViewControls[] = {
    {IDC_EXIT, 735, 16, 114, 22, IDB_EXIT, IDB_EXIT_PRESSED, true},
    {IDC_SETTING, 807, 329, 51, 11, IDB_SMALL_KEY, IDB_SMALL_KEY_PRESSED, true},
    {IDC_ARCHIVE, 807, 345, 51, 11, IDB_SMALL_KEY, IDB_SMALL_KEY_PRESSED, true},
    {IDC_LAYOUT_FIRST + 0, 368 + 51 * 0, 598, 40, 25, IdbLayoutOff(0), IdbLayoutOn(0), true},
    {IDC_LAYOUT_FIRST + 1, 368 + 51 * 1, 598, 40, 25, IdbLayoutOff(1), IdbLayoutOn(1), true},
    {IDC_LAYOUT_FIRST + 2, 368 + 51 * 2, 598, 40, 25, IdbLayoutOff(2), IdbLayoutOn(2), true},
    {IDC_LAYOUT_FIRST + 3, 368 + 51 * 3, 598, 40, 25, IdbLayoutOff(3), IdbLayoutOn(3), true},
    {IDC_LAYOUT_FIRST + 4, 368 + 51 * 4, 598, 40, 25, IdbLayoutOff(4), IdbLayoutOn(4), true},
    {IDC_LAYOUT_FIRST + 5, 368 + 51 * 5, 598, 40, 25, IdbLayoutOff(5), IdbLayoutOn(5), true},
    {IDC_LAYOUT_FIRST + 6, 368 + 51 * 6, 598, 40, 25, IdbLayoutOff(6), IdbLayoutOn(6), true},
    {IDC_CONNECT, 228, 574, 33, 32, IDB_CONNECT_OFF, IDB_CONNECT_ON, true},
    {IDC_DISCONNECT, 228, 624, 33, 32, IDB_CONNECT_OFF, IDB_CONNECT_ON, true},
    {IDC_CHANNEL_FIRST + 0, 311, 640, 31, 30, IdbViewChannelOff(0), IdbViewChannelOn(0), true},
    {IDC_CHANNEL_FIRST + 1, 343, 640, 28, 30, IdbViewChannelOff(1), IdbViewChannelOn(1), true},
    {IDC_CHANNEL_FIRST + 2, 371, 640, 28, 30, IdbViewChannelOff(2), IdbViewChannelOn(2), true},
    {IDC_CHANNEL_FIRST + 3, 398, 640, 28, 30, IdbViewChannelOff(3), IdbViewChannelOn(3), true},
    {IDC_CHANNEL_FIRST + 4, 426, 640, 28, 30, IdbViewChannelOff(4), IdbViewChannelOn(4), true},
    {IDC_CHANNEL_FIRST + 5, 455, 640, 28, 30, IdbViewChannelOff(5), IdbViewChannelOn(5), true},
    {IDC_CHANNEL_FIRST + 6, 482, 640, 28, 30, IdbViewChannelOff(6), IdbViewChannelOn(6), true},
    {IDC_CHANNEL_FIRST + 7, 510, 640, 28, 30, IdbViewChannelOff(7), IdbViewChannelOn(7), true},
    {IDC_CHANNEL_FIRST + 8, 538, 640, 28, 30, IdbViewChannelOff(8), IdbViewChannelOn(8), true},
    {IDC_CHANNEL_FIRST + 9, 566, 640, 28, 30, IdbViewChannelOff(9), IdbViewChannelOn(9), true},
    {IDC_CHANNEL_FIRST + 10, 594, 640, 28, 30, IdbViewChannelOff(10), IdbViewChannelOn(10), true},
    {IDC_CHANNEL_FIRST + 11, 622, 640, 28, 30, IdbViewChannelOff(11), IdbViewChannelOn(11), true},
    {IDC_CHANNEL_FIRST + 12, 650, 640, 28, 30, IdbViewChannelOff(12), IdbViewChannelOn(12), true},
    {IDC_CHANNEL_FIRST + 13, 678, 640, 28, 30, IdbViewChannelOff(13), IdbViewChannelOn(13), true},
    {IDC_CHANNEL_FIRST + 14, 706, 640, 28, 30, IdbViewChannelOff(14), IdbViewChannelOn(14), true},
    {IDC_CHANNEL_FIRST + 15, 735, 640, 31, 30, IdbViewChannelOff(15), IdbViewChannelOn(15), true},
    {IDC_ROTATE, 807, 311, 51, 11, IDB_SMALL_KEY, IDB_SMALL_KEY_PRESSED, true},
    {IDC_ACTIVITY_LAMP, 740, 230, 40, 40, IDB_LAMP_OFF, IDB_LAMP_ON, true},
    {IDC_PTZ_UP, 773, 437, 51, 34, IDB_PTZ_UP, IDB_PTZ_UP_PRESSED, true},
    {IDC_PTZ_LEFT_UP, 679, 487, 35, 32, IDB_PTZ_LEFT_UP, IDB_PTZ_LEFT_UP_PRESSED, false},
    {IDC_PTZ_LEFT, 737, 471, 36, 51, IDB_PTZ_LEFT, IDB_PTZ_LEFT_PRESSED, true},
    {IDC_PTZ_LEFT_DOWN, 678, 547, 39, 39, IDB_PTZ_LEFT_DOWN, IDB_PTZ_LEFT_DOWN_PRESSED, false},
    {IDC_PTZ_DOWN, 773, 521, 51, 36, IDB_PTZ_DOWN, IDB_PTZ_DOWN_PRESSED, true},
    {IDC_PTZ_RIGHT_DOWN, 740, 547, 40, 39, IDB_PTZ_RIGHT_DOWN, IDB_PTZ_RIGHT_DOWN_PRESSED, false},
    {IDC_PTZ_RIGHT, 823, 471, 34, 51, IDB_PTZ_RIGHT, IDB_PTZ_RIGHT_PRESSED, true},
    {IDC_PTZ_RIGHT_UP, 737, 488, 45, 38, IDB_PTZ_RIGHT_UP, IDB_PTZ_RIGHT_UP_PRESSED, false},
    {IDC_PTZ_ZOOM_IN, 737, 386, 25, 18, IDB_PTZ_IN, IDB_PTZ_IN_PRESSED, true},
    {IDC_PTZ_ZOOM_OUT, 762, 386, 25, 18, IDB_PTZ_OUT, IDB_PTZ_OUT_PRESSED, true},
    {IDC_PTZ_FOCUS_IN, 813, 386, 25, 18, IDB_PTZ_IN, IDB_PTZ_IN_PRESSED, true},
    {IDC_PTZ_FOCUS_OUT, 837, 386, 25, 18, IDB_PTZ_OUT, IDB_PTZ_OUT_PRESSED, true},
    {IDC_PTZ_CH_PLUS, 725, 545, 21, 20, IDB_PTZ_CH_PLUS, IDB_PTZ_CH_PLUS_PRESSED, true},
    {IDC_PTZ_CH_MINUS, 844, 545, 21, 20, IDB_PTZ_CH_MINUS, IDB_PTZ_CH_MINUS_PRESSED, true},
};

// The archive dialog's skinned controls; the slider's pair is its track and its thumb.
inline constexpr SkinPlacement kArchiveControls[] = {
    {IDC_VIEWER, 732, 16, 118, 23, IDB_VIEWER, IDB_VIEWER_PRESSED, true},
    {IDC_SNAPSHOT, 808, 574, 62, 51, IDB_SNAPSHOT, IDB_SNAPSHOT_PRESSED, true},
    {IDC_PRINT, 877, 574, 62, 51, IDB_PRINT, IDB_PRINT_PRESSED, true},
    {IDC_EVENT_LIST, 808, 629, 62, 51, IDB_EVENT_LIST, IDB_EVENT_LIST_PRESSED, true},
    {IDC_AVI_RECORD, 877, 629, 62, 51, IDB_AVI_OFF, IDB_AVI_ON, true},
    {IDC_TILES_MORE, 117, 525, 26, 26, IDB_TILES_MORE, IDB_TILES_MORE_PRESSED, true},
    {IDC_TILES_FEWER, 148, 525, 26, 26, IDB_TILES_FEWER, IDB_TILES_FEWER_PRESSED, true},
    {IDC_SINGLE_VIEW, 57, 525, 25, 26, IDB_SINGLE_VIEW_OFF, IDB_SINGLE_VIEW_ON, true},
    {IDC_MULTI_VIEW, 86, 525, 26, 26, IDB_MULTI_VIEW_OFF, IDB_MULTI_VIEW_ON, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 0, 342, 635, 31, 30, 265, 266, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 1, 373, 635, 31, 30, 267, 268, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 2, 401, 635, 31, 30, 269, 270, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 3, 429, 635, 31, 30, 271, 272, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 4, 457, 635, 31, 30, 273, 274, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 5, 485, 635, 31, 30, 275, 276, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 6, 513, 635, 31, 30, 277, 278, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 7, 541, 635, 31, 30, 279, 280, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 8, 568, 635, 31, 30, 281, 282, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 9, 596, 635, 31, 30, 283, 284, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 10, 625, 635, 31, 30, 285, 286, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 11, 652, 635, 31, 30, 287, 288, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 12, 680, 635, 31, 30, 289, 290, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 13, 709, 635, 31, 30, 291, 292, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 14, 736, 635, 31, 30, 293, 294, true},
    {IDC_ARCHIVE_CHANNEL_FIRST + 15, 764, 635, 31, 30, 295, 296, true},
    {IDC_FAST_REVERSE, 732, 255, 38, 40, IDB_FAST_REVERSE_OFF, IDB_FAST_REVERSE_ON, true},
    {IDC_REVERSE, 774, 255, 38, 40, IDB_REVERSE_OFF, IDB_REVERSE_ON, true},
    {IDC_STOP, 817, 255, 38, 40, IDB_STOP_OFF, IDB_STOP_ON, true},
    {IDC_FORWARD, 859, 255, 38, 40, IDB_FORWARD_OFF, IDB_FORWARD_ON, true},
    {IDC_FAST_FORWARD, 901, 255, 38, 40, IDB_FAST_FORWARD_OFF, IDB_FAST_FORWARD_ON, true},
    {IDC_GO_START, 751, 306, 38, 40, IDB_GO_START, IDB_GO_START_PRESSED, true},
    {IDC_PREV_HOUR, 795, 306, 38, 40, IDB_PREV_HOUR, IDB_PREV_HOUR_PRESSED, true},
    {IDC_NEXT_HOUR, 839, 306, 38, 40, IDB_NEXT_HOUR, IDB_NEXT_HOUR_PRESSED, true},
    {IDC_GO_END, 883, 306, 38, 40, IDB_GO_END, IDB_GO_END_PRESSED, true},
    {IDC_RECEIVE_LAMP, 730, 200, 33, 33, IDB_LAMP_OFF, IDB_LAMP_ON, true},
    {IDC_TIME_SLIDER, 206, 602, 583, 16, IDB_SLIDER_TRACK, IDB_SLIDER_THUMB, true},
};

} // namespace ostrel
