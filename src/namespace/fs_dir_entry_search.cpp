// The search side of FSDirEntry: a system search (FindFirstFileA/FindNextFileA) on the
// entry's path, whose entry found last is kept in the entry's AttributeRecord.
#include <memory>

#include "interpreter/last_error.h"
#include "interpreter/output.h"
#include "interpreter/run_state.h"
#include "namespace/fs_dir_entry.h"

void FSDirEntry::fillFromFindData(const WIN32_FIND_DATAA& data) {
    record_->setName(data.cFileName);
    record_->createFileTime = data.ftCreationTime;
    record_->accessFileTime = data.ftLastAccessTime;
    record_->changeFileTime = data.ftLastWriteTime;
    record_->storeDosStamps(data.ftCreationTime, data.ftLastAccessTime, data.ftLastWriteTime);
    // Only the low 32 bits of the size are kept.
    record_->fileSize = data.nFileSizeLow;
    record_->attributes = data.dwFileAttributes;
}

ReturnCode FSDirEntry::findFirst() {
    auto data = std::make_unique<WIN32_FIND_DATAA>();
    findHandle_ = FindFirstFileA(source_ ? source_->c_str() : "", data.get());
    if (findHandle_ == INVALID_HANDLE_VALUE) return LastErrorCode();
    fillFromFindData(*data);
    return 0;
}

ReturnCode FSDirEntry::findNext() {
    freshRecord();
    auto data = std::make_unique<WIN32_FIND_DATAA>();
    if (!FindNextFileA(findHandle_, data.get())) return LastErrorCode();
    fillFromFindData(*data);
    return 0;
}

void FSDirEntry::getNextFromGroup() {
    out::line("In FSDirEntry :: getNextFromGroup() !!!");
    // A failure is not reported: the record keeps the entry it held.
    auto data = std::make_unique<WIN32_FIND_DATAA>();
    if (FindNextFileA(findHandle_, data.get())) fillFromFindData(*data);
}

void FSDirEntry::endSearch() {
    if (findHandle_ != INVALID_HANDLE_VALUE) FindClose(findHandle_);
    findHandle_ = INVALID_HANDLE_VALUE;
    itemCount_ = 1;
    source_.reset();
    freshRecord();
}

void SearchRelease::operator()(FSDirEntry* search) const {
    search->endSearch();
    std::default_delete<FSDirEntry>()(search);
}
