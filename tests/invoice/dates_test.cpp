#include "invoice/dates.h"

#include <gtest/gtest.h>

#include <ctime>

using tallomir::DateValue;
using tallomir::formatDisplayDate;
using tallomir::formatIsoDate;
using tallomir::noDate;
using tallomir::parseIsoDate;

namespace {
constexpr DateValue day = 86400;
}

TEST(ParseIsoDate, ReadsFullDates) {
    EXPECT_EQ(parseIsoDate("1970-01-01"), 0);
    EXPECT_EQ(parseIsoDate("1970-01-02"), day);
    EXPECT_EQ(parseIsoDate("2000-03-01"), 11017 * day);
    EXPECT_EQ(parseIsoDate("2022-01-05"), 18997 * day);
}

TEST(ParseIsoDate, ShortNumberFields) {
    EXPECT_EQ(parseIsoDate("2022-1-5"), parseIsoDate("2022-01-05"));
    EXPECT_EQ(parseIsoDate("2022-12-5"), parseIsoDate("2022-12-05"));
}

TEST(ParseIsoDate, RejectsTextsThatDoNotMatch) {
    for (const char* text :
         {"", "2022-01-05x", "2022-01-05 ", " 2022-01-05", "2022/01/05", "20220105", "2022-01-", "2022--05",
          "-01-05", "2022-001-05", "2022-01-005", "02022-01-05", "05.01.2022", "2022-01"})
        EXPECT_EQ(parseIsoDate(text), noDate) << text;
}

TEST(ParseIsoDate, RejectsDaysThatDoNotExist) {
    for (const char* text : {"2022-02-29", "2100-02-29", "2022-04-31", "2022-06-31", "2022-09-31",
                             "2022-11-31", "2022-13-01", "2022-00-10", "2022-01-00", "2022-01-32"})
        EXPECT_EQ(parseIsoDate(text), noDate) << text;
}

TEST(ParseIsoDate, LeapYears) {
    EXPECT_NE(parseIsoDate("2024-02-29"), noDate);
    EXPECT_NE(parseIsoDate("2000-02-29"), noDate);
    EXPECT_EQ(parseIsoDate("2024-03-01") - parseIsoDate("2024-02-28"), 2 * day);
    EXPECT_EQ(parseIsoDate("2023-03-01") - parseIsoDate("2023-02-28"), day);
}

TEST(ParseIsoDate, RangeFrom1970To9999) {
    EXPECT_EQ(parseIsoDate("1969-12-31"), noDate);
    EXPECT_EQ(parseIsoDate("0001-01-01"), noDate);
    EXPECT_EQ(parseIsoDate("2038-01-20"), 24856 * day);
    EXPECT_EQ(parseIsoDate("9999-12-31"), 2932896 * day);
}

TEST(DateFormats, IsoAndDisplayForms) {
    EXPECT_EQ(formatIsoDate(0), "1970-01-01");
    EXPECT_EQ(formatDisplayDate(0), "01.01.1970");
    EXPECT_EQ(formatIsoDate(parseIsoDate("2022-1-5")), "2022-01-05");
    EXPECT_EQ(formatDisplayDate(parseIsoDate("2022-1-5")), "05.01.2022");
    EXPECT_EQ(formatIsoDate(parseIsoDate("2024-02-29")), "2024-02-29");
    EXPECT_EQ(formatIsoDate(parseIsoDate("9999-12-31")), "9999-12-31");
    EXPECT_EQ(formatDisplayDate(parseIsoDate("2100-03-01")), "01.03.2100");
    EXPECT_EQ(formatIsoDate(noDate), "");
    EXPECT_EQ(formatDisplayDate(noDate), "");
}

TEST(DateFormats, EveryDayRoundTrips) {
    // each day of four centuries, including the 1900/2000/2100 rules
    DateValue previous = noDate;
    for (DateValue d = parseIsoDate("1970-01-01"); d <= parseIsoDate("2400-12-31"); d += day) {
        const std::string text = formatIsoDate(d);
        ASSERT_EQ(parseIsoDate(text), d) << text;
        ASSERT_NE(text, formatIsoDate(previous));
        previous = d;
    }
}

TEST(TodayDate, IsTheLocalCalendarDay) {
    const DateValue today = tallomir::todayDate();
    EXPECT_EQ(today % day, 0);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char expected[16];
    std::strftime(expected, sizeof expected, "%Y-%m-%d", &local);
    EXPECT_EQ(formatIsoDate(today), expected);
}
