// The official samples load, and every field the loading rules map holds the
// value that stands in the file. The expected values are taken from the
// parsed tree by explicit paths written out here (last occurrence in file
// order), independently of the loader's own matching; two samples are also
// checked against values copied by hand from the files.

#include "reader_test_support.h"

#include "xml/xml.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace xml = tallomir::xml;
using readertest::freshState;
using readertest::sampleFiles;
using Result = tallomir::ubl::LoadOutcome::Result;

namespace {

using Path = std::vector<std::string_view>;

bool isElement(const xml::XmlNode* node) {
    return xml::nodeKind(node) == static_cast<int>(xml::NodeKind::Element);
}

void collect(const xml::XmlNode* from, const Path& path, std::size_t index, std::vector<std::string>& out) {
    if (index == path.size()) {
        out.emplace_back(xml::nodeText(from));
        return;
    }
    for (const xml::XmlNode* child = xml::firstChild(from); child; child = xml::nextSibling(child))
        if (isElement(child) && xml::nodeName(child) == path[index])
            collect(child, path, index + 1, out);
}

// The text of the last element at the path below `from`, if there is one.
std::optional<std::string> last(const xml::XmlNode* from, const Path& path) {
    std::vector<std::string> found;
    collect(from, path, 0, found);
    if (found.empty())
        return std::nullopt;
    return found.back();
}

std::string lastOr(const xml::XmlNode* from, const Path& path, const std::string& otherwise) {
    return last(from, path).value_or(otherwise);
}

std::vector<const xml::XmlNode*> children(const xml::XmlNode* from,
                                          std::initializer_list<std::string_view> names) {
    std::vector<const xml::XmlNode*> found;
    for (const xml::XmlNode* child = xml::firstChild(from); child; child = xml::nextSibling(child))
        for (std::string_view name : names)
            if (isElement(child) && xml::nodeName(child) == name)
                found.push_back(child);
    return found;
}

std::string cut10(const std::string& text) {
    return text.substr(0, 10);
}

// Two consecutive blanks vanish, scanning from the left; then every tab.
std::string noteAsKept(std::string text) {
    for (std::size_t at = text.find("  "); at != std::string::npos; at = text.find("  ", at))
        text.erase(at, 2);
    std::erase(text, '\t');
    return text;
}

tallomir::PartyFields expectedParty(const xml::XmlNode* root, std::string_view outer, bool supplier,
                                    const tallomir::PartyFields& reset) {
    const auto at = [&](Path tail, const std::string& otherwise) {
        Path path{outer, "cac:Party"};
        path.insert(path.end(), tail.begin(), tail.end());
        return lastOr(root, path, otherwise);
    };
    tallomir::PartyFields p;
    p.partyId = at({"cac:PartyIdentification", "cbc:ID"}, reset.partyId);
    p.name = at({"cac:PartyName", "cbc:Name"}, reset.name);
    p.street = at({"cac:PostalAddress", "cbc:StreetName"}, reset.street);
    p.city = at({"cac:PostalAddress", "cbc:CityName"}, reset.city);
    p.postalCode = at({"cac:PostalAddress", "cbc:PostalZone"}, reset.postalCode);
    p.countryCode = at({"cac:PostalAddress", "cac:Country", "cbc:IdentificationCode"}, reset.countryCode);
    p.vatId = at({"cac:PartyTaxScheme", "cbc:CompanyID"}, reset.vatId);
    p.taxSchemeId = at({"cac:PartyTaxScheme", "cac:TaxScheme", "cbc:ID"}, reset.taxSchemeId);
    p.registrationName = at({"cac:PartyLegalEntity", "cbc:RegistrationName"}, reset.registrationName);
    p.registrationId = at({"cac:PartyLegalEntity", "cbc:CompanyID"}, reset.registrationId);
    p.legalForm =
        supplier ? at({"cac:PartyLegalEntity", "cbc:CompanyLegalForm"}, reset.legalForm) : reset.legalForm;
    p.contactName = at({"cac:Contact", "cbc:Name"}, reset.contactName);
    p.phone = at({"cac:Contact", "cbc:Telephone"}, reset.phone);
    p.email = at({"cac:Contact", "cbc:ElectronicMail"}, reset.email);
    return p;
}

void expectPartyEq(const tallomir::PartyFields& actual, const tallomir::PartyFields& expected,
                   const char* who) {
    SCOPED_TRACE(who);
    EXPECT_EQ(actual.partyId, expected.partyId);
    EXPECT_EQ(actual.name, expected.name);
    EXPECT_EQ(actual.street, expected.street);
    EXPECT_EQ(actual.city, expected.city);
    EXPECT_EQ(actual.postalCode, expected.postalCode);
    EXPECT_EQ(actual.countryCode, expected.countryCode);
    EXPECT_EQ(actual.vatId, expected.vatId);
    EXPECT_EQ(actual.taxSchemeId, expected.taxSchemeId);
    EXPECT_EQ(actual.registrationName, expected.registrationName);
    EXPECT_EQ(actual.registrationId, expected.registrationId);
    EXPECT_EQ(actual.legalForm, expected.legalForm);
    EXPECT_EQ(actual.contactName, expected.contactName);
    EXPECT_EQ(actual.phone, expected.phone);
    EXPECT_EQ(actual.email, expected.email);
}

std::vector<tallomir::LineItem> expectedLines(const xml::XmlNode* root) {
    std::vector<tallomir::LineItem> lines;
    for (const xml::XmlNode* line : children(root, {"cac:InvoiceLine", "cac:CreditNoteLine"})) {
        // In every sample the line's first element is its cbc:ID.
        const xml::XmlNode* first = xml::firstChild(line);
        while (first && !isElement(first))
            first = xml::nextSibling(first);
        EXPECT_EQ(xml::nodeName(first), "cbc:ID");
        tallomir::LineItem item;
        item.position = lastOr(line, {"cbc:ID"}, "");
        item.lineNote = lastOr(line, {"cbc:Note"}, "");
        item.quantity = lastOr(line, {"cbc:InvoicedQuantity"}, lastOr(line, {"cbc:CreditedQuantity"}, ""));
        item.lineNetAmount = lastOr(line, {"cbc:LineExtensionAmount"}, "");
        item.lineStartDate = lastOr(line, {"cac:InvoicePeriod", "cbc:StartDate"}, "");
        item.lineEndDate = lastOr(line, {"cac:InvoicePeriod", "cbc:EndDate"}, "");
        item.itemName = lastOr(line, {"cac:Item", "cbc:Name"}, "");
        item.itemDescription = lastOr(line, {"cac:Item", "cbc:Description"}, "");
        item.itemNumber = lastOr(line, {"cac:Item", "cac:SellersItemIdentification", "cbc:ID"}, "");
        item.lineTaxCategory = lastOr(line, {"cac:Item", "cac:ClassifiedTaxCategory", "cbc:ID"}, "");
        item.lineVatPercent = lastOr(line, {"cac:Item", "cac:ClassifiedTaxCategory", "cbc:Percent"}, "");
        item.lineTaxScheme =
            lastOr(line, {"cac:Item", "cac:ClassifiedTaxCategory", "cac:TaxScheme", "cbc:ID"}, "");
        item.unitPrice = lastOr(line, {"cac:Price", "cbc:PriceAmount"}, "");
        lines.push_back(item);
    }
    return lines;
}

std::vector<tallomir::VatBreakdownEntry> expectedSubtotals(const xml::XmlNode* root) {
    std::vector<tallomir::VatBreakdownEntry> entries;
    std::string taxTotal;
    for (const xml::XmlNode* total : children(root, {"cac:TaxTotal"})) {
        taxTotal = lastOr(total, {"cbc:TaxAmount"}, taxTotal);
        for (const xml::XmlNode* sub : children(total, {"cac:TaxSubtotal"})) {
            tallomir::VatBreakdownEntry entry;
            entry.documentTaxTotal = taxTotal;
            entry.taxableAmount = lastOr(sub, {"cbc:TaxableAmount"}, "");
            entry.taxAmount = lastOr(sub, {"cbc:TaxAmount"}, "");
            entry.exemptionReason = lastOr(sub, {"cac:TaxCategory", "cbc:TaxExemptionReason"}, "");
            entry.categoryCode = lastOr(sub, {"cac:TaxCategory", "cbc:ID"}, "");
            entry.ratePercent = lastOr(sub, {"cac:TaxCategory", "cbc:Percent"}, "");
            entry.schemeId = lastOr(sub, {"cac:TaxCategory", "cac:TaxScheme", "cbc:ID"}, "");
            entries.push_back(entry);
        }
    }
    return entries;
}

class SampleFile : public testing::TestWithParam<std::filesystem::path> {};

} // namespace

TEST(Samples, AreThere) {
    EXPECT_GE(sampleFiles().size(), 19u) << readertest::samplesDir();
}

TEST_P(SampleFile, WalkMapsEveryRuleToTheFilesValue) {
    const auto tree = xml::loadDocument(GetParam().string());
    ASSERT_TRUE(tree);
    ASSERT_EQ(xml::loadStatus(*tree), 0);
    const xml::XmlNode* root = xml::mainElement(*tree);

    const auto reset = freshState();
    auto state = freshState();
    tallomir::ubl::walkDocument(state, *tree);
    const auto& doc = state.doc;
    const auto& r = reset.doc;

    EXPECT_EQ(doc.documentNumber, lastOr(root, {"cbc:ID"}, r.documentNumber));
    EXPECT_EQ(doc.issueDate, cut10(lastOr(root, {"cbc:IssueDate"}, r.issueDate)));
    // cac:PaymentMeans follows cbc:DueDate in UBL order, so its date is the later one.
    const auto dueDate = last(root, {"cac:PaymentMeans", "cbc:PaymentDueDate"});
    EXPECT_EQ(doc.dueDate, cut10(dueDate ? *dueDate : lastOr(root, {"cbc:DueDate"}, r.dueDate)));
    const auto deliveryDate = last(root, {"cac:Delivery", "cbc:ActualDeliveryDate"});
    EXPECT_EQ(doc.deliveryDate, deliveryDate ? *deliveryDate : r.deliveryDate);
    EXPECT_EQ(doc.documentTypeCode, lastOr(root, {"cbc:InvoiceTypeCode"},
                                           lastOr(root, {"cbc:CreditNoteTypeCode"}, r.documentTypeCode)));
    EXPECT_EQ(doc.loadedDocumentCurrency, lastOr(root, {"cbc:DocumentCurrencyCode"}, ""));
    EXPECT_EQ(state.documentCurrency, lastOr(root, {"cbc:DocumentCurrencyCode"}, reset.documentCurrency));
    EXPECT_EQ(doc.loadedTaxCurrency, lastOr(root, {"cbc:TaxCurrencyCode"}, ""));
    EXPECT_EQ(doc.buyerReference, lastOr(root, {"cbc:BuyerReference"}, ""));
    EXPECT_EQ(doc.note, noteAsKept(lastOr(root, {"cbc:Note"}, "")));
    EXPECT_EQ(doc.periodStart, cut10(lastOr(root, {"cac:InvoicePeriod", "cbc:StartDate"}, "")));
    EXPECT_EQ(doc.periodEnd, cut10(lastOr(root, {"cac:InvoicePeriod", "cbc:EndDate"}, "")));
    EXPECT_EQ(doc.orderNumber, lastOr(root, {"cac:OrderReference", "cbc:ID"}, ""));
    EXPECT_EQ(doc.salesOrderNumber, lastOr(root, {"cac:OrderReference", "cbc:SalesOrderID"}, ""));
    EXPECT_EQ(doc.contractNumber, lastOr(root, {"cac:ContractDocumentReference", "cbc:ID"}, ""));
    EXPECT_EQ(doc.projectNumber, lastOr(root, {"cac:ProjectReference", "cbc:ID"}, ""));

    expectPartyEq(doc.supplier, expectedParty(root, "cac:AccountingSupplierParty", true, r.supplier),
                  "supplier");
    expectPartyEq(doc.customer, expectedParty(root, "cac:AccountingCustomerParty", false, r.customer),
                  "customer");

    const Path address{"cac:Delivery", "cac:DeliveryLocation", "cac:Address"};
    const auto inAddress = [&](std::string_view leaf) {
        Path path = address;
        path.push_back(leaf);
        return lastOr(root, path, "");
    };
    EXPECT_EQ(doc.delivery.street, inAddress("cbc:StreetName"));
    EXPECT_EQ(doc.delivery.city, inAddress("cbc:CityName"));
    EXPECT_EQ(doc.delivery.postalCode, inAddress("cbc:PostalZone"));
    EXPECT_EQ(doc.delivery.countryCode, lastOr(root,
                                               {"cac:Delivery", "cac:DeliveryLocation", "cac:Address",
                                                "cac:Country", "cbc:IdentificationCode"},
                                               ""));
    EXPECT_EQ(doc.delivery.name,
              lastOr(root, {"cac:Delivery", "cac:DeliveryParty", "cac:PartyName", "cbc:Name"}, ""));

    EXPECT_EQ(doc.paymentMeansCode,
              lastOr(root, {"cac:PaymentMeans", "cbc:PaymentMeansCode"}, r.paymentMeansCode));
    EXPECT_EQ(doc.iban, lastOr(root, {"cac:PaymentMeans", "cac:PayeeFinancialAccount", "cbc:ID"}, ""));
    EXPECT_EQ(doc.bankName, lastOr(root, {"cac:PaymentMeans", "cac:PayeeFinancialAccount", "cbc:Name"}, ""));
    EXPECT_EQ(doc.bic, lastOr(root,
                              {"cac:PaymentMeans", "cac:PayeeFinancialAccount",
                               "cac:FinancialInstitutionBranch", "cbc:ID"},
                              ""));
    EXPECT_EQ(doc.paymentTerms, lastOr(root, {"cac:PaymentTerms", "cbc:Note"}, ""));

    EXPECT_EQ(doc.chargeIndicator, lastOr(root, {"cac:AllowanceCharge", "cbc:ChargeIndicator"}, ""));
    EXPECT_EQ(doc.allowanceReason, lastOr(root, {"cac:AllowanceCharge", "cbc:AllowanceChargeReason"}, ""));
    EXPECT_EQ(doc.allowancePercent, lastOr(root, {"cac:AllowanceCharge", "cbc:MultiplierFactorNumeric"}, ""));
    EXPECT_EQ(doc.allowanceAmount, lastOr(root, {"cac:AllowanceCharge", "cbc:Amount"}, ""));
    EXPECT_EQ(doc.allowanceBaseAmount, lastOr(root, {"cac:AllowanceCharge", "cbc:BaseAmount"}, ""));
    EXPECT_EQ(doc.allowanceTaxCategory,
              lastOr(root, {"cac:AllowanceCharge", "cac:TaxCategory", "cbc:ID"}, ""));
    EXPECT_EQ(doc.allowanceTaxPercent,
              lastOr(root, {"cac:AllowanceCharge", "cac:TaxCategory", "cbc:Percent"}, ""));
    EXPECT_EQ(doc.allowanceTaxScheme,
              lastOr(root, {"cac:AllowanceCharge", "cac:TaxCategory", "cac:TaxScheme", "cbc:ID"}, ""));

    EXPECT_EQ(doc.taxTotalAmount, lastOr(root, {"cac:TaxTotal", "cbc:TaxAmount"}, ""));
    const std::string category = lastOr(
        root, {"cac:TaxTotal", "cac:TaxSubtotal", "cac:TaxCategory", "cbc:ID"}, reset.documentTaxCategory);
    EXPECT_EQ(state.documentTaxCategory, category);
    EXPECT_EQ(doc.taxCategoryCode, category);
    EXPECT_EQ(state.vatBreakdown, expectedSubtotals(root));

    EXPECT_EQ(doc.lineExtensionAmount,
              lastOr(root, {"cac:LegalMonetaryTotal", "cbc:LineExtensionAmount"}, ""));
    EXPECT_EQ(doc.taxExclusiveAmount, lastOr(root, {"cac:LegalMonetaryTotal", "cbc:TaxExclusiveAmount"}, ""));
    EXPECT_EQ(doc.taxInclusiveAmount, lastOr(root, {"cac:LegalMonetaryTotal", "cbc:TaxInclusiveAmount"}, ""));
    EXPECT_EQ(doc.prepaidAmount, lastOr(root, {"cac:LegalMonetaryTotal", "cbc:PrepaidAmount"}, ""));
    EXPECT_EQ(doc.payableAmount, lastOr(root, {"cac:LegalMonetaryTotal", "cbc:PayableAmount"}, ""));

    const auto lines = expectedLines(root);
    EXPECT_FALSE(lines.empty());
    EXPECT_EQ(state.lines, lines);
}

TEST_P(SampleFile, LoadsAndKeepsWhatTheRecomputationDoesNotReplace) {
    auto walked = freshState();
    const auto tree = xml::loadDocument(GetParam().string());
    ASSERT_TRUE(tree);
    tallomir::ubl::walkDocument(walked, *tree);

    auto state = freshState();
    const auto outcome = tallomir::ubl::loadInvoiceFile(state, GetParam().string());
    ASSERT_EQ(outcome.result, Result::Loaded) << outcome.message;
    EXPECT_EQ(state.lines, walked.lines);
    EXPECT_EQ(state.doc.prepaidAmount, walked.doc.prepaidAmount);
    EXPECT_EQ(state.doc.allowanceBaseAmount, walked.doc.allowanceBaseAmount);
    EXPECT_FALSE(state.vatBreakdown.empty());
    EXPECT_FALSE(state.doc.payableAmount.empty());
    EXPECT_EQ(state.amounts.allowanceRateChosen, !walked.doc.allowanceReason.empty());
}

INSTANTIATE_TEST_SUITE_P(Official, SampleFile, testing::ValuesIn(sampleFiles()),
                         [](const testing::TestParamInfo<std::filesystem::path>& info) {
                             std::string name = info.param.stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SampleFile);

// Values copied by hand from the files.

TEST(SampleByHand, Magazine0101a) {
    auto state = freshState();
    const auto outcome =
        tallomir::ubl::loadInvoiceFile(state, (readertest::samplesDir() / "01.01a-INVOICE_ubl.xml").string());
    ASSERT_EQ(outcome.result, Result::Loaded);
    const auto& doc = state.doc;
    EXPECT_EQ(doc.documentNumber, "123456XX");
    EXPECT_EQ(doc.issueDate, "2016-04-04");
    EXPECT_EQ(doc.documentTypeCode, "380");
    EXPECT_EQ(doc.note, "#ADU#Es gelten unsere Allgem. Geschäftsbedingungen, die Sie unter […] finden.");
    EXPECT_EQ(doc.buyerReference, "04011000-12345-34");
    EXPECT_EQ(doc.supplier.name, "[Seller trading name]");
    EXPECT_EQ(doc.supplier.vatId, "DE 123456789");
    EXPECT_EQ(doc.supplier.legalForm, "123/456/7890, HRA-Eintrag in […]");
    EXPECT_EQ(doc.supplier.phone, "+49 1234-5678");
    EXPECT_EQ(doc.customer.partyId, "[Buyer identifier]");
    EXPECT_EQ(doc.customer.registrationName, "[Buyer name]");
    EXPECT_EQ(doc.iban, "DE75512108001245126199");
    EXPECT_EQ(doc.paymentTerms, "Zahlbar sofort ohne Abzug.");
    ASSERT_EQ(state.lines.size(), 2u);
    EXPECT_EQ(state.lines[0].position, "Zeitschrift [...]");
    EXPECT_EQ(state.lines[0].lineStartDate, "2016-01-01+01:00");
    EXPECT_EQ(state.lines[0].itemNumber, "246");
    EXPECT_EQ(state.lines[0].lineVatPercent, "7");
    EXPECT_EQ(state.lines[0].unitPrice, "288.79");
    EXPECT_EQ(state.lines[1].position, "Porto + Versandkosten");
    EXPECT_EQ(state.lines[1].lineNetAmount, "26.07");
    // Recomputed from the lines: 314.86 at 7 %.
    EXPECT_EQ(doc.lineExtensionAmount, "314.86");
    EXPECT_EQ(doc.payableAmount, "336.90");
    ASSERT_EQ(state.vatBreakdown.size(), 1u);
    EXPECT_EQ(state.vatBreakdown[0].taxAmount, "22.04");
}

TEST(SampleByHand, Consulting0201a) {
    auto state = freshState();
    const auto outcome =
        tallomir::ubl::loadInvoiceFile(state, (readertest::samplesDir() / "02.01a-INVOICE_ubl.xml").string());
    ASSERT_EQ(outcome.result, Result::Loaded);
    const auto& doc = state.doc;
    EXPECT_EQ(doc.documentNumber, "1234567");
    EXPECT_EQ(doc.dueDate, "2018-04-13");
    EXPECT_EQ(doc.loadedTaxCurrency, "GBP");
    EXPECT_EQ(doc.orderNumber, "65002278");
    EXPECT_EQ(doc.salesOrderNumber, "ABC123456789");
    EXPECT_EQ(doc.projectNumber, "PR12345678");
    EXPECT_EQ(doc.supplier.vatId, "123/456/789"); // the second cac:PartyTaxScheme
    EXPECT_EQ(doc.supplier.taxSchemeId, "FC");
    EXPECT_EQ(doc.customer.vatId, "DE12345ABC");
    EXPECT_EQ(doc.delivery.name, "[Deliver to party name]");
    EXPECT_EQ(doc.deliveryDate, "2018-04-13");
    EXPECT_EQ(doc.bic, "[BIC]");
    EXPECT_EQ(doc.bankName, "[Payment account name]");
    EXPECT_EQ(doc.chargeIndicator, "false"); // the second of two blocks
    EXPECT_EQ(doc.allowanceReason, "Fixed long term");
    EXPECT_EQ(doc.allowanceTaxCategory, "E");
    EXPECT_EQ(doc.taxTotalAmount, "2048.44");
    EXPECT_EQ(doc.prepaidAmount, "0");
    EXPECT_EQ(state.documentTaxCategory, "E");
    ASSERT_EQ(state.lines.size(), 2u);
    EXPECT_EQ(state.lines[1].lineNetAmount, "6037.5");
    EXPECT_EQ(doc.lineExtensionAmount, "10781.25");
    EXPECT_EQ(doc.payableAmount, "12829.69");
}
