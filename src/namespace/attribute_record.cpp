#include "namespace/attribute_record.h"

#include <algorithm>

void AttributeRecord::setName(const char* text) {
    if (text == nullptr) {
        name_.reset();
        return;
    }
    name_ = text;
}

void AttributeRecord::copyName(std::array<char, MAX_PATH>& destination) const {
    std::size_t length = name_ ? std::min(name_->size(), destination.size() - 1) : 0;
    if (length > 0) std::copy_n(name_->data(), length, destination.data());
    destination[length] = '\0';
}

void AttributeRecord::storeDosStamps(const FILETIME& creation, const FILETIME& lastAccess, const FILETIME& lastWrite) {
    StoreDosStamp(creation, createDate, createTime);
    StoreDosStamp(lastAccess, accessDate, accessTime);
    StoreDosStamp(lastWrite, changeDate, changeTime);
}

void StoreDosStamp(const FILETIME& utc, std::uint16_t& date, std::uint16_t& time) {
    FILETIME local;
    WORD dosDate = 0;
    WORD dosTime = 0;
    if (FileTimeToLocalFileTime(&utc, &local) && FileTimeToDosDateTime(&local, &dosDate, &dosTime)) {
        date = dosDate;
        time = dosTime;
    }
}

bool DosStampToFileTime(std::uint16_t date, std::uint16_t time, FILETIME& utc) {
    FILETIME local;
    return DosDateTimeToFileTime(date, time, &local) && LocalFileTimeToFileTime(&local, &utc);
}
