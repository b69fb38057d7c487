#include "attributes/attribute_display.h"

#include <array>
#include <cstdio>
#include <string>

#include "common/dos_date_time.h"
#include "files/file_object.h"
#include "interpreter/output.h"
#include "namespace/attribute_record.h"
#include "namespace/fs_dir_entry.h"

namespace {

struct BitWord {
    std::uint32_t bit;
    const char* word;
};
constexpr BitWord kBitWords[] = {
    {0x01, " readonly"}, {0x02, " hidden"}, {0x04, " system"}, {0x10, " directory"}, {0x20, " archive"},
};

void printStampLine(const char* dateLabel, std::uint16_t date, const char* timeLabel, std::uint16_t time) {
    out::text(dateLabel);
    printDosDate(date);
    out::text(timeLabel);
    printDosTime(time, date);
    out::blank();
}

void printFileTimeLine(const char* label, const FILETIME& fileTime) {
    if (fileTime.dwLowDateTime == 0 && fileTime.dwHighDateTime == 0) return;
    out::text(label);
    printFileTime(fileTime);
    out::blank();
}

// The lines common to both owners; an absent record prints as an all-zero one.
void printRecord(const AttributeRecord* given) {
    static const AttributeRecord kEmpty;
    const AttributeRecord& record = given ? *given : kEmpty;
    printStampLine("      Create Date: ", record.createDate, "      Create Time: ", record.createTime);
    printStampLine("      Access Date: ", record.accessDate, "      Access Time: ", record.accessTime);
    printStampLine("      Change Date: ", record.changeDate, "      Change Time: ", record.changeTime);
    out::line("      Size of the file: ", record.fileSize);
    std::string bits = "      Attributes of the file: " + std::to_string(record.attributes) + " (";
    for (const BitWord& entry : kBitWords)
        if (record.attributes & entry.bit) bits += entry.word;
    out::line(bits + " )");
    printFileTimeLine("      Win32 Create File Time: ", record.createFileTime);
    printFileTimeLine("      Win32 Access File Time: ", record.accessFileTime);
    printFileTimeLine("      Win32 Change File Time: ", record.changeFileTime);
    out::blank();
}

}  // namespace

void printHandleAttributes(const FileObject& file) { printRecord(file.attributeRecord()); }

void printEntryAttributes(const FSDirEntry& entry, int withName) {
    if (withName == 1) {
        std::array<char, MAX_PATH> name{};
        entry.copyName(name);
        out::line(std::string("      file name: ") + name.data());
    }
    printRecord(&entry.record());
}

void printDosDate(std::uint16_t date) {
    if (date == 0) {
        out::text("not supported");
        return;
    }
    char text[32];
    DosDate fields = UnpackDosDate(date);
    std::snprintf(text, sizeof text, "%02u/%02u/%04u", fields.month, fields.day, fields.year);
    out::text(text);
}

void printDosTime(std::uint16_t time, std::uint16_t date) {
    if (time == 0) {
        out::text(date == 0 ? "not supported" : "Midnight ");
        return;
    }
    DosTime fields = UnpackDosTime(time);
    bool afternoon = fields.hour >= 12;
    unsigned hours = fields.hour > 12 ? fields.hour - 12 : fields.hour;
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u%s", hours, fields.minute, fields.second,
                  afternoon ? " PM" : " AM");
    out::text(text);
}

void printFileTime(const FILETIME& fileTime) {
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    // Neither result is tested: a time that cannot be converted prints as zeros.
    FileTimeToSystemTime(&fileTime, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%02u/%02u/%04u  %02u:%02u:%02u.%04u", local.wMonth, local.wDay, local.wYear,
                  local.wHour, local.wMinute, local.wSecond, local.wMilliseconds);
    out::text(text);
}
