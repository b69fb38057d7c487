// FileObject: one open Win32 file handle with the options it was opened with and the
// state that later commands need (transfer settings, a file mapping). Each operation
// is a thin layer over one or two Win32 calls and turns the outcome into a ReturnCode:
// 0, or the low 16 bits of GetLastError read right after the failing call.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "interpreter/constants.h"
#include "platform/win32.h"

class AttributeRecord;

class FileObject {
public:
    // Open flags: what open does when the file exists or does not.
    static constexpr std::uint16_t kFailIfExists = 1;
    static constexpr std::uint16_t kOpenIfExists = 2;
    static constexpr std::uint16_t kReplaceIfExists = 4;
    static constexpr std::uint16_t kFailIfNew = 256;
    static constexpr std::uint16_t kCreateIfNew = 512;

    // Deny and access bits.
    static constexpr std::uint16_t kRead = 1;
    static constexpr std::uint16_t kWrite = 2;

    // Move methods of seek.
    static constexpr std::uint32_t kFromBeginning = 0;
    static constexpr std::uint32_t kFromCurrent = 1;
    static constexpr std::uint32_t kFromEnd = 2;

    // The create size that means "no size".
    static constexpr std::int32_t kNoSize = -1;

    FileObject();
    // Frees the name and the attribute record and unmaps a mapped view; the system
    // handle stays open (only close closes it).
    ~FileObject();
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    // ---- Setters used before open (no system call) ----
    void setPath(const char* text);
    void setCreateSize(std::uint32_t value);  // 4294967295 is refused with a message
    void setAttributes(DWORD bits) { fileAttributes_ = bits; }
    void addOpenFlags(std::uint16_t bits) { openFlags_ = static_cast<std::uint16_t>(openFlags_ | bits); }
    void denyRead() { denyFlags_ |= kRead; }
    void denyWrite() { denyFlags_ |= kWrite; }
    void requestRead() { accessFlags_ |= kRead; }
    void requestWrite() { accessFlags_ |= kWrite; }
    void setOverlapped(std::uint16_t flag) { overlapped_ = flag; }
    void setHandle(HANDLE handle) { handle_ = handle; }

    // ---- Operations on the open file ----
    ReturnCode open(int writeThrough);
    ReturnCode close();
    ReturnCode commit();
    void moveFromCurrent() { moveMethod_ = kFromCurrent; }
    void moveFromEnd() { moveMethod_ = kFromEnd; }
    void setSeekDistance(std::int32_t distance) {
        seekDistance_ = distance;
        seekHigh_ = 0;
    }
    ReturnCode seek();
    ReturnCode changeEndOfFile(std::uint32_t newSize);
    ReturnCode getFileSize(std::uint32_t& size);
    ReturnCode duplicate(HANDLE& newHandle);
    // Locks are exclusive and never wait.
    ReturnCode lock(std::uint32_t offset, std::uint32_t length);
    ReturnCode unlock(std::uint32_t offset, std::uint32_t length);
    ReturnCode lockUnlock(std::uint32_t lockOffset, std::uint32_t lockLength, std::uint32_t unlockOffset,
                          std::uint32_t unlockLength);
    ReturnCode map();
    ReturnCode unmap();

    // ---- Plain accessors ----
    HANDLE systemHandle() const { return handle_; }
    std::uint16_t accessFlags() const { return accessFlags_; }
    bool mapped() const { return mappedFlag_ != 0; }

    // ==== Transfer operations (defined in src/transfer/) ====
    // The most overlapped requests of one transfer (READ and WRITE cut /COUNT to it).
    static constexpr std::uint16_t kMaxRequests = 20;
    // One transfer, as READ or WRITE asks for it. The buffer holds
    // requestsOfNextTransfer() x length bytes.
    struct TransferRequest {
        bool write = false;
        unsigned char* buffer = nullptr;
        std::uint32_t length = 0;  // bytes per request
        // The file pointer is moved here first (the outcome is not reported); without
        // it the transfer starts at the file's current position.
        std::optional<std::uint64_t> offset;
    };
    // The request count and callback flag that READ and WRITE set on the file. They are
    // one-shot: the transfer mode that uses them puts them back (event mode the count,
    // callback mode both); a transfer in another mode (mapped copy, synchronous, single
    // request), or a line that fails after setting them, leaves them for the next
    // transfer of the file.
    struct OneShotSettings {
        std::uint16_t requestCount = 1;
        bool callback = false;
    };
    // The engine: a mapped copy, one synchronous call, one polled overlapped request,
    // several requests with events, or requests with completion routines, chosen from
    // the file's state and its one-shot settings. The ReturnCode is the transfer's; the
    // byte count tells what was moved.
    ReturnCode transfer(const TransferRequest& request);
    // How many requests of the request's length the next transfer issues.
    std::uint16_t requestsOfNextTransfer() const;
    const OneShotSettings& oneShot() const { return oneShot_; }
    void setOneShot(const OneShotSettings& settings) { oneShot_ = settings; }
    std::uint32_t byteCount() const { return byteCount_; }
    std::uint16_t overlappedFlag() const { return overlapped_; }
    // ==== End of transfer operations ====

    // ==== Attribute operations by handle (defined in src/attributes/) ====
    // All status of the open file into the record (made at the first fill); prints the
    // Win32-specific values (volume serial number, links, file index).
    ReturnCode fillFromHandle();
    // Only the three time stamps; size and attribute bits become 0. Prints nothing.
    ReturnCode fillTimesFromHandle();
    // Writes the record's three DOS date/time pairs as the file's time stamps.
    ReturnCode setTimesByHandle(const AttributeRecord& record);
    // The record of the last fill, or null before the first one.
    const AttributeRecord* attributeRecord() const { return attributeRecord_.get(); }
    // ==== End of attribute operations ====

private:
    // Transfer internals (src/transfer/): the modes of the engine, and the completion
    // routine of callback requests.
    enum class TransferMode { Mapped, Synchronous, SingleRequest, Events, Callbacks };
    TransferMode modeOfNextTransfer() const;
    ReturnCode copyMapped(const TransferRequest& request);
    ReturnCode transferSynchronously(const TransferRequest& request);
    ReturnCode transferSingleRequest(const TransferRequest& request);
    ReturnCode transferWithEvents(const TransferRequest& request);
    ReturnCode transferWithCallbacks(const TransferRequest& request);
    void positionAt(std::uint64_t offset);
    std::uint64_t transferOffset() const;
    static void CALLBACK ioCompletion(DWORD error, DWORD bytes, LPOVERLAPPED overlapped);

    HANDLE handle_ = nullptr;      // system handle
    std::uint32_t byteCount_ = 0;  // of the last transfer
    std::int32_t seekDistance_ = 0;
    // Above 4 GiB, the high part of the offset of a positioned transfer (a /COUNT
    // series runs on past 4 GiB); 0 once CHGPTR sets a distance.
    std::uint32_t seekHigh_ = 0;
    std::uint32_t moveMethod_ = kFromBeginning;
    std::string name_;  // the qualified path, when hasName_
    bool hasName_ = false;
    // Made by the first attribute fill by handle. A shared_ptr keeps its deleter from
    // where the record is made, so this header needs no AttributeRecord definition.
    std::shared_ptr<AttributeRecord> attributeRecord_;
    std::int32_t createSize_ = kNoSize;
    std::uint16_t openFlags_ = 0;
    std::uint16_t denyFlags_ = 0;
    std::uint16_t accessFlags_ = 0;
    DWORD fileAttributes_ = 0;
    HANDLE mappingHandle_ = nullptr;
    std::uint32_t mappedFlag_ = 0;
    void* viewAddress_ = nullptr;
    std::uint64_t viewSize_ = 0;  // the file's size when it was mapped
    std::uint16_t overlapped_ = 0;
    OneShotSettings oneShot_;
};
