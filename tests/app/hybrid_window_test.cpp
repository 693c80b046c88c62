// "Als ZUGFeRD-PDF speichern …" as a user drives it: the profile proposed by
// the format, the check as for "Speichern", a failed write, the file written
// and archived, and opened again as the same document; received PDFs that
// cannot be read leave the form as it was.
#include "window_harness.h"

#include "cii/cii.h"
#include "pdf/hybrid_pdf_open.h"
#include "store/archive.h"
#include "syntax/syntax.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

using namespace tallomir;

namespace {

const QString title = QStringLiteral("Als ZUGFeRD-PDF speichern");
const QString profileLabel =
    QStringLiteral("Profil (XRECHNUNG für öffentliche Auftraggeber, EN 16931 für Unternehmen):");

std::string ss(const QString& text) {
    return text.toStdString();
}

// The CII invoice of the document, as a profile writes it.
std::string ciiOf(const DocumentState& state, cii::CiiProfile profile) {
    return xml::serializeDocument(*cii::buildCiiTree(state, profile));
}

} // namespace

class HybridWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void savedInTheProfileChosenCheckedArchivedAndOpenedAgain() {
        QTemporaryDir folder;
        store::Database db;
        QVERIFY(db.open(folder.filePath(QStringLiteral("tallomir.sqlite")).toStdString()));
        WindowHarness h(defaultCodeLists(), &db);
        h.fillMandatoryFields(); // XRechnung 2.1.1
        h.dialogs.messages.clear();

        // XRECHNUNG follows XRechnung 3.0, which asks for the buyer's electronic address.
        h.dialogs.itemAnswers = {"XRECHNUNG"};
        h.trigger(title + QStringLiteral(" …"));
        QCOMPARE(h.dialogs.choices, QStringList({title + '|' + profileLabel + "|EN 16931/XRECHNUNG"}));
        QCOMPARE(h.dialogs.messages,
                 QStringList({"Pflichtfelder|Die Datei kann so nicht gespeichert werden. Bitte ergänzen oder "
                              "korrigieren:\rKunde: Elektron. Adresse fehlt"}));
        QVERIFY(h.dialogs.saveRequests.isEmpty() && h.field(174)->hasFocus());
        QCOMPARE(h.text(171), QStringLiteral("XRechnung 3.0"));

        // Now proposed first; a folder that is not there: the file is not
        // written, and no number is used.
        h.typeAll("174=04011000-12345-03");
        h.dialogs.itemAnswers = {"XRECHNUNG"};
        h.dialogs.saveAnswers = {h.path(QStringLiteral("fehlt/rechnung.pdf"))};
        h.trigger(title + QStringLiteral(" …"));
        QCOMPARE(h.dialogs.choices.last(), title + '|' + profileLabel + "|XRECHNUNG/EN 16931");
        QCOMPARE(h.dialogs.saveRequests.last(),
                 title + "|Rechnung-RE-2024-001.pdf|PDF Dateien (*.pdf);;Alle Dateien (*.*)");
        QVERIFY2(h.dialogs.messages.last().startsWith(title + "|Die PDF-Datei " +
                                                      h.path(QStringLiteral("fehlt/rechnung.pdf")) +
                                                      " konnte nicht geschrieben werden"),
                 qPrintable(h.dialogs.messages.last()));
        QVERIFY(store::findArchived(db).empty());

        // Written in each profile, ".pdf" added; archived as issued, bytes unchanged.
        const std::pair<const char*, cii::CiiProfile> profiles[] = {{"XRECHNUNG", cii::CiiProfile::XRechnung},
                                                                    {"EN 16931", cii::CiiProfile::En16931}};
        for (const auto& [name, profile] : profiles) {
            const QString file = h.path(QString::fromLatin1(name).remove(' '));
            h.dialogs.itemAnswers = {QString::fromLatin1(name)};
            h.dialogs.saveAnswers = {file};
            const int messages = static_cast<int>(h.dialogs.messages.size());
            h.trigger(title + QStringLiteral(" …"));
            QCOMPARE(h.dialogs.messages.size(), messages);
            QCOMPARE(h.window->statusField()->text(), "Gespeicherte ZUGFeRD-PDF-Datei:  " + file + ".pdf");
            const QByteArray bytes = readFile(file + ".pdf");
            const std::vector<store::ArchiveEntry> entries = store::findArchived(db);
            QCOMPARE(entries.back().direction, store::Direction::Issued);
            QCOMPARE(store::archivedBytes(db, entries.back().id).value(), bytes);
            QCOMPARE(pdf::openHybridPdf(ss(file + ".pdf")).embeddedName,
                     std::string(profile == cii::CiiProfile::XRechnung ? "xrechnung.xml" : "factur-x.xml"));
            Form opened = makeForm(defaultCodeLists());
            QCOMPARE(syntax::loadInvoiceFile(opened, ss(file + ".pdf")).result,
                     syntax::LoadOutcome::Result::Loaded);
            // An EN 16931 file names no version of XRechnung: the one shown stays.
            QCOMPARE(opened.xrechnungVersion == XRechnungVersion::V3_0,
                     profile == cii::CiiProfile::XRechnung);
            opened.xrechnungVersion = h.state.xrechnungVersion;
            QCOMPARE(ciiOf(opened, profile), ciiOf(h.state, profile));
        }
        QCOMPARE(store::findArchived(db).size(), std::size_t(2));
    }

    // A PDF without invoice data, a damaged and an encrypted one: each named,
    // the form as it was.
    void receivedPdfsThatCannotBeReadLeaveTheForm() {
        WindowHarness h;
        h.fillMandatoryFields();
        const QString hybrid = h.path(QStringLiteral("hybrid.pdf"));
        h.dialogs.itemAnswers = {"EN 16931"};
        h.dialogs.saveAnswers = {hybrid};
        h.trigger(title + QStringLiteral(" …"));
        const QByteArray bytes = readFile(hybrid);
        QVERIFY(!bytes.isEmpty());
        QVERIFY(writeFile(h.path(QStringLiteral("beschaedigt.pdf")), bytes.left(bytes.size() / 2)));
        QPDF document;
        const std::string source = ss(hybrid);
        const std::string encrypted = ss(h.path(QStringLiteral("verschluesselt.pdf")));
        document.processFile(source.c_str());
        QPDFWriter writer(document, encrypted.c_str()); // keeps the name, not a copy
        writer.setR6EncryptionParameters("", "eigentuemer", true, true, true, true, true, true, qpdf_r3p_full,
                                         true);
        writer.write();
        h.dialogs.saveAnswers = {h.path(QStringLiteral("ohne.pdf"))};
        h.window->pdfCommand();

        const QString load = QStringLiteral("XML Datei laden|");
        const std::pair<QString, QString> cases[] = {
            {QStringLiteral("ohne.pdf"),
             "Diese PDF-Datei enthält keine Rechnungsdaten (kein eingebettetes XML)."},
            {QStringLiteral("beschaedigt.pdf"), " ist beschädigt und kann nicht gelesen werden."},
            {QStringLiteral("verschluesselt.pdf"),
             " ist verschlüsselt; eine verschlüsselte Rechnung wird nicht "
             "geöffnet."},
        };
        const std::string before = ciiOf(h.state, cii::CiiProfile::XRechnung);
        for (const auto& [name, message] : cases) {
            h.dialogs.messages.clear();
            h.dialogs.choiceAnswers = {"Verwerfen"};
            h.dialogs.openAnswers = {h.path(name)};
            h.trigger(QStringLiteral("Laden"));
            QCOMPARE(h.dialogs.messages,
                     QStringList(load +
                                 (message.startsWith(' ') ? "Die PDF-Datei " + h.path(name) : QString()) +
                                 message));
            QCOMPARE(ciiOf(h.state, cii::CiiProfile::XRechnung), before);
            QCOMPARE(h.text(92), QStringLiteral("RE-2024-001"));
        }
    }
};

std::unique_ptr<QObject> makeHybridWindowTest() {
    return std::make_unique<HybridWindowTest>();
}

#include "hybrid_window_test.moc"
