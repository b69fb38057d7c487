// The date and time parsers of SETATTRIBUTES, the DOS date/time display, and the
// record's name copy.
#include <gtest/gtest.h>

#include <string>

#include "attributes/attribute_display.h"
#include "attributes/date_time_parse.h"
#include "interpreter/output.h"
#include "namespace/attribute_record.h"

namespace {

constexpr std::uint16_t Date(unsigned year, unsigned month, unsigned day) {
    return static_cast<std::uint16_t>((year - 1980) * 512 + month * 32 + day);
}
constexpr std::uint16_t Time(unsigned hours, unsigned minutes, unsigned seconds) {
    return static_cast<std::uint16_t>(hours * 2048 + minutes * 32 + seconds / 2);
}

template <class Print>
std::string Captured(Print print) {
    testing::internal::CaptureStdout();
    print();
    out::flush();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(ParseDateTest, AcceptedForms) {
    EXPECT_EQ(parseDate("12/07/96"), Date(1996, 12, 7));
    EXPECT_EQ(parseDate("12-07-96"), Date(1996, 12, 7));
    EXPECT_EQ(parseDate("12.07.96"), Date(1996, 12, 7));
    EXPECT_EQ(parseDate("12/7/1996"), Date(1996, 12, 7));
    EXPECT_EQ(parseDate("1/2/2001"), Date(2001, 1, 2));
    EXPECT_EQ(parseDate("//1//2//80"), Date(1980, 1, 2));  // runs of separators count as one
    EXPECT_EQ(parseDate("6/15/2024/extra"), Date(2024, 6, 15));
    EXPECT_EQ(parseDate("12/31/2107"), Date(2107, 12, 31));
    // Month 0 and day 0 pass; the conversion to a Win32 time refuses them later.
    EXPECT_EQ(parseDate("0/5/96"), Date(1996, 0, 5));
    EXPECT_EQ(parseDate("2/30/97"), Date(1997, 2, 30));
}

TEST(ParseDateTest, RefusedForms) {
    const char* refused[] = {
        "",           "12/07",      "12/07/1",  "12/07/996", "12/07/19960",  // missing or bad year
        "13/01/96",   "12/32/96",   "123/1/96", "1/123/96",                  // out of range, too long
        "01/01/05",   "01/01/1979", "01/01/79",                              // before 1980
        "01/01/2108",                                                        // beyond the 7-bit year
        "a1/01/96",   "01/b1/96",   "01/01/x6", "+1/01/96",                  // not beginning with a digit
        "0/0/80",                                                            // the word 0
    };
    for (const char* text : refused) EXPECT_EQ(parseDate(text), 0) << text;
}

TEST(ParseTimeTest, AcceptedForms) {
    EXPECT_EQ(parseTime("13:30:00"), Time(13, 30, 0));
    EXPECT_EQ(parseTime("13.30"), Time(13, 30, 0));
    EXPECT_EQ(parseTime("12"), Time(12, 0, 0));
    EXPECT_EQ(parseTime("8:05:07"), Time(8, 5, 6));  // seconds halve without remainder
    EXPECT_EQ(parseTime("::1:2:3"), Time(1, 2, 2));
    EXPECT_EQ(parseTime("0:0:2"), Time(0, 0, 2));
    EXPECT_EQ(parseTime("12:60:60"), Time(12, 60, 60));  // 60 passes; the conversion refuses it later
    EXPECT_EQ(parseTime("31:00"), Time(31, 0, 0));       // no range for hours within the field
}

TEST(ParseTimeTest, RefusedForms) {
    const char* refused[] = {
        "",      "00:00:00", "0:0:1",  // no field, or the word 0 (midnight cannot be set)
        "123",   "12:345",   "12:1:456", "12:61", "12:00:61", "33:00", "99",  // beyond the five-bit hour field
        "a1:00", "12:b0",    "12:00:c0",
    };
    for (const char* text : refused) EXPECT_EQ(parseTime(text), 0) << text;
}

TEST(DosDisplayTest, Dates) {
    EXPECT_EQ(Captured([] { printDosDate(0); }), "not supported");
    EXPECT_EQ(Captured([] { printDosDate(Date(1996, 12, 7)); }), "12/07/1996");
    EXPECT_EQ(Captured([] { printDosDate(Date(2107, 1, 31)); }), "01/31/2107");
}

TEST(DosDisplayTest, Times) {
    EXPECT_EQ(Captured([] { printDosTime(0, 0); }), "not supported");
    EXPECT_EQ(Captured([] { printDosTime(0, Date(1996, 12, 7)); }), "Midnight ");
    EXPECT_EQ(Captured([] { printDosTime(Time(13, 5, 8), 1); }), "01:05:08 PM");
    EXPECT_EQ(Captured([] { printDosTime(Time(12, 0, 0), 1); }), "12:00:00 PM");
    EXPECT_EQ(Captured([] { printDosTime(Time(0, 0, 2), 1); }), "00:00:02 AM");
    EXPECT_EQ(Captured([] { printDosTime(Time(11, 59, 58), 1); }), "11:59:58 AM");
}

TEST(DosDisplayTest, FileTimeIsTwentyFiveCharacters) {
    FILETIME ft{0x6DA15800u + 1234567u, 0x01DABF20u};  // 2024-06-15 12:34:56.123 UTC
    std::string text = Captured([&ft] { printFileTime(ft); });
    // mm/dd/yyyy  hh:mm:ss.mmmm in local time; a zone moves hours and minutes only.
    EXPECT_EQ(text.size(), 25u);
    EXPECT_EQ(text.substr(2, 1) + text.substr(5, 1) + text.substr(10, 2) + text.substr(14, 1), "//  :");
    EXPECT_EQ(text.substr(17), ":56.0123");
}

TEST(AttributeRecordTest, CopyNameCutsWhatDoesNotFit) {
    AttributeRecord record;
    std::array<char, MAX_PATH> name;
    name.fill('x');
    record.copyName(name);
    EXPECT_STREQ(name.data(), "");
    record.setName("a.fil");
    record.copyName(name);
    EXPECT_STREQ(name.data(), "a.fil");
    std::string longName(400, 'n');
    record.setName(longName.c_str());
    record.copyName(name);
    EXPECT_EQ(std::string(name.data()), longName.substr(0, MAX_PATH - 1));
}
