// Time conversions over POSIX, in UTC and in a zone with daylight saving time
// (America/New_York): FileTimeToLocalFileTime applies the current bias to any date,
// SystemTimeToTzSpecificLocalTime the rule of the date converted; DOS dates exist from
// 1980 to 2107, seconds round down to even, and invalid fields fail without an error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/win32.h"

namespace {

FILETIME Ft(std::uint64_t value) { return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)}; }
std::uint64_t Value(const FILETIME& ft) { return (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

constexpr std::uint64_t kHour = 36000000000ull;
constexpr std::uint64_t k1980 = 0x01A8E79FE1D58000ull;  // 1980-01-01 00:00:00
constexpr std::uint64_t k20240615_123456 = 0x01DABF206DA15800ull;
constexpr std::uint64_t k21071231_235958 = 0x023868B866D29300ull;

// Runs a test in the time zone given, restoring the process's zone afterwards.
class TimeZoneTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        hadZone_ = old != nullptr;
        if (hadZone_) oldZone_ = old;
        setenv("TZ", GetParam(), 1);
        tzset();
    }
    void TearDown() override {
        if (hadZone_)
            setenv("TZ", oldZone_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    bool newYork() const { return std::string(GetParam()) != "UTC"; }

private:
    bool hadZone_ = false;
    std::string oldZone_;
};

SYSTEMTIME Utc(WORD year, WORD month, WORD day, WORD hour) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    return st;
}

}  // namespace

TEST_P(TimeZoneTest, LocalFileTimeUsesTheCurrentBiasForEveryDate) {
    for (std::uint64_t utc : {k20240615_123456, k1980 + 12 * kHour}) {
        FILETIME in = Ft(utc), local, back;
        ASSERT_TRUE(FileTimeToLocalFileTime(&in, &local));
        std::int64_t bias = static_cast<std::int64_t>(Value(local) - utc);
        if (newYork())
            EXPECT_TRUE(bias == -5 * std::int64_t(kHour) || bias == -4 * std::int64_t(kHour)) << bias;
        else
            EXPECT_EQ(bias, 0);
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
        EXPECT_EQ(Value(back), utc);
    }
    FILETIME zero = Ft(0), out;
    EXPECT_TRUE(FileTimeToLocalFileTime(&zero, &out));  // wraps west of UTC, no error
}

TEST_P(TimeZoneTest, SystemTimeToTzSpecificLocalTimeUsesTheRuleOfTheDate) {
    SYSTEMTIME summer = Utc(2024, 6, 15, 12), winter = Utc(2024, 1, 15, 12), local{};
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &summer, &local));
    EXPECT_EQ(local.wHour, newYork() ? 8 : 12);
    EXPECT_EQ(local.wDay, 15);
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &winter, &local));
    EXPECT_EQ(local.wHour, newYork() ? 7 : 12);
    SYSTEMTIME midnight = Utc(2024, 3, 1, 2);
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &midnight, &local));
    if (newYork()) {  // the day before: 2024-02-29 21:00, a leap day
        EXPECT_EQ(local.wMonth, 2);
        EXPECT_EQ(local.wDay, 29);
        EXPECT_EQ(local.wHour, 21);
    }
    SYSTEMTIME bad = Utc(2024, 13, 1, 0);
    SetLastError(0);
    EXPECT_FALSE(SystemTimeToTzSpecificLocalTime(nullptr, &bad, &local));
    EXPECT_EQ(GetLastError(), DWORD(87));
}

TEST_P(TimeZoneTest, DosConversionsDoNotDependOnTheZone) {
    WORD date = 0, time = 0;
    FILETIME ft = Ft(k20240615_123456 + 10000000);  // 12:34:57: seconds round down to even
    ASSERT_TRUE(FileTimeToDosDateTime(&ft, &date, &time));
    EXPECT_EQ(date, 0x58CF);
    EXPECT_EQ(time, 0x645C);
    ASSERT_TRUE(DosDateTimeToFileTime(0x58CF, 0x645C, &ft));
    EXPECT_EQ(Value(ft), k20240615_123456);
}

INSTANTIATE_TEST_SUITE_P(Zones, TimeZoneTest, ::testing::Values("UTC", "America/New_York"));

TEST(DosTimeTest, FileTimeToDosDateTimeRange) {
    struct Case {
        std::uint64_t value;
        bool ok;
        WORD date, time;
    };
    const Case cases[] = {
        {k1980, true, 0x0021, 0x0000},
        {k1980 + 10000000, true, 0x0021, 0x0000},
        {k21071231_235958 + 10000000, true, 0xFF9F, 0xBF7D},
        {k1980 - 10000000, false, 0, 0},             // 1979-12-31 23:59:59
        {0, false, 0, 0},                            // 1601
        {116444736000000000ull, false, 0, 0},        // 1970
        {k21071231_235958 + 20000000, false, 0, 0},  // 2108: no DOS date, as Windows documents
        {~0ull, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.value);
        FILETIME ft = Ft(c.value);
        WORD date = 0xAAAA, time = 0xAAAA;
        SetLastError(0);
        EXPECT_EQ(FileTimeToDosDateTime(&ft, &date, &time), c.ok ? TRUE : FALSE);
        if (c.ok) {
            EXPECT_EQ(date, c.date);
            EXPECT_EQ(time, c.time);
        } else {
            EXPECT_EQ(GetLastError(), DWORD(87));
            EXPECT_EQ(date, 0xAAAA);  // outputs untouched
            EXPECT_EQ(time, 0xAAAA);
        }
    }
}

TEST(DosTimeTest, DosDateTimeToFileTimeValidation) {
    struct Case {
        WORD date, time;
        bool ok;
    };
    const Case cases[] = {
        {0x2187, 0x0000, true},  {0x0021, 0x0000, true},  {0xFF9F, 0xBF7D, true},  {0x2007, 0x6000, false},
        {0x2180, 0x6000, false}, {0x21A7, 0x6000, false}, {0x21E7, 0x6000, false}, {0x205E, 0x6000, false},
        {0x205F, 0x6000, false}, {0x209F, 0x6000, false}, {0x2187, 0xC000, false}, {0x2187, 0xF800, false},
        {0x2187, 0x6780, false}, {0x2187, 0x67E0, false}, {0x2187, 0x601E, false}, {0x2187, 0x601F, false},
        {0x0000, 0x0000, false}, {0x225D, 0x6000, false},  // 1997-02-29 does not exist
        {0x205D, 0x6000, true},                            // 1996-02-29 does
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.date << " " << c.time);
        FILETIME ft = Ft(0xAAAAAAAAAAAAAAAAull);
        SetLastError(0xDEAD);
        EXPECT_EQ(DosDateTimeToFileTime(c.date, c.time, &ft), c.ok ? TRUE : FALSE);
        EXPECT_EQ(GetLastError(), DWORD(0xDEAD));  // never set, not even on failure
        if (!c.ok) {
            EXPECT_EQ(Value(ft), 0xAAAAAAAAAAAAAAAAull);
        }
    }
    FILETIME ft;
    ASSERT_TRUE(DosDateTimeToFileTime(0x0021, 0, &ft));
    EXPECT_EQ(Value(ft), k1980);
    ASSERT_TRUE(DosDateTimeToFileTime(0xFF9F, 0xBF7D, &ft));
    EXPECT_EQ(Value(ft), k21071231_235958);
}

TEST(DosTimeTest, FileTimeToSystemTime) {
    SYSTEMTIME st{};
    FILETIME ft = Ft(0);
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
    EXPECT_EQ(st.wYear, 1601);
    EXPECT_EQ(st.wMonth, 1);
    EXPECT_EQ(st.wDay, 1);
    EXPECT_EQ(st.wDayOfWeek, 1);  // a Monday
    ft = Ft(0x7FFFFFFFFFFFFFFFull);
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
    EXPECT_EQ(st.wYear, 30828);
    EXPECT_EQ(st.wMonth, 9);
    EXPECT_EQ(st.wDay, 14);
    ft = Ft(0x8000000000000000ull);
    SetLastError(0);
    EXPECT_FALSE(FileTimeToSystemTime(&ft, &st));
    EXPECT_EQ(GetLastError(), DWORD(87));
    ft = Ft(k20240615_123456 + 1234567);  // 123.4567 ms
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
    EXPECT_EQ(st.wHour, 12);
    EXPECT_EQ(st.wMinute, 34);
    EXPECT_EQ(st.wSecond, 56);
    EXPECT_EQ(st.wMilliseconds, 123);
    EXPECT_EQ(st.wDayOfWeek, 6);  // a Saturday
}
