#pragma once

// Invoice numbers from a number range per document type: a pattern such as
// "RE-{JJJJ}-{NNNN}" with the year and a zero-padded counter. The counter of
// a range (the pattern with its year filled in) only moves forward, one at a
// time, and only when an invoice with its next number is saved.

#include "archive.h"

#include <optional>
#include <string>

namespace tallomir::store {

// The pattern of a document type: its own ("Nummernkreis381"), else the
// general one ("Nummernkreis").
std::string numberPattern(const CodeLists& lists, const std::string& typeCode);
// The number of a counter in a year: {JJJJ} the year, {NNNN} the counter with
// as many digits as N's (more when it needs them). A pattern without {N…}
// gets the counter at its end.
std::string formatNumber(const std::string& pattern, int year, long long counter);

// The number a new invoice is proposed: the one after the range's last used,
// passing numbers saved by hand meanwhile. Nothing is reserved.
std::optional<std::string> proposeNumber(Database& db, const std::string& pattern, int year);

// The saved invoice a number was issued to, if any.
std::optional<ArchiveEntry> numberHolder(Database& db, const std::string& number);

// A number for an invoice being saved, to be run inside the save's
// transaction; the counter moves only when that transaction commits.
struct NumberOutcome {
    bool ok = false;
    std::string number;    // the number the invoice is saved with
    bool replaced = false; // the proposed number was taken meanwhile and the next was given
    std::string message;   // German, when refused
};
// `number` is the document's; `ownNumber` the one this document already
// holds (saved or loaded before; "" for none); `proposed` whether the number
// is the one proposed, which is replaced by the next free one when another
// invoice took it meanwhile. A number issued to another invoice is refused.
NumberOutcome takeNumber(Database& db, const std::string& number, const std::string& ownNumber, bool proposed,
                         const std::string& pattern, int year);
// Records the number as issued to the archive entry (inside the same transaction).
std::string recordIssuedNumber(Database& db, const std::string& number, qint64 archiveId);

} // namespace tallomir::store
