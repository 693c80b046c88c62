// Date picker values and their two text forms.

#include "invoice/dates.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace tallomir;

namespace {
constexpr DateValue day = 86400;
}

TEST(ParseIsoDate, ReadsExistingDaysFrom1970To9999) {
    const struct {
        const char* text;
        DateValue days;
        const char* display;
    } cases[] = {
        {"1970-01-01", 0, "01.01.1970"},       {"1970-01-02", 1, "02.01.1970"},
        {"2000-02-29", 11016, "29.02.2000"},   {"2000-03-01", 11017, "01.03.2000"},
        {"2022-1-5", 18997, "05.01.2022"},     {"2024-02-29", 19782, "29.02.2024"},
        {"2038-01-20", 24856, "20.01.2038"},   {"2100-03-01", 47541, "01.03.2100"},
        {"9999-12-31", 2932896, "31.12.9999"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseIsoDate(c.text), c.days * day) << c.text;
        EXPECT_EQ(formatDisplayDate(c.days * day), c.display);
    }
    EXPECT_EQ(formatIsoDate(18997 * day), "2022-01-05");
    EXPECT_EQ(formatIsoDate(noDate), "");
    EXPECT_EQ(formatDisplayDate(noDate), "");
}

TEST(ParseIsoDate, RefusesOtherTextsDaysThatDoNotExistAndYearsBefore1000) {
    for (const char* text :
         {"",           "2022-01-05x", "2022-01-05 ", " 2022-01-05", "2022/01/05",  "20220105",
          "2022-01-",   "2022--05",    "-01-05",      "2022-001-05", "2022-01-005", "02022-01-05",
          "05.01.2022", "2022-01",     "2022-02-29",  "2100-02-29",  "2022-04-31",  "2022-06-31",
          "2022-09-31", "2022-11-31",  "2022-13-01",  "2022-00-10",  "2022-01-00",  "2022-01-32",
          "0999-12-31", "0001-01-01"}) {
        EXPECT_EQ(parseIsoDate(text), noDate) << text;
    }
}

TEST(DateFormats, EveryDayRoundTrips) {
    // each day of four centuries, including the 1900/2000/2100 rules
    const DateValue last = parseIsoDate("2400-12-31");
    ASSERT_NE(last, noDate);
    std::string previous;
    for (DateValue d = 0; d <= last; d += day) {
        const std::string text = formatIsoDate(d);
        ASSERT_EQ(parseIsoDate(text), d) << text;
        ASSERT_NE(text, previous);
        previous = text;
    }
}

TEST(DateForms, TimeZonesAreDroppedAndOnlyTheCenturiesAroundNowArePlausible) {
    const std::pair<const char*, const char*> zones[] = {
        {"2016-01-01+01:00", "2016-01-01"},      {"2016-01-01Z", "2016-01-01"},
        {"2016-01-01-11:30", "2016-01-01"},      {"2016-01-01", "2016-01-01"},
        {"2016-01-01+1:00", "2016-01-01+1:00"},  {"2016-02-30Z", "2016-02-30Z"},
        {"2016-01-01T10:00", "2016-01-01T10:00"}};
    for (const auto& [text, kept] : zones)
        EXPECT_EQ(withoutTimeZone(text), kept) << text;
    for (const auto& [text, plausible] : {std::pair{"1899-12-31", false},
                                          {"1900-01-01", true},
                                          {"1969-12-31", true},
                                          {"2099-12-31", true},
                                          {"2100-01-01", false}})
        EXPECT_EQ(isPlausibleDate(parseIsoDate(text)), plausible) << text;
    EXPECT_EQ(formatDisplayDate(parseIsoDate("1901-02-03")), "03.02.1901");
}

TEST(TodayDate, IsTheLocalCalendarDay) {
    const DateValue today = todayDate();
    EXPECT_EQ(today % day, 0);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char expected[16];
    std::strftime(expected, sizeof expected, "%Y-%m-%d", &local);
    EXPECT_EQ(formatIsoDate(today), expected);
}
