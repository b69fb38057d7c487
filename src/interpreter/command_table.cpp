#include "interpreter/command_table.h"

#include "common/ascii.h"

const CommandRow* CommandTable::find(std::string& word) const {
    if (word.empty()) return nullptr;
    UpperCase(word);
    return FindWord(index_, word);
}
