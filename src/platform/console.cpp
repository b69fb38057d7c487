#include "platform/console.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <csignal>
#endif

namespace console {

void Setup() {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#else
    // A reader of the transcript that goes away must not end the run: the commands
    // still run to the end of the script, as they do on Windows.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // One large buffer: bytes leave at each Flush (every line end), not per call.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

void Write(const char* data, unsigned long size) { std::fwrite(data, 1, size, stdout); }

void Flush() { std::fflush(stdout); }

int ReadByte() { return std::getc(stdin); }

void UnreadByte(int c) { std::ungetc(c, stdin); }

}  // namespace console
