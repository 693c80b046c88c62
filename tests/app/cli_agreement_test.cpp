// The window and `tallomir-cli build` write the same file for the same input.
#include "window_harness.h"

#include "support/reference.h"

#include <QProcess>

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
};

std::unique_ptr<QObject> makeCliAgreementTest() {
    return std::make_unique<CliAgreementTest>();
}

#include "cli_agreement_test.moc"
