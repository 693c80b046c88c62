#pragma once

#include <string>
#include <string_view>

namespace tallomir {

// A date picker's value: whole seconds since 1970-01-01 00:00:00 without time
// zone (always a multiple of 86400). -1 means no date.
using DateValue = long long;
constexpr DateValue noDate = -1;

// "%yyyy-%mm-%dd" and "%dd.%mm.%yyyy" of a date value.
std::string formatIsoDate(DateValue date);
std::string formatDisplayDate(DateValue date);

// Matches the text against "%yyyy-%mm-%dd": one to four digits for the year,
// one or two for month and day, hyphens exactly, the whole text used up. Gives
// noDate for anything else, for a day that does not exist, and for dates
// outside 1000-01-01 to 9999-12-31.
DateValue parseIsoDate(std::string_view text);

// A date as a person types it into a date field, day first: with points
// ("1.11.2026", "01.11.26") or as digits alone ("01112026", "011126"), blanks
// around it allowed. A two-digit year is one of 2000 to 2068, or of 1969 to
// 1999 from 69 on. Gives noDate for anything else and for a day that does
// not exist.
DateValue parseTypedDate(std::string_view text);

// Why a date field refuses a typed text: "„32.11.2026“ ist kein Datum …" or a
// date outside 1900 to 2099; "" when it gives such a date.
std::string typedDateProblem(std::string_view text);

// The dates an invoice can sensibly carry, 1900-01-01 to 2099-12-31; the date
// fields take nothing outside and the check names such a date.
constexpr int firstYear = 1900;
constexpr int lastYear = 2099;
bool isPlausibleDate(DateValue date);

// A date as a file may write it ("2016-01-01", "2016-01-01Z",
// "2016-01-01+01:00") as the form keeps it, "%yyyy-%mm-%dd": a time zone is
// dropped. Any other text is given back unchanged.
std::string withoutTimeZone(std::string_view text);

// Today's local date as a date value.
DateValue todayDate();

} // namespace tallomir
