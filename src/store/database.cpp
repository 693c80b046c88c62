#include "database.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <chrono>
#include <thread>
#include <vector>

namespace tallomir::store {

namespace {

// "Talm": marks a file as ours in the header's application identifier.
constexpr int applicationId = 0x54616C6D;
constexpr int busyTimeoutMs = 10000;

// What each version adds to the one before; step i leads from version i to i + 1.
const std::vector<std::vector<const char*>>& migrations() {
    static const std::vector<std::vector<const char*>> steps = {
        {
            R"(CREATE TABLE archive (
                 id INTEGER PRIMARY KEY,
                 sha256 TEXT NOT NULL UNIQUE,
                 direction TEXT NOT NULL CHECK (direction IN ('issued', 'received')),
                 number TEXT NOT NULL,
                 type_code TEXT NOT NULL,
                 issue_date TEXT NOT NULL,
                 seller TEXT NOT NULL,
                 buyer TEXT NOT NULL,
                 net TEXT NOT NULL,
                 vat TEXT NOT NULL,
                 gross TEXT NOT NULL,
                 gross_cents INTEGER NOT NULL,
                 archived_at TEXT NOT NULL))",
            // The bytes apart, so that a search reads only the facts.
            R"(CREATE TABLE archive_bytes (
                 id INTEGER PRIMARY KEY REFERENCES archive (id),
                 bytes BLOB NOT NULL))",
            "CREATE INDEX archive_number ON archive (number)",
            "CREATE INDEX archive_issue_date ON archive (issue_date)",
            R"(CREATE TRIGGER archive_kept_update BEFORE UPDATE ON archive
               BEGIN SELECT RAISE(ABORT, 'Ein Eintrag des Archivs wird nie geändert'); END)",
            R"(CREATE TRIGGER archive_kept_delete BEFORE DELETE ON archive
               BEGIN SELECT RAISE(ABORT, 'Ein Eintrag des Archivs wird nie gelöscht'); END)",
            // INSERT OR REPLACE would delete the entry it replaces without its trigger.
            R"(CREATE TRIGGER archive_kept_replace BEFORE INSERT ON archive
               WHEN EXISTS (SELECT 1 FROM archive WHERE id = NEW.id OR sha256 = NEW.sha256)
               BEGIN SELECT RAISE(ABORT, 'Ein Eintrag des Archivs wird nie ersetzt'); END)",
            R"(CREATE TRIGGER archive_bytes_kept_update BEFORE UPDATE ON archive_bytes
               BEGIN SELECT RAISE(ABORT, 'Ein Eintrag des Archivs wird nie geändert'); END)",
            R"(CREATE TRIGGER archive_bytes_kept_delete BEFORE DELETE ON archive_bytes
               BEGIN SELECT RAISE(ABORT, 'Ein Eintrag des Archivs wird nie gelöscht'); END)",
            R"(CREATE TRIGGER archive_bytes_kept_replace BEFORE INSERT ON archive_bytes
               WHEN EXISTS (SELECT 1 FROM archive_bytes WHERE id = NEW.id)
               BEGIN SELECT RAISE(ABORT, 'Ein Eintrag des Archivs wird nie ersetzt'); END)",
        },
        {
            R"(CREATE TABLE number_range (
                 range_key TEXT PRIMARY KEY,
                 last_counter INTEGER NOT NULL CHECK (last_counter >= 0)))",
            R"(CREATE TRIGGER number_range_forward BEFORE UPDATE ON number_range
               WHEN NEW.last_counter <= OLD.last_counter OR NEW.range_key <> OLD.range_key
               BEGIN SELECT RAISE(ABORT, 'Ein Nummernkreis zählt nie zurück'); END)",
            R"(CREATE TRIGGER number_range_kept BEFORE DELETE ON number_range
               BEGIN SELECT RAISE(ABORT, 'Ein Nummernkreis wird nie gelöscht'); END)",
            R"(CREATE TABLE issued_number (
                 number TEXT PRIMARY KEY,
                 archive_id INTEGER NOT NULL REFERENCES archive (id)))",
            R"(CREATE TABLE own_company (
                 id INTEGER PRIMARY KEY CHECK (id = 1),
                 fields TEXT NOT NULL))",
            R"(CREATE TABLE customer (
                 id INTEGER PRIMARY KEY,
                 name TEXT NOT NULL UNIQUE,
                 fields TEXT NOT NULL))",
            R"(CREATE TABLE article (
                 id INTEGER PRIMARY KEY,
                 number TEXT NOT NULL,
                 name TEXT NOT NULL,
                 description TEXT NOT NULL,
                 price TEXT NOT NULL,
                 unit_code TEXT NOT NULL,
                 tax_category TEXT NOT NULL,
                 tax_rate TEXT NOT NULL,
                 UNIQUE (number, name)))",
        },
    };
    return steps;
}

QString shownName(const std::string& path) {
    return QString::fromUtf8("\u201E") + QString::fromStdString(path) + QString::fromUtf8("\u201C");
}

int pragmaNumber(QSqlDatabase& db, const char* pragma, bool& ok) {
    QSqlQuery query(db);
    ok = query.exec(QString("PRAGMA ") + pragma) && query.next();
    return ok ? query.value(0).toInt() : 0;
}

} // namespace

std::string sqlError(const QSqlQuery& query) {
    const QSqlError error = query.lastError();
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return text.toStdString();
}

std::string databasePath(const CodeLists& lists) {
    if (!lists.databaseFile.empty())
        return lists.databaseFile;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(databaseFileName).toStdString();
}

Database::Database() {
    static QAtomicInt counter;
    name_ = QString("tallomir-store-%1").arg(counter.fetchAndAddRelaxed(1));
}

Database::~Database() {
    close();
}

void Database::close() {
    if (QSqlDatabase::contains(name_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    open_ = false;
    depth_ = 0;
}

QSqlDatabase Database::connection() const {
    return QSqlDatabase::database(name_, false);
}

// A schema this program does not know is never changed: "" for one it knows.
std::string Database::newerSchema(int version) const {
    if (version <= schemaVersion)
        return {};
    return QString(
               "Die Datenbank %1 stammt von einer neueren Version von Tallomir (Schema %2, dieses Programm "
               "kennt bis %3); sie bleibt unverändert.")
        .arg(shownName(path_))
        .arg(version)
        .arg(schemaVersion)
        .toStdString();
}

std::string Database::refuse(const std::string& why) {
    close();
    message_ = why;
    return why;
}

// Judges an existing, non-empty file without writing to it: the header, then
// a read-only connection's integrity check, application identifier and
// schema version. "" when the file may be opened for writing.
std::string Database::checkExisting(const QString& file, int& version) {
    const QString shown = shownName(path_);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return (QString("Die Datenbank %1 kann nicht gelesen werden: %2").arg(shown, in.errorString()))
            .toStdString();
    const QByteArray header = in.read(100);
    in.close();
    if (header.size() < 100 || !header.startsWith(QByteArray("SQLite format 3", 16)))
        return QString("Die Datei %1 ist keine Datenbank von Tallomir; sie bleibt unverändert.")
            .arg(shown)
            .toStdString();

    const QString checkName = name_ + "-check";
    std::string problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", checkName);
        db.setDatabaseName(file);
        db.setConnectOptions(QString("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
        if (!db.open()) {
            problem = QString("Die Datenbank %1 kann nicht geöffnet werden: %2")
                          .arg(shown, db.lastError().text())
                          .toStdString();
        } else {
            QSqlQuery check(db);
            const bool checked = check.exec("PRAGMA quick_check") && check.next();
            const QString verdict = checked ? check.value(0).toString() : QString();
            if (verdict != "ok") {
                problem = QString("Die Datenbank %1 ist beschädigt (%2); sie bleibt unverändert.")
                              .arg(shown, checked ? verdict : QString::fromStdString(sqlError(check)))
                              .toStdString();
            } else {
                bool ok = false;
                const int id = pragmaNumber(db, "application_id", ok);
                version = pragmaNumber(db, "user_version", ok);
                QSqlQuery tables(db);
                const bool empty = tables.exec("SELECT count(*) FROM sqlite_master") && tables.next() &&
                                   tables.value(0).toInt() == 0;
                if (!ok || (id != applicationId && !(id == 0 && version == 0 && empty)))
                    problem =
                        QString("Die Datei %1 ist keine Datenbank von Tallomir; sie bleibt unverändert.")
                            .arg(shown)
                            .toStdString();
            }
            check.finish();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(checkName);
    return problem.empty() ? newerSchema(version) : problem;
}

namespace {

// Runs `statement`, and while another connection holds the file, tries again
// for as long as any other statement waits for it: a change of the journal
// mode does not wait by itself, and two programs creating the same database
// at once meet there.
bool execWaiting(QSqlQuery& query, const char* statement) {
    constexpr int busy = 5; // SQLITE_BUSY, the primary code of its extended codes
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyTimeoutMs);
    while (!query.exec(statement)) {
        if ((query.lastError().nativeErrorCode().toInt() & 0xff) != busy ||
            std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace

bool Database::open(const std::string& path, int targetVersion) {
    close();
    message_.clear();
    path_ = path;
    const QString file = QString::fromStdString(path);
    const QString shown = shownName(path);
    const QFileInfo info(file);

    int version = 0;
    if (info.exists() && info.size() > 0) {
        const std::string problem = checkExisting(file, version);
        if (!problem.empty())
            return refuse(problem), false;
    } else if (!QDir().mkpath(info.absolutePath())) {
        return refuse(QString("Der Ordner der Datenbank %1 kann nicht angelegt werden.")
                          .arg(shown)
                          .toStdString()),
               false;
    }

    if (!connect("PRAGMA journal_mode = WAL"))
        return false;
    const std::string problem = migrate(targetVersion);
    if (!problem.empty())
        return refuse(problem), false;
    return true;
}

bool Database::openConnection(const std::string& path) {
    close();
    message_.clear();
    path_ = path;
    return connect(nullptr);
}

// The connection to `path_`, waiting for other writers, with foreign keys
// kept; `setup` runs first where it is given.
bool Database::connect(const char* setup) {
    const QString shown = shownName(path_);
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
    db.setDatabaseName(QString::fromStdString(path_));
    db.setConnectOptions(QString("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!db.open())
        return refuse(QString("Die Datenbank %1 kann nicht geöffnet werden: %2")
                          .arg(shown, db.lastError().text())
                          .toStdString()),
               false;
    QSqlQuery query(db);
    if ((setup != nullptr && !execWaiting(query, setup)) || !query.exec("PRAGMA foreign_keys = ON"))
        return refuse(QString("Die Datenbank %1 kann nicht eingerichtet werden: %2")
                          .arg(shown, QString::fromStdString(sqlError(query)))
                          .toStdString()),
               false;
    open_ = true;
    return true;
}

// Brings the schema to `targetVersion` in one transaction; the version is
// read again inside it, so two processes starting at once migrate once.
std::string Database::migrate(int targetVersion) {
    return transaction([&]() -> std::string {
        QSqlDatabase db = connection();
        bool ok = false;
        const int version = pragmaNumber(db, "user_version", ok);
        const int id = pragmaNumber(db, "application_id", ok);
        if (!ok)
            return "Die Datenbank " + shownName(path_).toStdString() + " kann nicht gelesen werden.";
        if (const std::string newer = newerSchema(version); !newer.empty())
            return newer;
        if (version > 0 && id != applicationId)
            return QString("Die Datei %1 ist keine Datenbank von Tallomir; sie bleibt unverändert.")
                .arg(shownName(path_))
                .toStdString();
        if (version >= targetVersion)
            return {};
        QSqlQuery query(db);
        for (int step = version; step < targetVersion && step < static_cast<int>(migrations().size()); ++step)
            for (const char* statement : migrations()[step])
                if (!query.exec(statement))
                    return "Die Datenbank " + shownName(path_).toStdString() +
                           " kann nicht eingerichtet werden: " + sqlError(query);
        if (!query.exec(QString("PRAGMA application_id = %1").arg(applicationId)) ||
            !query.exec(QString("PRAGMA user_version = %1").arg(targetVersion)))
            return "Die Datenbank " + shownName(path_).toStdString() +
                   " kann nicht eingerichtet werden: " + sqlError(query);
        return {};
    });
}

std::string Database::transaction(const std::function<std::string()>& work) {
    if (!open_)
        return message_.empty() ? "Keine Datenbank geöffnet." : message_;
    if (depth_ > 0) {
        ++depth_;
        std::string result = work();
        --depth_;
        return result;
    }
    QSqlDatabase db = connection();
    QSqlQuery control(db);
    if (!control.exec("BEGIN IMMEDIATE"))
        return message_ = "Die Datenbank " + shownName(path_).toStdString() +
                          " ist nicht bereit: " + sqlError(control);
    ++depth_;
    std::string result;
    try {
        result = work();
    } catch (...) {
        --depth_;
        control.exec("ROLLBACK");
        throw;
    }
    --depth_;
    if (result.empty() && !control.exec("COMMIT"))
        result = "Die Datenbank " + shownName(path_).toStdString() +
                 " konnte nicht schreiben: " + sqlError(control);
    if (!result.empty()) {
        control.exec("ROLLBACK");
        message_ = result;
    }
    return result;
}

} // namespace tallomir::store
