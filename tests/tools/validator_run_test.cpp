// "Validieren" with a fake "java" first on the search path.
#include "invoice/model.h" // before Qt, whose "slots" macro clashes with a field name

#include "app/validator_run.h"
#include "recording_dialogs.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

using namespace tallomir;
using namespace tallomir::app;

namespace {

const QString confirmation =
    QString::fromUtf8("XRechnung validieren|Hinweis: Die Validierung dauert etwas!         \r\n"
                      "Der Prüfbericht wird dann im Browser angezeigt.\r\n\r\n"
                      "Um die Validierung zu starten auf  OK  klicken.");

QStringList readLines(const QString& path) {
    QFile file(path);
    QStringList lines =
        file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n') : QStringList();
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void writeFile(const QString& path, const QByteArray& content = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A start directory (with a blank) holding the validator, and the fake java
// first on the search path for the duration of one test.
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

    // Chooses a new file below the temporary folder, and runs.
    void run(const QString& chosen, const ValidatorRunHooks& hooks = {},
             const QByteArray& content = "<Invoice/>") {
        if (!chosen.isEmpty())
            writeFile(root + "/" + chosen, content);
        dialogs.openAnswer = chosen.isEmpty() ? QString() : root + "/" + chosen;
        validateFile(nullptr, dialogs, start, state, hooks);
    }
    bool javaRan() const { return QFileInfo::exists(record + ".args"); }

    QTemporaryDir temp;
    QString root, start, validator, record;
    QByteArray savedPath;
    RecordingDialogs dialogs;
    DocumentState state = makeDocumentState(defaultCodeLists());
};

TEST_F(ValidatorRun, RunsJavaWithTheArgumentListInTheValidatorFolder) {
    const QString folder = "Rechnungen 2024 \"x\" $HOME; a*b";
    run(folder + "/R17.final.xml");
    const QString chosen = root + "/" + folder + "/R17.final.xml";
    EXPECT_EQ(dialogs.requests, QStringList{"XML Datei validieren|XML Dateien (*.xml)"});
    EXPECT_EQ(QString::fromStdString(state.currentFileName), chosen);
    EXPECT_EQ(dialogs.messages, QStringList{confirmation});
    EXPECT_EQ(readLines(record + ".args"), QStringList({"-jar", "validationtool-1.4.2-standalone.jar", "-s",
                                                        "scenarios.xml", "-h", chosen}));
    EXPECT_EQ(readLines(record + ".cwd"), QStringList{start + "/validator"});
    EXPECT_EQ(dialogs.opened, QStringList{validator + "R17.final-report.html"});

    // A file of XRechnung 3.0 goes to its own validator, with the folder of its rules.
    writeFile(validator + "validator-1.6.0-standalone.jar");
    run("R18.xml", {},
        "<Invoice xmlns:cbc=\"urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2\">"
        "<cbc:CustomizationID>urn:cen.eu:en16931:2017#compliant#urn:xeinkauf.de:kosit:xrechnung_3.0"
        "</cbc:CustomizationID></Invoice>");
    EXPECT_EQ(readLines(record + ".args"),
              QStringList({"-jar", "validator-1.6.0-standalone.jar", "-s", "xrechnung-3.0/scenarios.xml",
                           "-r", "xrechnung-3.0", "-h", root + "/R18.xml"}));
}

TEST_F(ValidatorRun, RefusalsComeBeforeJava) {
    const QString missing = "Validator Fehler|validationtool-1.4.2-standalone.jar wurde nicht gefunden!";
    const std::tuple<const char*, QString, std::function<void()>> refusals[] = {
        {"", "XML Datei validieren|Es wurde keine Datei ausgewählt.", [] {}},
        {"R 17.xml", "Dateiname fehlerhaft|Im Dateinamen dürfen keine Leerzeichen enthalten sein!", [] {}},
        {"R17.xml", missing, [this] { QFile::remove(validator + "validationtool-1.4.2-standalone.jar"); }},
        {"R17.xml", missing, [this] { QDir(validator).removeRecursively(); }}};
    for (const auto& [chosen, message, prepare] : refusals) {
        state.currentFileName = "/old/name.xml";
        dialogs.messages.clear();
        prepare();
        run(chosen);
        EXPECT_EQ(dialogs.messages, QStringList{message}) << chosen;
        EXPECT_FALSE(javaRan());
        EXPECT_TRUE(dialogs.opened.isEmpty());
        // A cancelled dialog forgets the file chosen before.
        EXPECT_EQ(state.currentFileName.empty(), *chosen == '\0');
    }
}

TEST_F(ValidatorRun, MissingJavaIsReported) {
    QTemporaryDir empty;
    qputenv("PATH", empty.path().toUtf8());
    run("R17.xml");
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0], confirmation);
    EXPECT_TRUE(dialogs.messages[1].startsWith("Validator Fehler|Java wurde nicht gefunden"))
        << dialogs.messages[1].toStdString();
    EXPECT_TRUE(dialogs.opened.isEmpty());
}

// Only a report the run wrote is handed to the browser, not one left from before.
TEST_F(ValidatorRun, MissingReportIsReportedWithTheExitCode) {
    const QString report = validator + "R17-report.html";
    QFile old(report);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    ASSERT_TRUE(
        old.setFileTime(QDateTime(QDate(2020, 1, 2), QTime(3, 4)), QFileDevice::FileModificationTime));
    old.close();
    qputenv("FAKE_JAVA_MODE", "noreport");
    run("R17.xml");
    EXPECT_TRUE(javaRan());
    EXPECT_TRUE(dialogs.opened.isEmpty());
    ASSERT_EQ(dialogs.messages.size(), 2);
    for (const QString& part : {QString("Validator Fehler|"), QString::fromUtf8("keinen Prüfbericht"),
                                QString("Exitcode 3"), report})
        EXPECT_TRUE(dialogs.messages[1].contains(part)) << dialogs.messages[1].toStdString();
    qputenv("FAKE_JAVA_MODE", "report");
    run("R17.xml");
    EXPECT_EQ(dialogs.opened, QStringList{report});
}

// The window keeps working while the validator runs, and "Abbrechen" ends it.
TEST_F(ValidatorRun, AbbrechenEndsTheValidator) {
    qputenv("FAKE_JAVA_MODE", "hang");
    const QString pidFile = record + ".pid";
    QString shown;
    ValidatorRunHooks hooks;
    QTimer poll;
    hooks.progressShown = [&](QProgressDialog& progress) {
        EXPECT_TRUE(progress.isModal());
        EXPECT_EQ(progress.maximum(), 0);
        QObject::connect(&poll, &QTimer::timeout, &progress, [&] {
            if (readLines(pidFile).isEmpty() || !progress.isVisible())
                return;
            poll.stop();
            QPushButton* button = progress.findChild<QPushButton*>();
            ASSERT_NE(button, nullptr);
            shown = progress.labelText() + '|' + button->text();
            button->click();
        });
        poll.start(20);
    };
    run("R17.xml", hooks);
    EXPECT_EQ(shown, QString::fromUtf8("Validierung läuft …|Abbrechen"));
    const QStringList pid = readLines(pidFile);
    ASSERT_EQ(pid.size(), 1);
    EXPECT_NE(::kill(pid[0].toInt(), 0), 0) << "the validator still runs";
    EXPECT_TRUE(dialogs.opened.isEmpty());
    EXPECT_EQ(dialogs.messages, QStringList{confirmation}) << "nothing but the confirmation";
}

TEST(ValidatorReport, PathRemovesOnlyTheLastExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/R17.final.xml", "R17.final"}, {"/a.b/R17", "R17"}, {"/a/R17.", "R17."}, {"R17.XML", "R17"}};
    for (const auto& [chosen, base] : cases)
        EXPECT_EQ(reportPath("/s/validator/", chosen), QString("/s/validator/%1-report.html").arg(base))
            << chosen;
}

} // namespace
