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
// outside 1970-01-01 to 9999-12-31.
DateValue parseIsoDate(std::string_view text);

// Today's local date as a date value.
DateValue todayDate();

} // namespace tallomir
