#include "interpreter/command_line.h"

#include <cstring>

#include "interpreter/output.h"
#include "interpreter/run_state.h"
#include "platform/console.h"

bool ReadInputLine(char* buffer, std::size_t size) {
    std::size_t length = 0;
    int c = console::ReadByte();
    if (c < 0) return false;
    while (c >= 0 && c != '\n') {
        buffer[length++] = static_cast<char>(c);
        if (length + 1 == size) {
            // The piece is full: a line feed right behind it still ends this line.
            c = console::ReadByte();
            if (c >= 0 && c != '\n') console::UnreadByte(c);
            break;
        }
        c = console::ReadByte();
    }
    // A CR right before the line feed belongs to a CR LF line end, not to the line.
    if (c == '\n' && length > 0 && buffer[length - 1] == '\r') --length;
    buffer[length] = '\0';
    return true;
}

int ReadCommandLine(LineBuffer& line, int showPrompt) {
    if (showPrompt) {
        out::text("default drive/path is ");
        out::line(DefaultPath);
        out::line("Ready for the next command (press CTRL-Z to quit) ... ");
        out::text(">> ");
        out::flush();
    }
    return ReadInputLine(line.text, kLineBufferSize) ? 0 : 1;
}

int Tokenise(LineBuffer& line, ParsedCommand& command) {
    for (std::string& token : command.tokens) token.clear();
    // The second zero byte behind the terminator lets the scan find an empty rest.
    std::size_t end = std::strlen(line.text);
    line.text[end + 1] = '\0';

    std::size_t count = 0;
    char* p = line.text;
    while (true) {
        while (*p == ' ') ++p;
        char* start = p;
        while (*p != ' ' && *p != '\0') ++p;
        bool last = *p == '\0';
        *p = '\0';
        if (p == start) break;
        if (count < kMaxTokens) command.tokens[count++] = start;
        if (last) break;
        ++p;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (command.tokens[i].rfind("//", 0) == 0) {
            for (std::size_t j = i; j < count; ++j) command.tokens[j].clear();
            break;
        }
    }
    return 0;
}
