// The official samples load, and every field the loading rules map holds the
// value that stands in the file. The expected values are read from the parsed
// tree along the paths written out here (last occurrence in file order),
// independently of the loader's own matching; two samples are also checked
// against values copied by hand from the files.

#include "reader_test_support.h"

#include "xml/xml.h"

using namespace readertest;
namespace xml = tallomir::xml;

namespace {

bool isElement(const xml::XmlNode* node) {
    return xml::nodeKind(node) == static_cast<int>(xml::NodeKind::Element);
}

std::vector<const xml::XmlNode*> children(const xml::XmlNode* from, std::string_view name) {
    std::vector<const xml::XmlNode*> found;
    for (const xml::XmlNode* child = xml::firstChild(from); child; child = xml::nextSibling(child))
        if (isElement(child) && xml::nodeName(child) == name)
            found.push_back(child);
    return found;
}

// The text of the last element at the path ("a/b/c") below `from`, or `otherwise`.
std::string lastOr(const xml::XmlNode* from, std::string_view path, const std::string& otherwise) {
    const auto slash = path.find('/');
    std::string found = otherwise;
    for (const xml::XmlNode* child : children(from, path.substr(0, slash)))
        found = slash == std::string_view::npos ? std::string(xml::nodeText(child))
                                                : lastOr(child, path.substr(slash + 1), found);
    return found;
}

// Two consecutive blanks vanish, scanning from the left; then every tab.
std::string noteAsKept(std::string text) {
    for (std::size_t at = text.find("  "); at != std::string::npos; at = text.find("  ", at))
        text.erase(at, 2);
    std::erase(text, '\t');
    return text;
}

using Paths = std::vector<std::pair<std::string, std::string>>;
const std::string allowance = "cac:AllowanceCharge/", totals = "cac:LegalMonetaryTotal/",
                  account = "cac:PaymentMeans/cac:PayeeFinancialAccount/",
                  address = "cac:Delivery/cac:DeliveryLocation/cac:Address/", item = "cac:Item/",
                  category = "cac:ClassifiedTaxCategory/",
                  subtotalCategory = "cac:TaxTotal/cac:TaxSubtotal/cac:TaxCategory/";
// clang-format off
const Paths documentPaths{
    {"documentNumber", "cbc:ID"}, {"issueDate", "cbc:IssueDate"}, {"documentTypeCode", "cbc:InvoiceTypeCode"},
    {"loadedDocumentCurrency", "cbc:DocumentCurrencyCode"}, {"documentCurrency", "cbc:DocumentCurrencyCode"},
    {"loadedTaxCurrency", "cbc:TaxCurrencyCode"}, {"buyerReference", "cbc:BuyerReference"},
    {"periodStart", "cac:InvoicePeriod/cbc:StartDate"}, {"periodEnd", "cac:InvoicePeriod/cbc:EndDate"},
    {"orderNumber", "cac:OrderReference/cbc:ID"}, {"salesOrderNumber", "cac:OrderReference/cbc:SalesOrderID"},
    {"contractNumber", "cac:ContractDocumentReference/cbc:ID"},
    {"projectNumber", "cac:ProjectReference/cbc:ID"},
    {"deliveryDate", "cac:Delivery/cbc:ActualDeliveryDate"}, // taken whole below cac:Delivery
    {"delivery.street", address + "cbc:StreetName"}, {"delivery.city", address + "cbc:CityName"},
    {"delivery.postalCode", address + "cbc:PostalZone"},
    {"delivery.countryCode", address + "cac:Country/cbc:IdentificationCode"},
    {"delivery.name", "cac:Delivery/cac:DeliveryParty/cac:PartyName/cbc:Name"},
    {"paymentMeansCode", "cac:PaymentMeans/cbc:PaymentMeansCode"}, {"iban", account + "cbc:ID"},
    {"bankName", account + "cbc:Name"}, {"bic", account + "cac:FinancialInstitutionBranch/cbc:ID"},
    {"paymentTerms", "cac:PaymentTerms/cbc:Note"}, {"chargeIndicator", allowance + "cbc:ChargeIndicator"},
    {"allowanceReason", allowance + "cbc:AllowanceChargeReason"},
    {"allowanceAmount", allowance + "cbc:Amount"},
    {"allowancePercent", allowance + "cbc:MultiplierFactorNumeric"},
    {"allowanceBaseAmount", allowance + "cbc:BaseAmount"},
    {"allowanceTaxCategory", allowance + "cac:TaxCategory/cbc:ID"},
    {"allowanceTaxPercent", allowance + "cac:TaxCategory/cbc:Percent"},
    {"allowanceTaxScheme", allowance + "cac:TaxCategory/cac:TaxScheme/cbc:ID"},
    {"taxTotalAmount", "cac:TaxTotal/cbc:TaxAmount"}, {"taxCategoryCode", subtotalCategory + "cbc:ID"},
    {"documentTaxCategory", subtotalCategory + "cbc:ID"},
    {"lineExtensionAmount", totals + "cbc:LineExtensionAmount"},
    {"taxExclusiveAmount", totals + "cbc:TaxExclusiveAmount"},
    {"prepaidAmount", totals + "cbc:PrepaidAmount"},
    {"taxInclusiveAmount", totals + "cbc:TaxInclusiveAmount"},
    {"payableAmount", totals + "cbc:PayableAmount"},
    // Only the supplier has a legal form.
    {"supplier.legalForm", "cac:AccountingSupplierParty/cac:Party/cac:PartyLegalEntity/"
                           "cbc:CompanyLegalForm"}};
const Paths partyPaths{
    {"partyId", "cac:PartyIdentification/cbc:ID"}, {"name", "cac:PartyName/cbc:Name"},
    {"street", "cac:PostalAddress/cbc:StreetName"}, {"city", "cac:PostalAddress/cbc:CityName"},
    {"postalCode", "cac:PostalAddress/cbc:PostalZone"},
    {"countryCode", "cac:PostalAddress/cac:Country/cbc:IdentificationCode"},
    {"vatId", "cac:PartyTaxScheme/cbc:CompanyID"}, {"taxSchemeId", "cac:PartyTaxScheme/cac:TaxScheme/cbc:ID"},
    {"registrationName", "cac:PartyLegalEntity/cbc:RegistrationName"},
    {"registrationId", "cac:PartyLegalEntity/cbc:CompanyID"}, {"contactName", "cac:Contact/cbc:Name"},
    {"phone", "cac:Contact/cbc:Telephone"}, {"email", "cac:Contact/cbc:ElectronicMail"}};
const Paths linePaths{
    {"position", "cbc:ID"}, {"lineNote", "cbc:Note"}, {"quantity", "cbc:InvoicedQuantity"},
    {"lineNetAmount", "cbc:LineExtensionAmount"}, {"lineStartDate", "cac:InvoicePeriod/cbc:StartDate"},
    {"lineEndDate", "cac:InvoicePeriod/cbc:EndDate"}, {"itemName", item + "cbc:Name"},
    {"itemDescription", item + "cbc:Description"},
    {"itemNumber", item + "cac:SellersItemIdentification/cbc:ID"},
    {"lineTaxCategory", item + category + "cbc:ID"}, {"lineVatPercent", item + category + "cbc:Percent"},
    {"lineTaxScheme", item + category + "cac:TaxScheme/cbc:ID"}, {"unitPrice", "cac:Price/cbc:PriceAmount"}};
const Paths vatPaths{
    {"taxableAmount", "cbc:TaxableAmount"}, {"taxAmount", "cbc:TaxAmount"},
    {"exemptionReason", "cac:TaxCategory/cbc:TaxExemptionReason"}, {"categoryCode", "cac:TaxCategory/cbc:ID"},
    {"ratePercent", "cac:TaxCategory/cbc:Percent"}, {"schemeId", "cac:TaxCategory/cac:TaxScheme/cbc:ID"}};
// clang-format on

// The fields of a fresh state, each mapped one set to what the file holds.
Fields expectedFrom(const xml::XmlNode* root) {
    Fields expected = fieldsOf(freshState());
    const auto take = [&](const xml::XmlNode* from, const std::string& prefix, const std::string& head,
                          const Paths& paths) {
        for (const auto& [name, path] : paths)
            expected[prefix + name] = lastOr(from, head + path, expected[prefix + name]);
    };
    take(root, "", "", documentPaths);
    take(root, "supplier.", "cac:AccountingSupplierParty/cac:Party/", partyPaths);
    take(root, "customer.", "cac:AccountingCustomerParty/cac:Party/", partyPaths);
    for (const char* name : {"issueDate", "periodStart", "periodEnd"})
        expected[name] = expected[name].substr(0, 10);
    // cac:PaymentMeans follows cbc:DueDate, so its date is the later one.
    expected["dueDate"] =
        lastOr(root, "cac:PaymentMeans/cbc:PaymentDueDate", lastOr(root, "cbc:DueDate", "")).substr(0, 10);
    expected["note"] = noteAsKept(lastOr(root, "cbc:Note", expected["note"]));

    const auto lines = children(root, "cac:InvoiceLine");
    expected["lines"] = std::to_string(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // In every sample the line's first element is its cbc:ID.
        const xml::XmlNode* first = xml::firstChild(lines[i]);
        while (first && !isElement(first))
            first = xml::nextSibling(first);
        EXPECT_EQ(xml::nodeName(first), "cbc:ID");
        take(lines[i], "lines[" + std::to_string(i) + "].", "", linePaths);
    }
    std::size_t entries = 0;
    std::string taxTotal;
    for (const xml::XmlNode* total : children(root, "cac:TaxTotal")) {
        taxTotal = lastOr(total, "cbc:TaxAmount", taxTotal);
        for (const xml::XmlNode* subtotal : children(total, "cac:TaxSubtotal")) {
            const std::string prefix = "vatBreakdown[" + std::to_string(entries++) + "].";
            expected[prefix + "documentTaxTotal"] = taxTotal;
            take(subtotal, prefix, "", vatPaths);
        }
    }
    expected["vatBreakdown"] = std::to_string(entries);
    return expected;
}

class SampleFile : public testing::TestWithParam<std::filesystem::path> {};

} // namespace

TEST(Samples, AreThere) {
    TALLOMIR_REQUIRE_TESTDATA();
    EXPECT_GE(sampleFiles().size(), 19u) << samplesDir();
}

TEST_P(SampleFile, EveryMappedFieldHoldsTheFilesValue) {
    const auto tree = xml::loadDocument(GetParam().string());
    ASSERT_TRUE(tree);
    ASSERT_EQ(xml::loadStatus(*tree), 0);
    auto walked = freshState();
    tallomir::ubl::walkDocument(walked, *tree);
    EXPECT_FALSE(walked.lines.empty());
    expectSameFields(fieldsOf(walked), expectedFrom(xml::mainElement(*tree)));

    // The whole load keeps what the recomputation does not replace.
    auto state = freshState();
    state.modified = true;
    const auto outcome = tallomir::ubl::loadInvoiceFile(state, GetParam().string());
    ASSERT_EQ(outcome.result, Result::Loaded) << outcome.message;
    EXPECT_EQ(state.lines, walked.lines);
    EXPECT_EQ(state.doc.prepaidAmount, walked.doc.prepaidAmount);
    EXPECT_EQ(state.doc.allowanceBaseAmount, walked.doc.allowanceBaseAmount);
    EXPECT_EQ(state.amounts.allowanceRateChosen, !walked.doc.allowanceReason.empty());
    EXPECT_FALSE(state.modified);
}

INSTANTIATE_TEST_SUITE_P(Official, SampleFile, testing::ValuesIn(sampleFiles()));
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SampleFile);

// Values copied by hand from the files; the totals recomputed by hand from the lines.
TEST(Samples, ByHand) {
    TALLOMIR_REQUIRE_TESTDATA();
    // clang-format off
    const std::pair<const char*, Fields> cases[] = {
        {"01.01a-INVOICE_ubl.xml",
         {{"note", "#ADU#Es gelten unsere Allgem. Geschäftsbedingungen, die Sie unter […] "
                   "finden."},
          {"supplier.legalForm", "123/456/7890, HRA-Eintrag in […]"}, {"iban", "DE75512108001245126199"},
          {"lines", "2"}, {"lines[0].position", "Zeitschrift [...]"}, {"lines[0].unitPrice", "288.79"},
          {"lines[0].lineStartDate", "2016-01-01+01:00"}, {"lines[1].lineNetAmount", "26.07"},
          {"lineExtensionAmount", "314.86"}, {"vatBreakdown", "1"}, {"vatBreakdown[0].taxAmount", "22.04"},
          {"payableAmount", "336.90"}}},
        {"02.01a-INVOICE_ubl.xml",
         {{"dueDate", "2018-04-13"}, {"loadedTaxCurrency", "GBP"},
          {"delivery.name", "[Deliver to party name]"},
          {"supplier.vatId", "123/456/789"}, {"supplier.taxSchemeId", "FC"}, // the second cac:PartyTaxScheme
          {"chargeIndicator", "false"}, {"allowanceReason", "Fixed long term"}, // the second of two blocks
          {"taxTotalAmount", "2048.44"}, {"documentTaxCategory", "E"}, {"lines[1].lineNetAmount", "6037.5"},
          {"lineExtensionAmount", "10781.25"}, {"payableAmount", "12829.69"}}},
    };
    // clang-format on
    for (const auto& [file, fields] : cases) {
        auto state = freshState();
        ASSERT_EQ(tallomir::ubl::loadInvoiceFile(state, (samplesDir() / file).string()).result,
                  Result::Loaded);
        SCOPED_TRACE(file);
        expectFields(state, fields);
    }
}
