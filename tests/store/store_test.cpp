// The database on real SQLite files in a temporary folder.

#include "store/archive.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>
#include <string>

using namespace tallomir;
using namespace tallomir::store;

namespace {

QByteArray readAll(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

void writeAll(const QString& file, const QByteArray& bytes) {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}

int pragma(Database& db, const char* name) {
    QSqlQuery query(db.connection());
    return query.exec(QString("PRAGMA ") + name) && query.next() ? query.value(0).toInt() : -1;
}

// Runs one statement as another program could; whether it went through.
bool execute(Database& db, const QString& sql) {
    QSqlQuery query(db.connection());
    return query.exec(sql);
}

ArchiveFacts facts(const std::string& number, const std::string& date = "2026-01-15",
                   const std::string& gross = "119.00") {
    return {number, "380", date, "Lieferant GmbH", "Kunde AG", "100.00", "19.00", gross};
}

class StoreTest : public ::testing::Test {
protected:
    QString file(const char* name = "tallomir.sqlite") const { return folder.filePath(name); }
    std::string path(const char* name = "tallomir.sqlite") const { return file(name).toStdString(); }

    QTemporaryDir folder;
};

} // namespace

TEST_F(StoreTest, AMissingOrEmptyFileIsCreatedWithTheCurrentSchema) {
    writeAll(file("empty.sqlite"), {});
    for (const char* name : {"new/sub/tallomir.sqlite", "empty.sqlite"}) {
        Database db;
        ASSERT_TRUE(db.open(path(name))) << db.message();
        EXPECT_EQ(pragma(db, "user_version"), schemaVersion) << name;
        QSqlQuery mode(db.connection());
        ASSERT_TRUE(mode.exec("PRAGMA journal_mode") && mode.next());
        EXPECT_EQ(mode.value(0).toString(), "wal") << name;
        EXPECT_TRUE(execute(db, "SELECT count(*) FROM number_range")) << name;
    }
}

TEST_F(StoreTest, AFileOfTheFirstSchemaIsMigratedKeepingItsEntries) {
    {
        Database db;
        ASSERT_TRUE(db.open(path(), 1)) << db.message();
        EXPECT_FALSE(execute(db, "SELECT count(*) FROM number_range"));
        ASSERT_TRUE(archiveInvoice(db, "<Invoice/>", Direction::Received, facts("R-1")).added);
    }
    Database db;
    ASSERT_TRUE(db.open(path())) << db.message();
    EXPECT_EQ(pragma(db, "user_version"), schemaVersion);
    EXPECT_TRUE(execute(db, "SELECT count(*) FROM number_range"));
    const auto entries = findArchived(db);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].facts, facts("R-1"));
    EXPECT_EQ(archivedBytes(db, entries[0].id), QByteArray("<Invoice/>"));
}

TEST_F(StoreTest, AFileNotOursDamagedOrNewerIsRefusedAndLeftByteForByte) {
    // How the file is prepared, and a piece of the message.
    const std::pair<std::function<void(const QString&)>, const char*> cases[] = {
        {[](const QString& f) { writeAll(f, "Rechnungen 2026\n"); }, "keine Datenbank von Tallomir"},
        {[](const QString& f) { writeAll(f, QByteArray("SQLite format 3\0", 16) + QByteArray(84, 'x')); },
         "ist beschädigt"},
        {[](const QString& f) {
             QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "foreign");
             other.setDatabaseName(f);
             ASSERT_TRUE(other.open());
             QSqlQuery(other).exec("CREATE TABLE kunden (name TEXT)");
             other.close();
         },
         "keine Datenbank von Tallomir"},
        {[](const QString& f) {
             Database db;
             ASSERT_TRUE(db.open(f.toStdString()));
             ASSERT_TRUE(execute(db, QString("PRAGMA user_version = %1").arg(schemaVersion + 1)));
         },
         "neueren Version von Tallomir (Schema 3"},
        {[](const QString& f) {
             {
                 Database db;
                 ASSERT_TRUE(db.open(f.toStdString()));
                 for (int i = 0; i < 20; ++i)
                     archiveInvoice(db, QByteArray(3000, char('a' + i)), Direction::Issued,
                                    facts("R-" + std::to_string(i)));
             }
             QByteArray bytes = readAll(f);
             bytes.replace(4096 * 2, 4096, QByteArray(4096, '\x7f'));
             writeAll(f, bytes);
         },
         "ist beschädigt"},
    };
    int n = 0;
    for (const auto& [prepare, message] : cases) {
        const QString f = file(("case" + std::to_string(n++) + ".sqlite").c_str());
        prepare(f);
        QSqlDatabase::removeDatabase("foreign");
        const QByteArray before = readAll(f);
        for (int attempt = 0; attempt < 2; ++attempt) {
            Database db;
            EXPECT_FALSE(db.open(f.toStdString())) << message;
            EXPECT_NE(db.message().find(message), std::string::npos) << db.message();
            EXPECT_NE(archiveInvoice(db, "x", Direction::Received, facts("R")).message, "");
        }
        EXPECT_EQ(readAll(f), before) << message;
        EXPECT_EQ(readAll(f + "-wal"), QByteArray()) << message;
    }
}

TEST_F(StoreTest, TheArchiveKeepsBytesAndHashOnceAndRefusesChanges) {
    Database db;
    ASSERT_TRUE(db.open(path())) << db.message();
    const QByteArray bytes("<?xml version=\"1.0\"?>\r\n<Invoice>\xC3\xA4\0</Invoice>\r\n", 47);
    const ArchiveOutcome first = archiveInvoice(db, bytes, Direction::Issued, facts("R-1"));
    const ArchiveOutcome again = archiveInvoice(db, bytes, Direction::Received, facts("R-1"));
    ASSERT_TRUE(first.ok && first.added && again.ok) << first.message << again.message;
    EXPECT_FALSE(again.added);
    EXPECT_EQ(again.id, first.id);
    ASSERT_EQ(findArchived(db).size(), 1u);
    const ArchiveEntry entry = findArchived(db)[0];
    EXPECT_EQ(entry.direction, Direction::Issued);
    EXPECT_EQ(entry.sha256, "c76f947fc676a5f25b7978b015c0fe01abc5c9612a4b1e233b1d0754f6be1cca");
    EXPECT_EQ(archivedBytes(db, first.id), bytes);

    // As another program would try it, without the connection's foreign keys.
    ASSERT_TRUE(execute(db, "PRAGMA foreign_keys = OFF"));
    for (const char* change : {"UPDATE archive SET number = 'R-2'", "UPDATE archive_bytes SET bytes = x'00'",
                               "DELETE FROM archive", "DELETE FROM archive_bytes",
                               "INSERT OR REPLACE INTO archive SELECT * FROM archive",
                               "INSERT OR REPLACE INTO archive_bytes SELECT * FROM archive_bytes"})
        EXPECT_FALSE(execute(db, change)) << change;
    EXPECT_EQ(archivedBytes(db, first.id), bytes);
    EXPECT_EQ(findArchived(db)[0].facts, facts("R-1"));
}

TEST_F(StoreTest, VerifyNamesEveryEntryWhoseBytesChangedOutsideTheProgram) {
    Database db;
    ASSERT_TRUE(db.open(path())) << db.message();
    for (const char* number : {"R-1", "R-2", "R-3"})
        archiveInvoice(db, QByteArray("<Invoice>") + number + "</Invoice>", Direction::Issued, facts(number));
    VerifyOutcome clean = verifyArchive(db);
    EXPECT_TRUE(clean.ok && clean.differing.empty());
    // One byte changed by another program that first removed the guard.
    ASSERT_TRUE(execute(db, "DROP TRIGGER archive_bytes_kept_update"));
    ASSERT_TRUE(
        execute(db, "UPDATE archive_bytes SET bytes = CAST('<Invoice>R-3</Invoicf>' AS BLOB) WHERE id = 3"));
    const VerifyOutcome outcome = verifyArchive(db);
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(outcome.differing.size(), 1u);
    EXPECT_EQ(outcome.differing[0].facts.number, "R-3");
}

TEST_F(StoreTest, AFullDiskLosesNothingStoredAndSaysSo) {
    Database db;
    ASSERT_TRUE(db.open(path())) << db.message();
    ASSERT_TRUE(archiveInvoice(db, "<Invoice>R-1</Invoice>", Direction::Issued, facts("R-1")).added);
    // The file may not grow any more, as on a full disk.
    ASSERT_TRUE(execute(db, QString("PRAGMA max_page_count = %1").arg(pragma(db, "page_count"))));
    const ArchiveOutcome full = archiveInvoice(db, QByteArray(200000, 'x'), Direction::Issued, facts("R-2"));
    EXPECT_FALSE(full.ok);
    EXPECT_NE(full.message.find("nicht archiviert"), std::string::npos) << full.message;
    ASSERT_EQ(findArchived(db).size(), 1u);
    EXPECT_EQ(archivedBytes(db, 1), QByteArray("<Invoice>R-1</Invoice>"));
    EXPECT_TRUE(verifyArchive(db).differing.empty());
}

TEST_F(StoreTest, TheArchiveIsFoundByNumberPartyDateAndAmount) {
    Database db;
    ASSERT_TRUE(db.open(path())) << db.message();
    const ArchiveFacts stored[] = {
        facts("RE-2026-0001", "2026-01-10", "119.00"),
        facts("RE-2026-0002", "2026-02-10", "1190.50"),
        {"A-7", "381", "2026-03-01", "Müller & Söhne", "Kunde AG", "1", "0", "9.99"}};
    for (const ArchiveFacts& f : stored)
        archiveInvoice(db, QByteArray::fromStdString(f.number), Direction::Received, f);
    // The filter and the numbers it finds.
    const std::pair<ArchiveFilter, std::vector<std::string>> cases[] = {
        {{}, {"RE-2026-0001", "RE-2026-0002", "A-7"}},
        {{.text = "2026-0002"}, {"RE-2026-0002"}},
        {{.text = "müller"}, {"A-7"}},
        {{.text = "KUNDE"}, {"RE-2026-0001", "RE-2026-0002", "A-7"}},
        {{.text = "%"}, {}},
        {{.text = "_"}, {}},
        {{.text = "' OR 1=1 --"}, {}},
        {{.fromDate = "2026-02-10"}, {"RE-2026-0002", "A-7"}},
        {{.fromDate = "2026-01-11", .toDate = "2026-02-28"}, {"RE-2026-0002"}},
        {{.minGross = "119"}, {"RE-2026-0001", "RE-2026-0002"}},
        {{.minGross = "119.01", .maxGross = "1190.50"}, {"RE-2026-0002"}},
        {{.maxGross = "9.99"}, {"A-7"}},
    };
    for (const auto& [filter, numbers] : cases) {
        std::vector<std::string> found;
        for (const ArchiveEntry& entry : findArchived(db, filter))
            found.push_back(entry.facts.number);
        EXPECT_EQ(found, numbers) << filter.text << ' ' << filter.fromDate << ' ' << filter.minGross;
    }
}
