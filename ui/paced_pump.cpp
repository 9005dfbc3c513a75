#include "ui/paced_pump.h"

#include "ui/window.h"

#include <windows.h>

namespace melodrift {

namespace {

// Zero: the first call of the program's life drains. The user-interface thread is the
// only caller.
ULONGLONG lastDrainEnd = 0;

}  // namespace

bool messageDrainIsDue() { return GetTickCount64() - lastDrainEnd >= kDrainIntervalMs; }

void pumpMessagesWhenDue() {
    if (!messageDrainIsDue()) return;
    pumpPendingMessages();
    // Counted from the end: a handler that ran long (a nested listing) has just given
    // the queue its chance.
    lastDrainEnd = GetTickCount64();
}

}  // namespace melodrift
