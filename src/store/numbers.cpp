#include "numbers.h"

#include <QSqlQuery>
#include <QVariant>

namespace tallomir::store {

namespace {

// The range a pattern counts in for a year: the pattern with the year set.
std::string rangeKey(const std::string& pattern, int year) {
    std::string key = pattern;
    for (std::size_t at; (at = key.find("{JJJJ}")) != std::string::npos;)
        key.replace(at, 6, std::to_string(year));
    return key;
}

// The last counter used in the range; 0 before the first.
std::optional<long long> lastCounter(Database& db, const std::string& key) {
    QSqlQuery query(db.connection());
    query.prepare("SELECT last_counter FROM number_range WHERE range_key = ?");
    query.addBindValue(QString::fromStdString(key));
    if (!query.exec())
        return std::nullopt;
    return query.next() ? query.value(0).toLongLong() : 0;
}

bool isHeld(Database& db, const std::string& number) {
    QSqlQuery query(db.connection());
    query.prepare("SELECT 1 FROM issued_number WHERE number = ?");
    query.addBindValue(QString::fromStdString(number));
    return query.exec() && query.next();
}

// The first counter after the last used whose number nobody holds.
std::optional<long long> nextFree(Database& db, const std::string& pattern, int year) {
    const std::optional<long long> last = lastCounter(db, rangeKey(pattern, year));
    if (!last)
        return std::nullopt;
    long long next = *last + 1;
    while (isHeld(db, formatNumber(pattern, year, next)))
        ++next;
    return next;
}

} // namespace

std::string numberPattern(const CodeLists& lists, const std::string& typeCode) {
    const auto own = lists.numberRanges.find(typeCode);
    if (own != lists.numberRanges.end() && !own->second.empty())
        return own->second;
    const auto general = lists.numberRanges.find("");
    return general == lists.numberRanges.end() ? std::string() : general->second;
}

std::string formatNumber(const std::string& pattern, int year, long long counter) {
    std::string number = rangeKey(pattern, year);
    const std::size_t open = number.find("{N");
    const std::size_t close = open == std::string::npos ? open : number.find('}', open);
    const std::string digits = std::to_string(counter);
    if (close == std::string::npos || number.find_first_not_of('N', open + 1) != close)
        return number + digits;
    const std::size_t width = close - open - 1;
    const std::string padded = std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
    return number.replace(open, close - open + 1, padded);
}

std::optional<std::string> proposeNumber(Database& db, const std::string& pattern, int year) {
    if (!db.isOpen() || pattern.empty())
        return std::nullopt;
    const std::optional<long long> next = nextFree(db, pattern, year);
    if (!next)
        return std::nullopt;
    return formatNumber(pattern, year, *next);
}

std::optional<ArchiveEntry> numberHolder(Database& db, const std::string& number) {
    QSqlQuery query(db.connection());
    query.prepare("SELECT archive_id FROM issued_number WHERE number = ?");
    query.addBindValue(QString::fromStdString(number));
    if (!db.isOpen() || !query.exec() || !query.next())
        return std::nullopt;
    const qint64 id = query.value(0).toLongLong();
    for (ArchiveEntry& entry : findArchived(db, {.text = number}))
        if (entry.id == id)
            return std::move(entry);
    return std::nullopt;
}

NumberOutcome takeNumber(Database& db, const std::string& number, const std::string& ownNumber, bool proposed,
                         const std::string& pattern, int year) {
    NumberOutcome outcome;
    outcome.number = number;
    if (!number.empty() && number == ownNumber) {
        outcome.ok = true; // saved again under the number it holds
        return outcome;
    }
    if (const std::optional<ArchiveEntry> holder = numberHolder(db, number)) {
        if (!proposed) {
            const ArchiveFacts& f = holder->facts;
            outcome.message = "Die Rechnungsnummer " + number + " ist schon vergeben: an die Rechnung vom " +
                              f.issueDate + " an " + (f.buyer.empty() ? "(ohne Namen)" : f.buyer) + " über " +
                              f.gross + " (Archiv Nr. " + std::to_string(holder->id) + ").";
            return outcome;
        }
        const std::optional<long long> next = nextFree(db, pattern, year);
        if (!next) {
            outcome.message = "Die Datenbank kann nicht gelesen werden.";
            return outcome;
        }
        outcome.number = formatNumber(pattern, year, *next);
        outcome.replaced = true;
    }
    // The number the range gives next (or one further, past numbers saved by
    // hand) moves the counter to it.
    const std::string key = rangeKey(pattern, year);
    const std::optional<long long> last = lastCounter(db, key);
    const std::optional<long long> next = nextFree(db, pattern, year);
    if (!last || !next) {
        outcome.message = "Die Datenbank kann nicht gelesen werden.";
        return outcome;
    }
    if (!pattern.empty() && outcome.number == formatNumber(pattern, year, *next)) {
        QSqlQuery query(db.connection());
        if (*last == 0) {
            query.prepare("INSERT INTO number_range (range_key, last_counter) VALUES (?, ?)");
            query.addBindValue(QString::fromStdString(key));
            query.addBindValue(*next);
        } else {
            query.prepare("UPDATE number_range SET last_counter = ? WHERE range_key = ?");
            query.addBindValue(*next);
            query.addBindValue(QString::fromStdString(key));
        }
        if (!query.exec()) {
            outcome.message = "Der Nummernkreis kann nicht weitergezählt werden: " + sqlError(query);
            return outcome;
        }
    }
    outcome.ok = true;
    return outcome;
}

std::string recordIssuedNumber(Database& db, const std::string& number, qint64 archiveId) {
    QSqlQuery query(db.connection());
    query.prepare("INSERT INTO issued_number (number, archive_id) VALUES (?, ?)");
    query.addBindValue(QString::fromStdString(number));
    query.addBindValue(archiveId);
    return query.exec() ? std::string()
                        : "Die Rechnungsnummer kann nicht vermerkt werden: " + sqlError(query);
}

} // namespace tallomir::store
