// The UBL writer: which elements a document yields, in which order, and the
// exact bytes of whole saved files against hand-written golden files.

#include "documents.h"
#include "ubl/writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace tallomir {
namespace {

namespace fs = std::filesystem;
using writertest::addLine;
using writertest::newState;
using writertest::recompute;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Names of the element children of a node, in document order.
std::vector<std::string> childNames(const xml::XmlNode* node) {
    std::vector<std::string> names;
    for (const xml::XmlNode* c = xml::firstChild(node); c != nullptr; c = xml::nextSibling(c)) {
        if (xml::nodeKind(c) == static_cast<int>(xml::NodeKind::Element)) {
            names.emplace_back(xml::nodeName(c));
        }
    }
    return names;
}

// The first element reached by following the names from the node, or nullptr.
const xml::XmlNode* find(const xml::XmlNode* node, std::initializer_list<std::string_view> path) {
    for (std::string_view name : path) {
        const xml::XmlNode* next = nullptr;
        for (const xml::XmlNode* c = xml::firstChild(node); c != nullptr; c = xml::nextSibling(c)) {
            if (xml::nodeKind(c) == static_cast<int>(xml::NodeKind::Element) && xml::nodeName(c) == name) {
                next = c;
                break;
            }
        }
        if (next == nullptr) {
            return nullptr;
        }
        node = next;
    }
    return node;
}

std::string textAt(const xml::XmlNode* node, std::initializer_list<std::string_view> path) {
    return std::string(xml::nodeText(find(node, path)));
}

std::string attribute(const xml::XmlNode* node, std::string_view name) {
    for (std::size_t i = 0; i < xml::attributeCount(node); ++i) {
        if (xml::attributeName(node, i) == name) {
            return std::string(xml::attributeValue(node, i));
        }
    }
    return "<none>";
}

class Tree : public ::testing::Test {
protected:
    DocumentState state = newState();
    xml::DocumentPtr document;

    const xml::XmlNode* build() {
        document = ubl::buildInvoiceTree(state);
        return xml::mainElement(*document);
    }
};

// --- addElement -----------------------------------------------------------------

TEST(AddElement, EmptyTextWritesNothing) {
    auto document = xml::createDocument();
    xml::XmlNode* main = xml::appendElement(xml::rootNode(*document), "a");
    ubl::addElement(main, "cbc:Note", "", "", "");
    ubl::addElement(main, "cbc:Amount", "currencyID", "EUR", "");
    EXPECT_EQ(xml::firstChild(main), nullptr);
}

TEST(AddElement, TextIsKeptExactlyAndAttributeSetEvenWhenEmpty) {
    auto document = xml::createDocument();
    xml::XmlNode* main = xml::appendElement(xml::rootNode(*document), "a");
    ubl::addElement(main, "cbc:Amount", "currencyID", "", " 1.00 ");
    const xml::XmlNode* amount = xml::firstChild(main);
    EXPECT_EQ(xml::nodeName(amount), "cbc:Amount");
    EXPECT_EQ(xml::nodeText(amount), " 1.00 ");
    EXPECT_EQ(attribute(amount, "currencyID"), "");
    ubl::addElement(main, "cbc:ID", "", "x", "7");
    EXPECT_EQ(xml::attributeCount(xml::nextSibling(amount)), 0u);
}

TEST(AddElement, NothingHappensBelowANonElement) {
    auto document = xml::createDocument();
    ubl::addElement(nullptr, "cbc:ID", "", "", "1");
    ubl::addElement(xml::rootNode(*document), "cbc:ID", "", "", "1");
    EXPECT_EQ(xml::mainElement(*document), nullptr);
}

// --- The ".xml" completion -----------------------------------------------------

TEST(XmlExtension, CompletesNamesWithoutTheExactExtension) {
    EXPECT_EQ(ubl::completeXmlExtension("rechnung"), "rechnung.xml");
    EXPECT_EQ(ubl::completeXmlExtension("rechnung.xml"), "rechnung.xml");
    EXPECT_EQ(ubl::completeXmlExtension("rechnung.XML"), "rechnung.XML.xml");
    EXPECT_EQ(ubl::completeXmlExtension("rechnung.txt"), "rechnung.txt.xml");
    EXPECT_EQ(ubl::completeXmlExtension("/home/a/daten.2022/rechnung"), "/home/a/daten.2022/rechnung.xml");
    EXPECT_EQ(ubl::completeXmlExtension("C:\\daten.xml\\rechnung"), "C:\\daten.xml\\rechnung.xml");
    EXPECT_EQ(ubl::completeXmlExtension("meine rechnung.xml"), "meine rechnung.xml");
    EXPECT_EQ(ubl::completeXmlExtension("rechnung.x ml"), "rechnung.x ml.xml");
}

TEST(XmlExtension, APointStartingTheNameIsNoExtension) {
    EXPECT_EQ(ubl::completeXmlExtension(".xml"), ".xml.xml");
    EXPECT_EQ(ubl::completeXmlExtension("/tmp/.xml"), "/tmp/.xml.xml");
    EXPECT_EQ(ubl::completeXmlExtension("a\\.xml"), "a\\.xml.xml");
    EXPECT_EQ(ubl::completeXmlExtension("a/b.xml"), "a/b.xml");
}

// --- Header ---------------------------------------------------------------------

TEST_F(Tree, EmptyFormHasTheFixedHeaderOnly) {
    const xml::XmlNode* main = build();
    EXPECT_EQ(xml::nodeName(main), "ubl:Invoice");
    const std::vector<std::string> expected{"cbc:CustomizationID",
                                            "cbc:ProfileID",
                                            "cbc:IssueDate",
                                            "cbc:InvoiceTypeCode",
                                            "cbc:DocumentCurrencyCode",
                                            "cbc:TaxCurrencyCode",
                                            "cac:AccountingSupplierParty",
                                            "cac:AccountingCustomerParty",
                                            "cac:Delivery",
                                            "cac:PaymentMeans",
                                            "cac:PaymentTerms",
                                            "cac:LegalMonetaryTotal"};
    EXPECT_EQ(childNames(main), expected);
    EXPECT_EQ(textAt(main, {"cbc:ProfileID"}),
              "XRechnung 2.1.1., erstellt mit Tallomir 1.8 (https://tallomir.example.org)");
    EXPECT_EQ(state.doc.profileId, textAt(main, {"cbc:ProfileID"}));
    EXPECT_EQ(state.doc.customizationId,
              "urn:cen.eu:en16931:2017#compliant#urn:xoev-de:kosit:standard:xrechnung_2.1");
    EXPECT_TRUE(childNames(find(main, {"cac:LegalMonetaryTotal"})).empty());
}

TEST_F(Tree, DocumentElementAndNamespacesFollowTheTypeCode) {
    state.doc.documentTypeCode = "381";
    const xml::XmlNode* main = build();
    EXPECT_EQ(xml::nodeName(main), "ubl:CreditNote");
    ASSERT_EQ(xml::attributeCount(main), 3u);
    EXPECT_EQ(xml::attributeName(main, 0), "xmlns:ubl");
    EXPECT_EQ(xml::attributeValue(main, 0), "urn:oasis:names:specification:ubl:schema:xsd:CreditNote-2");
    EXPECT_EQ(xml::attributeName(main, 1), "xmlns:cac");
    EXPECT_EQ(xml::attributeName(main, 2), "xmlns:cbc");
    EXPECT_EQ(textAt(main, {"cbc:CreditNoteTypeCode"}), "381");
    EXPECT_EQ(find(main, {"cbc:InvoiceTypeCode"}), nullptr);

    for (const char* code : {"380", "384", "326", "389", ""}) {
        state.doc.documentTypeCode = code;
        const xml::XmlNode* invoice = build();
        EXPECT_EQ(xml::nodeName(invoice), "ubl:Invoice") << code;
        EXPECT_EQ(xml::attributeValue(invoice, 0), "urn:oasis:names:specification:ubl:schema:xsd:Invoice-2");
        EXPECT_EQ(textAt(invoice, {"cbc:InvoiceTypeCode"}), code);
    }
}

TEST_F(Tree, InvoicePeriodNeedsBothDates) {
    state.doc.periodStart = "2022-03-01";
    EXPECT_EQ(find(build(), {"cac:InvoicePeriod"}), nullptr);
    state.doc.periodStart.clear();
    state.doc.periodEnd = "2022-03-31";
    EXPECT_EQ(find(build(), {"cac:InvoicePeriod"}), nullptr);
    state.doc.periodStart = "2022-03-01";
    EXPECT_EQ(textAt(build(), {"cac:InvoicePeriod", "cbc:EndDate"}), "2022-03-31");
}

TEST_F(Tree, OrderReferenceOnlyWithANumberAndNaForASalesOrderAlone) {
    EXPECT_EQ(find(build(), {"cac:OrderReference"}), nullptr);
    state.doc.salesOrderNumber = "KA-5";
    const xml::XmlNode* main = build();
    EXPECT_EQ(childNames(find(main, {"cac:OrderReference"})),
              (std::vector<std::string>{"cbc:ID", "cbc:SalesOrderID"}));
    EXPECT_EQ(textAt(main, {"cac:OrderReference", "cbc:ID"}), "NA");
    state.doc.salesOrderNumber.clear();
    state.doc.orderNumber = "B-1";
    EXPECT_EQ(childNames(find(build(), {"cac:OrderReference"})), (std::vector<std::string>{"cbc:ID"}));
}

TEST_F(Tree, ContractAndProjectOnlyWhenGiven) {
    const xml::XmlNode* main = build();
    EXPECT_EQ(find(main, {"cac:ContractDocumentReference"}), nullptr);
    EXPECT_EQ(find(main, {"cac:ProjectReference"}), nullptr);
    state.doc.contractNumber = "V-1";
    state.doc.projectNumber = "P-1";
    main = build();
    EXPECT_EQ(textAt(main, {"cac:ContractDocumentReference", "cbc:ID"}), "V-1");
    EXPECT_EQ(textAt(main, {"cac:ProjectReference", "cbc:ID"}), "P-1");
    EXPECT_EQ(find(main, {"cac:AdditionalDocumentReference"}), nullptr);
}

TEST_F(Tree, CreditNoteCarriesItsProjectAsDocumentReference) {
    state.doc.documentTypeCode = "381";
    state.doc.projectNumber = "P-1";
    const xml::XmlNode* main = build();
    EXPECT_EQ(find(main, {"cac:ProjectReference"}), nullptr);
    EXPECT_EQ(textAt(main, {"cac:AdditionalDocumentReference", "cbc:ID"}), "P-1");
    EXPECT_EQ(textAt(main, {"cac:AdditionalDocumentReference", "cbc:DocumentTypeCode"}), "50");
}

TEST_F(Tree, DueDateOfACreditNoteGoesToThePaymentMeans) {
    state.doc.dueDate = "2022-04-13";
    const xml::XmlNode* invoice = build();
    EXPECT_EQ(textAt(invoice, {"cbc:DueDate"}), "2022-04-13");
    EXPECT_EQ(find(invoice, {"cac:PaymentMeans", "cbc:PaymentDueDate"}), nullptr);

    state.doc.documentTypeCode = "381";
    const xml::XmlNode* creditNote = build();
    EXPECT_EQ(find(creditNote, {"cbc:DueDate"}), nullptr);
    EXPECT_EQ(childNames(find(creditNote, {"cac:PaymentMeans"})),
              (std::vector<std::string>{"cbc:PaymentMeansCode", "cbc:PaymentDueDate",
                                        "cac:PayeeFinancialAccount"}));
    EXPECT_EQ(textAt(creditNote, {"cac:PaymentMeans", "cbc:PaymentDueDate"}), "2022-04-13");
}

TEST_F(Tree, EmptyHeaderFieldsLeaveTheirElementsOut) {
    state.doc.note = "x";
    state.doc.buyerReference = "y";
    state.doc.dueDate = "2022-01-01";
    EXPECT_NE(find(build(), {"cbc:Note"}), nullptr);
    state.doc.note.clear();
    state.doc.buyerReference.clear();
    state.doc.dueDate.clear();
    const xml::XmlNode* main = build();
    EXPECT_EQ(find(main, {"cbc:Note"}), nullptr);
    EXPECT_EQ(find(main, {"cbc:BuyerReference"}), nullptr);
    EXPECT_EQ(find(main, {"cbc:DueDate"}), nullptr);
}

// --- Parties and delivery --------------------------------------------------------

TEST_F(Tree, EmptySupplierStillHasItsFixedContainers) {
    const xml::XmlNode* party = find(build(), {"cac:AccountingSupplierParty", "cac:Party"});
    EXPECT_EQ(childNames(party), (std::vector<std::string>{"cac:PostalAddress", "cac:PartyTaxScheme",
                                                           "cac:PartyLegalEntity", "cac:Contact"}));
    EXPECT_EQ(childNames(find(party, {"cac:PostalAddress"})), (std::vector<std::string>{"cac:Country"}));
    EXPECT_TRUE(childNames(find(party, {"cac:PostalAddress", "cac:Country"})).empty());
    EXPECT_EQ(textAt(party, {"cac:PartyTaxScheme", "cac:TaxScheme", "cbc:ID"}), "VAT");
    EXPECT_TRUE(childNames(find(party, {"cac:PartyLegalEntity"})).empty());
    EXPECT_TRUE(childNames(find(party, {"cac:Contact"})).empty());
}

TEST_F(Tree, CustomerHasNoLegalFormAndGuardsNameAndId) {
    state.doc.customer.legalForm = "AG";
    state.doc.customer.registrationName = "Kunde AG";
    state.doc.customer.registrationId = "HRB 9";
    state.doc.customer.partyId = "K-1";
    const xml::XmlNode* party = find(build(), {"cac:AccountingCustomerParty", "cac:Party"});
    EXPECT_EQ(childNames(find(party, {"cac:PartyLegalEntity"})),
              (std::vector<std::string>{"cbc:RegistrationName", "cbc:CompanyID"}));
    EXPECT_EQ(find(party, {"cac:PartyName"}), nullptr);
    EXPECT_EQ(textAt(party, {"cac:PartyIdentification", "cbc:ID"}), "K-1");
}

TEST_F(Tree, DeliveryPlaceNeedsANameAfterASingleBlank) {
    state.doc.delivery.street = "Am Hafen 3";
    EXPECT_TRUE(childNames(find(build(), {"cac:Delivery"})).empty());

    state.doc.deliveryDate = "2022-03-10";
    state.doc.delivery.name = " ";
    EXPECT_EQ(childNames(find(build(), {"cac:Delivery"})),
              (std::vector<std::string>{"cbc:ActualDeliveryDate"}));

    state.doc.delivery.name = "  ";
    const xml::XmlNode* delivery = find(build(), {"cac:Delivery"});
    EXPECT_EQ(childNames(delivery), (std::vector<std::string>{"cbc:ActualDeliveryDate",
                                                              "cac:DeliveryLocation", "cac:DeliveryParty"}));
    // The writer passes the name as typed; the re-indenting of the saved tree
    // then shrinks the run of blanks to one.
    EXPECT_EQ(textAt(delivery, {"cac:DeliveryParty", "cac:PartyName", "cbc:Name"}), " ");
    auto raw = xml::createDocument();
    xml::XmlNode* main = xml::appendElement(xml::rootNode(*raw), "ubl:Invoice");
    ubl::writeDelivery(main, state);
    EXPECT_EQ(textAt(main, {"cac:Delivery", "cac:DeliveryParty", "cac:PartyName", "cbc:Name"}), "  ");
    EXPECT_EQ(textAt(delivery, {"cac:DeliveryLocation", "cac:Address", "cbc:StreetName"}), "Am Hafen 3");
    EXPECT_NE(find(delivery, {"cac:DeliveryLocation", "cac:Address", "cac:Country"}), nullptr);
}

// --- Payment, allowance, tax and totals --------------------------------------------

TEST_F(Tree, PaymentWithoutBicHasNoBranch) {
    state.doc.iban = "DE02120300000000202051";
    const xml::XmlNode* main = build();
    EXPECT_EQ(childNames(find(main, {"cac:PaymentMeans", "cac:PayeeFinancialAccount"})),
              (std::vector<std::string>{"cbc:ID"}));
    EXPECT_EQ(textAt(main, {"cac:PaymentMeans", "cbc:PaymentMeansCode"}), "58");
    EXPECT_TRUE(childNames(find(main, {"cac:PaymentTerms"})).empty());
}

TEST_F(Tree, AllowanceOnlyWithAReason) {
    addLine(state, "1", "100", "19");
    recompute(state);
    enterAllowanceValue(state, "-10");
    const xml::XmlNode* main = build();
    EXPECT_EQ(find(main, {"cac:AllowanceCharge"}), nullptr);
    EXPECT_EQ(find(main, {"cac:LegalMonetaryTotal", "cbc:AllowanceTotalAmount"}), nullptr);

    enterAllowanceReason(state, "Rabatt");
    main = build();
    EXPECT_EQ(childNames(find(main, {"cac:AllowanceCharge"})),
              (std::vector<std::string>{"cbc:ChargeIndicator", "cbc:AllowanceChargeReason", "cbc:Amount",
                                        "cac:TaxCategory"}));
    EXPECT_EQ(textAt(main, {"cac:AllowanceCharge", "cac:TaxCategory", "cbc:Percent"}), "19.00");
    EXPECT_EQ(textAt(main, {"cac:LegalMonetaryTotal", "cbc:AllowanceTotalAmount"}), "10.00");
    EXPECT_EQ(find(main, {"cac:LegalMonetaryTotal", "cbc:ChargeTotalAmount"}), nullptr);
}

TEST_F(Tree, ChargeByPercentageWritesFactorBaseAndChargeTotal) {
    addLine(state, "1", "100", "19");
    addLine(state, "1", "50", "7");
    recompute(state);
    enterAllowanceReason(state, "Fracht");
    chooseAllowanceSlot(state, 1);
    enterAllowancePercent(state, "10");
    const xml::XmlNode* main = build();
    const xml::XmlNode* charge = find(main, {"cac:AllowanceCharge"});
    EXPECT_EQ(childNames(charge),
              (std::vector<std::string>{"cbc:ChargeIndicator", "cbc:AllowanceChargeReason",
                                        "cbc:MultiplierFactorNumeric", "cbc:Amount", "cbc:BaseAmount",
                                        "cac:TaxCategory"}));
    EXPECT_EQ(textAt(charge, {"cbc:ChargeIndicator"}), "true");
    EXPECT_EQ(textAt(charge, {"cbc:MultiplierFactorNumeric"}), "10.00");
    EXPECT_EQ(textAt(charge, {"cbc:Amount"}), "15.00");
    EXPECT_EQ(textAt(charge, {"cbc:BaseAmount"}), "150.00");
    EXPECT_EQ(attribute(find(charge, {"cbc:BaseAmount"}), "currencyID"), "EUR");
    const xml::XmlNode* total = find(main, {"cac:LegalMonetaryTotal"});
    EXPECT_EQ(childNames(total), (std::vector<std::string>{"cbc:LineExtensionAmount",
                                                           "cbc:TaxExclusiveAmount", "cbc:TaxInclusiveAmount",
                                                           "cbc:ChargeTotalAmount", "cbc:PayableAmount"}));
    EXPECT_EQ(textAt(total, {"cbc:ChargeTotalAmount"}), "15.00");
}

TEST_F(Tree, AllowanceWithoutRateHasAnEmptyTaxScheme) {
    state.doc.allowanceReason = "Rabatt";
    state.doc.chargeIndicator = "false";
    state.doc.allowanceAmount = "0.00";
    const xml::XmlNode* category = find(build(), {"cac:AllowanceCharge", "cac:TaxCategory"});
    EXPECT_EQ(childNames(category), (std::vector<std::string>{"cac:TaxScheme"}));
}

TEST_F(Tree, TaxTotalSkipsZeroBasesAndWritesExemptionOnlyOutsideS) {
    state.vatBreakdown = {VatBreakdownEntry{"19.00", "100.00", "19.00", "", "S", "19.00", "VAT"},
                          VatBreakdownEntry{"19.00", "0.00", "0.00", "", "S", "7.00", "VAT"},
                          VatBreakdownEntry{"19.00", "5.00", "0.00", "frei", "S", "0.00", "VAT"}};
    const xml::XmlNode* main = build();
    const xml::XmlNode* taxTotal = find(main, {"cac:TaxTotal"});
    EXPECT_EQ(childNames(taxTotal),
              (std::vector<std::string>{"cbc:TaxAmount", "cac:TaxSubtotal", "cac:TaxSubtotal"}));
    EXPECT_EQ(textAt(taxTotal, {"cbc:TaxAmount"}), "19.00");
    EXPECT_EQ(attribute(find(taxTotal, {"cbc:TaxAmount"}), "currencyID"), "EUR");
    const xml::XmlNode* second = xml::nextSibling(find(taxTotal, {"cac:TaxSubtotal"}));
    EXPECT_EQ(childNames(find(second, {"cac:TaxCategory"})),
              (std::vector<std::string>{"cbc:ID", "cbc:Percent", "cac:TaxScheme"}));

    state.documentTaxCategory = "K";
    main = build();
    const xml::XmlNode* exempt = xml::nextSibling(find(main, {"cac:TaxTotal", "cac:TaxSubtotal"}));
    EXPECT_EQ(textAt(exempt, {"cac:TaxCategory", "cbc:TaxExemptionReason"}), "frei");
}

TEST_F(Tree, NoBreakdownNoTaxTotal) {
    EXPECT_EQ(find(build(), {"cac:TaxTotal"}), nullptr);
}

TEST_F(Tree, EmptyCurrencyStillWritesTheAttribute) {
    addLine(state, "1", "10", "19");
    state.documentCurrency = "";
    recompute(state);
    const xml::XmlNode* amount = find(build(), {"cac:LegalMonetaryTotal", "cbc:PayableAmount"});
    EXPECT_EQ(attribute(amount, "currencyID"), "");
}

TEST_F(Tree, PrepaidAmountIsWrittenBeforeThePayable) {
    addLine(state, "1", "100", "19");
    state.doc.prepaidAmount = "19.00";
    recompute(state);
    const xml::XmlNode* total = find(build(), {"cac:LegalMonetaryTotal"});
    EXPECT_EQ(childNames(total),
              (std::vector<std::string>{"cbc:LineExtensionAmount", "cbc:TaxExclusiveAmount",
                                        "cbc:TaxInclusiveAmount", "cbc:PrepaidAmount", "cbc:PayableAmount"}));
    EXPECT_EQ(textAt(total, {"cbc:PayableAmount"}), "100.00");
}

// --- Lines ---------------------------------------------------------------------------

TEST_F(Tree, LineElementsFollowTheDocumentType) {
    LineItem& line = addLine(state, "2.50", "4", "19");
    line.lineStartDate = "2022-03-01";
    recompute(state);
    const xml::XmlNode* invoiceLine = find(build(), {"cac:InvoiceLine"});
    EXPECT_EQ(childNames(invoiceLine),
              (std::vector<std::string>{"cbc:ID", "cbc:InvoicedQuantity", "cbc:LineExtensionAmount",
                                        "cac:Item", "cac:Price"}));
    EXPECT_EQ(textAt(invoiceLine, {"cbc:InvoicedQuantity"}), "2.50");
    EXPECT_EQ(attribute(find(invoiceLine, {"cbc:InvoicedQuantity"}), "unitCode"), "C62");
    EXPECT_EQ(textAt(invoiceLine, {"cbc:LineExtensionAmount"}), "10.00");
    EXPECT_EQ(childNames(find(invoiceLine, {"cac:Item"})),
              (std::vector<std::string>{"cbc:Name", "cac:ClassifiedTaxCategory"}));

    state.doc.documentTypeCode = "381";
    const xml::XmlNode* main = build();
    EXPECT_EQ(find(main, {"cac:InvoiceLine"}), nullptr);
    EXPECT_EQ(textAt(main, {"cac:CreditNoteLine", "cbc:CreditedQuantity"}), "2.50");
}

TEST_F(Tree, LinesKeepListOrderWithPeriodAndItemNumberWhenGiven) {
    LineItem& first = addLine(state, "1", "1", "19");
    first.itemNumber = "A-1";
    first.lineStartDate = "2022-03-01";
    first.lineEndDate = "2022-03-31";
    first.lineNote = "Hinweis";
    first.itemDescription = "Beschreibung";
    addLine(state, "1", "2", "7");
    recompute(state);
    const xml::XmlNode* line = find(build(), {"cac:InvoiceLine"});
    EXPECT_EQ(childNames(line), (std::vector<std::string>{"cbc:ID", "cbc:Note", "cbc:InvoicedQuantity",
                                                          "cbc:LineExtensionAmount", "cac:InvoicePeriod",
                                                          "cac:Item", "cac:Price"}));
    EXPECT_EQ(childNames(find(line, {"cac:Item"})),
              (std::vector<std::string>{"cbc:Description", "cbc:Name", "cac:SellersItemIdentification",
                                        "cac:ClassifiedTaxCategory"}));
    EXPECT_EQ(textAt(line, {"cac:Item", "cac:SellersItemIdentification", "cbc:ID"}), "A-1");
    EXPECT_EQ(textAt(xml::nextSibling(line), {"cbc:ID"}), "2");
    EXPECT_EQ(textAt(xml::nextSibling(line), {"cac:Price", "cbc:PriceAmount"}), "2.00");
}

// --- Whole files, byte for byte --------------------------------------------------------

class SavedFile : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tallomir_writer_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
};

DocumentState fullInvoice() {
    DocumentState state = newState();
    InvoiceDocument& doc = state.doc;
    doc.documentTypeCode = "380";
    doc.buyerReference = "04011000-12345-34";
    doc.documentNumber = "RE-2022-0815";
    doc.issueDate = "2022-03-14";
    doc.dueDate = "2022-04-13";
    doc.deliveryDate = "2022-03-10";
    doc.periodStart = "2022-03-01";
    doc.periodEnd = "2022-03-31";
    doc.orderNumber = "B-4711";
    doc.salesOrderNumber = "KA-99";
    doc.contractNumber = "V-2021-7";
    doc.projectNumber = "P-Rathaus";
    doc.note = "Lieferung frei Haus & pünktlich";
    state.documentCurrency = "EUR";
    doc.supplier = PartyFields{"L-100",
                               "Müller & Söhne GmbH",
                               "Hauptstraße 5",
                               "Köln",
                               "50667",
                               "DE",
                               "DE123456789",
                               "VAT",
                               "Müller & Söhne GmbH",
                               "HRB 1234",
                               "GmbH",
                               "Anna Müller",
                               "0221 12345",
                               "anna@mueller.example"};
    doc.customer = PartyFields{"K-200",
                               "Stadt Beispielhausen",
                               "Rathausplatz 1",
                               "Beispielhausen",
                               "12345",
                               "DE",
                               "DE987654321",
                               "VAT",
                               "Stadt Beispielhausen",
                               "",
                               "Körperschaft",
                               "Bernd Beamter",
                               "",
                               "bernd@beispielhausen.example"};
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
    LineItem& second = addLine(state, "1.5", "100", "7");
    second.itemName = "Fachbuch";
    recompute(state);
    enterAllowanceReason(state, "Treuerabatt");
    chooseAllowanceSlot(state, 0);
    enterAllowanceValue(state, "-10");
    return state;
}

TEST_F(SavedFile, FullInvoiceMatchesTheGoldenFile) {
    DocumentState state = fullInvoice();
    const ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, (dir / "rechnung").string());
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(outcome.fileName, (dir / "rechnung.xml").string());
    EXPECT_EQ(state.currentFileName, outcome.fileName);
    EXPECT_EQ(readFile(outcome.fileName),
              readFile(fs::path(TALLOMIR_WRITER_TEST_DATA) / "invoice_full.golden"));
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
    doc.supplier = PartyFields{};
    doc.supplier.name = "Lieferant GmbH";
    doc.supplier.city = "Berlin";
    doc.supplier.postalCode = "10115";
    doc.supplier.countryCode = "DE";
    doc.supplier.vatId = "DE111111111";
    doc.supplier.taxSchemeId = "VAT";
    doc.supplier.registrationName = "Lieferant GmbH";
    doc.supplier.contactName = "C. Kontakt";
    doc.supplier.phone = "030 1";
    doc.supplier.email = "c@lieferant.example";
    doc.customer = PartyFields{};
    doc.customer.partyId = "K-1";
    doc.customer.city = "Wien";
    doc.customer.postalCode = "1010";
    doc.customer.countryCode = "AT";
    doc.customer.vatId = "ATU12345678";
    doc.customer.taxSchemeId = "VAT";
    doc.customer.registrationName = "Kunde Wien GmbH";
    doc.delivery.name = " ";
    doc.delivery.street = "Ring 1";
    doc.deliveryDate = "2022-04-20";
    doc.paymentMeansCode = "58";
    doc.iban = "DE02120300000000202051";
    doc.paymentTerms = "";
    LineItem& line = addLine(state, "2", "50", "0");
    line.itemName = "Ware";
    recompute(state);

    const ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, (dir / "gutschrift.xml").string());
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(readFile(outcome.fileName),
              readFile(fs::path(TALLOMIR_WRITER_TEST_DATA) / "credit_note.golden"));
}

TEST_F(SavedFile, SavingReplacesAnExistingFileAndClearsModified) {
    DocumentState state = fullInvoice();
    state.modified = true;
    const fs::path target = dir / "rechnung.xml";
    std::ofstream(target) << "old content";
    const ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, target.string());
    ASSERT_TRUE(outcome.ok);
    EXPECT_FALSE(state.modified);
    EXPECT_EQ(readFile(target).rfind("<?xml", 0), 0u);
}

TEST_F(SavedFile, FailureNamesTheFileAndKeepsModified) {
    DocumentState state = fullInvoice();
    state.modified = true;
    const std::string target = (dir / "fehlt" / "rechnung.xml").string();
    const ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, target);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(outcome.message.rfind("Die Datei " + target + " konnte nicht gespeichert werden: ", 0), 0u)
        << outcome.message;
    EXPECT_GT(outcome.message.size(), ("Die Datei " + target + " konnte nicht gespeichert werden: ").size());
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(SavedFile, EmptyNameSavesNothing) {
    DocumentState state = fullInvoice();
    state.currentFileName = "alt.xml";
    const ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, "");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "Es wurde kein Dateiname angegeben.");
    EXPECT_EQ(state.currentFileName, "");
    EXPECT_TRUE(fs::is_empty(dir));
}

} // namespace
} // namespace tallomir
