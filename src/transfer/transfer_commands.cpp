// READ and WRITE. Unlike the common handler shape, both may run several transfers
// (/COUNT) and report each one; READ prints no return-code line of its own and makes
// one closing ExpectedRC check, also after a command-line problem.
#include "transfer/transfer_commands.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "files/file_object.h"
#include "interpreter/command_line.h"
#include "interpreter/command_state.h"
#include "interpreter/output.h"
#include "interpreter/reporting.h"
#include "interpreter/results.h"
#include "interpreter/run_state.h"
#include "platform/win32.h"
#include "transfer/dump.h"
#include "transfer/pattern.h"
#include "transfer/transfer_buffer.h"

namespace {

// WRITE asks for typed data only for writes shorter than this.
constexpr std::uint64_t kPromptLimit = 50;

// What the command line of one READ or WRITE asks for.
struct TransferLine {
    FileObject* file = nullptr;
    std::uint64_t offset = 0;  // runs on past 4 GiB in a /COUNT series
    std::uint64_t length = 0;  // of one transfer: length x requests
    std::uint64_t span = 0;    // bytes one transfer may move (see carryOneShotSettings)
    std::uint16_t count = 1;   // number of transfers
    std::uint16_t requests = 1;
    bool current = false;
    bool callback = false;
    bool prompt = false;
    bool suppress = false;
    bool verify = false;
    bool expectedGiven = false;
    std::uint32_t expectedLength = 0;
};

// Reads the positional parameters and the options.
TransferLine parseTransferLine(CommandState& st, std::initializer_list<OptionId> accepted) {
    TransferLine line;
    line.file = st.fileInUse(1);
    line.offset = st.number32(2);
    line.length = st.number32(3);
    st.options(4, accepted, [&](const OptionArg& arg) -> ReturnCode {
        switch (arg.id) {
            case OptionId::Prompt:
                line.prompt = true;
                break;
            case OptionId::Suppress:
                line.suppress = true;
                break;
            case OptionId::Current:
                line.current = true;
                break;
            case OptionId::Count:
                line.count = static_cast<std::uint16_t>(arg.number);
                break;
            case OptionId::Callback:
                line.callback = true;
                break;
            case OptionId::Expected:
                line.expectedGiven = true;
                line.expectedLength = arg.number;
                break;
            case OptionId::Verify:
                line.verify = true;
                break;
            default:  // WRITE /SYNC: accepted, and a write is the same without it
                break;
        }
        return 0;
    });
    return line;
}

// Whenever the slot was valid (even after a later problem on the line), a /COUNT on an
// overlapped file becomes the number of requests of a single transfer, and the request
// count and /CALLBACK become the file's one-shot settings. The buffer then covers every
// request of the next transfer, also those of a request count that an earlier line
// left set (a mapped copy does not use it up, nor does a line that failed after
// setting it): the engine issues that many requests of length / requests bytes each.
void carryOneShotSettings(TransferLine& line) {
    if (line.file == nullptr) return;
    FileObject::OneShotSettings settings = line.file->oneShot();
    if (line.count > 1 && line.file->overlappedFlag() != 0) {
        if (line.count > FileObject::kMaxRequests) {
            out::line("   ... count too large, resetting to 20 ");
            line.count = FileObject::kMaxRequests;
        }
        line.requests = line.count;
        line.count = 1;
        line.length *= line.requests;
        settings.requestCount = line.requests;
    }
    if (line.callback) settings.callback = true;
    line.file->setOneShot(settings);
    std::uint64_t perRequest = line.length / line.requests;
    line.span = std::max(line.length, perRequest * line.file->requestsOfNextTransfer());
}

// One transfer of the line: at the line's offset, or at the file's current position.
FileObject::TransferRequest requestOf(const TransferLine& line, bool write, unsigned char* data,
                                      std::uint32_t perRequest) {
    FileObject::TransferRequest request{write, data, perRequest, std::nullopt};
    if (!line.current) request.offset = line.offset;
    return request;
}

// Where WRITE /CURRENT takes its pattern from: the file pointer, or 0 when it cannot
// be read. The high part is asked for too: a /COUNT series leaves the pointer past
// 4 GiB, where a position without it cannot be given.
std::uint64_t currentPosition(HANDLE handle) {
    LONG high = 0;
    SetLastError(0);
    DWORD low = SetFilePointer(handle, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != 0) return 0;
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low;
}

// The typed data of a small write: one line of input at the start of the buffer,
// ended by a zero byte. The rest of the transfer's bytes are zero.
void readTypedData(unsigned char* buffer, std::uint64_t length) {
    out::text("   Enter data -->");
    out::flush();
    std::memset(buffer, 0, static_cast<std::size_t>(length));
    ReadInputLine(reinterpret_cast<char*>(buffer), kLineBufferSize);
}

// The index of the first byte of data that differs from the standard pattern for its
// file offset (length when none does).
std::uint64_t FirstDifference(std::uint64_t offset, const unsigned char* data, std::uint64_t length) {
    unsigned char pattern[256];
    for (std::uint64_t done = 0; done < length; done += sizeof pattern) {
        std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof pattern, length - done));
        transfer::fillPattern(offset + done, piece, pattern);
        for (std::size_t at = 0; at < piece; ++at)
            if (pattern[at] != data[done + at]) return done + at;
    }
    return length;
}

// Where data read differs from the standard pattern: nothing when it is the same, else
// the first differing byte and up to 16 bytes from there.
std::optional<DataMismatch> FindMismatch(std::uint64_t offset, const unsigned char* data, std::uint64_t length) {
    if (transfer::matchesPattern(offset, data, static_cast<std::size_t>(length))) return std::nullopt;
    constexpr std::uint64_t kShown = 16;
    std::uint64_t first = FirstDifference(offset, data, length);
    std::size_t shown = static_cast<std::size_t>(std::min(kShown, length - first));
    DataMismatch mismatch;
    mismatch.offset = offset + first;
    mismatch.expected.resize(shown);
    transfer::fillPattern(mismatch.offset, shown, mismatch.expected.data());
    mismatch.actual.assign(data + first, data + first + shown);
    return mismatch;
}

}  // namespace

void writeCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing WRITE ");
    CommandState st(run, cmd);
    TransferLine line = parseTransferLine(
        st, {OptionId::Sync, OptionId::Prompt, OptionId::Current, OptionId::Count, OptionId::Callback});
    carryOneShotSettings(line);
    if (!st.ok()) {
        st.report({});
        return;
    }
    bool prompt = run.PromptForWrites != 0 || line.prompt;
    // A line that transfers nothing (/COUNT=0) needs no buffer of its length.
    TransferBuffer buffer(run.WorkBuffer.get(), line.count > 0 ? line.span : 0, true);
    unsigned char* data = buffer.data();
    std::uint32_t perRequest = static_cast<std::uint32_t>(line.length / line.requests);
    for (std::uint32_t i = 0; i < line.count; ++i) {
        out::line("   ... doing the Write ");
        if (data == nullptr) {
            st.rc = ERROR_NOT_ENOUGH_MEMORY;
        } else {
            if (prompt && line.length < kPromptLimit) {
                readTypedData(data, line.span);
            } else {
                std::uint64_t position = line.current ? currentPosition(line.file->systemHandle()) : line.offset;
                transfer::fillPattern(position, static_cast<std::size_t>(line.span), data);
            }
            st.rc = line.file->transfer(requestOf(line, true, data, perRequest));
        }
        if (!line.current) line.offset += line.length;
        st.report("   ... ... the return code from the Write is ", {}, CommandState::ReportForm::OneTransfer);
    }
    st.close();
}

void readCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing READ ");
    CommandState st(run, cmd);
    TransferLine line = parseTransferLine(st, {OptionId::Suppress, OptionId::Current, OptionId::Count,
                                               OptionId::Callback, OptionId::Expected, OptionId::Verify});
    carryOneShotSettings(line);
    if (!st.ok()) {
        ReportParseCode(st.rc);
        line.count = 0;
    }
    TransferBuffer buffer(run.ReadBuffer.get(), st.ok() && line.count > 0 ? line.span : 0, false);
    unsigned char* data = buffer.data();
    std::uint32_t perRequest = static_cast<std::uint32_t>(line.length / line.requests);
    for (std::uint32_t i = 0; i < line.count; ++i) {
        out::line("   ... doing the Read ");
        if (data == nullptr) {
            st.rc = ERROR_NOT_ENOUGH_MEMORY;
        } else {
            st.rc = line.file->transfer(requestOf(line, false, data, perRequest));
        }
        if (st.rc == 0) {
            // The bytes read replace the requested length, also for later transfers.
            line.length = line.file->byteCount();
            perRequest = static_cast<std::uint32_t>(line.length);
            out::line("   ... ... " + std::to_string(line.length) + " bytes were read ");
            if (line.length > 0 && !line.suppress)
                transfer::dumpToTranscript(data, static_cast<std::size_t>(line.length));
            if (line.expectedGiven) st.checkLength(line.expectedLength, line.length);
            if (line.length > 0 && line.verify) {
                std::optional<DataMismatch> mismatch = FindMismatch(line.offset, data, line.length);
                st.checkData(mismatch ? &*mismatch : nullptr);
            }
        }
        if (!line.current) line.offset += line.length;
    }
    // Unlike the common check, this one also compares a ParseCode with the expected code.
    st.report({}, {}, CommandState::ReportForm::ParseCodeChecked);
}
