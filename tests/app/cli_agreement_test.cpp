// The window and `tallomir-cli build` write the same file for the same input.
#include "window_harness.h"

#include "app/attachments_page.h"
#include "support/reference.h"

#include <nlohmann/json.hpp>

#include <fstream>

#include <QComboBox>
#include <QProcess>
#include <QTableWidget>

using namespace tallomir;

namespace {

// The invoice as JSON, the same texts the test types into the window.
const char* invoiceJson = R"({
  "buyerReference": "04011000-12345-03", "documentNumber": "RE-2024-001",
  "issueDate": "2024-06-30", "dueDate": "2024-07-14", "deliveryDate": "2024-06-28",
  "orderNumber": "B-77", "note": "Vielen Dank für Ihren Auftrag.",
  "notes": [{"subjectCode": "AAI", "text": "Lieferung frei Haus"}, {"text": "Bitte Rechnungsnummer angeben"}],
  "supplier": {
    "partyId": "4000001123452", "partyIdScheme": "0088",
    "name": "Muster Lieferant", "street": "Hauptstraße 5", "additionalStreet": "Hinterhaus",
    "postalCode": "53111", "city": "Bonn", "countryCode": "DE", "vatId": "DE123456789",
    "registrationName": "Lieferant & Söhne KG", "contactName": "Erika Muster",
    "phone": "0228 123", "email": "rechnung@example.org"
  },
  "customer": {"addressLine3": "Raum 204", "postalCode": "50667", "city": "Köln", "region": "NRW",
               "countryCode": "DE", "registrationName": "Kundin GmbH", "registrationId": "4000001000005",
               "registrationIdScheme": "0088"},
  "delivery": {"locationId": "4000001987658", "locationIdScheme": "0088"},
  "iban": "DE02120300000000202051",
  "lines": [
    {"position": "1", "quantity": "2", "itemNumber": "A-1", "itemName": "Schrauben", "unitPrice": "12,50",
     "lineVatPercent": "19", "itemDescription": "verzinkt"},
    {"position": "2", "quantity": "1,5", "itemNumber": "B-2", "itemName": "Fachbuch", "unitPrice": "39.90",
     "lineVatPercent": "7"},
    {"position": "3", "quantity": "10", "itemName": "Montage", "unitPrice": "45",
     "lineVatPercent": "19", "unitCode": "HUR"}
  ],
  "allowance": {"reason": "Treuerabatt", "value": "-10", "vatSlot": 0},
  "buyerAccountingReference": "KST-4711", "tenderOrLotReference": "VG-2024-017", "invoicedObjectIdentifier": "Z-0815",
  "receivingAdviceReference": "WE-3301", "despatchAdviceReference": "LS-118",
  "taxPointDate": "2024-06-29", "remittanceInformation": "RE-2024-001 Muster"
})";

} // namespace

class CliAgreementTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowAndCommandLineWriteTheSameFile() {
        WindowHarness h;
        h.fillMandatoryFields(false);
        h.setDate("93", QDate(2024, 6, 30));
        h.setDate("94", QDate(2024, 7, 14));
        h.setDate("95", QDate(2024, 6, 28));
        h.typeAll("98=B-77|102=Vielen Dank für Ihren Auftrag.|104=Muster Lieferant|105=Hauptstraße 5|"
                  "lineItemNumber=A-1|lineDescription=verzinkt");
        // An address's further lines and region, identifiers with their schemes, the delivery location.
        h.typeAll(
            "103=4000001123452|219=0088|216=Hinterhaus|222=Raum 204|223=NRW|126=4000001000005|225= 0088|"
            "229=4000001987658|230=0088");
        h.addLine("1|2|Schrauben|12,50|19");
        h.typeAll("lineItemNumber=B-2|lineDescription=");
        h.addLine("2|1,5|Fachbuch|39.90|7");
        h.typeAll("lineItemNumber=|lineDescription=");
        h.pick(QStringLiteral("lineUnit"), 1); // "Stunde"
        h.addLine("3|10|Montage|45|19");
        h.typeAll("140=Treuerabatt|142=-10");
        h.pick(144, 0); // over two rates the amount needs its own
        h.typeAll("200=KST-4711|201=VG-2024-017|215=Z-0815|202=WE-3301|203=LS-118|205=RE-2024-001 Muster");
        h.setDate("204", QDate(2024, 6, 29));
        h.addListRow(QStringLiteral("field240"), {"AAI", "Lieferung frei Haus"});
        h.addListRow(QStringLiteral("field240"), {"", "Bitte Rechnungsnummer angeben"});
        const QByteArray fromWindow = h.saveAs(QStringLiteral("fenster.xml"));
        QVERIFY2(!fromWindow.isEmpty(), qPrintable(h.dialogs.messages.join('\n')));
        for (const char* element :
             {"<cbc:TaxPointDate>2024-06-29<", "<cbc:AccountingCost>KST-4711<",
              "<cac:DespatchDocumentReference>\r\n        <cbc:ID>LS-118<",
              "<cac:ReceiptDocumentReference>\r\n        <cbc:ID>WE-3301<",
              "<cac:OriginatorDocumentReference>\r\n        <cbc:ID>VG-2024-017<",
              "<cac:AdditionalDocumentReference>\r\n        <cbc:ID>Z-0815</cbc:ID>\r\n        "
              "<cbc:DocumentTypeCode>130<",
              "<cbc:PaymentID>RE-2024-001 Muster<",
              "<cbc:Note>Vielen Dank für Ihren Auftrag.</cbc:Note>\r\n    <cbc:Note>#AAI#Lieferung frei "
              "Haus</cbc:Note>"
              "\r\n    <cbc:Note>Bitte Rechnungsnummer angeben</cbc:Note>",
              "<cac:PartyIdentification>\r\n                <cbc:ID schemeID=\"0088\">4000001123452<",
              "<cbc:StreetName>Hauptstraße 5</cbc:StreetName>\r\n                "
              "<cbc:AdditionalStreetName>Hinterhaus<",
              "<cbc:PostalZone>50667</cbc:PostalZone>\r\n                <cbc:CountrySubentity>NRW</"
              "cbc:CountrySubentity>\r\n                <cac:AddressLine>\r\n                    "
              "<cbc:Line>Raum 204<",
              "<cbc:CompanyID schemeID=\"0088\">4000001000005<",
              "<cac:DeliveryLocation>\r\n            <cbc:ID schemeID=\"0088\">4000001987658</cbc:ID>\r\n    "
              "    "
              "</cac:DeliveryLocation>"})
            QVERIFY2(fromWindow.contains(element), element);

        tallomir::testing::keepJsonCase(invoiceJson);
        QVERIFY(writeFile(h.path("eingabe.json"), invoiceJson));
        QProcess cli;
        cli.start(QStringLiteral(TALLOMIR_CLI), {"build", h.path("eingabe.json"), h.path("cli.xml")});
        QVERIFY2(cli.waitForFinished(60000) && cli.exitCode() == 0, cli.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(fromWindow), QString::fromUtf8(readFile(h.path("cli.xml"))));
    }

    // The invoice with everything a public buyer receives (tests/cli/data/whole_invoice.json, whose
    // amounts the command line's test reckons), typed into the window and saved in both versions:
    // the same bytes as the command line writes, and valid (the saved files' check).
    void wholeInvoiceTypedAsBuilt() {
        WindowHarness h;
        h.setDate("93", QDate(2022, 3, 1));
        h.setDate("94", QDate(2022, 3, 31));
        h.setDate("95", QDate(2022, 2, 28));
        h.typeAll("91=991-12345-67|92=R-2022-0100|102=Vielen Dank für Ihren Auftrag.|104=Lieferant GmbH|"
                  "105=Hauptstraße 1|107=10115|106=Berlin|108=DE|109=DE123456789|111=Lieferant GmbH|"
                  "114=Erika Muster|115=030 1234|116=erika@example.org|172=rechnung@lieferant.example|"
                  "137=DE02120300000000202051|118=Kunde AG|119=Marienplatz 1|121=80331|120=München|122=DE|"
                  "125=Kunde AG|174=991-12345-67|200=KST-4711|201=VG-2022-17|206=Factoring AG|207=ZE-12|"
                  "208=HRB 98765|209=Fiskal GmbH|210=Ringstraße 3|211=10115|212=Berlin|213=DE|"
                  "214=DE111111125");
        pickText(h, "173", "E-Mail");
        pickText(h, "175", "Leitweg-ID");
        h.addListRow(QStringLiteral("field240"), {"AAI", "Lieferung in zwei Teilen."});
        h.addListRow(QStringLiteral("field240"), {"SUR", "Rückfragen an die Buchhaltung."});
        // Line 1 with two allowances and a charge of its own, through its dialog.
        h.typeAll("linePosition=1|lineQuantity=3|lineItemName=Schraubendreher|lineUnitPrice=9,99|"
                  "lineVatPercent=19");
        h.click("buttonLineAllowances");
        auto* dialog = h.window->findChild<QDialog*>(QStringLiteral("lineAllowancesDialog"));
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("lineAllowancesTable"));
        for (const QStringList& cells : {QStringList{"Nachlass", "5,00", "", "", "Treuerabatt", ""},
                                         QStringList{"Nachlass", "", "10", "", "Mengenrabatt", "95"},
                                         QStringList{"Zuschlag", "2,50", "", "", "Verpackung", "ABL"}}) {
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("lineAllowancesAdd")),
                              Qt::LeftButton);
            for (int column = 0; column < cells.size(); ++column)
                table->item(table->rowCount() - 1, column)->setText(cells[column]);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("lineAllowancesOk")),
                          Qt::LeftButton);
        h.click("buttonAdd");
        h.addLine("2|2|Werkzeugkoffer|50|7");
        h.typeAll("140=Fracht|142=10");
        h.pick(144, 0);
        // A PDF through "Datei anhängen …", a PNG by its name; identifier and description typed into the
        // list.
        std::ifstream in(TALLOMIR_CLI_TEST_DATA "/whole_invoice.json");
        nlohmann::json input = nlohmann::json::parse(in);
        for (const auto& file : input["attachments"])
            QVERIFY(writeFile(h.path(QString::fromStdString(file["fileName"])),
                              QByteArray::fromBase64(QByteArray::fromStdString(file["content"]))));
        auto* attachments = h.find<app::AttachmentsPage>(QStringLiteral("field241"));
        h.dialogs.openAnswers = {h.path("zeiten.pdf")};
        h.click("field241Attach");
        QVERIFY(attachments->attachFile(h.path("lieferung.png")));
        QTableWidget* list = attachments->table();
        for (const auto& [row, column, text] :
             {std::tuple{0, 0, "Z-1"}, std::tuple{0, 1, "Zeitnachweis"}, std::tuple{1, 0, "F-1"},
              std::tuple{1, 1, "Foto der Lieferung"}}) {
            h.showPageOf(list);
            list->setFocus(Qt::MouseFocusReason);
            list->setCurrentCell(row, column);
            QTest::keyClick(list, Qt::Key_F2);
            QWidget* cell = QApplication::focusWidget();
            QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
            WindowHarness::keys(cell, QString::fromUtf8(text));
            QTest::keyClick(cell, Qt::Key_Return);
        }

        input["supplier"]["electronicAddress"] = "rechnung@lieferant.example";
        input["customer"]["electronicAddress"] = "991-12345-67";
        input["customer"]["electronicAddressScheme"] = "0204";
        for (const char* version : {"2.1.1", "3.0"}) {
            pickText(h, "171", version);
            const QString name = QStringLiteral("ganz-%1.xml").arg(version);
            const QByteArray fromWindow = h.saveAs(name);
            QVERIFY2(!fromWindow.isEmpty(), qPrintable(h.dialogs.messages.join('\n')));
            input["xrechnungVersion"] = version;
            tallomir::testing::keepJsonCase(input.dump(2));
            QVERIFY(writeFile(h.path("ganz.json"), QByteArray::fromStdString(input.dump(2))));
            QProcess cli;
            cli.start(QStringLiteral(TALLOMIR_CLI), {"build", h.path("ganz.json"), h.path("cli.xml")});
            QVERIFY2(cli.waitForFinished(60000) && cli.exitCode() == 0,
                     cli.readAllStandardError().constData());
            QCOMPARE(QString::fromUtf8(fromWindow), QString::fromUtf8(readFile(h.path("cli.xml"))));
        }
    }

private:
    // Picks the entry of a combo whose text holds `text`.
    static void pickText(WindowHarness& h, const char* name, const QString& text) {
        auto* combo = h.find<QComboBox>(QString::fromLatin1(name));
        for (int index = 0; index < combo->count(); ++index)
            if (combo->itemText(index).contains(text))
                return h.pick(QString::fromLatin1(name), index);
        QFAIL(qPrintable("no entry " + text));
    }
};

std::unique_ptr<QObject> makeCliAgreementTest() {
    return std::make_unique<CliAgreementTest>();
}

#include "cli_agreement_test.moc"
