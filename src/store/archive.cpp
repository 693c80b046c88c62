#include "archive.h"

#include "invoice/decimal.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include <unordered_map>

namespace tallomir::store {

namespace {

// An amount in whole cents, for comparing ranges exactly.
qint64 centsOf(const std::string& amount) {
    const Decimal value = parseNumber(amount).rounded(2);
    __int128 cents = value.mantissa();
    for (int scale = value.scale(); scale < 2; ++scale)
        cents *= 10;
    return static_cast<qint64>(cents);
}

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

const char* entryColumns =
    "id, direction, number, type_code, issue_date, seller, buyer, net, vat, gross, sha256, archived_at";

ArchiveEntry entryOf(const QSqlQuery& query) {
    const auto s = [&](int column) { return query.value(column).toString().toStdString(); };
    ArchiveEntry entry;
    entry.id = query.value(0).toLongLong();
    entry.direction = s(1) == "received" ? Direction::Received : Direction::Issued;
    entry.facts = {s(2), s(3), s(4), s(5), s(6), s(7), s(8), s(9)};
    entry.sha256 = s(10);
    entry.archivedAt = s(11);
    return entry;
}

} // namespace

const char* directionName(Direction direction) {
    return direction == Direction::Received ? "received" : "issued";
}

// A party's name as a list shows it: its trading name, else its registered one.
const std::string& partyName(const PartyFields& party) {
    return party.name.empty() ? party.registrationName : party.name;
}

ArchiveFacts archiveFactsOf(const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    return {doc.documentNumber,
            doc.documentTypeCode,
            doc.issueDate,
            partyName(doc.supplier),
            partyName(doc.customer),
            formatDecimal2(state.amounts.netTotal),
            formatDecimal2(state.amounts.taxTotal),
            formatDecimal2(state.amounts.grossTotal)};
}

std::string sha256Hex(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

ArchiveOutcome archiveInvoice(Database& db, const QByteArray& bytes, Direction direction,
                              const ArchiveFacts& facts) {
    ArchiveOutcome outcome;
    const QString hash = text(sha256Hex(bytes));
    const std::string problem = db.transaction([&]() -> std::string {
        QSqlQuery query(db.connection());
        query.prepare("SELECT id FROM archive WHERE sha256 = ?");
        query.addBindValue(hash);
        if (!query.exec())
            return sqlError(query);
        if (query.next()) {
            outcome.id = query.value(0).toLongLong();
            return {};
        }
        query.prepare("INSERT INTO archive (sha256, direction, number, type_code, issue_date, seller, buyer, "
                      "net, vat, gross, gross_cents, archived_at) "
                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (const QVariant& value :
             {QVariant(hash), QVariant(directionName(direction)), QVariant(text(facts.number)),
              QVariant(text(facts.typeCode)), QVariant(text(facts.issueDate)), QVariant(text(facts.seller)),
              QVariant(text(facts.buyer)), QVariant(text(facts.net)), QVariant(text(facts.vat)),
              QVariant(text(facts.gross)), QVariant(centsOf(facts.gross)),
              QVariant(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs))})
            query.addBindValue(value);
        if (!query.exec())
            return sqlError(query);
        outcome.id = query.lastInsertId().toLongLong();
        query.prepare("INSERT INTO archive_bytes (id, bytes) VALUES (?, ?)");
        query.addBindValue(outcome.id);
        query.addBindValue(bytes);
        if (!query.exec())
            return sqlError(query);
        outcome.added = true;
        return {};
    });
    outcome.ok = problem.empty();
    if (!outcome.ok) {
        outcome.added = false;
        outcome.message = "Die Rechnung konnte nicht archiviert werden: " + problem;
    }
    return outcome;
}

namespace {

// The conditions of a filter, each value bound.
QString whereOf(const ArchiveFilter& filter, QVariantList& values) {
    QString sql = QStringLiteral(" WHERE 1");
    if (!filter.text.empty()) {
        // A part anywhere, letters in either case (as SQLite folds them: A to Z); "%" and "_" stand for
        // themselves.
        QString part = text(filter.text);
        part.replace('\\', "\\\\").replace('%', "\\%").replace('_', "\\_");
        sql += R"( AND (number LIKE ? ESCAPE '\' OR seller LIKE ? ESCAPE '\' OR buyer LIKE ? ESCAPE '\'))";
        values << "%" + part + "%"
               << "%" + part + "%"
               << "%" + part + "%";
    }
    if (!filter.fromDate.empty()) {
        sql += " AND issue_date >= ?";
        values << text(filter.fromDate);
    }
    if (!filter.toDate.empty()) {
        sql += " AND issue_date <= ?";
        values << text(filter.toDate);
    }
    if (!filter.minGross.empty()) {
        sql += " AND gross_cents >= ?";
        values << centsOf(filter.minGross);
    }
    if (!filter.maxGross.empty()) {
        sql += " AND gross_cents <= ?";
        values << centsOf(filter.maxGross);
    }
    return sql;
}

// The column an order sorts by, then the id in the same direction.
QString orderOf(ArchiveSort sort) {
    static const char* const columns[] = {"id",     "direction", "number",     "issue_date",
                                          "seller", "buyer",     "gross_cents"};
    const QString direction = QString::fromLatin1(sort.descending ? " DESC" : " ASC");
    const QString column = QString::fromLatin1(columns[static_cast<int>(sort.by)]);
    return " ORDER BY " + column + direction + (sort.by == ArchiveOrder::Id ? QString() : ", id" + direction);
}

} // namespace

std::vector<ArchiveEntry> findArchived(Database& db, const ArchiveFilter& filter) {
    std::vector<ArchiveEntry> entries;
    if (!db.isOpen())
        return entries;
    QVariantList values;
    QSqlQuery query(db.connection());
    query.setForwardOnly(true);
    query.prepare(QString("SELECT %1 FROM archive").arg(entryColumns) + whereOf(filter, values) +
                  " ORDER BY id");
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return entries;
    while (query.next())
        entries.push_back(entryOf(query));
    return entries;
}

std::vector<qint64> findArchivedIds(Database& db, const ArchiveFilter& filter, ArchiveSort sort) {
    std::vector<qint64> ids;
    if (!db.isOpen())
        return ids;
    QVariantList values;
    QSqlQuery query(db.connection());
    query.setForwardOnly(true);
    query.prepare("SELECT id FROM archive" + whereOf(filter, values) + orderOf(sort));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return ids;
    while (query.next())
        ids.push_back(query.value(0).toLongLong());
    return ids;
}

std::vector<ArchiveEntry> archivedEntries(Database& db, std::span<const qint64> ids) {
    std::vector<ArchiveEntry> entries;
    if (!db.isOpen() || ids.empty())
        return entries;
    QSqlQuery query(db.connection());
    query.setForwardOnly(true);
    QString marks = QStringLiteral("?");
    for (std::size_t i = 1; i < ids.size(); ++i)
        marks += QStringLiteral(", ?");
    query.prepare(QString("SELECT %1 FROM archive WHERE id IN (%2)").arg(entryColumns, marks));
    for (const qint64 id : ids)
        query.addBindValue(id);
    if (!query.exec())
        return entries;
    std::unordered_map<qint64, ArchiveEntry> found;
    while (query.next()) {
        ArchiveEntry entry = entryOf(query);
        found.emplace(entry.id, std::move(entry));
    }
    for (const qint64 id : ids)
        if (const auto it = found.find(id); it != found.end())
            entries.push_back(it->second);
    return entries;
}

std::optional<QByteArray> archivedBytes(Database& db, qint64 id) {
    QSqlQuery query(db.connection());
    query.prepare("SELECT bytes FROM archive_bytes WHERE id = ?");
    query.addBindValue(id);
    if (!db.isOpen() || !query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toByteArray();
}

VerifyOutcome verifyArchive(Database& db) {
    VerifyOutcome outcome;
    QSqlQuery query(db.connection());
    query.setForwardOnly(true);
    if (!db.isOpen() ||
        !query.exec(QString("SELECT %1, bytes FROM archive LEFT JOIN archive_bytes USING (id) ORDER BY id")
                        .arg(entryColumns))) {
        outcome.message = db.isOpen() ? sqlError(query) : db.message();
        return outcome;
    }
    while (query.next()) {
        ArchiveEntry entry = entryOf(query);
        if (sha256Hex(query.value(12).toByteArray()) != entry.sha256)
            outcome.differing.push_back(std::move(entry));
    }
    outcome.ok = true;
    return outcome;
}

} // namespace tallomir::store
