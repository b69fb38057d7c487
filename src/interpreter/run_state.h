// The state of one run: made by the main loop at start-up, handed to every handler and
// released at the end of the run.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "interpreter/constants.h"
#include "interpreter/results.h"

class FileObject;
class FSDirEntry;

// The slot objects are destroyed by the folders that define them (files/, namespace/),
// so that the run state needs neither class complete.
struct FileObjectRelease {
    void operator()(FileObject* file) const;
};
struct SearchRelease {
    void operator()(FSDirEntry* search) const;
};
using FileSlot = std::unique_ptr<FileObject, FileObjectRelease>;
using SearchSlot = std::unique_ptr<FSDirEntry, SearchRelease>;

struct RunState {
    // The default drive and directory; always ends with a backslash. Relative names
    // are joined to it.
    std::string DefaultPath;

    // The two transfer buffers of kBufferSize bytes each.
    std::unique_ptr<unsigned char[]> ReadBuffer;
    std::unique_ptr<unsigned char[]> WorkBuffer;

    // Set by PROMPT: WRITE then asks for the data of its small writes.
    std::uint16_t PromptForWrites = 0;

    // Set by the first failed check; the banner is repeated at the end of the run.
    std::uint16_t CheckFailed = 0;

    // The checks of the command line that runs now; the main loop clears it before
    // each command and hands it to the run's ResultObserver after it.
    CommandVerdict LineVerdict;

    // Numbered file slots and search slots; an entry owns its object.
    std::array<FileSlot, kFileSlots> FileSlotTable;
    std::array<SearchSlot, kSearchSlots> SearchSlotTable;
};
