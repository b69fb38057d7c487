// Extended attributes (EAs) collected from the user. The Win32 file interface that
// dravik drives has no EA calls, so on this platform an EAList keeps nothing: the
// dialogue runs in full, the file operations accept the list and ignore it, and a
// listing always finds no EA.
#pragma once

#include <cstdint>
#include <memory>

#include "interpreter/constants.h"

// One EA: a name and a value (an empty value asks for the EA to be deleted). Nothing
// is stored on this platform, so both lengths are 0.
class EAEntry {
public:
    void setName(const char*) {}
    void setValue(const unsigned char*, std::uint16_t) {}
    std::uint16_t nameLength() const { return 0; }
    // Copies the name and its terminator into the caller's buffer (nameLength() + 1 bytes).
    void copyName(char* buffer) const { buffer[0] = '\0'; }
    std::uint16_t valueLength() const { return 0; }
    // Copies the value into the caller's buffer (valueLength() bytes).
    void copyValue(unsigned char*) const {}
};

// The EAs of one command. The list owns what it is given; on this platform it
// discards each entry and next always gives none.
class EAList {
public:
    void add(std::unique_ptr<EAEntry>) {}
    EAEntry* next() { return nullptr; }
};

enum class EAPromptMode { NamesOnly = 1, NamesAndValues = 2, None = 3 };

// Asks for EA names (and in NamesAndValues mode for their values) on standard input
// until an empty name. Gives 0, or 1 when standard input ended during the dialogue.
ReturnCode promptForEAs(EAList& list, EAPromptMode mode);

// Prints the EAs of the list; a missing list counts as empty.
void listEAs(EAList* list);
