// SERVERIOCTL: one control request, carrying a server name and numbered test data, to
// the redirector driver, and the dump of what the driver hands back.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "interpreter/command_state.h"
#include "interpreter/last_error.h"
#include "interpreter/output.h"
#include "interpreter/run_state.h"
#include "platform/win32.h"
#include "transfer/dump.h"
#include "volume/server_request.h"
#include "volume/volume_commands.h"

namespace {

constexpr char kDriverName[] = "\\\\.\\QELDRV.VXD";
constexpr DWORD kServerControlCode = 23;

// The buffer that carries the request out and the reply back: the work buffer when the
// whole request fits there, else one allocated for this command alone.
struct RequestBuffer {
    unsigned char* work = nullptr;  // the run's work buffer
    unsigned char* data = nullptr;
    std::unique_ptr<unsigned char[]> owned;
};

// The bytes of a buffer that holds the whole request and the reply.
std::uint64_t BufferBytes(const ServerRequestSize& size) { return std::max<std::uint64_t>(size.whole, kBufferSize); }

// Gives 0, or 8 (not enough memory) when the request cannot be declared in 32 bits or
// its buffer could not be addressed; nothing is sent then.
ReturnCode CheckRequestSize(const ServerRequestSize& size) {
    if (size.input > UINT32_MAX) return ERROR_NOT_ENOUGH_MEMORY;
    return BufferBytes(size) > SIZE_MAX ? ERROR_NOT_ENOUGH_MEMORY : 0;
}

// Gives 0, or 8 when the buffer of a request of the checked size cannot be had.
ReturnCode ChooseBuffer(std::uint32_t dataLength, const ServerRequestSize& size, RequestBuffer& buffer) {
    if (dataLength < kBufferSize && size.whole <= kBufferSize) {
        buffer.data = buffer.work;
        return 0;
    }
    buffer.owned.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(BufferBytes(size))]);
    if (!buffer.owned) return ERROR_NOT_ENOUGH_MEMORY;
    buffer.data = buffer.owned.get();
    return 0;
}

// Sends the request through the open driver and gives its code; the request is made
// only now, so that a missing driver costs no buffer of the request's size.
ReturnCode SendRequest(HANDLE driver, std::uint32_t dataLength, std::uint32_t value, const std::string& name,
                       const ServerRequestSize& size, RequestBuffer& buffer, DWORD& returned) {
    if (ReturnCode rc = ChooseBuffer(dataLength, size, buffer)) return rc;
    BuildServerRequest(buffer.data, value, name, dataLength);
    if (!DeviceIoControl(driver, kServerControlCode, buffer.data, static_cast<DWORD>(size.input), buffer.data,
                         static_cast<DWORD>(kBufferSize), &returned, nullptr))
        return LastErrorCode();
    return 0;
}

}  // namespace

void serverIoctlCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing server IOCTL ");
    CommandState st(run, cmd);
    std::uint32_t dataLength = st.number32(1);
    std::uint32_t value = st.number32(2);
    // A longer name than the request's name field holds is refused like any bad token.
    if (st.present(3) && cmd[3].size() > kMaxServerNameLength) st.rc = kSyntaxError;
    const std::string name = st.ok() ? cmd[3] : std::string();
    bool dump = true;
    st.options(4, {OptionId::Suppress}, [&](const OptionArg&) {
        dump = false;
        return ReturnCode{0};
    });

    RequestBuffer buffer;
    buffer.work = run.WorkBuffer.get();
    ServerRequestSize size = MeasureServerRequest(dataLength, name.size());
    if (st.ok()) st.rc = CheckRequestSize(size);
    DWORD returned = 0;
    if (st.ok()) {
        out::line("   ... doing the server IOCTL ");
        HANDLE driver = CreateFileA(kDriverName, 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (driver == INVALID_HANDLE_VALUE) {
            out::blank();
            out::line("                   ===> could not open VXD ");
        } else {
            st.rc = SendRequest(driver, dataLength, value, name, size, buffer, returned);
            // Closed after its one request: left open, every SERVERIOCTL of a long run
            // would keep a connection until the run ran out of handles.
            CloseHandle(driver);
        }
    }

    st.report("   ... ... the return code from the IOCTL is ", [&] {
        if (!st.ok()) return;
        out::line("   ... ... " + std::to_string(returned) + " bytes were returned ");
        if (dump && returned > 0) {
            // Only what the buffer holds, whatever count the driver claims.
            transfer::dumpToTranscript(buffer.data, std::min<std::size_t>(returned, kBufferSize));
            out::blank();
        }
    });
}
