#include "namespace/fs_dir_entry.h"

#include "interpreter/last_error.h"

namespace {
// What a path operation gives when the name it needs is not set.
constexpr ReturnCode kNameNotSet = ERROR_INVALID_PARAMETER;
// The bits that SetFileAttributesA is given: read-only, hidden, system, directory and
// archive.
constexpr DWORD kSettableBits = 0x37;
}  // namespace

FSDirEntry::FSDirEntry() : record_(std::make_unique<AttributeRecord>()) {}

void FSDirEntry::setSource(const char* text) {
    if (text != nullptr) source_ = text;
}

void FSDirEntry::setTarget(const char* text) {
    if (text != nullptr) target_ = text;
}

ReturnCode FSDirEntry::makeDirectory() {
    if (!source_) return kNameNotSet;
    return CreateDirectoryA(source_->c_str(), nullptr) ? 0 : LastErrorCode();
}

ReturnCode FSDirEntry::removeDirectory() {
    if (!source_) return kNameNotSet;
    return RemoveDirectoryA(source_->c_str()) ? 0 : LastErrorCode();
}

ReturnCode FSDirEntry::changeDirectory() {
    if (!source_) return kNameNotSet;
    return SetCurrentDirectoryA(source_->c_str()) ? 0 : LastErrorCode();
}

ReturnCode FSDirEntry::deleteFile() {
    if (!source_) return kNameNotSet;
    return DeleteFileA(source_->c_str()) ? 0 : LastErrorCode();
}

ReturnCode FSDirEntry::moveFile() {
    if (!source_ || !target_) return kNameNotSet;
    return MoveFileA(source_->c_str(), target_->c_str()) ? 0 : LastErrorCode();
}

ReturnCode FSDirEntry::copyFile() {
    if (!source_ || !target_) return kNameNotSet;
    return CopyFileA(source_->c_str(), target_->c_str(), failIfExists_ ? TRUE : FALSE) ? 0 : LastErrorCode();
}

ReturnCode FSDirEntry::fillFromName() {
    if (!source_) return kNameNotSet;
    DWORD bits = GetFileAttributesA(source_->c_str());
    if (bits == INVALID_FILE_ATTRIBUTES) return LastErrorCode();
    record_->attributes = bits;
    return 0;
}

ReturnCode FSDirEntry::setAttributesByName(const AttributeRecord& record) {
    if (!source_) return kNameNotSet;
    return SetFileAttributesA(source_->c_str(), record.attributes & kSettableBits) ? 0 : LastErrorCode();
}
