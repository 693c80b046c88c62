// The UBL writer: the element rules that the whole-file golden files do not
// show, the exact bytes of saved files, saving failures, and that the file
// checks catch a broken file.

#include "documents.h"
#include "support/reference.h"
#include "support/ubl_checks.h"
#include "ubl/writer.h"

#include <array>
#include <iterator>
#include <vector>

namespace tallomir {
namespace {

namespace fs = std::filesystem;
using namespace writertest;
using Names = std::vector<std::string>;

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
std::string savedText(DocumentState& state) {
    return xml::serializeDocument(*ubl::buildInvoiceTree(state));
}

TEST(AddElement, EmptyTextWritesNothingAndANamedAttributeIsAlwaysSet) {
    auto document = xml::createDocument();
    ubl::addElement(nullptr, "cbc:ID", "", "", "1");
    ubl::addElement(xml::rootNode(*document), "cbc:ID", "", "", "1"); // no element below the root node
    EXPECT_EQ(xml::mainElement(*document), nullptr);

    xml::XmlNode* main = xml::appendElement(xml::rootNode(*document), "a");
    ubl::addElement(main, "cbc:Note", "", "", "");
    ubl::addElement(main, "cbc:Amount", "currencyID", "EUR", "");
    ubl::addElement(main, "cbc:Amount", "currencyID", "", " 1.00 ");
    ubl::addElement(main, "cbc:ID", "", "x", "7");
    EXPECT_EQ(fragment(xml::serializeDocument(*document), "a"),
              "<a><cbc:Amount currencyID=\"\"> 1.00 </cbc:Amount><cbc:ID>7</cbc:ID></a>");
}

TEST(XmlExtension, AddedUnlessTheNamePartEndsInDotXml) {
    const std::pair<const char*, const char*> cases[] = {
        {"rechnung", "rechnung.xml"},
        {"rechnung.xml", "rechnung.xml"},
        {"rechnung.XML", "rechnung.XML.xml"},
        {"rechnung.txt", "rechnung.txt.xml"},
        {"/home/a/daten.2022/rechnung", "/home/a/daten.2022/rechnung.xml"},
        {"C:\\daten.xml\\rechnung", "C:\\daten.xml\\rechnung.xml"},
        {"meine rechnung.xml", "meine rechnung.xml"},
        {"rechnung.x ml", "rechnung.x ml.xml"},
        {".xml", ".xml.xml"}, // a point starting the name is no extension
        {"/tmp/.xml", "/tmp/.xml.xml"},
        {"a\\.xml", "a\\.xml.xml"},
        {"a/b.xml", "a/b.xml"}};
    for (const auto& [name, completed] : cases) {
        EXPECT_EQ(ubl::completeXmlExtension(name), completed) << name;
    }
}

TEST(Tree, EmptyFormWritesOnlyTheFixedContainers) {
    DocumentState state = newState();
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
        "<cac:PostalAddress><cac:Country/></cac:PostalAddress><cac:PartyTaxScheme><cac:TaxScheme>"
        "<cbc:ID>VAT</cbc:ID></cac:TaxScheme></cac:PartyTaxScheme><cac:PartyLegalEntity/><cac:Contact/>"
        "</cac:Party></cac:AccountingSupplierParty><cac:AccountingCustomerParty><cac:Party>"
        "<cac:PostalAddress><cac:Country/></cac:PostalAddress><cac:PartyTaxScheme><cac:TaxScheme>"
        "<cbc:ID>VAT</cbc:ID></cac:TaxScheme></cac:PartyTaxScheme><cac:PartyLegalEntity/><cac:Contact/>"
        "</cac:Party></cac:AccountingCustomerParty><cac:Delivery/><cac:PaymentMeans>"
        "<cbc:PaymentMeansCode>58</cbc:PaymentMeansCode><cac:PayeeFinancialAccount/></cac:PaymentMeans>"
        "<cac:PaymentTerms/><cac:LegalMonetaryTotal/></ubl:Invoice>");
}

TEST(Tree, EveryTypeCodeButCreditNoteGivesAnInvoice) {
    DocumentState state = newState();
    for (const char* code : {"380", "384", "326", "389", ""}) {
        state.doc.documentTypeCode = code;
        const std::string text = savedText(state);
        EXPECT_NE(
            text.find("<ubl:Invoice xmlns:ubl=\"urn:oasis:names:specification:ubl:schema:xsd:Invoice-2\""),
            std::string::npos);
        EXPECT_EQ(fragment(text, "cbc:InvoiceTypeCode"),
                  *code == 0 ? "" : "<cbc:InvoiceTypeCode>" + std::string(code) + "</cbc:InvoiceTypeCode>");
    }
}
TEST(Tree, InvoicePeriodNeedsBothDates) {
    DocumentState state = newState();
    const std::array<const char*, 3> cases[] = {
        {"2022-03-01", "", ""},
        {"", "2022-03-31", ""},
        {"2022-03-01", "2022-03-31",
         "<cac:InvoicePeriod><cbc:StartDate>2022-03-01</cbc:StartDate><cbc:EndDate>2022-03-31</cbc:EndDate>"
         "</cac:InvoicePeriod>"}};
    for (const auto& [start, end, written] : cases) {
        state.doc.periodStart = start;
        state.doc.periodEnd = end;
        EXPECT_EQ(fragment(savedText(state), "cac:InvoicePeriod"), written) << start << "|" << end;
    }
}

TEST(Tree, DeliveryPlaceNeedsANameAfterASingleBlank) {
    DocumentState state = newState();
    state.doc.delivery.street = "Am Hafen 3";
    EXPECT_EQ(fragment(savedText(state), "cac:Delivery"), "<cac:Delivery/>");
    state.doc.deliveryDate = "2022-03-10";
    state.doc.delivery.name = " ";
    EXPECT_EQ(fragment(savedText(state), "cac:Delivery"),
              "<cac:Delivery><cbc:ActualDeliveryDate>2022-03-10</cbc:ActualDeliveryDate></cac:Delivery>");
    // The writer passes the name as typed; re-indenting the saved tree then
    // shrinks the run of blanks to one.
    state.doc.delivery.name = "  ";
    EXPECT_EQ(
        fragment(savedText(state), "cac:Delivery"),
        "<cac:Delivery><cbc:ActualDeliveryDate>2022-03-10</cbc:ActualDeliveryDate><cac:DeliveryLocation>"
        "<cac:Address><cbc:StreetName>Am Hafen 3</cbc:StreetName><cac:Country/></cac:Address>"
        "</cac:DeliveryLocation><cac:DeliveryParty><cac:PartyName><cbc:Name> </cbc:Name></cac:PartyName>"
        "</cac:DeliveryParty></cac:Delivery>");
    auto raw = xml::createDocument();
    ubl::writeDelivery(xml::appendElement(xml::rootNode(*raw), "ubl:Invoice"), state);
    EXPECT_EQ(fragment(xml::serializeDocument(*raw), "cbc:Name"), "<cbc:Name>  </cbc:Name>");
}

TEST(Tree, AllowanceOnlyWithAReasonAndWithoutRateOnlyItsScheme) {
    DocumentState state = newState();
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
}

TEST(Tree, ChargeByPercentageWritesFactorBaseAndChargeTotal) {
    DocumentState state = newState();
    addLine(state, "1", "100", "19");
    addLine(state, "1", "50", "7");
    recompute(state);
    enterAllowanceReason(state, "Fracht");
    chooseAllowanceSlot(state, 1);
    enterAllowancePercent(state, "10");
    // The totals themselves are proved by the sum rules of the saved documents.
    const std::string text = savedText(state);
    EXPECT_EQ(fragment(text, "cbc:MultiplierFactorNumeric"),
              "<cbc:MultiplierFactorNumeric>10.00</cbc:MultiplierFactorNumeric>");
    EXPECT_EQ(fragment(text, "cbc:BaseAmount"), "<cbc:BaseAmount currencyID=\"EUR\">150.00</cbc:BaseAmount>");
    EXPECT_EQ(fragment(text, "cbc:ChargeTotalAmount"),
              "<cbc:ChargeTotalAmount currencyID=\"EUR\">15.00</cbc:ChargeTotalAmount>");
    enterAllowanceValue(state, "15"); // value mode writes no factor
    EXPECT_EQ(fragment(savedText(state), "cbc:MultiplierFactorNumeric"), "");
}

TEST(Tree, TaxTotalSkipsZeroBasesAndWritesExemptionOnlyOutsideS) {
    DocumentState state = newState();
    state.vatBreakdown = {VatBreakdownEntry{"19.00", "100.00", "19.00", "", "S", "19.00", "VAT"},
                          VatBreakdownEntry{"19.00", "0.00", "0.00", "", "S", "7.00", "VAT"},
                          VatBreakdownEntry{"19.00", "5.00", "0.00", "frei", "S", "0.00", "VAT"}};
    const std::string subtotals = fragment(savedText(state), "cac:TaxTotal");
    EXPECT_EQ(fragment(subtotals, "cbc:TaxAmount"),
              "<cbc:TaxAmount currencyID=\"EUR\">19.00</cbc:TaxAmount>");
    EXPECT_NE(subtotals.find(">100.00</cbc:TaxableAmount>"), std::string::npos);
    EXPECT_NE(subtotals.find(">5.00</cbc:TaxableAmount>"), std::string::npos);
    EXPECT_EQ(subtotals.find(">0.00</cbc:TaxableAmount>"), std::string::npos);
    EXPECT_EQ(subtotals.find("TaxExemptionReason"), std::string::npos);
    state.documentTaxCategory = "K";
    EXPECT_EQ(fragment(savedText(state), "cbc:TaxExemptionReason"),
              "<cbc:TaxExemptionReason>frei</cbc:TaxExemptionReason>");
}

// --- Whole files, byte for byte -------------------------------------------------------

using SavedFile = ScratchDir;

DocumentState fullInvoice() {
    DocumentState state = newState();
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
    doc.supplier = party("L-100|Müller & Söhne GmbH|Hauptstraße 5|Köln|50667|DE|DE123456789|VAT|"
                         "Müller & Söhne GmbH|HRB 1234|GmbH|Anna Müller|0221 12345|anna@mueller.example");
    doc.customer = party("K-200|Stadt Beispielhausen|Rathausplatz 1|Beispielhausen|12345|DE|DE987654321|VAT|"
                         "Stadt Beispielhausen||Körperschaft|Bernd Beamter||bernd@beispielhausen.example");
    doc.delivery = DeliveryFields{"Bauhof", "Am Hafen 3", "Beispielhausen", "12346", "DE"};
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
    addLine(state, "1.5", "100", "7").itemName = "Fachbuch";
    recompute(state);
    enterAllowanceReason(state, "Treuerabatt");
    chooseAllowanceSlot(state, 0);
    enterAllowanceValue(state, "-10");
    return state;
}

TEST_F(SavedFile, FullInvoiceReplacesTheOldFileWithTheGoldenBytes) {
    DocumentState state = fullInvoice();
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
    DocumentState state = newState();
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
    addLine(state, "2", "50", "0").itemName = "Ware";
    recompute(state);

    const ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, (dir / "gutschrift.xml").string());
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(readFile(outcome.fileName),
              readFile(fs::path(TALLOMIR_WRITER_TEST_DATA) / "credit_note.golden"));
}

TEST_F(SavedFile, FailureNamesTheFileAndAnEmptyNameSavesNothing) {
    DocumentState state = fullInvoice();
    state.modified = true;
    const std::string target = (dir / "fehlt" / "rechnung.xml").string();
    const std::string start = "Die Datei " + target + " konnte nicht gespeichert werden: ";
    ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, target);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(outcome.message.rfind(start, 0), 0u) << outcome.message;
    EXPECT_GT(outcome.message.size(), start.size()); // the system's reason follows

    outcome = ubl::saveInvoiceFile(state, "");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "Es wurde kein Dateiname angegeben.");
    EXPECT_EQ(state.currentFileName, "");
    EXPECT_TRUE(fs::is_empty(dir));
}

// --- The file checks catch a broken file ------------------------------------------------

TEST_F(SavedFile, ChecksFailAnAlteredFile) {
    TALLOMIR_REQUIRE_TESTDATA();
    struct Case {
        const char *typeCode, *from, *to, *brokenRules;
        bool schemaValid;
    };
    const Case cases[] = {
        {"380", ">130.90</cbc:PayableAmount>", ">130.91</cbc:PayableAmount>", "BR-CO-16 ", true},
        {"380", ">20.90</cbc:TaxAmount>\r\n            <cac:TaxCategory>",
         ">20.91</cbc:TaxAmount>\r\n            <cac:TaxCategory>", "BR-CO-17 BR-S-09 BR-CO-14 ", true},
        {"380", "ChargeTotalAmount currencyID=\"EUR\">10.00</cbc:ChargeTotalAmount>",
         "AllowanceTotalAmount currencyID=\"EUR\">10.00</cbc:AllowanceTotalAmount>",
         "BR-CO-11 BR-CO-12 BR-CO-13 ", true},
        {"381", "<cbc:CreditNoteTypeCode>", "<cbc:DueDate>2022-04-13</cbc:DueDate><cbc:CreditNoteTypeCode>",
         "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        DocumentState state = newState();
        fillParties(state);
        state.doc.documentTypeCode = c.typeCode;
        addLine(state, "1", "100", "19");
        recompute(state);
        enterAllowanceReason(state, "Fracht");
        enterAllowanceValue(state, "10");
        const std::string file = ubl::saveInvoiceFile(state, (dir / "beleg.xml").string()).fileName;
        const bool creditNote = c.typeCode == std::string("381");
        ASSERT_EQ(testing::validateWithXmllint(file, creditNote), "");
        ASSERT_EQ(testing::checkSumRules(file), Names{});

        std::string text = readFile(file);
        const std::size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos);
        std::ofstream(file, std::ios::binary) << text.replace(at, std::string(c.from).size(), c.to);
        std::string rules;
        for (const std::string& problem : testing::checkSumRules(file)) {
            rules += problem.substr(0, problem.find(':')) + " ";
        }
        EXPECT_EQ(rules, c.brokenRules);
        EXPECT_EQ(testing::validateWithXmllint(file, creditNote).empty(), c.schemaValid);
    }
}

} // namespace
} // namespace tallomir
