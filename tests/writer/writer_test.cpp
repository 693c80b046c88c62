// The UBL writer: the element rules that the whole-file golden files do not
// show, the exact bytes of saved files, and saving failures.

#include "documents.h"
#include "ubl/writer.h"

#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace tallomir {
namespace {

namespace fs = std::filesystem;
using namespace writertest;

// The element `name` (its first occurrence) as the text gives it, with the line
// breaks and indentation between elements taken out; "" when there is none.
std::string fragment(const std::string& text, const std::string& name) {
    std::size_t start = text.find("<" + name);
    while (start != std::string::npos &&
           std::string(">/ ").find(text[start + name.size() + 1]) == std::string::npos) {
        start = text.find("<" + name, start + 1);
    }
    if (start == std::string::npos) {
        return "";
    }
    const std::size_t tagEnd = text.find('>', start);
    const std::size_t end =
        text[tagEnd - 1] == '/' ? tagEnd + 1 : text.find("</" + name + ">", start) + name.size() + 3;
    std::string compact;
    for (std::size_t i = start; i < end; ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            i = text.find_first_not_of(' ', i + 2) - 1;
        } else {
            compact += text[i];
        }
    }
    return compact;
}

// The bytes that saving the document would write.
std::string savedText(Form& state) {
    return xml::serializeDocument(*ubl::buildInvoiceTree(state));
}

TEST(XmlExtension, AddedUnlessTheNamePartEndsInDotXml) {
    const std::pair<const char*, const char*> cases[] = {
        {"rechnung", "rechnung.xml"},
        {"rechnung.xml", "rechnung.xml"},
        {"rechnung.XML", "rechnung.XML"},
        {"rechnung.Xml", "rechnung.Xml"},
        {"rechnung.xmlx", "rechnung.xmlx.xml"},
        {"rechnung.txt", "rechnung.txt.xml"},
        {"/home/a/daten.2022/rechnung", "/home/a/daten.2022/rechnung.xml"},
        {"/tmp/.xml", "/tmp/.xml.xml"}}; // a point starting the name is no extension
    for (const auto& [name, completed] : cases) {
        EXPECT_EQ(ubl::completeXmlExtension(name), completed) << name;
    }
}

TEST(Tree, EmptyFormWritesOnlyTheFixedContainers) {
    Form state = newState();
    EXPECT_EQ(
        fragment(savedText(state), "ubl:Invoice"),
        "<ubl:Invoice xmlns:ubl=\"urn:oasis:names:specification:ubl:schema:xsd:Invoice-2\" "
        "xmlns:cac=\"urn:oasis:names:specification:ubl:schema:xsd:CommonAggregateComponents-2\" "
        "xmlns:cbc=\"urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2\">"
        "<cbc:CustomizationID>urn:cen.eu:en16931:2017#compliant#urn:xoev-de:kosit:standard:xrechnung_2.1"
        "</cbc:CustomizationID><cbc:ProfileID>XRechnung 2.1.1., erstellt mit Tallomir 1.8 "
        "(https://tallomir.example.org)</cbc:ProfileID><cbc:IssueDate>2022-03-14</cbc:IssueDate>"
        "<cbc:InvoiceTypeCode>380</cbc:InvoiceTypeCode><cbc:DocumentCurrencyCode>EUR</"
        "cbc:DocumentCurrencyCode>"
        "<cbc:TaxCurrencyCode>EUR</cbc:TaxCurrencyCode><cac:AccountingSupplierParty><cac:Party>"
        "<cac:PostalAddress><cac:Country/></cac:PostalAddress><cac:PartyLegalEntity/><cac:Contact/>"
        "</cac:Party></cac:AccountingSupplierParty><cac:AccountingCustomerParty><cac:Party>"
        "<cac:PostalAddress><cac:Country/></cac:PostalAddress><cac:PartyLegalEntity/><cac:Contact/>"
        "</cac:Party></cac:AccountingCustomerParty><cac:Delivery/><cac:PaymentMeans>"
        "<cbc:PaymentMeansCode>58</cbc:PaymentMeansCode></cac:PaymentMeans><cac:LegalMonetaryTotal/>"
        "</ubl:Invoice>");
    // The VAT identifier and the tax number each under their scheme, in this order.
    state.doc.supplier.taxNumber = "201/113/40209";
    state.doc.supplier.vatId = "DE123456789";
    EXPECT_NE(
        fragment(savedText(state), "cac:AccountingSupplierParty")
            .find("</cac:PostalAddress><cac:PartyTaxScheme><cbc:CompanyID>DE123456789</"
                  "cbc:CompanyID><cac:TaxScheme><cbc:ID>VAT</cbc:ID>"
                  "</cac:TaxScheme></cac:PartyTaxScheme><cac:PartyTaxScheme><cbc:CompanyID>201/113/40209"
                  "</cbc:CompanyID><cac:TaxScheme><cbc:ID>FC</cbc:ID></cac:TaxScheme></cac:PartyTaxScheme>"
                  "<cac:PartyLegalEntity/>"),
        std::string::npos);
}

TEST(Tree, AllowanceOnlyWithAReasonAndWithoutRateOnlyItsScheme) {
    Form state = newState();
    addLine(state, "1", "100", "19");
    recompute(state);
    enterAllowanceValue(state, "-10");
    std::string text = savedText(state);
    EXPECT_EQ(fragment(text, "cac:AllowanceCharge"), "");
    EXPECT_EQ(fragment(text, "cbc:AllowanceTotalAmount"), "");

    state.doc.allowanceReason = "Rabatt";
    state.doc.allowanceTaxCategory = state.doc.allowanceTaxPercent = state.doc.allowanceTaxScheme = "";
    EXPECT_EQ(
        fragment(savedText(state), "cac:AllowanceCharge"),
        "<cac:AllowanceCharge><cbc:ChargeIndicator>false</cbc:ChargeIndicator><cbc:AllowanceChargeReason>"
        "Rabatt</cbc:AllowanceChargeReason><cbc:Amount currencyID=\"EUR\">10.00</cbc:Amount>"
        "<cac:TaxCategory><cac:TaxScheme/></cac:TaxCategory></cac:AllowanceCharge>");

    // A loaded charge outside the scope of VAT is written without the rate the file gave it.
    state.doc.furtherAllowances.push_back({"true", "", "Fracht", "", "5.00", "", "O", "0", "VAT"});
    const std::string compact = std::regex_replace(savedText(state), std::regex(">\\s+<"), "><");
    EXPECT_NE(compact.find("<cac:TaxCategory><cbc:ID>O</cbc:ID><cac:TaxScheme><cbc:ID>VAT</cbc:ID>"),
              std::string::npos);
}

// --- Whole files, byte for byte -------------------------------------------------------

using SavedFile = ScratchDir;

Form fullInvoice() {
    Form state = newState();
    InvoiceDocument& doc = state.doc;
    doc.documentTypeCode = "380";
    doc.buyerReference = "04011000-12345-34";
    doc.documentNumber = "RE-2022-0815";
    doc.dueDate = "2022-04-13";
    doc.deliveryDate = "2022-03-10";
    doc.periodStart = "2022-03-01";
    doc.periodEnd = "2022-03-31";
    doc.orderNumber = "B-4711";
    doc.salesOrderNumber = "KA-99";
    doc.contractNumber = "V-2021-7";
    doc.projectNumber = "P-Rathaus";
    doc.note = "Lieferung frei Haus & pünktlich";
    doc.supplier = party("4000001123452|Müller & Söhne GmbH|Hauptstraße 5|Köln|50667|DE|DE123456789|VAT|"
                         "Müller & Söhne GmbH|123456789|GmbH|Anna Müller|0221 12345|anna@mueller.example");
    doc.customer = party("04011000-12345-34|Stadt Beispielhausen|Rathausplatz 1|Beispielhausen|12345|DE|"
                         "DE987654321|VAT|Stadt Beispielhausen|4000001000005|Körperschaft|Bernd Beamter||"
                         "bernd@beispielhausen.example");
    doc.delivery = DeliveryFields{.name = "Bauhof",
                                  .street = "Am Hafen 3",
                                  .city = "Beispielhausen",
                                  .postalCode = "12346",
                                  .countryCode = "DE",
                                  .additionalStreet = "Tor 3",
                                  .addressLine3 = "Rampe 2",
                                  .region = "Niedersachsen",
                                  .locationId = "4000001987658",
                                  .locationIdScheme = "0088"};
    // Every address has its further lines and region, every identifier its scheme.
    for (auto [party, lines] : {std::pair{&doc.supplier, "Hinterhaus|2. Etage|Nordrhein-Westfalen|0088|0060"},
                                std::pair{&doc.customer, "Zimmer 12|Eingang B|Niedersachsen|0204|0088"}}) {
        std::istringstream in(lines);
        for (std::string* field : {&party->additionalStreet, &party->addressLine3, &party->region,
                                   &party->partyIdScheme, &party->registrationIdScheme})
            std::getline(in, *field, '|');
    }
    doc.taxRepresentativeName = "Fiskal GmbH";
    doc.taxRepresentativeStreet = "Ringstraße 3";
    doc.taxRepresentativeAdditionalStreet = "Aufgang A";
    doc.taxRepresentativeAddressLine3 = "Postfach 7";
    doc.taxRepresentativeCity = doc.taxRepresentativeRegion = "Berlin";
    doc.taxRepresentativePostalCode = "10115";
    doc.taxRepresentativeCountryCode = "DE";
    doc.taxRepresentativeVatId = "DE111111111";
    doc.paymentMeansCode = "58";
    doc.bankName = "Sparkasse Köln";
    doc.iban = "DE02370501980001802057";
    doc.bic = "COLSDE33";
    doc.paymentTerms = "14 Tage rein netto";

    LineItem& first = addLine(state, "3", "9.99", "19");
    first.lineNote = "Charge 7";
    first.itemName = "Schrauben";
    first.itemDescription = "Edelstahl <M6>";
    first.itemNumber = "SCH-6";
    first.lineStartDate = "2022-03-01";
    first.lineEndDate = "2022-03-31";
    first.orderLineReference = "7";
    first.classifications = {{"44111", "STI", "2"}, {"K-2", "ZZZ", ""}};
    addLine(state, "1.5", "100", "7").itemName = "Fachbuch";
    recompute(state);
    enterAllowanceReason(state, "Treuerabatt");
    chooseAllowanceSlot(state, 0);
    enterAllowanceValue(state, "-10");
    return state;
}

TEST_F(SavedFile, FullInvoiceReplacesTheOldFileWithTheGoldenBytes) {
    Form state = fullInvoice();
    std::ofstream(dir / "rechnung.xml") << "old content";
    const ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, (dir / "rechnung").string());
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(outcome.fileName, (dir / "rechnung.xml").string());
    EXPECT_EQ(state.currentFileName, outcome.fileName);
    EXPECT_FALSE(state.modified);
    EXPECT_EQ(readFile(outcome.fileName),
              readFile(fs::path(TALLOMIR_WRITER_TEST_DATA) / "invoice_full.golden"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1); // no temporary left
}

TEST_F(SavedFile, CreditNoteMatchesTheGoldenFile) {
    Form state = newState();
    InvoiceDocument& doc = state.doc;
    doc.documentTypeCode = "381";
    doc.documentNumber = "GS-17";
    doc.issueDate = "2022-05-02";
    doc.dueDate = "2022-05-16";
    doc.buyerReference = "LEIT-9";
    doc.periodStart = "2022-04-01";
    doc.salesOrderNumber = "KA-5";
    doc.projectNumber = "P-7";
    doc.note = "Gutschrift für die\r\n\r\n  Rücksendung  vom 28.04.2022";
    state.documentTaxCategory = "K";
    doc.supplier = party("|Lieferant GmbH||Berlin|10115|DE|DE111111111|VAT|Lieferant GmbH|||C. Kontakt|030 1|"
                         "c@lieferant.example");
    doc.customer = party("K-1|||Wien|1010|AT|ATU12345678|VAT|Kunde Wien GmbH|||||");
    doc.delivery.name = " ";
    doc.delivery.street = "Ring 1";
    doc.deliveryDate = "2022-04-20";
    doc.paymentMeansCode = "58";
    doc.iban = "DE02120300000000202051";
    doc.paymentTerms = "";
    doc.precedingInvoiceNumber = "RE-2022-0815";
    doc.precedingInvoiceDate = "2022-04-20";
    LineItem& line = addLine(state, "2", "50", "0");
    line.itemName = "Ware";
    line.unitCode = "XPP";
    recompute(state);

    const ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, (dir / "gutschrift.xml").string());
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(readFile(outcome.fileName),
              readFile(fs::path(TALLOMIR_WRITER_TEST_DATA) / "credit_note.golden"));
}

TEST_F(SavedFile, FailureNamesTheFileAndAnEmptyNameSavesNothing) {
    Form state = fullInvoice();
    state.modified = true;
    const std::string target = (dir / "fehlt" / "rechnung.xml").string();
    const std::string start = "Die Datei " + target + " konnte nicht gespeichert werden: ";
    ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, target);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(outcome.message.rfind(start, 0), 0u) << outcome.message;

    outcome = ubl::saveInvoiceFile(state, "");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "Es wurde kein Dateiname angegeben.");
    EXPECT_EQ(state.currentFileName, "");
    EXPECT_TRUE(fs::is_empty(dir));
}

} // namespace
} // namespace tallomir
