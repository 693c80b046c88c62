// Saved random documents load back field by field, but for what saving drops or fills in, and save alike.

#include "reader_test_support.h"

#include "form/input_rules.h"
#include "invoice/amounts.h"
#include "invoice/decimal.h"
#include "invoice/texts.h"
#include "ubl/writer.h"

#include <cstdint>
#include <random>

using namespace readertest;

namespace {

struct Generator {
    std::mt19937 random;
    int below(std::size_t n) { return static_cast<int>(random() % n); }
    bool chance(int percent) { return below(100) < percent; }

    // Non-ASCII, blanks, tabs, markup characters and, for a note, line breaks.
    std::string text(bool lines = false) {
        static const char* const pieces[] = {"a",  "Z", "7", "ä", "ß", "€",  "𝄞",   " ",      "  ",
                                             "\t", "<", ">", "&", "'", "\"", "]]>", "Müller", "GmbH & Co. KG",
                                             ".",  "-"};
        static const char* const breaks[] = {"\r\n", "\n", "\r\n  ", "\n\n"};
        std::string result;
        for (int i = 1 + below(12); i > 0; --i)
            result += lines && chance(15) ? breaks[below(4)] : pieces[below(std::size(pieces))];
        return result;
    }
    std::string optionalText(int percent = 80) { return chance(percent) ? text() : ""; }
    std::string date() {
        const auto two = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
        return std::to_string(1990 + below(60)) + "-" + two(1 + below(12)) + "-" + two(1 + below(28));
    }
    std::string amount(int maxUnits) {
        return tallomir::formatDecimal2(tallomir::Decimal::fromParts(1 + below(maxUnits * 100), 2));
    }
    template <class T> const T& pick(const std::vector<T>& list) { return list[below(list.size())]; }
};

tallomir::Form randomDocument(Generator& g) {
    tallomir::Form state = freshState();
    auto& doc = state.doc;
    doc.documentTypeCode = g.pick<std::string>({"380", "381", "384"});
    for (auto member : {&D::buyerReference, &D::documentNumber, &D::orderNumber, &D::salesOrderNumber,
                        &D::contractNumber, &D::projectNumber, &D::bankName, &D::iban, &D::bic,
                        &D::paymentTerms, &D::businessProcess, &D::buyerAccountingReference})
        doc.*member = g.optionalText(70);
    for (auto* party : {&doc.supplier, &doc.customer}) {
        for (const auto& [name, member] : partyTexts)
            party->*member = g.optionalText();
        party->countryCode = g.chance(80) ? "DE" : "";
        party->taxNumber = g.optionalText(30);
        party->taxNumberScheme = ""; // a loaded file's only
        party->taxSchemeId = "VAT";
    }
    doc.customer.legalForm = "";
    for (const auto& [name, member] : deliveryTexts)
        doc.delivery.*member = g.optionalText(70);
    doc.delivery.countryCode = g.chance(80) ? "AT" : "";
    doc.issueDate = g.date();
    for (auto member : {&D::dueDate, &D::deliveryDate, &D::periodStart})
        doc.*member = g.chance(60) ? g.date() : "";
    doc.periodEnd = doc.periodStart.empty() ? "" : g.date();
    doc.note = g.chance(80) ? g.text(true) : "";
    doc.precedingInvoiceNumber = g.optionalText(40);
    doc.precedingInvoiceDate = g.chance(40) ? g.date() : "";
    doc.paymentMeansCode = g.pick(state.lists.paymentMeans).code;
    state.documentCurrency = g.pick(state.lists.currencies);
    state.documentTaxCategory = g.pick(state.lists.taxCategories).code;

    for (int i = 0, count = 1 + g.below(8); i < count; ++i) {
        tallomir::LineItem& line = state.lines.emplace_back();
        line.position = g.chance(90) ? std::to_string(i + 1) : g.text();
        line.quantity = g.chance(70) ? std::to_string(1 + g.below(20)) : "2.5";
        line.unitPrice = g.amount(20'000);
        line.lineNetAmount = tallomir::computeLineNetAmount(line);
        line.lineStartDate = g.chance(40) ? g.date() : "";
        line.lineEndDate = line.lineStartDate.empty() ? "" : g.date();
        for (auto member : {&L::lineNote, &L::itemName, &L::itemDescription, &L::itemNumber,
                            &L::orderLineReference, &L::lineAccountingReference, &L::lineObjectIdentifier,
                            &L::buyersItemId, &L::standardItemId, &L::originCountry})
            line.*member = g.optionalText(60);
        line.lineTaxCategory = state.documentTaxCategory;
        line.lineVatPercent = tallomir::formatDecimal2(state.lists.vatRates[g.below(3)]);
        if (line.lineTaxCategory ==
            "O") // outside the scope of VAT a line has no rate, as the editor gives it
            line.lineVatPercent.clear();
        line.lineTaxScheme = "VAT";
        line.unitCode = g.chance(80) ? g.pick(state.lists.unitCodes).code : "XPP";
    }
    tallomir::recomputeLines(state);
    tallomir::recomputeTotals(state);

    const int allowance = g.below(3); // none, by value, by percentage
    if (allowance > 0) {
        tallomir::enterAllowanceReason(state, g.text());
        if (g.chance(50))
            tallomir::chooseAllowanceSlot(state, g.below(3));
        const std::string sign = g.chance(50) ? "-" : "";
        if (allowance == 1)
            tallomir::enterAllowanceValue(state, sign + g.amount(100));
        else
            tallomir::enterAllowancePercent(state, sign + std::to_string(1 + g.below(30)));
    }
    return state;
}

tallomir::Form expectedAfterLoad(const tallomir::Form& entered, const tallomir::Form& loaded) {
    const auto reset = freshState();
    tallomir::Form expected = entered;
    auto& e = expected.doc;
    const auto saved = [](std::string& text, const std::string& resetValue) {
        text = text.empty() ? resetValue : tallomir::multiLineText(text);
    };
    for (const auto& [name, member] : documentTexts)
        saved(e.*member, reset.doc.*member);
    for (const auto& [name, member] : partyTexts) {
        saved(e.supplier.*member, reset.doc.supplier.*member);
        saved(e.customer.*member, reset.doc.customer.*member);
    }
    for (auto& line : expected.lines) {
        for (const auto& [name, member] : lineTexts)
            saved(line.*member, "");
        if (line.unitCode.empty()) // every line is written with its unit
            line.unitCode = entered.unitCode;
    }
    for (const auto& [name, member] : deliveryTexts)
        e.delivery.*member = tallomir::multiLineText(entered.doc.delivery.*member);
    if (e.delivery.name.find_first_not_of(' ') == std::string::npos)
        e.delivery.name.clear();
    // A scheme without its address or identifier is not written.
    for (tallomir::PartyFields* party : {&e.supplier, &e.customer})
        for (auto [id, scheme] : {std::pair{&P::endpointId, &P::endpointScheme},
                                  {&P::partyId, &P::partyIdScheme},
                                  {&P::registrationId, &P::registrationIdScheme}})
            if ((party->*id).empty())
                (party->*scheme).clear();
    if (e.delivery.locationId.empty())
        e.delivery.locationIdScheme.clear();
    // There is no account without its IBAN, and none to pay into for a debit or a card.
    const tallomir::PaymentKind payment = tallomir::paymentKind(e.paymentMeansCode);
    if (e.iban.empty() || payment == tallomir::PaymentKind::DirectDebit ||
        payment == tallomir::PaymentKind::Card)
        e.iban = e.bankName = e.bic = "";
    if (e.allowanceTaxCategory == "O") // outside the scope of VAT there is no rate
        e.allowanceTaxPercent = "";
    if (e.orderNumber.empty() && !e.salesOrderNumber.empty())
        e.orderNumber = "NA";
    e.loadedDocumentCurrency = e.loadedTaxCurrency = entered.documentCurrency;
    e.customizationId = ""; // the writer names the version it writes
    e.taxTotalAmount = entered.vatBreakdown.front().documentTaxTotal;
    e.taxCategoryCode = entered.documentTaxCategory;
    if (e.allowanceReason.empty()) // an allowance without a reason is not saved
        for (auto member :
             {&D::chargeIndicator, &D::allowancePercent, &D::allowanceAmount, &D::allowanceBaseAmount,
              &D::allowanceTaxCategory, &D::allowanceTaxPercent, &D::allowanceTaxScheme})
            e.*member = loaded.doc.*member;
    return expected;
}

} // namespace

TEST(ReaderRoundTrip, RandomDocumentsSurviveSavingAndLoading) {
    Generator g{std::mt19937(20220301)};
    const TempDir dir;
    const auto save = [&](tallomir::Form& state, const char* name) {
        EXPECT_TRUE(tallomir::ubl::saveInvoiceFile(state, (dir.path / name).string()).ok) << name;
        return readBytes(dir.path / name);
    };
    for (int round = 0; round < 300 && !HasFailure(); ++round) { // one failing document is enough to read
        SCOPED_TRACE("document " + std::to_string(round));
        tallomir::Form entered = randomDocument(g);
        tallomir::Form loaded = freshState();
        const std::string first = save(entered, "erst.xml");
        const auto outcome = tallomir::ubl::loadInvoiceBytes(loaded, first);
        ASSERT_EQ(outcome.result, Result::Loaded) << outcome.message;
        expectFields(loaded, fieldsOf(expectedAfterLoad(entered, loaded)));
        EXPECT_EQ(save(loaded, "zweit.xml"), first);
    }
}

// Every input of the fuzzing corpus runs through the fuzz target: load, recompute, build, serialise.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(FuzzReplay, CorpusAndEmptyInput) {
    for (const auto& entry : std::filesystem::directory_iterator(TALLOMIR_FUZZ_CORPUS)) {
        const std::string bytes = readBytes(entry.path());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  0)
            << entry.path();
    }
    EXPECT_EQ(LLVMFuzzerTestOneInput(nullptr, 0), 0);
}
