#include "interpreter/command_line.h"

#include <cstring>

#include "interpreter/output.h"
#include "platform/console.h"

namespace {

// CTRL-Z ends the input wherever it stands, as it does on the Windows build's
// text-mode standard input, so that one script gives the same run on both builds.
constexpr int kControlZ = 0x1A;
bool controlZSeen = false;

// A CR read behind a full piece that did not begin a CR LF line end: it is the first
// byte of the next line.
bool pendingCarriageReturn = false;

int NextByte() {
    if (pendingCarriageReturn) {
        pendingCarriageReturn = false;
        return '\r';
    }
    if (controlZSeen) return -1;
    int c = console::ReadByte();
    if (c == kControlZ) {
        controlZSeen = true;
        return -1;
    }
    return c;
}

// True when the CR just read begins a CR LF line end (the LF is then consumed);
// otherwise the byte behind the CR is left for the next read.
bool EndsWithLineFeed() {
    int next = console::ReadByte();
    if (next == '\n') return true;
    if (next >= 0) console::UnreadByte(next);
    return false;
}

// The line ends consumed so far, and the number of the input line that the last read
// began on.
std::size_t lineEndsRead = 0;
std::size_t lastLineNumber = 0;

// True when the byte just read ends the line: a line feed, or a CR that begins a CR LF
// line end (the LF is then consumed). Counts the line end.
bool EndsLine(int c) {
    bool ends = c == '\n' || (c == '\r' && EndsWithLineFeed());
    if (ends) ++lineEndsRead;
    return ends;
}

}  // namespace

bool ReadInputLine(char* buffer, std::size_t size) {
    std::size_t length = 0;
    int c = NextByte();
    if (c < 0) return false;
    lastLineNumber = lineEndsRead + 1;
    // A CR LF line end counts as a line feed; any other CR is an ordinary byte.
    while (c >= 0 && !EndsLine(c)) {
        buffer[length++] = static_cast<char>(c);
        if (length + 1 == size) {
            // The piece is full: a line end right behind it still ends this line.
            c = NextByte();
            if (c >= 0 && !EndsLine(c)) {
                if (c == '\r')
                    pendingCarriageReturn = true;
                else
                    console::UnreadByte(c);
            }
            break;
        }
        c = NextByte();
    }
    buffer[length] = '\0';
    return true;
}

std::size_t InputLineNumber() { return lastLineNumber; }

int ReadCommandLine(LineBuffer& line, const std::string& defaultPath) {
    out::text("default drive/path is ");
    out::line(defaultPath);
    out::line("Ready for the next command (press CTRL-Z to quit) ... ");
    out::text(">> ");  // shown before the read waits for input
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
