// The page "Anhänge" and the lists of "Lieferant": what they add, refuse,
// give back, and that a file's entries come back in them after loading.
#include "window_harness.h"

#include "app/attachments_page.h"
#include "invoice/attachments.h"

using namespace tallomir;
using app::AttachmentsPage;

namespace {

// The rows of a table, cells joined by "|", rows by "/".
QString rowsOf(const QTableWidget* table) {
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
        rows << cells.join('|');
    }
    return rows.join('/');
}

AttachmentsPage* page(const WindowHarness& h) {
    return h.find<AttachmentsPage>(QStringLiteral("field241"));
}

// Selects a row of the list with a click, as the user does.
void clickRow(WindowHarness& h, int row) {
    QTableWidget* table = page(h)->table();
    h.showPageOf(table);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(table->model()->index(row, AttachmentsPage::SizeColumn)).center());
}

} // namespace

class AttachmentsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A PDF and a PNG attached are embedded and saved with the invoice; "Speichern
    // unter …" and "Öffnen" give back their bytes; a reference opens its address.
    void attachedFilesAreSavedAndGivenBack() {
        WindowHarness h;
        h.fillMandatoryFields();
        QByteArray pdf = "%PDF-1.4\n";
        for (int i = 0; i < 256; ++i)
            pdf += static_cast<char>(i);
        pdf.append(3 * 1024 - pdf.size(), 'x');
        const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8).append(9 * 1024 - 8, '\0');
        QVERIFY(writeFile(h.path("lieferschein.pdf"), pdf) && writeFile(h.path("Foto.PNG"), png));
        h.state.modified = false;
        h.dialogs.openAnswers = {h.path("lieferschein.pdf")};
        h.click("field241Attach");
        QVERIFY(page(h)->attachFile(h.path("Foto.PNG")));
        h.dialogs.textAnswers = {{"https://example.org/nachweis.pdf", "Stundennachweis"}};
        h.click("field241Reference");
        QCOMPARE(rowsOf(page(h)->table()) + '|' + page(h)->totalField()->text(),
                 QStringLiteral("Anlage 1||lieferschein.pdf|application/pdf|3 KB/"
                                "Anlage 2||Foto.PNG|image/png|9 KB/"
                                "Anlage 3|Stundennachweis|https://example.org/nachweis.pdf||"
                                "|Gesamtgröße: 12 KB"));
        // Larger sums in megabytes, a byte beyond a kilobyte as a kilobyte more.
        QCOMPARE(app::germanFileSize(1228800, true) + ' ' + app::germanFileSize(1025) + ' ' +
                     app::germanFileSize(1048576 * 1000),
                 QStringLiteral("1,2 MB 2 KB 1.024.000 KB"));
        QVERIFY(h.state.modified && h.dialogs.messages.isEmpty());
        // The description is typed into the list.
        QTableWidget* table = page(h)->table();
        table->setFocus(Qt::MouseFocusReason);
        table->setCurrentCell(0, AttachmentsPage::DescriptionColumn);
        QTest::keyClick(table, Qt::Key_F2);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Lieferschein"));
        const QByteArray saved = h.saveAs(QStringLiteral("anhaenge.xml"));
        QVERIFY2(
            saved.contains("<cbc:ID>Anlage 1</cbc:ID>\r\n        <cbc:DocumentDescription>Lieferschein<") &&
                saved.contains("mimeCode=\"application/pdf\" filename=\"lieferschein.pdf\">" +
                               pdf.toBase64() + "<") &&
                saved.contains("mimeCode=\"image/png\" filename=\"Foto.PNG\">" + png.toBase64() + "<") &&
                saved.contains("<cbc:URI>https://example.org/nachweis.pdf</cbc:URI>"),
            qPrintable(h.dialogs.messages.join('\n')));

        // A file there is replaced only when the user says so.
        QVERIFY(writeFile(h.path("zurueck.pdf"), "alt"));
        h.dialogs.saveAnswers = {h.path("zurueck.pdf"), h.path("zurueck.pdf")};
        h.dialogs.questionAnswers = {false, true};
        clickRow(h, 0);
        h.click("field241SaveAs");
        QVERIFY(readFile(h.path("zurueck.pdf")) == "alt");
        h.click("field241SaveAs");
        QCOMPARE(h.dialogs.saveRequests.last() + '|' + h.dialogs.questions.last(),
                 "Anhang speichern|" + h.dir.path() +
                     "/lieferschein.pdf|Alle Dateien (*)|Anhang speichern|Die Datei " +
                     h.path("zurueck.pdf") + " gibt es schon.\rSoll sie ersetzt werden?");
        QVERIFY(readFile(h.path("zurueck.pdf")) == pdf);
        for (int row : {1, 2}) {
            clickRow(h, row);
            h.click("field241Open");
        }
        QCOMPARE(h.dialogs.opened.size(), 2);
        QVERIFY(readFile(h.dialogs.opened[0]) == png);
        QCOMPARE(h.dialogs.opened[1], QStringLiteral("https://example.org/nachweis.pdf"));

        // Removed, the first identifier is free again.
        clickRow(h, 0);
        h.click("field241Remove");
        QVERIFY(page(h)->attachFile(h.path("lieferschein.pdf")));
        QCOMPARE(rowsOf(page(h)->table()).section('|', 0, 0) + ' ' + QString::number(table->rowCount()) +
                     ' ' + QString::fromStdString(h.state.doc.attachments[2].id),
                 QStringLiteral("Anlage 2 3 Anlage 1"));
    }

    // A file of a type not allowed, one that cannot be read and one over the
    // limit are refused, each saying why; nothing is added.
    void refusedFilesSayWhy() {
        WindowHarness h;
        QVERIFY(writeFile(h.path("notiz.txt"), "Notiz") && QDir().mkpath(h.path("ordner.pdf")));
        QFile large(h.path("gross.pdf"));
        QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(maxAttachmentBytes + 1));
        large.close();
        const QString cases[][2] = {
            {"notiz.txt",
             "Die Datei %1 hat keinen erlaubten Typ.\rAngehängt werden können: PDF (.pdf), PNG "
             "(.png), JPEG (.jpg, .jpeg), CSV (.csv), Excel (.xlsx) und OpenDocument-Tabelle (.ods)."},
            {"fehlt.pdf", "Die Datei %1 kann nicht gelesen werden.\rDie Datei gibt es nicht."},
            {"ordner.pdf", "Die Datei %1 kann nicht gelesen werden.\rDas ist ein Ordner."},
            {"gross.pdf", "Die Datei %1 ist größer als 15 MB und kann nicht angehängt werden."},
        };
        for (const auto& [name, message] : cases) {
            h.dialogs.messages.clear();
            QVERIFY(!page(h)->attachFile(h.path(name)));
            QCOMPARE(h.dialogs.messages, QStringList("Datei anhängen|" + message.arg(h.path(name))));
        }
        QVERIFY(h.state.doc.attachments.empty() && !h.state.modified && page(h)->table()->rowCount() == 0);
    }

    // Further accounts and identifiers typed on "Lieferant" are saved, come
    // back in their lists when the file is loaded and are saved again alike.
    void furtherAccountsAndIdentifiersComeBack() {
        WindowHarness h;
        h.fillMandatoryFields();
        h.type(103, QStringLiteral("L-10023"));
        h.addListRow(QStringLiteral("furtherAccounts"),
                     {"DE75512108001245126199", "Muster GmbH", "SOGEDEFFXXX"});
        h.addListRow(QStringLiteral("furtherAccounts"), {}); // a row left empty holds no account
        h.addListRow(QStringLiteral("furtherPartyIds"), {"4000001123452", "0088"});
        const QByteArray saved = h.saveAs(QStringLiteral("konten.xml"));
        QVERIFY2(saved.count("<cbc:PaymentMeansCode>58</cbc:PaymentMeansCode>") == 2 &&
                     saved.contains(
                         "<cbc:ID>DE75512108001245126199</cbc:ID>\r\n            <cbc:Name>Muster GmbH<") &&
                     saved.contains("<cbc:ID schemeID=\"0088\">4000001123452<"),
                 qPrintable(h.dialogs.messages.join('\n')));

        WindowHarness loaded;
        loaded.dialogs.openAnswers = {h.path("konten.xml")};
        loaded.window->loadCommand();
        QCOMPARE(rowsOf(loaded.find<QTableWidget>("furtherAccountsTable")) + '/' +
                     rowsOf(loaded.find<QTableWidget>("furtherPartyIdsTable")),
                 QStringLiteral("DE75512108001245126199|Muster GmbH|SOGEDEFFXXX/4000001123452|0088"));
        // The same bytes, so the checker's run needs no copy.
        loaded.dialogs.saveAnswers = {loaded.path("wieder.xml")};
        loaded.window->saveCommand();
        QCOMPARE(readFile(loaded.path("wieder.xml")), saved);
    }
};

std::unique_ptr<QObject> makeAttachmentsTest() {
    return std::make_unique<AttachmentsTest>();
}

#include "attachments_test.moc"
