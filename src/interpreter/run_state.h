// Run-wide state, set up at start and kept for the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "interpreter/constants.h"
#include "interpreter/results.h"

class FileObject;
class FSDirEntry;

// The default drive and directory; always ends with a backslash. Relative names are
// joined to it.
inline std::string DefaultPath;

// The two transfer buffers of kBufferSize bytes each.
inline unsigned char* ReadBuffer = nullptr;
inline unsigned char* WorkBuffer = nullptr;

// Set by PROMPT: WRITE then asks for the data of its small writes.
inline std::uint16_t PromptForWrites = 0;

// Set by the first failed check; the banner is repeated at the end of the run.
inline std::uint16_t CheckFailed = 0;

// The checks of the command line that runs now; the main loop clears it before each
// command and hands it to the run's ResultObserver after it.
inline CommandVerdict LineVerdict;

// Numbered file slots and search slots. An entry owns its object; what is left at the
// end of the run is left to the process's end.
inline std::array<FileObject*, kFileSlots> FileSlotTable{};
inline std::array<FSDirEntry*, kSearchSlots> SearchSlotTable{};
