// Date picker values and their two text forms.

#include "invoice/dates.h"

#include <gtest/gtest.h>

using namespace tallomir;

namespace {
constexpr DateValue day = 86400;
}

TEST(ParseIsoDate, ReadsExistingDaysFrom1000To9999) {
    const std::pair<const char*, DateValue> cases[] = {
        {"1970-01-01", 0},       {"2000-02-29", 11016},   {"2000-03-01", 11017},   {"2022-1-5", 18997},
        {"2038-01-20", 24856},   {"2100-03-01", 47541},   {"9999-12-31", 2932896}, {"2022-01-05x", noDate},
        {" 2022-01-05", noDate}, {"2022/01/05", noDate},  {"20220105", noDate},    {"2022--05", noDate},
        {"2022-001-05", noDate}, {"02022-01-05", noDate}, {"05.01.2022", noDate},  {"2022-02-29", noDate},
        {"2100-02-29", noDate},  {"2022-04-31", noDate},  {"2022-13-01", noDate},  {"2022-00-10", noDate},
        {"2022-01-00", noDate},  {"2022-01-32", noDate},  {"0999-12-31", noDate},  {"", noDate}};
    for (const auto& [text, days] : cases)
        EXPECT_EQ(parseIsoDate(text), days == noDate ? noDate : days * day) << text;
    EXPECT_EQ(formatIsoDate(18997 * day) + formatIsoDate(noDate) + formatDisplayDate(noDate), "2022-01-05");
}

TEST(DateForms, TimeZonesAreDroppedAndOnlyTheCenturiesAroundNowArePlausible) {
    const std::pair<const char*, const char*> zones[] = {
        {"2016-01-01+01:00", "2016-01-01"}, {"2016-01-01Z", "2016-01-01"},
        {"2016-01-01-11:30", "2016-01-01"}, {"2016-01-01+1:00", "2016-01-01+1:00"},
        {"2016-02-30Z", "2016-02-30Z"},     {"2016-01-01T10:00", "2016-01-01T10:00"}};
    for (const auto& [text, kept] : zones)
        EXPECT_EQ(withoutTimeZone(text), kept) << text;
    for (const auto& [text, plausible] :
         {std::pair{"1899-12-31", false}, {"1900-01-01", true}, {"2099-12-31", true}, {"2100-01-01", false}})
        EXPECT_EQ(isPlausibleDate(parseIsoDate(text)), plausible) << text;
    EXPECT_EQ(formatDisplayDate(parseIsoDate("1901-02-03")), "03.02.1901");
}

// Typed into a date field: day first, with points, as digits alone, with a two-digit year.
TEST(ParseTypedDate, GivesExactlyTheDateTypedOrNone) {
    const std::pair<const char*, const char*> cases[] = {{"01.11.2026", "2026-11-01"},
                                                         {"1.11.2026", "2026-11-01"},
                                                         {"01.11.26", "2026-11-01"},
                                                         {"01112026", "2026-11-01"},
                                                         {"011126", "2026-11-01"},
                                                         {" 31.12.99 ", "1999-12-31"},
                                                         {"29.02.2024", "2024-02-29"},
                                                         {"5.1.68", "2068-01-05"},
                                                         {"5.1.69", "1969-01-05"},
                                                         {"29.02.2025", ""},
                                                         {"32.11.2026", ""},
                                                         {"01.13.2026", ""},
                                                         {"1.11.202", ""},
                                                         {"0111202", ""},
                                                         {"01.11.2026.", ""},
                                                         {"2026-11-01", ""},
                                                         {"1/11/2026", ""},
                                                         {"", ""}};
    for (const auto& [text, iso] : cases)
        EXPECT_EQ(formatIsoDate(parseTypedDate(text)), iso) << text;
}
