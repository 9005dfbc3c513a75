#pragma once

namespace melodrift {

// The pump that long listings call once per entry. Under Wine every PeekMessageW is a
// round trip to the wine server, which would cost more than the entry itself; a tick
// count is a cheap read. So the queue is drained only when about kDrainIntervalMs have
// passed since this pump last drained it: the window still reacts within a few
// milliseconds, and a listing still stops at the drain that clears its flag.
constexpr unsigned long long kDrainIntervalMs = 10;

// True when the next pumpMessagesWhenDue will drain the queue.
bool messageDrainIsDue();

// pumpPendingMessages when a drain is due, otherwise nothing (a WM_QUIT met while
// draining writes both settings files and ends the process, as there).
void pumpMessagesWhenDue();

}  // namespace melodrift
