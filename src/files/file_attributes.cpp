// The attribute operations of FileObject: filling its AttributeRecord from the open
// handle and setting the file's time stamps through it.
#include <memory>
#include <string>

#include "files/file_object.h"
#include "interpreter/last_error.h"
#include "interpreter/output.h"
#include "namespace/attribute_record.h"

namespace {

AttributeRecord& recordOf(std::shared_ptr<AttributeRecord>& record) {
    if (!record) record = std::make_shared<AttributeRecord>();
    return *record;
}

}  // namespace

ReturnCode FileObject::fillFromHandle() {
    AttributeRecord& record = recordOf(attributeRecord_);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle_, &info)) return LastErrorCode();
    record.storeDosStamps(info.ftCreationTime, info.ftLastAccessTime, info.ftLastWriteTime);
    record.createFileTime = info.ftCreationTime;
    record.accessFileTime = info.ftLastAccessTime;
    record.changeFileTime = info.ftLastWriteTime;
    record.fileSize = info.nFileSizeLow;  // the high 32 bits are dropped
    record.attributes = info.dwFileAttributes;
    out::line("   ... (Win 32 specific values:) ");
    out::line("       volume serial Number = " + std::to_string(info.dwVolumeSerialNumber) +
              "   number of Links = " + std::to_string(info.nNumberOfLinks));
    out::line("       file index High      = " + std::to_string(info.nFileIndexHigh) +
              "   file index Low  = " + std::to_string(info.nFileIndexLow));
    return 0;
}

ReturnCode FileObject::fillTimesFromHandle() {
    AttributeRecord& record = recordOf(attributeRecord_);
    FILETIME creation, lastAccess, lastWrite;
    if (!GetFileTime(handle_, &creation, &lastAccess, &lastWrite)) return LastErrorCode();
    record.createFileTime = creation;
    record.accessFileTime = lastAccess;
    record.changeFileTime = lastWrite;
    record.storeDosStamps(creation, lastAccess, lastWrite);
    record.fileSize = 0;
    record.attributes = 0;
    return 0;
}

ReturnCode FileObject::setTimesByHandle(const AttributeRecord& record) {
    FILETIME creation, lastAccess, lastWrite;
    bool creationOk = DosStampToFileTime(record.createDate, record.createTime, creation);
    bool accessOk = DosStampToFileTime(record.accessDate, record.accessTime, lastAccess);
    bool writeOk = DosStampToFileTime(record.changeDate, record.changeTime, lastWrite);
    if (!creationOk || !accessOk || !writeOk) out::line("!!! One of the date/time conversions failed...");
    // A stamp whose conversion failed is passed as no time: the file keeps that stamp.
    if (!SetFileTime(handle_, creationOk ? &creation : nullptr, accessOk ? &lastAccess : nullptr,
                     writeOk ? &lastWrite : nullptr))
        return LastErrorCode();
    return 0;
}
