// The numbered file slots (0 to 255). The table itself is part of the run state
// (FileSlotTable in interpreter/run_state.h); an entry owns its FileObject from
// CREATE, OPEN or DUPHANDLE until CLOSE. The slot checks of the handlers are those of
// CommandState (fileInUse, freeFileSlot).
#pragma once

#include <cstdint>

#include "files/file_object.h"
#include "interpreter/run_state.h"

// Destroys the slot's FileObject (unmapping a mapped view) and empties the slot.
inline void EmptyFileSlot(RunState& run, std::uint32_t slot) {
    if (slot < kFileSlots) run.FileSlotTable[slot].reset();
}
