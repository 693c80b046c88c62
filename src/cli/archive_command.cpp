#include "archive_command.h"

#include "store/archive.h"
#include "syntax/syntax.h"

#include <QFile>
#include <QSaveFile>

#include <nlohmann/json.hpp>

#include <iostream>

namespace tallomir::cli {

namespace {

enum ExitCode { Done = 0, Usage = 1, Unreadable = 2, WriteFailed = 4, Differs = 5 };

int usage() {
    std::cerr << "Aufruf:\n"
                 "  tallomir-cli archive [--db DATEI] import RECHNUNG.xml …\n"
                 "  tallomir-cli archive [--db DATEI] list [--json]\n"
                 "  tallomir-cli archive [--db DATEI] export NR AUSGABE.xml\n"
                 "  tallomir-cli archive [--db DATEI] verify\n";
    return Usage;
}

std::string describe(const store::ArchiveEntry& entry) {
    return "Nr. " + std::to_string(entry.id) + " (" + entry.facts.number + ", " + entry.facts.issueDate + ")";
}

// Each file is read as "Laden" reads it, then stored with its bytes as they are.
int importFiles(store::Database& db, const CodeLists& lists, const std::vector<std::string>& files) {
    int result = Done;
    for (const std::string& file : files) {
        QFile in(QString::fromStdString(file));
        if (!in.open(QIODevice::ReadOnly)) {
            std::cerr << "Die Datei " << file << " konnte nicht gelesen werden.\n";
            result = Unreadable;
            continue;
        }
        const QByteArray bytes = in.readAll();
        DocumentState state = makeDocumentState(lists);
        const ubl::LoadOutcome loaded = syntax::loadInvoiceBytes(
            state, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), file);
        if (loaded.result != ubl::LoadOutcome::Result::Loaded) {
            std::cerr << "Die Datei " << file
                      << " ist keine lesbare Rechnung und wird nicht archiviert: " << loaded.message << '\n';
            result = Unreadable;
            continue;
        }
        const store::ArchiveOutcome outcome =
            store::archiveInvoice(db, bytes, store::Direction::Received, store::archiveFactsOf(state));
        if (!outcome.ok) {
            std::cerr << file << ": " << outcome.message << '\n';
            return WriteFailed; // what was stored before stays
        }
        if (outcome.added)
            std::cout << file << ": archiviert als Nr. " << outcome.id << '\n';
        else
            std::cout << file << ": bereits archiviert als Nr. " << outcome.id << ", nicht noch einmal\n";
    }
    return result;
}

int list(store::Database& db, bool asJson) {
    const std::vector<store::ArchiveEntry> entries = store::findArchived(db);
    if (asJson) {
        nlohmann::json array = nlohmann::json::array();
        for (const store::ArchiveEntry& e : entries)
            array.push_back({{"id", e.id},
                             {"direction", store::directionName(e.direction)},
                             {"number", e.facts.number},
                             {"typeCode", e.facts.typeCode},
                             {"issueDate", e.facts.issueDate},
                             {"seller", e.facts.seller},
                             {"buyer", e.facts.buyer},
                             {"net", e.facts.net},
                             {"vat", e.facts.vat},
                             {"gross", e.facts.gross},
                             {"sha256", e.sha256},
                             {"archivedAt", e.archivedAt}});
        std::cout << array.dump(2) << '\n';
        return Done;
    }
    for (const store::ArchiveEntry& e : entries)
        std::cout << e.id << '\t' << (e.direction == store::Direction::Issued ? "ausgestellt" : "empfangen")
                  << '\t' << e.facts.number << '\t' << e.facts.issueDate << '\t' << e.facts.seller << '\t'
                  << e.facts.buyer << '\t' << e.facts.gross << '\n';
    return Done;
}

int exportEntry(store::Database& db, const std::string& id, const std::string& out) {
    bool isNumber = false;
    const qint64 number = QString::fromStdString(id).toLongLong(&isNumber);
    const std::optional<QByteArray> bytes = isNumber ? store::archivedBytes(db, number) : std::nullopt;
    if (!bytes) {
        std::cerr << "Das Archiv hat keinen Eintrag Nr. " << id << ".\n";
        return Usage;
    }
    QSaveFile file(QString::fromStdString(out));
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
        std::cerr << "Die Datei " << out
                  << " konnte nicht geschrieben werden: " << file.errorString().toStdString() << '\n';
        return WriteFailed;
    }
    return Done;
}

int verify(store::Database& db) {
    const store::VerifyOutcome outcome = store::verifyArchive(db);
    if (!outcome.ok) {
        std::cerr << "Das Archiv konnte nicht geprüft werden: " << outcome.message << '\n';
        return Unreadable;
    }
    for (const store::ArchiveEntry& entry : outcome.differing)
        std::cerr << "Eintrag " << describe(entry) << " weicht von seiner Prüfsumme ab.\n";
    if (!outcome.differing.empty())
        return Differs;
    std::cout << "Alle Einträge des Archivs stimmen mit ihren Prüfsummen überein.\n";
    return Done;
}

} // namespace

int archiveCommand(const CodeLists& lists, const std::vector<std::string>& arguments) {
    std::vector<std::string> rest;
    std::string databaseFile = store::databasePath(lists);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--db" && i + 1 < arguments.size())
            databaseFile = arguments[++i];
        else
            rest.push_back(arguments[i]);
    }
    if (rest.empty())
        return usage();
    const std::string& command = rest[0];
    const bool known =
        (command == "import" && rest.size() >= 2) ||
        (command == "list" && (rest.size() == 1 || (rest.size() == 2 && rest[1] == "--json"))) ||
        (command == "export" && rest.size() == 3) || (command == "verify" && rest.size() == 1);
    if (!known)
        return usage();

    store::Database db;
    if (!db.open(databaseFile)) {
        std::cerr << db.message() << '\n';
        return Usage;
    }
    if (command == "import")
        return importFiles(db, lists, {rest.begin() + 1, rest.end()});
    if (command == "list")
        return list(db, rest.size() == 2);
    if (command == "export")
        return exportEntry(db, rest[1], rest[2]);
    return verify(db);
}

} // namespace tallomir::cli
