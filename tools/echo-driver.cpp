// A substitute driver for trying device control requests without the real one,
// installed as dravik-echo-driver:
//
//   echo-driver [--name NAME] [--status CODE] [--reply-size BYTES] [--silent] FOLDER
//
// Listens on the Unix-domain socket FOLDER/NAME (NAME is QELDRV.VXD unless given), so
// that dravik run with DRAVIK_DEVICE_DIR=FOLDER reaches it as \\.\NAME. Every request
// (frames as in docs/device-protocol.md) is answered with status 0 and the request's
// control code (4 bytes, little-endian) followed by the request's input bytes, cut to
// the output size the request declared. --status answers every request with that
// Win32 error code and no data instead. --reply-size sends exactly that many bytes,
// repeating the echo as often as needed, even beyond the declared output size: a
// faulty driver, for testing what the caller does with too long a reply. --silent
// accepts requests and never answers them: a hung driver, for testing time limits.
// Each connection is served by a child process of its own until the caller closes it.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CLI/CLI.hpp"
#include "common/little_endian.h"

namespace {

struct Settings {
    std::string folder;
    std::string name = "QELDRV.VXD";
    bool fail = false;
    std::uint32_t status = 0;
    bool fixedSize = false;
    std::uint32_t replySize = 0;
    bool silent = false;
};

bool ReadAll(int fd, unsigned char* at, std::size_t size) {
    while (size > 0) {
        ssize_t got = read(fd, at, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const unsigned char* at, std::size_t size) {
    while (size > 0) {
        ssize_t put = write(fd, at, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        at += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// The reply data for one request: the control code, then the input, then again from
// the start as far as the reply size asks.
std::vector<unsigned char> ReplyData(const Settings& settings, std::uint32_t code,
                                     const std::vector<unsigned char>& input, std::uint32_t outputSize) {
    if (settings.fail) return {};
    std::vector<unsigned char> echo(4);
    PutLittleEndian32(echo.data(), code);
    echo.insert(echo.end(), input.begin(), input.end());
    std::size_t size = settings.fixedSize ? settings.replySize : std::min<std::size_t>(echo.size(), outputSize);
    std::vector<unsigned char> data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = echo[i % echo.size()];
    return data;
}

void Serve(int fd, const Settings& settings) {
    if (settings.silent) {
        unsigned char byte;
        while (ReadAll(fd, &byte, 1)) {
        }
        return;
    }
    unsigned char header[12];
    while (ReadAll(fd, header, sizeof header)) {
        std::uint32_t code = GetLittleEndian32(header);
        std::vector<unsigned char> input(GetLittleEndian32(header + 4));
        std::uint32_t outputSize = GetLittleEndian32(header + 8);
        if (!ReadAll(fd, input.data(), input.size())) return;
        std::vector<unsigned char> data = ReplyData(settings, code, input, outputSize);
        unsigned char reply[8];
        PutLittleEndian32(reply, settings.fail ? settings.status : 0);
        PutLittleEndian32(reply + 4, static_cast<std::uint32_t>(data.size()));
        if (!WriteAll(fd, reply, sizeof reply) || !WriteAll(fd, data.data(), data.size())) return;
    }
}

// Reads the options into settings; -1 to go on, else the exit status.
int ParseArguments(int argc, char** argv, Settings& settings) {
    CLI::App app{"dravik-echo-driver: a substitute driver that answers dravik's control requests"};
    app.add_option("folder", settings.folder, "folder of the driver's socket (dravik's DRAVIK_DEVICE_DIR)")->required();
    app.add_option("--name", settings.name, "the device name (default QELDRV.VXD, the driver SERVERIOCTL opens)")
        ->type_name("NAME");
    app.add_option("--status", settings.status, "answer every request with the Win32 error CODE and no data")
        ->type_name("CODE")
        ->check(CLI::Range(1U, 0xFFFFFFFFU));
    app.add_option("--reply-size", settings.replySize,
                   "send exactly BYTES bytes of reply data, the echo repeated, even beyond the declared output "
                   "size: a faulty driver")
        ->type_name("BYTES");
    app.add_flag("--silent", settings.silent, "accept requests and never answer them: a hung driver");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "dravik-echo-driver: %s\nRun with --help for more information.\n", e.what());
        return 2;
    }
    settings.fail = app.count("--status") > 0;
    settings.fixedSize = app.count("--reply-size") > 0;
    return -1;
}

// Listens on path. The socket is bound under a temporary name and renamed to path
// only once it listens, so that a caller who sees path can always connect.
int Listen(const std::string& path) {
    std::string temporary = path + ".starting";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (temporary.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "dravik-echo-driver: socket path too long: %s\n", path.c_str());
        return -1;
    }
    std::memcpy(address.sun_path, temporary.c_str(), temporary.size() + 1);
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    unlink(temporary.c_str());
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 64) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "dravik-echo-driver: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
        unlink(temporary.c_str());
        return -1;
    }
    return listener;
}

// Listens and serves each caller until a signal ends it; the exit status otherwise.
int Run(int argc, char** argv) {
    Settings settings;
    int status = ParseArguments(argc, argv, settings);
    if (status >= 0) return status;
    int listener = Listen(settings.folder + "/" + settings.name);
    if (listener < 0) return 1;
    // Children are reaped by the system; a caller that goes away must not kill us.
    std::signal(SIGCHLD, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    for (;;) {
        int fd = accept(listener, nullptr, nullptr);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            std::fprintf(stderr, "dravik-echo-driver: accept: %s\n", std::strerror(errno));
            return 1;
        }
        pid_t child = fork();
        if (child == 0) {
            close(listener);
            Serve(fd, settings);
            _exit(0);
        }
        close(fd);
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dravik-echo-driver: %s\n", e.what());
        return 1;
    }
}
