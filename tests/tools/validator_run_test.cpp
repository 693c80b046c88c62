// "Validieren" with a fake "java" first on the search path.
#include "invoice/model.h" // before Qt, whose "slots" macro clashes with a field name

#include "app/validator_run.h"
#include "recording_dialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace tallomir;
using namespace tallomir::app;

namespace {

const QString confirmation = "XRechnung validieren|Hinweis: Die Validierung dauert etwas!         \r\n"
                             "Der Prüfbericht wird dann im Browser angezeigt.\r\n\r\n"
                             "Um die Validierung zu starten auf  OK  klicken.";

QStringList readLines(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                          : QStringList();
}

void writeFile(const QString& path, const QByteArray& content = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A start directory (with a blank) holding the validator, and the fake java
// (which records its arguments and working directory) first on the search path.
class ValidatorRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        writeFile(validator + "validationtool-1.4.2-standalone.jar");
        qputenv("PATH", QByteArray(TOOLS_FAKE_JAVA_DIR) + ":" + savedPath);
        qputenv("FAKE_JAVA_RECORD", record.toUtf8());
        qputenv("FAKE_JAVA_MODE", "report");
    }
    void TearDown() override { qputenv("PATH", savedPath); }

    // Chooses a new file below the temporary folder, and runs.
    void run(const QString& chosen, const ValidatorRunHooks& hooks = {},
             const QByteArray& content = "<Invoice/>") {
        if (!chosen.isEmpty())
            writeFile(root + "/" + chosen, content);
        dialogs.openAnswer = chosen.isEmpty() ? QString() : root + "/" + chosen;
        validateFile(nullptr, dialogs, start, state, hooks);
    }

    QTemporaryDir temp;
    const QString root = QDir(temp.path()).canonicalPath(), start = root + "/start dir",
                  validator = start + "/validator/", record = root + "/record";
    const QByteArray savedPath = qgetenv("PATH");
    RecordingDialogs dialogs;
    DocumentState state = makeDocumentState(defaultCodeLists());
};

// A file of XRechnung 3.0 goes to its own validator, with the folder of its rules.
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

    writeFile(validator + "validator-1.6.0-standalone.jar");
    run("R18.xml", {},
        "<Invoice xmlns:cbc=\"urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2\">"
        "<cbc:CustomizationID>urn:cen.eu:en16931:2017#compliant#urn:xeinkauf.de:kosit:xrechnung_3.0"
        "</cbc:CustomizationID></Invoice>");
    EXPECT_EQ(readLines(record + ".args"),
              QStringList({"-jar", "validator-1.6.0-standalone.jar", "-s", "xrechnung-3.0/scenarios.xml",
                           "-r", "xrechnung-3.0", "-h", root + "/R18.xml"}));

    // A jar outside the validator folder, as the settings give it, whole.
    const QString elsewhere = root + "/kosit/validator.jar";
    writeFile(elsewhere);
    state.lists.validators[0].jar = elsewhere.toStdString();
    run("R19.xml");
    EXPECT_EQ(readLines(record + ".args").mid(0, 2), QStringList({"-jar", elsewhere}));
    EXPECT_EQ(dialogs.opened.last(), validator + "R19-report.html");
}

// Refusals come before java; a cancelled file dialog forgets the file chosen before.
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
        EXPECT_FALSE(QFileInfo::exists(record + ".args") || !dialogs.opened.isEmpty()) << chosen;
        EXPECT_EQ(state.currentFileName.empty(), *chosen == '\0');
    }
}

// Without a fresh report (one left from before is none), or without java, the
// box says why and nothing is opened; a report the run replaced is opened.
TEST_F(ValidatorRun, FailedRunsAreReported) {
    const QString report = validator + "R17-report.html";
    writeFile(report);
    qputenv("FAKE_JAVA_MODE", "noreport");
    run("R17.xml");
    qputenv("PATH", "/nonexistent");
    run("R17.xml");
    EXPECT_TRUE(dialogs.opened.isEmpty());
    ASSERT_EQ(dialogs.messages.size(), 4);
    EXPECT_EQ(dialogs.messages[1],
              "Validator Fehler|Der Validator hat keinen Prüfbericht erstellt (Exitcode 3).\r\n"
              "Erwarteter Bericht: " +
                  report);
    EXPECT_TRUE(dialogs.messages[3].startsWith("Validator Fehler|Java wurde nicht gefunden"))
        << dialogs.messages[3].toStdString();
    qputenv("PATH", QByteArray(TOOLS_FAKE_JAVA_DIR) + ":" + savedPath);
    qputenv("FAKE_JAVA_MODE", "report");
    run("R17.xml");
    EXPECT_EQ(dialogs.opened, QStringList{report});
}

// The run asks whether to stop while the validator runs, and stopping ends it.
TEST_F(ValidatorRun, StoppingEndsTheValidator) {
    qputenv("FAKE_JAVA_MODE", "hang");
    int asked = 0;
    bool ended = false;
    const ValidatorRunHooks hooks{[&](ValidatorRunHooks::Run run, ValidatorRunHooks::Ended end) {
        const ValidatorOutcome outcome = run([&] {
            ++asked;
            return !readLines(record + ".pid").isEmpty(); // stopped once it runs
        });
        EXPECT_TRUE(outcome.started && outcome.cancelled && !outcome.timedOut);
        end(outcome);
        ended = true;
    }};
    run("R17.xml", hooks);
    EXPECT_TRUE(ended);
    EXPECT_GT(asked, 0);
    EXPECT_NE(::kill(readLines(record + ".pid").value(0).toInt(), 0), 0) << "the validator still runs";
    EXPECT_EQ(dialogs.messages.join('\n') + dialogs.opened.join('\n'), confirmation)
        << "nothing but the confirmation";
}

// A validator that does not end is stopped at the time limit of the settings, with a message.
TEST_F(ValidatorRun, TheTimeLimitEndsTheValidator) {
    qputenv("FAKE_JAVA_MODE", "hang");
    state.lists.validatorTimeLimitSeconds = 1;
    run("R17.xml");
    EXPECT_NE(::kill(readLines(record + ".pid").value(0).toInt(), 0), 0) << "the validator still runs";
    EXPECT_EQ(
        dialogs.messages,
        QStringList({confirmation, "Validator Fehler|Der Validator wurde nach 1 Sekunde angehalten, weil er "
                                   "nicht fertig wurde.\r\nDie Zeitgrenze steht in Tallomir.ini unter "
                                   "ValidatorZeitlimit."}));
    EXPECT_TRUE(dialogs.opened.isEmpty());
}

TEST(ValidatorReport, PathRemovesOnlyTheLastExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/R17.final.xml", "R17.final"}, {"/a.b/R17", "R17"}, {"/a/R17.", "R17."}, {"R17.XML", "R17"}};
    for (const auto& [chosen, base] : cases)
        EXPECT_EQ(reportPath("/s/validator/", chosen), QString("/s/validator/%1-report.html").arg(base))
            << chosen;
}

} // namespace
