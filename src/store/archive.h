#pragma once

// The archive: every saved and every received invoice with its original
// bytes, their SHA-256 and the facts a list shows. An entry is never changed
// or deleted (the schema refuses it too); the same bytes give one entry.

#include "database.h"

#include <QByteArray>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tallomir::store {

enum class Direction { Issued, Received };
// "issued" or "received", as stored.
const char* directionName(Direction direction);

// What the list shows of an invoice; amounts as exact decimal texts.
struct ArchiveFacts {
    std::string number;
    std::string typeCode;
    std::string issueDate; // YYYY-MM-DD
    std::string seller;
    std::string buyer;
    std::string net;
    std::string vat;
    std::string gross;

    bool operator==(const ArchiveFacts&) const = default;
};
// The facts of the open document: its number, type, date, the parties'
// names and its totals as the program computes them.
ArchiveFacts archiveFactsOf(const DocumentState& state);

struct ArchiveEntry {
    qint64 id = 0;
    Direction direction = Direction::Issued;
    ArchiveFacts facts;
    std::string sha256;     // lower-case hex
    std::string archivedAt; // UTC, ISO 8601
};

// The hex SHA-256 of bytes.
std::string sha256Hex(const QByteArray& bytes);

struct ArchiveOutcome {
    bool ok = false;
    bool added = false;  // false when the same bytes were archived before
    qint64 id = 0;       // the entry holding the bytes
    std::string message; // German, when not ok
};
// Stores the bytes with their facts as one transaction (within the caller's,
// when one is running). Bytes already archived keep their first entry.
ArchiveOutcome archiveInvoice(Database& db, const QByteArray& bytes, Direction direction,
                              const ArchiveFacts& facts);

// What the list searches for; an empty text or range leaves it out.
struct ArchiveFilter {
    std::string text = {};     // part of the number, the seller's or the buyer's name
    std::string fromDate = {}; // issue date from, YYYY-MM-DD
    std::string toDate = {};   // issue date up to
    std::string minGross = {}; // gross amount from, decimal text
    std::string maxGross = {}; // gross amount up to
};
// The entries that match, oldest first; empty when the database fails.
std::vector<ArchiveEntry> findArchived(Database& db, const ArchiveFilter& filter = {});

// What a list sorts by; entries alike in it go by id in the same direction.
enum class ArchiveOrder { Id, Direction, Number, IssueDate, Seller, Buyer, Gross };
struct ArchiveSort {
    ArchiveOrder by = ArchiveOrder::Id;
    bool descending = false;
};
// The ids of the entries that match, the whole result sorted; empty when the
// database fails. A list reads the entries of the rows it shows by these.
std::vector<qint64> findArchivedIds(Database& db, const ArchiveFilter& filter, ArchiveSort sort = {});
// The entries of these ids in the order given; an unknown id is left out.
std::vector<ArchiveEntry> archivedEntries(Database& db, std::span<const qint64> ids);
// The stored bytes of an entry, unchanged; nothing for an unknown id.
std::optional<QByteArray> archivedBytes(Database& db, qint64 id);

struct VerifyOutcome {
    bool ok = false;                     // the database could be read
    std::vector<ArchiveEntry> differing; // entries whose bytes no longer match their hash
    std::string message;
};
// Computes every entry's hash anew from its bytes.
VerifyOutcome verifyArchive(Database& db);

} // namespace tallomir::store
