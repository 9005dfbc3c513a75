#pragma once

#include <windows.h>

namespace melodrift {

// Command ids of the toolbar's buttons, in button order; the toolbar addresses each
// as its base id plus an offset.
enum CommandId : int {
    ID_PLAY = 1000,
    ID_PAUSE = 1001,
    ID_STOP = 1002,
    ID_PREV = 1003,
    ID_NEXT = 1004,
    ID_RANDOM = 1005,
    ID_REPEAT = 1006,
    ID_VOLUME = 1007,
    ID_FAVORITES = 1008,
};

enum RepeatMode : int {
    RepeatNone = 0,
    RepeatList = 1,
    RepeatSingle = 2,
};

// The program's own window messages, all from WM_APP. Any process may post them to a
// window it finds by class name, so they carry values, never pointers.
constexpr UINT MSG_GRAPH_EVENT = WM_APP + 0;  // lParam: the serial of the Player whose graph has events
constexpr UINT MSG_TRACK_END = WM_APP + 1;    // lParam: the serial of the Player that completed
constexpr UINT MSG_SET_VOLUME = WM_APP + 2;   // lParam: volume, -10000..0
constexpr UINT MSG_SHOW_PLAYING = WM_APP + 3;
constexpr UINT MSG_IS_PLAYING = WM_APP + 4;
constexpr UINT MSG_OPEN_HANDED_OVER = WM_APP + 5;  // posted to itself on a hand-over

}  // namespace melodrift
