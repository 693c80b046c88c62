// The official samples load, and every field the loading rules map holds the
// value that stands in the file. The expected values are read from the parsed
// tree along the paths written out here (last occurrence in file order),
// independently of the loader's own matching; two samples are also checked
// against values copied by hand from the files.

#include "reader_test_support.h"

#include "invoice/document_check.h"
#include "invoice/input_rules.h"
#include "support/reference.h"
#include "ubl/writer.h"
#include "xml/xml.h"

using namespace readertest;
using tallomir::XRechnungVersion;
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
    {"precedingInvoiceNumber", "cac:BillingReference/cac:InvoiceDocumentReference/cbc:ID"},
    {"precedingInvoiceDate", "cac:BillingReference/cac:InvoiceDocumentReference/cbc:IssueDate"},
    {"deliveryDate", "cac:Delivery/cbc:ActualDeliveryDate"},
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
    {"endpointId", "cbc:EndpointID"},
    {"street", "cac:PostalAddress/cbc:StreetName"}, {"city", "cac:PostalAddress/cbc:CityName"},
    {"postalCode", "cac:PostalAddress/cbc:PostalZone"},
    {"countryCode", "cac:PostalAddress/cac:Country/cbc:IdentificationCode"},
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
    {"ratePercent", "cac:TaxCategory/cbc:Percent"}, {"schemeId", "cac:TaxCategory/cac:TaxScheme/cbc:ID"},
    {"exemptionReasonCode", "cac:TaxCategory/cbc:TaxExemptionReasonCode"}};
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
    // The scheme of an electronic address is its attribute.
    for (const char* party : {"supplier", "customer"})
        for (const xml::XmlNode* endpoint :
             children(children(children(root, std::string("cac:Accounting") +
                                                  (party[0] == 's' ? "Supplier" : "Customer") + "Party")
                                   .front(),
                               "cac:Party")
                          .front(),
                      "cbc:EndpointID"))
            for (std::size_t i = 0; i < xml::attributeCount(endpoint); ++i)
                if (xml::attributeName(endpoint, i) == "schemeID")
                    expected[std::string(party) + ".endpointScheme"] = xml::attributeValue(endpoint, i);
    // The number under the scheme "VAT" is the VAT identifier, under any other the tax number.
    for (const char* party : {"supplier", "customer"})
        for (const xml::XmlNode* block :
             children(children(children(root, std::string("cac:Accounting") +
                                                  (party[0] == 's' ? "Supplier" : "Customer") + "Party")
                                   .front(),
                               "cac:Party")
                          .front(),
                      "cac:PartyTaxScheme")) {
            const std::string scheme = lastOr(block, "cac:TaxScheme/cbc:ID", "");
            expected[std::string(party) + (scheme.empty() || scheme == "VAT" ? ".vatId" : ".taxNumber")] =
                lastOr(block, "cbc:CompanyID", "");
        }
    for (const char* name : {"issueDate", "periodStart", "periodEnd", "deliveryDate", "precedingInvoiceDate"})
        expected[name] = expected[name].substr(0, 10);
    // cac:PaymentMeans follows cbc:DueDate, so its date is the later one.
    expected["dueDate"] =
        lastOr(root, "cac:PaymentMeans/cbc:PaymentDueDate", lastOr(root, "cbc:DueDate", "")).substr(0, 10);
    expected["note"] = tallomir::multiLineText(lastOr(root, "cbc:Note", expected["note"]));

    const auto lines = children(root, "cac:InvoiceLine");
    expected["lines"] = std::to_string(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // In every sample the line's first element is its cbc:ID.
        const xml::XmlNode* first = xml::firstChild(lines[i]);
        while (first && !isElement(first))
            first = xml::nextSibling(first);
        EXPECT_EQ(xml::nodeName(first), "cbc:ID");
        const std::string prefix = "lines[" + std::to_string(i) + "].";
        take(lines[i], prefix, "", linePaths);
        for (const char* name : {"lineStartDate", "lineEndDate"})
            expected[prefix + name] = expected[prefix + name].substr(0, 10);
        // The unit is the quantity's attribute.
        for (const xml::XmlNode* quantity : children(lines[i], "cbc:InvoicedQuantity"))
            for (std::size_t a = 0; a < xml::attributeCount(quantity); ++a)
                if (xml::attributeName(quantity, a) == "unitCode")
                    expected[prefix + "unitCode"] = xml::attributeValue(quantity, a);
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
          {"lines[0].lineStartDate", "2016-01-01"}, {"lines[1].lineNetAmount", "26.07"},
          {"lineExtensionAmount", "314.86"}, {"vatBreakdown", "1"}, {"vatBreakdown[0].taxAmount", "22.04"},
          {"payableAmount", "336.90"}}},
        {"02.01a-INVOICE_ubl.xml",
         {{"dueDate", "2018-04-13"}, {"loadedTaxCurrency", "GBP"},
          {"delivery.name", "[Deliver to party name]"},
          {"supplier.vatId", "ATU123456789"}, {"supplier.taxNumber", "123/456/789"},
          {"chargeIndicator", "false"}, {"allowanceReason", "Fixed long term"}, // the second of two blocks
          // new lines take the category most lines have
          {"taxTotalAmount", "2048.44"}, {"documentTaxCategory", "S"}, {"lines[1].lineNetAmount", "6037.5"},
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

// Every official sample of both versions, loaded and saved again, keeps its
// version and still passes the official rules: no category, exemption
// reason, tax number or electronic address is lost on the way. A 2.1.1
// sample saved as 3.0 passes too, once its electronic addresses are typed.
TEST(Samples, SavedAgainTheyKeepTheirVersionAndPassTheOfficialRules) {
    TALLOMIR_REQUIRE_TESTDATA();
    const TempDir dir;
    std::vector<std::filesystem::path> saved;
    for (const auto& [folder, version] : {std::pair{"xrechnung-2.1.1-samples", XRechnungVersion::V2_1_1},
                                          {"xrechnung-3.0.2-samples", XRechnungVersion::V3_0}}) {
        for (const auto& sample : tallomir::testing::sampleFiles(folder)) {
            auto state = freshState();
            // The version shown before does not matter: the file names its own.
            state.xrechnungVersion =
                version == XRechnungVersion::V3_0 ? XRechnungVersion::V2_1_1 : XRechnungVersion::V3_0;
            ASSERT_EQ(tallomir::ubl::loadInvoiceFile(state, sample.string()).result, Result::Loaded)
                << sample;
            EXPECT_EQ(state.xrechnungVersion, version) << sample;
            if (version == XRechnungVersion::V3_0) {
                EXPECT_FALSE(state.doc.supplier.endpointId.empty() ||
                             state.doc.customer.endpointScheme.empty())
                    << sample;
            }
            const std::string name = std::string(folder).substr(10, 5) + "-" + sample.filename().string();
            const auto outcome = tallomir::ubl::saveInvoiceFile(state, (dir.path / name).string());
            ASSERT_TRUE(outcome.ok) << outcome.message;
            saved.push_back(outcome.fileName);
        }
    }
    EXPECT_GE(saved.size(), 40u);

    auto state = freshState();
    ASSERT_EQ(tallomir::ubl::loadInvoiceFile(state, (tallomir::testing::testDataDir() /
                                                     "xrechnung-2.1.1-samples" / "01.01a-INVOICE_ubl.xml")
                                                        .string())
                  .result,
              Result::Loaded);
    tallomir::selectEntry(state, tallomir::FieldId::DocumentFormat, 1);
    tallomir::leaveTextField(state, tallomir::FieldId::SupplierEndpoint, "rechnung@lieferant.example");
    tallomir::leaveTextField(state, tallomir::FieldId::CustomerEndpoint, "04011000-1234512345-06");
    tallomir::selectEntry(state, tallomir::FieldId::CustomerEndpointScheme, 1);
    EXPECT_TRUE(tallomir::checkMandatoryFields(state).ok) << tallomir::checkMandatoryFields(state).text;
    saved.push_back(tallomir::ubl::saveInvoiceFile(state, (dir.path / "2.1.1-as-3.0.xml").string()).fileName);

    tallomir::testing::expectAllValid(saved);
}
