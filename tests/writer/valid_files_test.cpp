// Saved documents of every kind are valid against the UBL 2.1 schema and keep
// the EN 16931 sum and category rules; the checks themselves catch a broken file.

#include "documents.h"
#include "support/ubl_checks.h"
#include "ubl/writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tallomir {
namespace {

namespace fs = std::filesystem;
using writertest::addLine;
using writertest::fillParties;
using writertest::newState;
using writertest::recompute;

class ValidFile : public ::testing::Test {
protected:
    fs::path dir;
    DocumentState state = newState();

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tallomir_valid_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fillParties(state);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string save() {
        const ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state, (dir / "beleg.xml").string());
        EXPECT_TRUE(outcome.ok) << outcome.message;
        return outcome.fileName;
    }

    // Saves, then checks the schema and the sum rules.
    void expectValid() {
        const std::string file = save();
        EXPECT_EQ(testing::validateWithXmllint(file, state.doc.documentTypeCode == "381"), "");
        const auto problems = testing::checkSumRules(file);
        EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    }

    void withAllowance(const std::string& reason, int slot) {
        enterAllowanceReason(state, reason);
        chooseAllowanceSlot(state, slot);
    }
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void replaceOnce(const fs::path& path, const std::string& from, const std::string& to) {
    std::string text = readFile(path);
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    std::ofstream(path, std::ios::binary) << text;
}

TEST_F(ValidFile, OneRate) {
    addLine(state, "3", "9.99", "19");
    addLine(state, "1", "0.50", "19");
    recompute(state);
    expectValid();
}

TEST_F(ValidFile, NineteenAndSeven) {
    addLine(state, "1", "100", "19");
    addLine(state, "1", "50", "7");
    recompute(state);
    EXPECT_EQ(state.doc.payableAmount, "172.50");
    expectValid();
}

TEST_F(ValidFile, OnlyExemptLinesWithCategoryK) {
    state.documentTaxCategory = "K";
    state.doc.customer.countryCode = "AT";
    state.doc.customer.vatId = "ATU12345678";
    addLine(state, "4", "25", "0");
    addLine(state, "1", "12.34", "0");
    recompute(state);
    expectValid();
    EXPECT_NE(readFile(dir / "beleg.xml").find("<cbc:TaxExemptionReason>steuerfreie innergem. Lieferung<"),
              std::string::npos);
}

TEST_F(ValidFile, OnlyExemptLinesWithCategoryGAndAnAllowance) {
    state.documentTaxCategory = "G";
    addLine(state, "4", "25", "0");
    recompute(state);
    withAllowance("Skonto", 2);
    enterAllowanceValue(state, "-5");
    expectValid();
    EXPECT_EQ(state.vatBreakdown[0].taxableAmount, "95.00");
}

TEST_F(ValidFile, AllThreeSlots) {
    addLine(state, "1", "100", "19");
    addLine(state, "2", "25", "7");
    addLine(state, "3", "10", "0");
    recompute(state);
    EXPECT_EQ(state.vatBreakdown.size(), 3u);
    expectValid();
}

TEST_F(ValidFile, RateMatchingNoSlotCountsInTheTotalsOnly) {
    addLine(state, "1", "100", "19");
    addLine(state, "1", "10", "16");
    recompute(state);
    // The 16 % line is in the line total and the net total but has no
    // subtotal; the sum rules, which compare the totals with the lines and each
    // subtotal with the lines of its own rate, still hold.
    expectValid();
    EXPECT_EQ(state.doc.taxExclusiveAmount, "110.00");
    EXPECT_EQ(state.doc.taxInclusiveAmount, "129.00");
}

TEST_F(ValidFile, AllowanceByValueAtNineteen) {
    addLine(state, "1", "100", "19");
    addLine(state, "1", "50", "7");
    recompute(state);
    withAllowance("Treuerabatt", 0);
    enterAllowanceValue(state, "-10");
    EXPECT_EQ(state.doc.payableAmount, "160.60");
    expectValid();
}

TEST_F(ValidFile, ChargeByPercentageAtSeven) {
    addLine(state, "1", "100", "19");
    addLine(state, "1", "50", "7");
    recompute(state);
    withAllowance("Verpackung", 1);
    enterAllowancePercent(state, "10");
    EXPECT_EQ(state.doc.payableAmount, "188.55");
    expectValid();
}

TEST_F(ValidFile, AllowanceWithTheShownRateOnly) {
    addLine(state, "1", "100", "19");
    recompute(state);
    enterAllowanceReason(state, "Rabatt");
    enterAllowanceValue(state, "-10");
    expectValid();
}

TEST_F(ValidFile, ChargeAtARateWithoutLines) {
    addLine(state, "1", "100", "19");
    recompute(state);
    withAllowance("Fracht", 1);
    enterAllowanceValue(state, "15");
    expectValid();
}

TEST_F(ValidFile, CreditNoteWithDueDate) {
    state.doc.documentTypeCode = "381";
    state.doc.projectNumber = "P-7";
    state.doc.orderNumber = "B-1";
    addLine(state, "2", "19.99", "19");
    addLine(state, "1", "5", "7");
    recompute(state);
    withAllowance("Rabatt", 0);
    enterAllowancePercent(state, "-2");
    expectValid();
}

TEST_F(ValidFile, CorrectedInvoice) {
    state.doc.documentTypeCode = "384";
    state.doc.salesOrderNumber = "KA-1";
    addLine(state, "1", "99.99", "19");
    recompute(state);
    expectValid();
}

TEST_F(ValidFile, LargeAmountsAndManyDecimals) {
    addLine(state, "1234.56789", "987.65", "19");
    addLine(state, "0.333333", "3000000", "7");
    addLine(state, "17.125", "1000000.01", "19");
    recompute(state);
    withAllowance("Großkundenrabatt", 0);
    enterAllowancePercent(state, "-1.75");
    expectValid();
    EXPECT_GT(parseNumber(state.doc.payableAmount), parseNumber("1000000"));
}

TEST_F(ValidFile, ThousandLines) {
    for (int i = 0; i < 1000; ++i) {
        const std::string rate = i % 3 == 0 ? "19" : (i % 3 == 1 ? "7" : "0");
        addLine(state, std::to_string(i % 7 + 1) + ".5", std::to_string(i) + ".37", rate);
    }
    recompute(state);
    withAllowance("Mengenrabatt", 1);
    enterAllowanceValue(state, "-123,45");
    expectValid();
}

TEST_F(ValidFile, PrepaidAmountKeepsThePayableRule) {
    addLine(state, "1", "100", "19");
    state.doc.prepaidAmount = "50.00";
    recompute(state);
    expectValid();
    EXPECT_EQ(state.doc.payableAmount, "69.00");
}

// --- The checks catch broken files ---------------------------------------------------

TEST_F(ValidFile, SumRuleCheckFailsAnAlteredPayableAmount) {
    addLine(state, "1", "100", "19");
    recompute(state);
    const std::string file = save();
    ASSERT_TRUE(testing::checkSumRules(file).empty());
    replaceOnce(file, "<cbc:PayableAmount currencyID=\"EUR\">119.00<",
                "<cbc:PayableAmount currencyID=\"EUR\">119.01<");
    const auto problems = testing::checkSumRules(file);
    ASSERT_EQ(problems.size(), 1u) << ::testing::PrintToString(problems);
    EXPECT_EQ(problems[0].rfind("BR-CO-16", 0), 0u) << problems[0];
    EXPECT_EQ(testing::validateWithXmllint(file, false), ""); // still schema-valid
}

TEST_F(ValidFile, SumRuleCheckFailsAWrongSubtotalTax) {
    addLine(state, "1", "100", "19");
    recompute(state);
    const std::string file = save();
    replaceOnce(file,
                "<cbc:TaxAmount currencyID=\"EUR\">19.00</cbc:TaxAmount>\r\n            <cac:TaxCategory>",
                "<cbc:TaxAmount currencyID=\"EUR\">19.01</cbc:TaxAmount>\r\n            <cac:TaxCategory>");
    const auto problems = testing::checkSumRules(file);
    std::string joined;
    for (const auto& p : problems) {
        joined += p.substr(0, p.find(':')) + " ";
    }
    EXPECT_EQ(joined, "BR-CO-17 BR-S-09 BR-CO-14 ") << ::testing::PrintToString(problems);
}

TEST_F(ValidFile, SumRuleCheckFailsAChargeCountedAsAllowance) {
    addLine(state, "1", "100", "19");
    recompute(state);
    withAllowance("Fracht", 0);
    enterAllowanceValue(state, "10");
    const std::string file = save();
    replaceOnce(file, "cbc:ChargeTotalAmount", "cbc:AllowanceTotalAmount");
    replaceOnce(file, "cbc:ChargeTotalAmount", "cbc:AllowanceTotalAmount");
    const auto problems = testing::checkSumRules(file);
    EXPECT_FALSE(problems.empty());
}

TEST_F(ValidFile, SchemaCheckFailsADueDateInACreditNote) {
    state.doc.documentTypeCode = "381";
    addLine(state, "1", "100", "19");
    recompute(state);
    const std::string file = save();
    replaceOnce(file, "<cbc:CreditNoteTypeCode>",
                "<cbc:DueDate>2022-04-13</cbc:DueDate><cbc:CreditNoteTypeCode>");
    EXPECT_NE(testing::validateWithXmllint(file, true), "");
}

} // namespace
} // namespace tallomir
