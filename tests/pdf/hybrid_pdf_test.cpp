// Hybrid PDFs: the pages with the invoice's XML embedded, judged by the PDF
// checker, and the XML taken out of received PDFs again.
#include "cii/cii.h"
#include "form/input_rules.h"
#include "pdf/hybrid_invoice.h"
#include "pdf/hybrid_pdf.h"
#include "support/reference.h"
#include "syntax/syntax.h"
#include "ubl/reader.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
using namespace tallomir;

namespace {

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A received invoice's pages: the first UBL sample, which names a seller.
std::unique_ptr<view::InvoicePages> samplePages() {
    DocumentState state = makeDocumentState(defaultCodeLists());
    const auto samples = tallomir::testing::sampleFiles("xrechnung-3.0.2-samples");
    if (!samples.empty())
        ubl::loadInvoiceFile(state, samples.front().string());
    return std::make_unique<view::InvoicePages>(state, std::vector<std::string>{});
}

// A CII sample as the profile's XML: for EN 16931 it names the standard alone.
std::string ciiSample(const std::string& name, pdf::Profile profile) {
    std::string xml = readBytes(tallomir::testing::testDataDir() / "xrechnung-3.0.2-cii-samples" / name);
    const std::string xrechnungId = "urn:cen.eu:en16931:2017#compliant#urn:xeinkauf.de:kosit:xrechnung_3.0";
    if (const auto at = xml.find(xrechnungId); profile == pdf::Profile::En16931 && at != std::string::npos)
        xml.replace(at, xrechnungId.size(), "urn:cen.eu:en16931:2017");
    return xml;
}

class HybridPdfTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    const fs::path dir = fs::temp_directory_path() / ("tallomir-pdf-" + std::to_string(::getpid()));
};

TEST_F(HybridPdfTest, WrittenFilesPassTheCheckerAndGiveTheirXmlBack) {
    TALLOMIR_REQUIRE_TESTDATA();
    const auto pages = samplePages();
    struct Case {
        std::string sample;
        pdf::Profile profile;
        std::string expected; // in the checker's line
    };
    const std::vector<Case> cases{
        {"01.01a-INVOICE_uncefact.xml", pdf::Profile::XRechnung,
         "profile=XRECHNUNG xml=PASS attached=xrechnung.xml"},
        {"01.01a-INVOICE_uncefact.xml", pdf::Profile::En16931,
         "profile=EN_16931 xml=PASS attached=factur-x.xml"},
        {"03.01a-INVOICE_uncefact.xml", pdf::Profile::XRechnung,
         "profile=XRECHNUNG xml=PASS attached=xrechnung.xml"},
        {"02.01a-INVOICE_uncefact.xml", pdf::Profile::En16931,
         "profile=EN_16931 xml=PASS attached=factur-x.xml"},
    };
    std::vector<fs::path> files;
    for (const Case& c : cases) {
        files.push_back(dir / (std::to_string(files.size()) + ".pdf"));
        const std::string xml = ciiSample(c.sample, c.profile);
        ASSERT_EQ(pdf::writeHybridPdf(*pages, xml, c.profile, files.back().string()), "") << c.sample;
    }
    const auto verdicts = tallomir::testing::zfcheck(files);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& verdict = verdicts.at(files[i].string());
        EXPECT_TRUE(verdict.pass) << cases[i].sample << ": " << verdict.line;
        EXPECT_NE(verdict.line.find(cases[i].expected), std::string::npos) << verdict.line;
        const pdf::OpenedPdf opened = pdf::openHybridPdf(files[i].string());
        EXPECT_EQ(opened.error, "");
        EXPECT_EQ(opened.embeddedName, pdf::embeddedFileName(cases[i].profile));
        EXPECT_EQ(opened.xml, ciiSample(cases[i].sample, cases[i].profile)) << cases[i].sample;
    }
}

TEST_F(HybridPdfTest, AFileThatCannotBeWrittenIsNamedAndNothingIsLeft) {
    const auto pages = samplePages();
    const fs::path target = dir / "missing" / "RE-1.pdf";
    const std::string error = pdf::writeHybridPdf(*pages, "<x/>", pdf::Profile::XRechnung, target.string());
    EXPECT_EQ(error.rfind("Die PDF-Datei " + target.string() + " konnte nicht geschrieben werden", 0), 0u)
        << error;
    EXPECT_FALSE(fs::exists(target.parent_path()));
}

// The profile proposed by the document's format, and what writing in a
// profile makes of the document before its check: XRECHNUNG follows
// XRechnung 3.0, which asks for the buyer's electronic address.
TEST(HybridInvoice, ProfileProposedAndTheDocumentCheckedForIt) {
    TALLOMIR_REQUIRE_TESTDATA();
    struct Case {
        int format; // the entry of "Format": 0 for 2.1.1, 1 for 3.0
        bool buyerAddress;
        pdf::Profile written;
        pdf::Profile proposed;
        XRechnungVersion checkedAs;
        bool ok;
    };
    using enum pdf::Profile;
    const Case cases[] = {
        {1, true, XRechnung, XRechnung, XRechnungVersion::V3_0, true},
        {1, false, En16931, XRechnung, XRechnungVersion::V3_0, false},
        {0, false, En16931, En16931, XRechnungVersion::V2_1_1, true},
        {0, false, XRechnung, En16931, XRechnungVersion::V3_0, false},
        {0, true, XRechnung, En16931, XRechnungVersion::V3_0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(&c - cases));
        Form form = makeForm(defaultCodeLists());
        ASSERT_EQ(cii::loadCiiFile(form, (tallomir::testing::testDataDir() / "xrechnung-3.0.2-cii-samples" /
                                          "01.01a-INVOICE_uncefact.xml")
                                             .string())
                      .result,
                  ubl::LoadOutcome::Result::Loaded);
        selectEntry(form, FieldId::DocumentFormat, c.format);
        if (!c.buyerAddress)
            form.doc.customer.endpointId.clear();
        form.modified = false;
        EXPECT_EQ(pdf::proposedProfile(form), c.proposed);
        const MandatoryCheck check = pdf::prepareHybrid(form, c.written);
        EXPECT_EQ(form.xrechnungVersion, c.checkedAs);
        EXPECT_EQ(form.modified,
                  c.checkedAs != (c.format == 1 ? XRechnungVersion::V3_0 : XRechnungVersion::V2_1_1));
        EXPECT_EQ(check.ok, c.ok) << check.text;
        EXPECT_EQ(check.text.find("Kunde: Elektron. Adresse fehlt") != std::string::npos, !c.ok)
            << check.text;
    }
}

// A CII invoice of a profile below EN 16931 (MINIMUM has no VAT breakdown,
// BASIC WL one, neither has lines), as such a sender writes it.
std::string lowerProfileInvoice(const std::string& guidelineId, bool withBreakdown) {
    const std::string breakdown =
        withBreakdown ? "<ram:ApplicableTradeTax><ram:CalculatedAmount>19.00</ram:CalculatedAmount>"
                        "<ram:TypeCode>VAT</ram:TypeCode><ram:BasisAmount>100.00</ram:BasisAmount>"
                        "<ram:CategoryCode>S</ram:CategoryCode>"
                        "<ram:RateApplicablePercent>19</ram:RateApplicablePercent></ram:ApplicableTradeTax>"
                      : "";
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<rsm:CrossIndustryInvoice xmlns:rsm="urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:100"
 xmlns:ram="urn:un:unece:uncefact:data:standard:ReusableAggregateBusinessInformationEntity:100"
 xmlns:udt="urn:un:unece:uncefact:data:standard:UnqualifiedDataType:100">
<rsm:ExchangedDocumentContext><ram:GuidelineSpecifiedDocumentContextParameter><ram:ID>)" +
           guidelineId +
           R"(</ram:ID></ram:GuidelineSpecifiedDocumentContextParameter></rsm:ExchangedDocumentContext>
<rsm:ExchangedDocument><ram:ID>M-17</ram:ID><ram:TypeCode>380</ram:TypeCode>
<ram:IssueDateTime><udt:DateTimeString format="102">20250301</udt:DateTimeString></ram:IssueDateTime>
</rsm:ExchangedDocument>
<rsm:SupplyChainTradeTransaction><ram:ApplicableHeaderTradeAgreement>
<ram:SellerTradeParty><ram:Name>Werkstatt Kurz</ram:Name>
<ram:PostalTradeAddress><ram:CountryID>DE</ram:CountryID></ram:PostalTradeAddress>
<ram:SpecifiedTaxRegistration><ram:ID schemeID="VA">DE123456789</ram:ID></ram:SpecifiedTaxRegistration>
</ram:SellerTradeParty><ram:BuyerTradeParty><ram:Name>Kunde AG</ram:Name></ram:BuyerTradeParty>
</ram:ApplicableHeaderTradeAgreement><ram:ApplicableHeaderTradeDelivery/>
<ram:ApplicableHeaderTradeSettlement><ram:InvoiceCurrencyCode>EUR</ram:InvoiceCurrencyCode>)" +
           breakdown + R"(<ram:SpecifiedTradeSettlementHeaderMonetarySummation>
<ram:TaxBasisTotalAmount>100.00</ram:TaxBasisTotalAmount><ram:TaxTotalAmount currencyID="EUR">19.00</ram:TaxTotalAmount>
<ram:GrandTotalAmount>119.00</ram:GrandTotalAmount><ram:DuePayableAmount>119.00</ram:DuePayableAmount>
</ram:SpecifiedTradeSettlementHeaderMonetarySummation></ram:ApplicableHeaderTradeSettlement>
</rsm:SupplyChainTradeTransaction></rsm:CrossIndustryInvoice>
)";
}

// Such a file, or a hybrid PDF carrying it, is read as far as it goes and
// named first among what is not carried; the standard's own is not.
TEST_F(HybridPdfTest, ProfilesBelowTheStandardAreReadAndNamed) {
    const auto pages = samplePages();
    const std::pair<std::string, std::string> cases[] = {
        {"urn:factur-x.eu:1p0:minimum", "Profil ZUGFeRD MINIMUM (in Deutschland keine E-Rechnung)"},
        {" urn:factur-x.eu:1p0:basicwl ", "Profil ZUGFeRD BASIC WL (in Deutschland keine E-Rechnung)"},
        {"urn:cen.eu:en16931:2017", ""},
    };
    for (const auto& [id, named] : cases) {
        const std::string xml = lowerProfileInvoice(id, named.find("BASIC") != std::string::npos);
        const fs::path file = dir / "niedrig.pdf";
        ASSERT_EQ(pdf::writeHybridPdf(*pages, xml, pdf::Profile::En16931, file.string()), "");
        for (const bool inPdf : {false, true}) {
            SCOPED_TRACE(id + (inPdf ? " in a PDF" : ""));
            DocumentState state = makeDocumentState(defaultCodeLists());
            const auto outcome =
                inPdf ? syntax::loadInvoiceFile(state, file.string()) : syntax::loadInvoiceBytes(state, xml);
            ASSERT_EQ(outcome.result, ubl::LoadOutcome::Result::Loaded) << outcome.message;
            EXPECT_EQ(state.doc.documentNumber + "|" + state.doc.supplier.registrationName,
                      "M-17|Werkstatt Kurz");
            const std::vector<std::string> items = notCarriedTexts(state);
            const auto profileItems = std::count_if(items.begin(), items.end(), [](const std::string& item) {
                return item.starts_with("Profil ZUGFeRD");
            });
            EXPECT_EQ(profileItems, named.empty() ? 0 : 1);
            EXPECT_TRUE(named.empty() || items.front() == named) << items.front();
        }
    }
}

// Every file of the corpus through the fuzz target: a message or the invoice,
// never a crash (the sanitizer build runs this too).
TEST(FuzzPdfCorpus, EveryFileIsOpenedOrRefused) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(TALLOMIR_FUZZ_PDF_CORPUS)) {
        const std::string bytes = readBytes(entry.path());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  0)
            << entry.path();
        ++count;
    }
    EXPECT_GE(count, 5);
    EXPECT_EQ(LLVMFuzzerTestOneInput(nullptr, 0), 0);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Fonts need a GUI application, not a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
