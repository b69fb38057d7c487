// A substitute driver for trying device control requests without the real one.
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

void PutWord(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t GetWord(const unsigned char* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

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
    PutWord(echo.data(), code);
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
        std::uint32_t code = GetWord(header);
        std::vector<unsigned char> input(GetWord(header + 4));
        std::uint32_t outputSize = GetWord(header + 8);
        if (!ReadAll(fd, input.data(), input.size())) return;
        std::vector<unsigned char> data = ReplyData(settings, code, input, outputSize);
        unsigned char reply[8];
        PutWord(reply, settings.fail ? settings.status : 0);
        PutWord(reply + 4, static_cast<std::uint32_t>(data.size()));
        if (!WriteAll(fd, reply, sizeof reply) || !WriteAll(fd, data.data(), data.size())) return;
    }
}

bool ParseNumber(const char* text, std::uint32_t& value) {
    char* end = nullptr;
    errno = 0;
    unsigned long long number = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || number > 0xFFFFFFFFull || text[0] == '-') return false;
    value = static_cast<std::uint32_t>(number);
    return true;
}

bool ParseArguments(int argc, char** argv, Settings& settings) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--name" && hasValue) {
            settings.name = argv[++i];
        } else if (arg == "--status" && hasValue) {
            settings.fail = true;
            if (!ParseNumber(argv[++i], settings.status) || settings.status == 0) return false;
        } else if (arg == "--reply-size" && hasValue) {
            settings.fixedSize = true;
            if (!ParseNumber(argv[++i], settings.replySize)) return false;
        } else if (arg == "--silent") {
            settings.silent = true;
        } else if (arg.rfind("--", 0) != 0 && settings.folder.empty()) {
            settings.folder = arg;
        } else {
            return false;
        }
    }
    return !settings.folder.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!ParseArguments(argc, argv, settings)) {
        std::fprintf(stderr,
                     "usage: echo-driver [--name NAME] [--status CODE] [--reply-size BYTES] [--silent] FOLDER\n");
        return 2;
    }
    std::string path = settings.folder + "/" + settings.name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "echo-driver: socket path too long: %s\n", path.c_str());
        return 1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    unlink(path.c_str());
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0) {
        std::fprintf(stderr, "echo-driver: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    // Children are reaped by the system; a caller that goes away must not kill us.
    std::signal(SIGCHLD, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    for (;;) {
        int fd = accept(listener, nullptr, nullptr);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            std::fprintf(stderr, "echo-driver: accept: %s\n", std::strerror(errno));
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
