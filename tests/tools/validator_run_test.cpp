// "Validieren" with a fake "java" first on the search path.

#include "invoice/model.h" // before Qt, whose "slots" macro clashes with a field name

#include "app/dialogs.h"
#include "app/validator_run.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <utility>
#include <vector>

using namespace tallomir;
using namespace tallomir::app;

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class ScriptedDialogs : public Dialogs {
public:
    QString openAnswer;
    std::vector<QString> openTitles;
    std::vector<QString> openFilters;
    std::vector<std::pair<QString, QString>> messages;
    std::vector<QString> opened;

    void message(QWidget*, const QString& title, const QString& text) override {
        messages.emplace_back(title, text);
    }
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString& title, const QString& filter) override {
        openTitles.push_back(title);
        openFilters.push_back(filter);
        return openAnswer;
    }
    void openDocument(const QString& path) override { opened.push_back(path); }
};

const char* const confirmation = "Hinweis: Die Validierung dauert etwas!         \r\n"
                                 "Der Prüfbericht wird dann im Browser angezeigt.\r\n"
                                 "\r\n"
                                 "Um die Validierung zu starten auf  OK  klicken.";

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList result = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

void writeFile(const QString& path, const QByteArray& content = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A start directory with a validator folder, a folder for the invoices, and
// the fake java first on the search path for the duration of one test.
class ValidatorRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        root = QDir(temp.path()).canonicalPath();
        start = root + "/start dir";
        validator = start + "/validator/";
        writeFile(validator + "validationtool-1.4.2-standalone.jar");
        record = root + "/record";
        savedPath = qgetenv("PATH");
        qputenv("PATH", QByteArray(TOOLS_FAKE_JAVA_DIR) + ":" + savedPath);
        qputenv("FAKE_JAVA_RECORD", record.toUtf8());
        qputenv("FAKE_JAVA_MODE", "report");
    }
    void TearDown() override {
        qputenv("PATH", savedPath);
        qunsetenv("FAKE_JAVA_RECORD");
        qunsetenv("FAKE_JAVA_MODE");
    }

    QString invoice(const QString& relative) {
        const QString path = root + "/" + relative;
        writeFile(path, "<Invoice/>");
        return path;
    }

    void run(const ValidatorRunHooks& hooks = {}) { validateFile(nullptr, dialogs, start, state, hooks); }
    bool javaRan() const { return QFileInfo::exists(record + ".args"); }

    QTemporaryDir temp;
    QString root, start, validator, record;
    QByteArray savedPath;
    ScriptedDialogs dialogs;
    DocumentState state;
};

TEST_F(ValidatorRun, RunsJavaWithTheArgumentListInTheValidatorFolder) {
    const QString chosen = invoice("Rechnungen 2024/R17.final.xml");
    dialogs.openAnswer = chosen;
    run();

    ASSERT_EQ(dialogs.openTitles.size(), 1u);
    EXPECT_EQ(dialogs.openTitles[0], u("XML Datei validieren"));
    EXPECT_EQ(dialogs.openFilters[0], u("XML Dateien (*.xml)"));
    EXPECT_EQ(QString::fromStdString(state.currentFileName), chosen);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, u("XRechnung validieren"));
    EXPECT_EQ(dialogs.messages[0].second, u(confirmation));

    EXPECT_EQ(readLines(record + ".args"), (QStringList{"-jar", "validationtool-1.4.2-standalone.jar", "-s",
                                                        "scenarios.xml", "-h", chosen}));
    EXPECT_EQ(readLines(record + ".cwd"), QStringList{start + "/validator"});
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], start + "/validator/R17.final-report.html");
}

TEST_F(ValidatorRun, QuotesAndBlanksInFoldersReachJavaUnchanged) {
    const QString chosen = invoice("it's \"quoted\" $HOME; a*b/R17.xml");
    dialogs.openAnswer = chosen;
    run();
    const QStringList args = readLines(record + ".args");
    ASSERT_EQ(args.size(), 6);
    EXPECT_EQ(args[5], chosen);
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], validator + "R17-report.html");
}

TEST_F(ValidatorRun, CancelledDialogIsRefused) {
    state.currentFileName = "/old/name.xml";
    dialogs.openAnswer = "";
    run();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, u("XML Datei validieren"));
    EXPECT_EQ(dialogs.messages[0].second, u("Es wurde keine Datei ausgewählt."));
    EXPECT_EQ(state.currentFileName, "");
    EXPECT_FALSE(javaRan());
    EXPECT_TRUE(dialogs.opened.empty());
}

TEST_F(ValidatorRun, BlankInTheNameIsRefused) {
    dialogs.openAnswer = invoice("R 17.xml");
    run();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, u("Dateiname fehlerhaft"));
    EXPECT_EQ(dialogs.messages[0].second, u("Im Dateinamen dürfen keine Leerzeichen enthalten sein!"));
    EXPECT_FALSE(javaRan());
}

TEST_F(ValidatorRun, MissingValidatorIsRefusedBeforeTheConfirmation) {
    ASSERT_TRUE(QFile::remove(validator + "validationtool-1.4.2-standalone.jar"));
    dialogs.openAnswer = invoice("R17.xml");
    run();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, u("Validator Fehler"));
    EXPECT_EQ(dialogs.messages[0].second, u("validationtool-1.4.2-standalone.jar wurde nicht gefunden!"));
    EXPECT_FALSE(javaRan());

    // The same without the whole validator folder.
    dialogs.messages.clear();
    ASSERT_TRUE(QDir(validator).removeRecursively());
    run();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, u("Validator Fehler"));
}

TEST_F(ValidatorRun, FolderNamedLikeTheValidatorCountsAsPresent) {
    ASSERT_TRUE(QFile::remove(validator + "validationtool-1.4.2-standalone.jar"));
    ASSERT_TRUE(QDir().mkpath(validator + "validationtool-1.4.2-standalone.jar"));
    dialogs.openAnswer = invoice("R17.xml");
    run();
    EXPECT_TRUE(javaRan());
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages[0].first, u("XRechnung validieren"));
}

TEST_F(ValidatorRun, MissingJavaIsReported) {
    QTemporaryDir empty;
    qputenv("PATH", empty.path().toUtf8());
    dialogs.openAnswer = invoice("R17.xml");
    run();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].first, u("XRechnung validieren"));
    EXPECT_EQ(dialogs.messages[1].first, u("Validator Fehler"));
    EXPECT_TRUE(dialogs.messages[1].second.startsWith(u("Java wurde nicht gefunden")))
        << dialogs.messages[1].second.toStdString();
    EXPECT_TRUE(dialogs.opened.empty());
}

TEST_F(ValidatorRun, MissingReportIsReportedWithTheExitCode) {
    qputenv("FAKE_JAVA_MODE", "noreport");
    dialogs.openAnswer = invoice("R17.xml");
    run();
    EXPECT_TRUE(javaRan());
    EXPECT_TRUE(dialogs.opened.empty());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].first, u("Validator Fehler"));
    EXPECT_TRUE(dialogs.messages[1].second.contains(u("keinen Prüfbericht")))
        << dialogs.messages[1].second.toStdString();
    EXPECT_TRUE(dialogs.messages[1].second.contains(u("Exitcode 3")))
        << dialogs.messages[1].second.toStdString();
    EXPECT_TRUE(dialogs.messages[1].second.contains(validator + "R17-report.html"));
}

TEST_F(ValidatorRun, ReportOfAnEarlierRunIsNotTakenForANewOne) {
    const QString report = validator + "R17-report.html";
    writeFile(report, "old");
    QFile old(report);
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        old.setFileTime(QDateTime(QDate(2020, 1, 2), QTime(3, 4)), QFileDevice::FileModificationTime));
    old.close();
    qputenv("FAKE_JAVA_MODE", "noreport");
    dialogs.openAnswer = invoice("R17.xml");
    run();
    EXPECT_TRUE(dialogs.opened.empty());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_TRUE(dialogs.messages[1].second.contains(u("Exitcode 3")));

    // A run that writes the report anew opens it.
    dialogs.messages.clear();
    qputenv("FAKE_JAVA_MODE", "report");
    run();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], report);
}

TEST_F(ValidatorRun, WindowKeepsWorkingWhileTheValidatorRuns) {
    qputenv("FAKE_JAVA_MODE", "slow");
    dialogs.openAnswer = invoice("R17.xml");
    int ticksWhileShown = 0;
    QString label;
    ValidatorRunHooks hooks;
    QTimer ticker;
    hooks.progressShown = [&](QProgressDialog& progress) {
        label = progress.labelText();
        EXPECT_TRUE(progress.isModal());
        EXPECT_EQ(progress.minimum(), 0);
        EXPECT_EQ(progress.maximum(), 0);
        QObject::connect(&ticker, &QTimer::timeout, &progress, [&] {
            if (progress.isVisible())
                ++ticksWhileShown;
        });
        ticker.start(20);
    };
    run(hooks);
    ticker.stop();
    EXPECT_EQ(label, u("Validierung läuft …"));
    EXPECT_GT(ticksWhileShown, 3);
    EXPECT_EQ(dialogs.opened.size(), 1u);
}

TEST_F(ValidatorRun, AbbrechenEndsTheValidator) {
    qputenv("FAKE_JAVA_MODE", "hang");
    dialogs.openAnswer = invoice("R17.xml");
    const QString pidFile = record + ".pid";
    QString cancelText;
    ValidatorRunHooks hooks;
    QTimer poll;
    hooks.progressShown = [&](QProgressDialog& progress) {
        // "Abbrechen" once the validator is known to run.
        QObject::connect(&poll, &QTimer::timeout, &progress, [&] {
            if (!readLines(pidFile).isEmpty()) {
                poll.stop();
                QPushButton* button = progress.findChild<QPushButton*>();
                ASSERT_NE(button, nullptr);
                cancelText = button->text();
                button->click();
            }
        });
        poll.start(20);
    };
    const QDateTime began = QDateTime::currentDateTime();
    run(hooks);
    poll.stop();
    EXPECT_LT(began.secsTo(QDateTime::currentDateTime()), 30);
    const QStringList pid = readLines(pidFile);
    ASSERT_EQ(pid.size(), 1);
    EXPECT_NE(::kill(pid[0].toInt(), 0), 0) << "the validator still runs";
    EXPECT_TRUE(dialogs.opened.empty());
    EXPECT_EQ(cancelText, u("Abbrechen"));
    EXPECT_EQ(dialogs.messages.size(), 1u) << "nothing but the confirmation";
}

TEST(ValidatorParts, ReportPathRemovesOnlyTheLastExtension) {
    EXPECT_EQ(reportPath("/s/validator/", "/a/R17.final.xml"), "/s/validator/R17.final-report.html");
    EXPECT_EQ(reportPath("/s/validator/", "/a/R17.xml"), "/s/validator/R17-report.html");
    EXPECT_EQ(reportPath("/s/validator/", "/a.b/R17"), "/s/validator/R17-report.html");
    EXPECT_EQ(reportPath("/s/validator/", "/a/R17."), "/s/validator/R17.-report.html");
    EXPECT_EQ(reportPath("/s/validator/", "R17.XML"), "/s/validator/R17-report.html");
}

TEST(ValidatorParts, OnlyTheNamePartIsTestedForBlanks) {
    EXPECT_FALSE(nameHasBlank("/home/x/Meine Rechnungen/R17.xml"));
    EXPECT_TRUE(nameHasBlank("/home/x/Rechnungen/R 17.xml"));
    EXPECT_TRUE(nameHasBlank("R17 .xml"));
    EXPECT_EQ(fileNamePart("/a b/c.xml"), "c.xml");
    EXPECT_EQ(fileNamePart("/a b/"), "");
}

TEST(ValidatorParts, ValidatorFolderLiesBelowTheStartDirectory) {
    EXPECT_EQ(validatorDirectory("/home/x/start"), "/home/x/start/validator/");
    EXPECT_EQ(validatorDirectory("/home/x/start/"), "/home/x/start/validator/");
}

} // namespace
