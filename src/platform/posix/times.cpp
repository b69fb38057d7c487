// Time conversions: FILETIME to and from local time, DOS date and time words and
// SYSTEMTIME. Local time is the process's time zone (TZ). FileTimeToLocalFileTime and
// LocalFileTimeToFileTime apply the bias in force now, whatever the date converted,
// as Windows does; SystemTimeToTzSpecificLocalTime applies the rule of the date
// itself.
#include <cstdint>
#include <ctime>

#include "common/dos_date_time.h"
#include "platform/posix/errors.h"
#include "platform/posix/file_times.h"
#include "platform/posix/win32_api.h"

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kSecondsPerDay = 86400;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDaysTo1970 = 134774;

// Days since 1970-01-01 of a proleptic Gregorian date (the civil-date algorithm of
// H. Hinnant).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2), month, day};
}

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(unsigned year, unsigned month) {
    static const unsigned days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// The broken-down form of a FILETIME value below 2^63, in the time scale it is in.
struct TimeFields {
    std::int64_t year;
    unsigned month, day, hour, minute, second, milliseconds, dayOfWeek;
};

TimeFields SplitFileTime(std::uint64_t value) {
    std::int64_t ticks = static_cast<std::int64_t>(value);
    std::int64_t seconds = ticks / kTicksPerSecond;
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t secondOfDay = seconds % kSecondsPerDay;
    CivilDate date = CivilFromDays(days - kDaysTo1970);
    TimeFields f{};
    f.year = date.year;
    f.month = date.month;
    f.day = date.day;
    f.hour = static_cast<unsigned>(secondOfDay / 3600);
    f.minute = static_cast<unsigned>(secondOfDay / 60 % 60);
    f.second = static_cast<unsigned>(secondOfDay % 60);
    f.milliseconds = static_cast<unsigned>(ticks % kTicksPerSecond / 10000);
    f.dayOfWeek = static_cast<unsigned>((days + 1) % 7);  // 1601-01-01 was a Monday
    return f;
}

std::uint64_t FileTimeOf(std::int64_t year, unsigned month, unsigned day, std::int64_t secondOfDay) {
    std::int64_t days = DaysFromCivil(year, month, day) + kDaysTo1970;
    return static_cast<std::uint64_t>((days * kSecondsPerDay + secondOfDay) * kTicksPerSecond);
}

// The offset of local time from UTC, in seconds, at the given instant.
std::int64_t LocalOffsetAt(std::time_t when) {
    struct tm local {};
    if (localtime_r(&when, &local) == nullptr) return 0;
    return local.tm_gmtoff;
}

std::int64_t CurrentBiasTicks() { return LocalOffsetAt(std::time(nullptr)) * kTicksPerSecond; }

}  // namespace

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
    // Unsigned arithmetic: a time too close to 1601 wraps, as on Windows.
    std::uint64_t value = posix::FileTimeValue(*lpFileTime) + static_cast<std::uint64_t>(CurrentBiasTicks());
    *lpLocalFileTime = posix::MakeFileTime(value);
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime) {
    std::uint64_t value = posix::FileTimeValue(*lpLocalFileTime) - static_cast<std::uint64_t>(CurrentBiasTicks());
    *lpFileTime = posix::MakeFileTime(value);
    return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME* lpFileTime, WORD* lpFatDate, WORD* lpFatTime) {
    std::uint64_t value = posix::FileTimeValue(*lpFileTime);
    if (value >= 0x8000000000000000ull) return posix::Fail(ERROR_INVALID_PARAMETER);
    TimeFields f = SplitFileTime(value);
    if (f.year < kFirstDosYear || f.year > kLastDosYear) return posix::Fail(ERROR_INVALID_PARAMETER);
    *lpFatDate = PackDosDate(static_cast<unsigned>(f.year), f.month, f.day);
    *lpFatTime = PackDosTime(f.hour, f.minute, f.second);
    return TRUE;
}

BOOL DosDateTimeToFileTime(WORD wFatDate, WORD wFatTime, LPFILETIME lpFileTime) {
    // A refused word leaves the output and the last error untouched, as on Windows.
    auto [year, month, day] = UnpackDosDate(wFatDate);
    auto [hour, minute, second] = UnpackDosTime(wFatTime);
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return FALSE;
    if (hour > 23 || minute > 59 || second > 59) return FALSE;
    *lpFileTime = posix::MakeFileTime(FileTimeOf(year, month, day, hour * 3600 + minute * 60 + second));
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
    std::uint64_t value = posix::FileTimeValue(*lpFileTime);
    if (value >= 0x8000000000000000ull) return posix::Fail(ERROR_INVALID_PARAMETER);
    TimeFields f = SplitFileTime(value);
    lpSystemTime->wYear = static_cast<WORD>(f.year);
    lpSystemTime->wMonth = static_cast<WORD>(f.month);
    lpSystemTime->wDayOfWeek = static_cast<WORD>(f.dayOfWeek);
    lpSystemTime->wDay = static_cast<WORD>(f.day);
    lpSystemTime->wHour = static_cast<WORD>(f.hour);
    lpSystemTime->wMinute = static_cast<WORD>(f.minute);
    lpSystemTime->wSecond = static_cast<WORD>(f.second);
    lpSystemTime->wMilliseconds = static_cast<WORD>(f.milliseconds);
    return TRUE;
}

BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* lpTimeZoneInformation,
                                     const SYSTEMTIME* lpUniversalTime, LPSYSTEMTIME lpLocalTime) {
    // Only the current zone is offered: the layer has no time-zone records.
    if (lpTimeZoneInformation != nullptr) return posix::Fail(ERROR_INVALID_PARAMETER);
    const SYSTEMTIME& u = *lpUniversalTime;
    if (u.wMonth < 1 || u.wMonth > 12 || u.wDay < 1 || u.wDay > DaysInMonth(u.wYear, u.wMonth) || u.wHour > 23 ||
        u.wMinute > 59 || u.wSecond > 59 || u.wMilliseconds > 999)
        return posix::Fail(ERROR_INVALID_PARAMETER);
    std::int64_t secondOfDay = u.wHour * 3600 + u.wMinute * 60 + u.wSecond;
    std::int64_t unixSeconds = (DaysFromCivil(u.wYear, u.wMonth, u.wDay)) * kSecondsPerDay + secondOfDay;
    std::uint64_t local =
        FileTimeOf(u.wYear, u.wMonth, u.wDay, secondOfDay) +
        static_cast<std::uint64_t>(LocalOffsetAt(static_cast<std::time_t>(unixSeconds)) * kTicksPerSecond) +
        static_cast<std::uint64_t>(u.wMilliseconds) * 10000;
    FILETIME ft = posix::MakeFileTime(local);
    return FileTimeToSystemTime(&ft, lpLocalTime);
}
