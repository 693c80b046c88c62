// The archive's command line with real processes on one database.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <set>
#include <string>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

QProcess* start(const QStringList& arguments) {
    auto* process = new QProcess;
    process->start(TALLOMIR_CLI, arguments);
    return process;
}

CliRun finish(QProcess* process) {
    process->waitForFinished(30000);
    CliRun run{process->exitCode(), QString::fromUtf8(process->readAllStandardOutput()),
               QString::fromUtf8(process->readAllStandardError())};
    delete process;
    return run;
}

CliRun cli(const QStringList& arguments) {
    return finish(start(arguments));
}

QByteArray readAll(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// Small invoices that differ in their number.
QStringList writeInvoices(const QTemporaryDir& folder, int count) {
    QStringList files;
    for (int i = 1; i <= count; ++i) {
        const QString file = folder.filePath(QString("in-%1.xml").arg(i));
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(
            QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<Invoice xmlns=\"urn:oasis:names:specification:ubl:schema:xsd:Invoice-2\" "
                    "xmlns:cbc=\"urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2\">"
                    "<cbc:ID>E-%1</cbc:ID><cbc:IssueDate>2026-05-0%2</cbc:IssueDate>"
                    "<cbc:InvoiceTypeCode>380</cbc:InvoiceTypeCode></Invoice>\n")
                .arg(i)
                .arg(i % 9 + 1)
                .toUtf8());
        files << file;
    }
    return files;
}

} // namespace

TEST(ArchiveCli, FourImportsAtOnceStoreEveryFileOnce) {
    QTemporaryDir folder;
    const QString db = folder.filePath("tallomir.sqlite");
    const QStringList files = writeInvoices(folder, 12);
    QList<QProcess*> processes;
    for (int p = 0; p < 4; ++p)
        processes << start(QStringList{"archive", "--db", db, "import"} + files);
    int added = 0;
    int repeated = 0;
    for (QProcess* process : processes) {
        const CliRun run = finish(process);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        added += run.out.count("archiviert als Nr.") - run.out.count("bereits archiviert");
        repeated += run.out.count("bereits archiviert als Nr.");
    }
    EXPECT_EQ(added, 12);
    EXPECT_EQ(repeated, 36);

    const CliRun list = cli({"archive", "--db", db, "list", "--json"});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const nlohmann::json entries = nlohmann::json::parse(list.out.toStdString());
    std::set<std::string> numbers;
    for (const nlohmann::json& entry : entries) {
        numbers.insert(entry.at("number").get<std::string>());
        EXPECT_EQ(entry.at("direction"), "received");
        const QString out = folder.filePath("export.xml");
        ASSERT_EQ(
            cli({"archive", "--db", db, "export", QString::number(entry.at("id").get<int>()), out}).exitCode,
            0);
        EXPECT_EQ(QCryptographicHash::hash(readAll(out), QCryptographicHash::Sha256).toHex().toStdString(),
                  entry.at("sha256"));
        EXPECT_EQ(readAll(out),
                  readAll(folder.filePath(
                      QString("in-%1.xml").arg(QString::fromStdString(entry.at("number")).mid(2)))));
    }
    EXPECT_EQ(entries.size(), 12u);
    EXPECT_EQ(numbers.size(), 12u);
    EXPECT_EQ(cli({"archive", "--db", db, "verify"}).exitCode, 0);
}

TEST(ArchiveCli, AFileThatIsNoDatabaseOrDamagedIsRefusedByEveryCommandAndLeftAsItWas) {
    QTemporaryDir folder;
    const QStringList files = writeInvoices(folder, 1);
    // The file's bytes, and a piece of the message.
    const std::pair<QByteArray, const char*> cases[] = {
        {"Name;Ort\nMüller;Berlin\n", "keine Datenbank von Tallomir"},
        {QByteArray("SQLite format 3\0", 16) + QByteArray(84, 'x'), "ist beschädigt"},
    };
    for (const auto& [before, message] : cases) {
        const QString db = folder.filePath("kunden.db");
        QFile out(db);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(before);
        out.close();
        for (const QStringList& command :
             {QStringList{"import", files[0]}, QStringList{"list"}, QStringList{"list", "--json"},
              QStringList{"export", "1", "x.xml"}, QStringList{"verify"}}) {
            const CliRun run = cli(QStringList{"archive", "--db", db} + command);
            EXPECT_NE(run.exitCode, 0) << command.join(' ').toStdString();
            EXPECT_TRUE(run.err.contains(QString::fromUtf8(message))) << run.err.toStdString();
        }
        EXPECT_EQ(readAll(db), before) << message;
    }
}

TEST(ArchiveCli, VerifyNamesAnEntryWithAChangedByte) {
    QTemporaryDir folder;
    const QString db = folder.filePath("tallomir.sqlite");
    ASSERT_EQ(cli(QStringList{"archive", "--db", db, "import"} + writeInvoices(folder, 3)).exitCode, 0);
    // A byte of the second invoice changed in the file, as a faulty disk would.
    QByteArray bytes = readAll(db);
    const qsizetype at = bytes.indexOf("E-2</cbc:ID>");
    ASSERT_GT(at, 0);
    bytes[at + 2] = '7';
    QFile file(db);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const CliRun run = cli({"archive", "--db", db, "verify"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains("Nr. 2 (E-2, 2026-05-03)")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("E-1")) << run.err.toStdString();
}
