#include "store_link.h"

#include "store/database.h"
#include "store/directory.h"
#include "store/numbers.h"

#include <QDate>
#include <QFile>

namespace tallomir::app {

namespace {

// The year of the issue date, else this year.
int yearOf(const DocumentState& state) {
    const QDate date = QDate::fromString(QString::fromStdString(state.doc.issueDate), Qt::ISODate);
    return date.isValid() ? date.year() : QDate::currentDate().year();
}

QByteArray fileBytes(const QString& fileName, bool& ok) {
    QFile file(fileName);
    ok = file.open(QIODevice::ReadOnly);
    return ok ? file.readAll() : QByteArray();
}

} // namespace

bool StoreLink::active() const {
    return db_ && db_->isOpen();
}

std::string StoreLink::archiveLoaded(const DocumentState& state, const QString& fileName) {
    ownNumber_.clear();
    proposed_.clear();
    received_ = true;
    if (!active())
        return {};
    bool read = false;
    const QByteArray bytes = fileBytes(fileName, read);
    if (!read)
        return "Die Datei wurde nicht archiviert: sie kann nicht noch einmal gelesen werden.";
    const store::ArchiveOutcome outcome =
        store::archiveInvoice(*db_, bytes, store::Direction::Received, store::archiveFactsOf(state));
    if (!outcome.ok)
        return outcome.message;
    if (const std::optional<store::ArchiveEntry> holder = store::numberHolder(*db_, state.doc.documentNumber);
        holder && holder->id == outcome.id) {
        ownNumber_ = state.doc.documentNumber;
        received_ = false;
    }
    return {};
}

void StoreLink::openedArchived(const DocumentState& state, qint64 id) {
    proposed_.clear();
    const std::optional<store::ArchiveEntry> holder = store::numberHolder(*db_, state.doc.documentNumber);
    received_ = !(holder && holder->id == id);
    ownNumber_ = received_ ? std::string() : state.doc.documentNumber;
}

void StoreLink::startNew(DocumentState& state) {
    if (active() && !store::fillOwnCompany(*db_, state.doc) && received_)
        store::clearSupplierPage(state.doc);
    received_ = false;
    proposeNumber(state);
}

void StoreLink::proposeNumber(DocumentState& state) {
    ownNumber_.clear();
    proposed_.clear();
    if (!active())
        return;
    const std::optional<std::string> next = store::proposeNumber(
        *db_, store::numberPattern(state.lists, state.doc.documentTypeCode), yearOf(state));
    if (!next)
        return;
    proposed_ = *next;
    state.doc.documentNumber = *next;
}

StoreLink::SaveResult StoreLink::save(DocumentState& state, const std::string& fileName,
                                      const Writer& write) {
    if (!active()) {
        SaveResult result;
        result.outcome = write(state, fileName);
        return result;
    }
    SaveResult result = save(*db_, numbers(), state, fileName, write);
    saved(result, state.doc.documentNumber);
    return result;
}

void StoreLink::saved(const SaveResult& result, const std::string& number) {
    if (!result.archived)
        return;
    ownNumber_ = number;
    proposed_.clear();
}

StoreLink::SaveResult StoreLink::save(store::Database& database, const Numbers& numbers, DocumentState& state,
                                      const std::string& fileName, const Writer& write) {
    SaveResult result;
    const std::string typed = state.doc.documentNumber;
    bool started = false;
    bool written = false;
    const std::string problem = database.transaction([&]() -> std::string {
        started = true;
        const store::NumberOutcome number = store::takeNumber(
            database, typed, numbers.own, !numbers.proposed.empty() && typed == numbers.proposed,
            store::numberPattern(state.lists, state.doc.documentTypeCode), yearOf(state));
        if (!number.ok)
            return result.refusal = number.message;
        state.doc.documentNumber = number.number;
        if (number.replaced)
            result.note = "Die vorgeschlagene Rechnungsnummer " + typed +
                          " wurde inzwischen vergeben; die Rechnung erhielt die Nummer " + number.number +
                          ".";
        result.outcome = write(state, fileName);
        if (!result.outcome.ok)
            return result.outcome.message;
        written = true;
        bool read = false;
        const QByteArray bytes = fileBytes(QString::fromStdString(result.outcome.fileName), read);
        if (!read)
            return "Die gespeicherte Datei kann nicht gelesen werden.";
        const store::ArchiveOutcome archived =
            store::archiveInvoice(database, bytes, store::Direction::Issued, store::archiveFactsOf(state));
        if (!archived.ok)
            return archived.message;
        return number.number == numbers.own ? std::string()
                                            : store::recordIssuedNumber(database, number.number, archived.id);
    });
    if (problem.empty()) {
        result.archived = true;
    } else if (!started) {
        // The database is not to be had (another program holds it too long):
        // the file is saved all the same, and the user learns what is missing.
        result.outcome = write(state, fileName);
        if (result.outcome.ok)
            result.note = "Die Datei wurde gespeichert, aber nicht im Archiv vermerkt; ihre Rechnungsnummer "
                          "wurde nicht geprüft und gilt nicht als vergeben.\r" +
                          problem;
    } else if (!written) {
        state.doc.documentNumber = typed; // nothing was saved, so no number was used
    } else {
        result.note = "Die Datei wurde gespeichert, aber nicht im Archiv vermerkt; ihre Rechnungsnummer gilt "
                      "nicht als vergeben.\r" +
                      problem;
    }
    return result;
}

} // namespace tallomir::app
