// The Windows build's child processes (the Linux build's are in posix/process.cpp).
#ifdef _WIN32
#include <io.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/process.h"
#include "platform/win32.h"

namespace platform {

namespace {

// Handles made inheritable for one child must not reach a child started at the same
// time by another thread: one start at a time.
std::mutex startLock;

HANDLE OpenForChild(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The parent's environment block with NAME=VALUE added (replacing an inherited one).
std::vector<char> EnvironmentWith(const std::string& name, const std::string& value) {
    std::vector<char> block;
    std::string prefix = name + "=";
    char* strings = GetEnvironmentStringsA();
    for (const char* e = strings; e != nullptr && *e != '\0'; e += std::strlen(e) + 1) {
        if (_strnicmp(e, prefix.c_str(), prefix.size()) != 0) block.insert(block.end(), e, e + std::strlen(e) + 1);
    }
    if (strings != nullptr) FreeEnvironmentStringsA(strings);
    std::string entry = prefix + value;
    block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    block.push_back('\0');
    return block;
}

std::string ErrorText(DWORD code) { return "Win32 error " + std::to_string(code); }

// An exit code in the NTSTATUS error range is an exception that ended the process.
bool IsException(DWORD code) { return (code & 0xC0000000u) == 0xC0000000u; }

}  // namespace

ChildEnd RunChild(const ChildStart& start) {
    ChildEnd end;
    PROCESS_INFORMATION process{};
    {
        std::lock_guard<std::mutex> guard(startLock);
        HANDLE input = OpenForChild(start.inputPath, false);
        HANDLE output = OpenForChild(start.outputPath, true);
        HANDLE error = OpenForChild(start.errorPath, true);
        STARTUPINFOA info{};
        info.cb = sizeof info;
        info.dwFlags = STARTF_USESTDHANDLES;
        info.hStdInput = input;
        info.hStdOutput = output;
        info.hStdError = error;
        std::vector<char> environment = EnvironmentWith(start.variable, start.value);
        std::string commandLine = "\"" + start.program + "\"";
        BOOL started = input != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE &&
                       error != INVALID_HANDLE_VALUE &&
                       CreateProcessA(start.program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      environment.data(), start.folder.c_str(), &info, &process);
        DWORD lastError = GetLastError();
        for (HANDLE h : {input, output, error}) {
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
        if (!started) {
            end.detail = ErrorText(lastError);
            return end;
        }
    }
    CloseHandle(process.hThread);
    DWORD limit = start.timeoutSeconds == 0 ? INFINITE : start.timeoutSeconds * 1000;
    if (WaitForSingleObject(process.hProcess, limit) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        end.how = ChildEnd::How::TimedOut;
        return end;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    end.code = code;
    if (IsException(code)) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
        end.how = ChildEnd::How::Crashed;
        end.detail = std::string("exception ") + hex;
    } else {
        end.how = ChildEnd::How::Exited;
    }
    return end;
}

std::string OwnProgramPath() {
    char buffer[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : "";
}

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace platform
#endif
