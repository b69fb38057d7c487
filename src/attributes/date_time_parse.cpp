#include "attributes/date_time_parse.h"

#include <cctype>
#include <string>
#include <vector>

#include "common/dos_date_time.h"

namespace {

// The fields of the text between separators; a run of separators counts as one and
// separators at the start are skipped.
std::vector<std::string_view> splitFields(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> fields;
    std::size_t start = text.find_first_not_of(separators);
    while (start != std::string_view::npos) {
        std::size_t end = text.find_first_of(separators, start);
        fields.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        start = end == std::string_view::npos ? end : text.find_first_not_of(separators, end);
    }
    return fields;
}

bool startsWithDigit(std::string_view field) {
    return !field.empty() && std::isdigit(static_cast<unsigned char>(field[0]));
}

// The value of the leading decimal digits (0 when there are none).
unsigned leadingNumber(std::string_view text) {
    unsigned value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

// Writes a field of one or two characters into the two places at `place` of the work
// area ("7" becomes "07").
void putTwo(std::string_view field, std::string& work, std::size_t place) {
    work[place] = field.size() == 1 ? '0' : field[0];
    work[place + 1] = field.back();
}

// A field of at most two characters whose value lies in 0..limit, put into the work
// area. False when refused.
bool placeField(std::string_view field, unsigned limit, std::string& work, std::size_t place) {
    if (field.size() > 2 || !startsWithDigit(field) || leadingNumber(field) > limit) return false;
    putTwo(field, work, place);
    return true;
}

}  // namespace

std::uint16_t parseDate(std::string_view text) {
    std::string work = "19yymmdd";
    std::vector<std::string_view> fields = splitFields(text, "/-.");
    if (fields.size() < 3) return 0;
    std::string_view year = fields[2];
    if (!startsWithDigit(year)) return 0;
    if (year.size() == 2)
        work.replace(2, 2, year);
    else if (year.size() == 4)
        work.replace(0, 4, year);
    else
        return 0;
    if (!placeField(fields[0], 12, work, 4) || !placeField(fields[1], 31, work, 6)) return 0;

    unsigned yearValue = leadingNumber(std::string_view(work).substr(0, 4));
    unsigned month = leadingNumber(std::string_view(work).substr(4, 2));
    unsigned day = leadingNumber(std::string_view(work).substr(6, 2));
    if (yearValue < kFirstDosYear || yearValue > kLastDosYear) return 0;
    return PackDosDate(yearValue, month, day);
}

std::uint16_t parseTime(std::string_view text) {
    std::string work = "hhmmss";
    std::vector<std::string_view> fields = splitFields(text, ":.");
    if (fields.empty()) return 0;
    std::string_view hours = fields[0];
    if (hours.size() > 2 || !startsWithDigit(hours)) return 0;
    putTwo(hours, work, 0);
    // Missing minutes or seconds stand for "00"; 60 is let through.
    if (!placeField(fields.size() > 1 ? fields[1] : "00", 60, work, 2)) return 0;
    if (!placeField(fields.size() > 2 ? fields[2] : "00", 60, work, 4)) return 0;

    unsigned hourValue = leadingNumber(std::string_view(work).substr(0, 2));
    unsigned minutes = leadingNumber(std::string_view(work).substr(2, 2));
    unsigned seconds = leadingNumber(std::string_view(work).substr(4, 2));
    // An hour beyond the field would wrap into another hour.
    if (hourValue > kLargestDosHour) return 0;
    return PackDosTime(hourValue, minutes, seconds);
}
