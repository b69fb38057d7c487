// FileObject: one open Win32 file handle with the options it was opened with and the
// state that later commands need (transfer settings, a file mapping). Each operation
// is a thin layer over one or two Win32 calls and turns the outcome into a ReturnCode:
// 0, or the low 16 bits of GetLastError read right after the failing call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "interpreter/constants.h"
#include "platform/win32.h"

class AttributeRecord;
class EAList;

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
    void applyExtendedAttributes(const EAList* list);
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
    ReturnCode lock(std::uint32_t offset, std::uint32_t length, std::uint32_t timeout, std::uint16_t shared);
    ReturnCode unlock(std::uint32_t offset, std::uint32_t length);
    ReturnCode lockUnlock(std::uint32_t lockOffset, std::uint32_t lockLength, std::uint32_t unlockOffset,
                          std::uint32_t unlockLength, std::uint32_t timeout, std::uint16_t flags);
    ReturnCode map();
    ReturnCode unmap();

    // ---- Plain accessors ----
    HANDLE systemHandle() const { return handle_; }
    std::uint16_t accessFlags() const { return accessFlags_; }
    bool mapped() const { return mappedFlag_ != 0; }

    // ==== Transfer operations (defined in src/transfer/) ====
    // The most overlapped requests of one transfer (READ and WRITE cut /COUNT to it).
    static constexpr std::uint16_t kMaxRequests = 20;
    // One transfer between the buffer and the file: at the file's current position, or
    // after moving the file pointer to offset. The buffer holds request count x length
    // bytes. The ReturnCode is the transfer's; the byte count tells what was moved.
    ReturnCode readCurrent(unsigned char* buffer, std::uint32_t length);
    ReturnCode readAt(unsigned char* buffer, std::uint64_t offset, std::uint32_t length);
    ReturnCode writeCurrent(unsigned char* buffer, std::uint32_t length, bool sync);
    ReturnCode writeAt(unsigned char* buffer, std::uint64_t offset, std::uint32_t length, bool sync);
    // The engine: a mapped copy, one synchronous call, one polled overlapped request,
    // several requests with events, or requests with completion routines.
    ReturnCode performRead();
    ReturnCode performWrite(bool sync);
    std::uint32_t byteCount() const { return byteCount_; }
    std::uint16_t overlappedFlag() const { return overlapped_; }
    std::uint16_t requestCount() const { return requestCount_; }
    void setRequestCount(std::uint16_t count) { requestCount_ = count; }
    void setCallback(std::uint16_t flag) { callbackFlag_ = flag; }
    void setTransferBuffer(unsigned char* buffer) { transferBuffer_ = buffer; }
    void setTransferLength(std::uint32_t length) { transferLength_ = length; }
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
    // Low 16 bits of the last error, read right after a failing call.
    static ReturnCode lastError();

    // Transfer internals (src/transfer/): the engine shared by both directions, its
    // modes, and the completion routine of callback requests.
    ReturnCode transferThrough(unsigned char* buffer, std::uint32_t length, bool write, bool sync);
    ReturnCode perform(const struct TransferDirection& direction);
    ReturnCode copyMapped(const TransferDirection& direction);
    ReturnCode transferSynchronously(const TransferDirection& direction);
    ReturnCode transferSingleRequest(const TransferDirection& direction);
    ReturnCode transferWithEvents(const TransferDirection& direction);
    ReturnCode transferWithCallbacks(const TransferDirection& direction);
    void positionAt(std::uint64_t offset);
    std::uint64_t transferOffset() const;
    static void CALLBACK ioCompletion(DWORD error, DWORD bytes, LPOVERLAPPED overlapped);

    HANDLE handle_ = nullptr;                  // system handle
    unsigned char* transferBuffer_ = nullptr;  // WorkBuffer when made
    std::uint32_t transferLength_ = 0;
    std::uint32_t byteCount_ = 0;  // "not set" until a transfer runs
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
    std::uint16_t requestCount_ = 1;
    std::uint16_t callbackFlag_ = 0;
};
