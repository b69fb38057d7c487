#include "platform/console.h"

#include <cstddef>
#include <cstring>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#else
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace console {
namespace {

// The bytes written since the last Flush: each Flush hands them to the system in one
// call, so a line costs one write.
char pending[1 << 16];
std::size_t pendingSize = 0;

// Hands bytes to standard output, all of them unless it fails. A reader that has gone
// away drops the rest: the run goes on.
void WriteThrough(const char* data, std::size_t size) {
#ifdef _WIN32
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(output, data, static_cast<DWORD>(size), &written, nullptr) || written == 0) return;
        data += written;
        size -= written;
    }
#else
    while (size > 0) {
        ssize_t written = ::write(STDOUT_FILENO, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
#endif
}

#ifndef _WIN32
// Standard input, read in large pieces.
unsigned char input[1 << 16];
std::size_t inputAt = 0;
std::size_t inputEnd = 0;
#endif
int unread = -1;

}  // namespace

void Setup() {
#ifndef _WIN32
    // A reader of the transcript that goes away must not end the run: the commands
    // still run to the end of the script, as they do on Windows.
    std::signal(SIGPIPE, SIG_IGN);
    // A write past the process's file-size limit fails (EFBIG, reported as 112) and
    // keeps what fitted, instead of ending the run.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void Write(const char* data, unsigned long size) {
    if (pendingSize + size > sizeof pending) {
        Flush();
        if (size > sizeof pending) {
            WriteThrough(data, size);
            return;
        }
    }
    std::memcpy(pending + pendingSize, data, size);
    pendingSize += size;
}

void Flush() {
    WriteThrough(pending, pendingSize);
    pendingSize = 0;
}

// What was written is shown before a read that may wait for the user (the prompt has
// no line end).
int ReadByte() {
    if (unread >= 0) {
        int c = unread;
        unread = -1;
        return c;
    }
#ifdef _WIN32
    // Standard input stays in text mode (CR LF read as LF, CTRL-Z ends it).
    Flush();
    return std::getc(stdin);
#else
    if (inputAt == inputEnd) {
        Flush();
        ssize_t got = 0;
        do got = ::read(STDIN_FILENO, input, sizeof input);
        while (got < 0 && errno == EINTR);
        if (got <= 0) return -1;
        inputAt = 0;
        inputEnd = static_cast<std::size_t>(got);
    }
    return input[inputAt++];
#endif
}

void UnreadByte(int c) { unread = c; }

}  // namespace console
