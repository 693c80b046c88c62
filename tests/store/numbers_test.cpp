// Number ranges: the proposal, saves, failed saves, numbers taken by hand and
// two processes saving at once.

#include "store/numbers.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <iostream>
#include <set>

using namespace tallomir;
using namespace tallomir::store;

namespace {

constexpr const char* pattern = "RE-{JJJJ}-{NNNN}";

// A save as the window makes it: the number taken, the bytes archived and
// the number recorded in one transaction; `fails` lets the file's writing fail.
NumberOutcome save(Database& db, const std::string& number, const std::string& own = {},
                   bool proposed = false, bool fails = false) {
    NumberOutcome taken;
    db.transaction([&]() -> std::string {
        taken = takeNumber(db, number, own, proposed, pattern, 2026);
        if (!taken.ok)
            return taken.message;
        if (fails)
            return "Die Datei konnte nicht geschrieben werden.";
        const ArchiveOutcome archived = archiveInvoice(
            db, QByteArray::fromStdString(taken.number + own), Direction::Issued,
            {taken.number, "380", "2026-04-01", "Wir GmbH", "Kunde AG", "10.00", "1.90", "11.90"});
        if (!archived.ok)
            return archived.message;
        return taken.number == own ? std::string() : recordIssuedNumber(db, taken.number, archived.id);
    });
    return taken;
}

std::string proposal(Database& db) {
    return proposeNumber(db, pattern, 2026).value_or("(keine)");
}

} // namespace

int takeNumbersProcess(const char* database, int count) {
    Database db;
    if (!db.open(database))
        return 2;
    for (int i = 0; i < count; ++i) {
        const NumberOutcome taken = save(db, proposal(db), {}, true);
        if (!taken.ok)
            return 3;
        std::cout << taken.number << '\n';
    }
    return 0;
}

TEST(Numbers, APatternGivesYearAndPaddedCounter) {
    const std::tuple<const char*, int, long long, const char*> cases[] = {
        {"RE-{JJJJ}-{NNNN}", 2026, 7, "RE-2026-0007"},
        {"RE-{JJJJ}-{NNNN}", 2026, 12345, "RE-2026-12345"},
        {"{NN}/{JJJJ}", 2025, 3, "03/2025"},
        {"G{NNNNNN}", 2026, 42, "G000042"},
        {"R", 2026, 5, "R5"},
    };
    for (const auto& [p, year, counter, number] : cases)
        EXPECT_EQ(formatNumber(p, year, counter), number) << p;
    CodeLists lists = defaultCodeLists();
    lists.numberRanges["381"] = "GS-{NNN}";
    EXPECT_EQ(numberPattern(lists, "381"), "GS-{NNN}");
    EXPECT_EQ(numberPattern(lists, "380"), "RE-{JJJJ}-{NNNN}");
}

TEST(Numbers, TheCounterMovesOnlyWithASavedInvoiceAndNeverBack) {
    QTemporaryDir folder;
    Database db;
    ASSERT_TRUE(db.open(folder.filePath("t.sqlite").toStdString())) << db.message();
    EXPECT_EQ(proposal(db), "RE-2026-0001");
    EXPECT_EQ(proposal(db), "RE-2026-0001"); // proposing reserves nothing
    EXPECT_TRUE(save(db, "RE-2026-0001", {}, true).ok);
    EXPECT_EQ(proposal(db), "RE-2026-0002");
    // A failed save uses no number.
    EXPECT_TRUE(save(db, "RE-2026-0002", {}, true, true).ok);
    EXPECT_EQ(proposal(db), "RE-2026-0002");
    // A number typed by hand, then saved again under it.
    EXPECT_TRUE(save(db, "SONDER-1").ok);
    EXPECT_TRUE(save(db, "SONDER-1", "SONDER-1").ok);
    EXPECT_EQ(proposal(db), "RE-2026-0002");
    // A number of the range typed ahead is passed when the counter comes to it.
    EXPECT_TRUE(save(db, "RE-2026-0003").ok);
    EXPECT_EQ(proposal(db), "RE-2026-0002");
    EXPECT_TRUE(save(db, "RE-2026-0002", {}, true).ok);
    EXPECT_EQ(proposal(db), "RE-2026-0004");

    // A number issued to another invoice is refused, naming it.
    const NumberOutcome typed = save(db, "RE-2026-0001");
    EXPECT_FALSE(typed.ok);
    EXPECT_EQ(typed.message,
              "Die Rechnungsnummer RE-2026-0001 ist schon vergeben: an die Rechnung vom 2026-04-01 "
              "an Kunde AG über 11.90 (Archiv Nr. 1).");
    // A proposed number another process took meanwhile gives way to the next.
    const NumberOutcome proposed = save(db, "RE-2026-0002", {}, true);
    EXPECT_TRUE(proposed.ok && proposed.replaced);
    EXPECT_EQ(proposed.number, "RE-2026-0004");
    EXPECT_EQ(proposal(db), "RE-2026-0005");

    QSqlQuery back(db.connection());
    EXPECT_FALSE(back.exec("UPDATE number_range SET last_counter = 1"));
    EXPECT_FALSE(back.exec("DELETE FROM number_range"));
    EXPECT_EQ(proposal(db), "RE-2026-0005");
}

TEST(Numbers, TwoProcessesSavingAtOnceNeverGetTheSameNumber) {
    QTemporaryDir folder;
    const QString database = folder.filePath("t.sqlite");
    QProcess processes[2];
    for (QProcess& process : processes)
        process.start(QFileInfo("/proc/self/exe").canonicalFilePath(), {"--take-numbers", database, "15"});
    std::multiset<std::string> numbers;
    for (QProcess& process : processes) {
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
            if (!line.isEmpty())
                numbers.insert(line.toStdString());
    }
    std::multiset<std::string> expected;
    for (int counter = 1; counter <= 30; ++counter)
        expected.insert(formatNumber(pattern, 2026, counter));
    EXPECT_EQ(numbers, expected); // each once, without a gap
}
