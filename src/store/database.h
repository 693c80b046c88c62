#pragma once

// The one database of the business (archive, number ranges, own company,
// customers, articles): a SQLite file opened through Qt SQL. A file that is
// not ours, damaged or from a newer program is refused and never written.

#include "invoice/model.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <string>

namespace tallomir::store {

// The schema this program writes. Version 1: the archive. Version 2: number
// ranges, own company, customers and articles.
inline constexpr int schemaVersion = 2;

// The file's name in the program's data folder.
inline constexpr const char* databaseFileName = "tallomir.sqlite";

// Where the database lies: the settings key "Datenbank", else
// tallomir.sqlite in the program's data folder.
std::string databasePath(const CodeLists& lists);

class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the file, creating it when it is missing or empty, and migrates
    // its schema forward to `targetVersion`. A file that is not SQLite, not
    // ours, damaged or of a newer schema is refused and left as it was. On
    // failure the database stays closed and the German message says why.
    bool open(const std::string& path, int targetVersion = schemaVersion);
    // Another connection to a file that open() judged and migrated, for
    // another thread (a connection belongs to the thread that opened it): no
    // check and no migration again. False, with the message, when the file
    // cannot be opened.
    bool openConnection(const std::string& path);
    void close();
    bool isOpen() const { return open_; }
    const std::string& path() const { return path_; }
    // Why the last open or transaction failed, in German.
    const std::string& message() const { return message_; }
    // The connection of this object; every statement binds its values.
    QSqlDatabase connection() const;

    // Runs `work` as one write transaction (BEGIN IMMEDIATE ... COMMIT),
    // waiting for other processes. `work` returns "" when done, else a German
    // message, and the transaction is rolled back; so is one whose commit
    // fails. Nested calls run within the outer transaction.
    std::string transaction(const std::function<std::string()>& work);

private:
    bool connect(const char* setup);
    std::string refuse(const std::string& why);
    std::string newerSchema(int version) const;
    std::string checkExisting(const QString& file, int& version);
    std::string migrate(int targetVersion);

    QString name_;
    std::string path_;
    std::string message_;
    bool open_ = false;
    int depth_ = 0;
};

// The German text of a failed statement: its driver's message.
std::string sqlError(const class QSqlQuery& query);

} // namespace tallomir::store
