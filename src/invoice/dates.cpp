#include "dates.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace tallomir {

namespace {

constexpr long long secondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date, by whole 400-year
// eras; no time_t, so no limit at 2038.
constexpr long long daysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

struct CivilDate {
    long long year;
    unsigned month;
    unsigned day;
};

constexpr CivilDate civilFromDays(long long days) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

static_assert(daysFromCivil(1970, 1, 1) == 0);
static_assert(civilFromDays(0).year == 1970);

constexpr bool isLeapYear(long long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

constexpr unsigned daysInMonth(long long year, unsigned month) {
    constexpr unsigned lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && isLeapYear(year))
        return 29;
    return lengths[month - 1];
}

constexpr long long lastDay = daysFromCivil(9999, 12, 31);

long long floorDays(DateValue date) {
    long long days = date / secondsPerDay;
    if (date % secondsPerDay < 0)
        --days;
    return days;
}

// Reads between 1 and maxDigits digits at pos; false when there is none.
bool readNumber(std::string_view text, std::size_t& pos, int maxDigits, unsigned& value) {
    value = 0;
    int count = 0;
    while (count < maxDigits && pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + static_cast<unsigned>(text[pos] - '0');
        ++pos;
        ++count;
    }
    return count > 0;
}

} // namespace

namespace {

// The date's text in one of the two forms; no date gives the empty text.
std::string formatDate(DateValue date, bool iso) {
    if (date == noDate)
        return {};
    const CivilDate c = civilFromDays(floorDays(date));
    char buffer[32];
    if (iso)
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u", c.year, c.month, c.day);
    else
        std::snprintf(buffer, sizeof buffer, "%02u.%02u.%04lld", c.day, c.month, c.year);
    return buffer;
}

} // namespace

std::string formatIsoDate(DateValue date) {
    return formatDate(date, true);
}

std::string formatDisplayDate(DateValue date) {
    return formatDate(date, false);
}

DateValue parseIsoDate(std::string_view text) {
    std::size_t pos = 0;
    unsigned year = 0, month = 0, day = 0;
    if (!readNumber(text, pos, 4, year))
        return noDate;
    if (pos >= text.size() || text[pos] != '-')
        return noDate;
    ++pos;
    if (!readNumber(text, pos, 2, month))
        return noDate;
    if (pos >= text.size() || text[pos] != '-')
        return noDate;
    ++pos;
    if (!readNumber(text, pos, 2, day))
        return noDate;
    if (pos != text.size())
        return noDate;
    if (year < 1000 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return noDate;
    const long long days = daysFromCivil(year, month, day);
    if (days > lastDay)
        return noDate;
    return days * secondsPerDay;
}

DateValue parseTypedDate(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return noDate;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::size_t pos = 0;
    unsigned day = 0, month = 0, year = 0;
    std::size_t yearDigits = 0;
    if (text.find('.') != std::string_view::npos) {
        if (!readNumber(text, pos, 2, day) || pos >= text.size() || text[pos++] != '.' ||
            !readNumber(text, pos, 2, month) || pos >= text.size() || text[pos++] != '.')
            return noDate;
        const std::size_t yearStart = pos;
        if (!readNumber(text, pos, 4, year))
            return noDate;
        yearDigits = pos - yearStart;
    } else {
        // Day and month of two digits each, then the year.
        yearDigits = text.size() - 4;
        if ((text.size() != 6 && text.size() != 8) || !readNumber(text, pos, 2, day) ||
            !readNumber(text, pos, 2, month) || !readNumber(text, pos, 4, year) || pos != text.size())
            return noDate;
    }
    if (pos != text.size() || (yearDigits != 2 && yearDigits != 4))
        return noDate;
    if (yearDigits == 2)
        year += year < 69 ? 2000 : 1900;
    if (year < 1000 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return noDate;
    return daysFromCivil(year, month, day) * secondsPerDay;
}

std::string typedDateProblem(std::string_view text) {
    const DateValue date = parseTypedDate(text);
    const std::string quoted = "\u201E" + std::string(text) + "\u201C";
    if (date == noDate)
        return quoted + " ist kein Datum (Tag.Monat.Jahr, z.B. 01.11.2026, 1.11.26 oder 01112026)";
    if (!isPlausibleDate(date))
        return quoted + " liegt nicht zwischen " + std::to_string(firstYear) + " und " +
               std::to_string(lastYear);
    return {};
}

bool isPlausibleDate(DateValue date) {
    return date != noDate && date >= daysFromCivil(firstYear, 1, 1) * secondsPerDay &&
           date <= daysFromCivil(lastYear, 12, 31) * secondsPerDay;
}

std::string withoutTimeZone(std::string_view text) {
    constexpr std::size_t dateLength = 10;
    if (text.size() <= dateLength || parseIsoDate(text.substr(0, dateLength)) == noDate)
        return std::string(text);
    const std::string_view zone = text.substr(dateLength);
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const bool offset = zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && digit(zone[1]) &&
                        digit(zone[2]) && zone[3] == ':' && digit(zone[4]) && digit(zone[5]);
    return zone == "Z" || offset ? std::string(text.substr(0, dateLength)) : std::string(text);
}

DateValue todayDate() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    return daysFromCivil(static_cast<long long>(local.tm_year) + 1900,
                         static_cast<unsigned>(local.tm_mon + 1), static_cast<unsigned>(local.tm_mday)) *
           secondsPerDay;
}

} // namespace tallomir
