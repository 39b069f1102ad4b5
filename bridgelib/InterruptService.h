#pragma once

#include "bridgelib/DeviceTable.h"

namespace px720 {

// Ends the slot's interrupt thread: clears its routine and aborts its wait
// until the thread has gone. Returns false, doing nothing, when called from
// that very thread (it would wait for itself forever).
bool StopInterruptThread(DeviceSlot& slot);

// True on the slot's own interrupt thread, i.e. inside its routine.
bool CalledFromOwnInterruptThread(const DeviceSlot& slot);

}  // namespace px720
