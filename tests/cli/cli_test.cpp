// The command-line tool end to end: it builds files through the same input
// rules as the window, and every file it writes must be valid.

#include "support/reference.h"
#include "support/ubl_checks.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("tallomir-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the tool in the test's own folder, so no settings file is found there.
    CliResult run(const std::string& arguments) {
        const fs::path errFile = dir / "stderr.txt";
        const std::string command =
            "cd '" + dir.string() + "' && '" TALLOMIR_CLI "' " + arguments + " 2>'" + errFile.string() + "'";
        CliResult result;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return result;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.out.append(buffer, n);
        const int status = pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = readFile(errFile);
        return result;
    }

    CliResult build(const json& input, const std::string& outName = "out.xml") {
        std::ofstream(dir / "in.json") << input.dump(2);
        return run("build in.json '" + outName + "'");
    }

    fs::path dir;
};

// An invoice whose sixteen mandatory fields are filled.
json minimalInvoice() {
    return json{
        {"buyerReference", "991-12345-67"},
        {"documentNumber", "R-1"},
        {"issueDate", "2022-03-01"},
        {"deliveryDate", "2022-03-01"},
        {"supplier",
         {{"partyId", "L-1"},
          {"name", "Lieferant GmbH"},
          {"postalCode", "10115"},
          {"city", "Berlin"},
          {"countryCode", "DE"},
          {"vatId", "DE123456789"},
          {"registrationName", "Lieferant GmbH"},
          {"contactName", "Erika Muster"},
          {"phone", "030 1234"},
          {"email", "erika@example.org"}}},
        {"iban", "DE02120300000000202051"},
        {"customer",
         {{"partyId", "K-1"},
          {"name", "Kunde AG"},
          {"postalCode", "80331"},
          {"city", "München"},
          {"countryCode", "DE"},
          {"registrationName", "Kunde AG"}}},
    };
}

json line(const std::string& position, const std::string& quantity, const std::string& price,
          const std::string& rate) {
    return json{{"position", position},
                {"quantity", quantity},
                {"itemName", "Artikel " + position},
                {"unitPrice", price},
                {"lineVatPercent", rate}};
}

// Builds, then checks schema validity and the EN 16931 sum and category rules.
void expectValid(const CliResult& result, const fs::path& file, bool creditNote = false) {
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto problems = tallomir::testing::checkSumRules(file.string());
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    TALLOMIR_REQUIRE_TESTDATA();
    EXPECT_EQ(tallomir::testing::validateWithXmllint(file.string(), creditNote), "");
}

} // namespace

// --- The header, byte for byte ---------------------------------------------

TEST_F(CliTest, HeaderOfAFileWithAllHeaderFieldsIsExactlyAsPrescribed) {
    const fs::path data = TALLOMIR_CLI_TEST_DATA;
    fs::copy_file(data / "header_all_fields.json", dir / "in.json");
    const CliResult result = run("build in.json out.xml");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string golden = readFile(data / "header_all_fields.golden");
    const std::string written = readFile(dir / "out.xml");
    ASSERT_GE(written.size(), golden.size());
    EXPECT_EQ(written.substr(0, golden.size()), golden);
    EXPECT_EQ(written.substr(written.size() - 16), "</ubl:Invoice>\r\n");
}

TEST_F(CliTest, AMissingExtensionIsCompleted) {
    const CliResult result = build(minimalInvoice(), "rechnung");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(dir / "rechnung.xml"));
    EXPECT_FALSE(fs::exists(dir / "rechnung"));
}

TEST_F(CliTest, OnlyASalesOrderNumberGivesTheOrderReferenceIdNA) {
    json input = minimalInvoice();
    input["salesOrderNumber"] = "KA-5";
    input["lines"] = json::array({line("1", "1", "10", "19")});
    const CliResult result = build(input);
    expectValid(result, dir / "out.xml");
    const std::string written = readFile(dir / "out.xml");
    EXPECT_NE(written.find("    <cac:OrderReference>\r\n        <cbc:ID>NA</cbc:ID>\r\n"
                           "        <cbc:SalesOrderID>KA-5</cbc:SalesOrderID>\r\n"),
              std::string::npos);
}

TEST_F(CliTest, NoOrderNumbersGiveNoOrderReference) {
    json input = minimalInvoice();
    input["lines"] = json::array({line("1", "1", "10", "19")});
    const CliResult result = build(input);
    expectValid(result, dir / "out.xml");
    EXPECT_EQ(readFile(dir / "out.xml").find("OrderReference"), std::string::npos);
}

// --- Exit codes and messages -------------------------------------------------

TEST_F(CliTest, AnEmptyMandatoryFieldExitsThreeAndSavesNothing) {
    json input = minimalInvoice();
    input["supplier"].erase("email");
    const CliResult result = build(input);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_NE(result.err.find("nicht alle Pflichtfelder ausgefüllt"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out.xml"));
}

TEST_F(CliTest, AllMandatoryFieldsButThePhoneSave) {
    json input = minimalInvoice();
    input["supplier"].erase("phone");
    EXPECT_EQ(build(input).exitCode, 0);
}

TEST_F(CliTest, AnAllowanceWithoutReasonFailsTheMandatoryCheck) {
    json input = minimalInvoice();
    input["lines"] = json::array({line("1", "1", "100", "19")});
    input["allowance"] = {{"value", "-10"}};
    EXPECT_EQ(build(input).exitCode, 3);
}

TEST_F(CliTest, UsageAndUnusableInputExitOne) {
    EXPECT_EQ(run("").exitCode, 1);
    EXPECT_EQ(run("frobnicate x").exitCode, 1);
    json input = minimalInvoice();
    input["colour"] = "blau";
    EXPECT_EQ(build(input).exitCode, 1);
    json badCode = minimalInvoice();
    badCode["documentTypeCode"] = "999";
    EXPECT_EQ(build(badCode).exitCode, 1);
    json badDate = minimalInvoice();
    badDate["issueDate"] = "2022-02-30";
    EXPECT_EQ(build(badDate).exitCode, 1);
}

TEST_F(CliTest, UnreadableInputExitsTwo) {
    EXPECT_EQ(run("build missing.json out.xml").exitCode, 2);
    std::ofstream(dir / "broken.json") << "{ \"documentNumber\": ";
    EXPECT_EQ(run("build broken.json out.xml").exitCode, 2);
}

TEST_F(CliTest, ASaveIntoAMissingFolderExitsFourAndNamesTheFile) {
    const CliResult result = build(minimalInvoice(), "no/such/folder/out.xml");
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_NE(result.err.find("out.xml"), std::string::npos);
}

TEST_F(CliTest, AMalformedFileExitsTwoWithTheParserMessage) {
    std::ofstream(dir / "bad.xml") << "<ubl:Invoice>\n<cbc:ID>1</cbc:Note>\n</ubl:Invoice>\n";
    const CliResult result = run("dump bad.xml");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("Fehler in der XML Datei:"), std::string::npos);
    EXPECT_NE(result.err.find("Meldung: mismatched tag"), std::string::npos);
    EXPECT_NE(result.err.find("Zeile:   2   Zeichen: "), std::string::npos);
    EXPECT_EQ(run("dump nothing-here.xml").exitCode, 2);
}

// --- Files the recipient's validator accepts ---------------------------------

TEST_F(CliTest, OneRate) {
    json input = minimalInvoice();
    input["lines"] = json::array({line("1", "3", "9,99", "19"), line("2", "1", "0,125", "19")});
    const CliResult result = build(input);
    expectValid(result, dir / "out.xml");
    const json dumped = json::parse(run("dump out.xml").out);
    EXPECT_EQ(dumped["lines"][0]["lineNetAmount"], "29.97");
    EXPECT_EQ(dumped["lines"][1]["unitPrice"], "0.13");
    EXPECT_EQ(dumped["lineExtensionAmount"], "30.10");
    EXPECT_EQ(dumped["payableAmount"], "35.82"); // 30.10 + 5.72 (19 % of 30.10 = 5.719)
}

TEST_F(CliTest, TwoRatesWithAnAllowanceByValue) {
    json input = minimalInvoice();
    input["lines"] = json::array({line("1", "1", "100", "19"), line("2", "1", "50", "7")});
    input["allowance"] = {{"reason", "Rabatt"}, {"value", "-10"}, {"vatSlot", 0}};
    const CliResult result = build(input);
    expectValid(result, dir / "out.xml");
    const json dumped = json::parse(run("dump out.xml").out);
    EXPECT_EQ(dumped["taxExclusiveAmount"], "140.00");
    EXPECT_EQ(dumped["payableAmount"], "160.60");
    EXPECT_EQ(dumped["chargeIndicator"], "false");
    EXPECT_EQ(dumped["allowanceAmount"], "10.00");
}

TEST_F(CliTest, AChargeByPercentageAtSevenPercent) {
    json input = minimalInvoice();
    input["lines"] = json::array({line("1", "1", "100", "19"), line("2", "1", "50", "7")});
    input["allowance"] = {{"reason", "Fracht"}, {"percent", "10"}, {"vatSlot", 1}};
    const CliResult result = build(input);
    expectValid(result, dir / "out.xml");
    const json dumped = json::parse(run("dump out.xml").out);
    EXPECT_EQ(dumped["taxExclusiveAmount"], "165.00");
    EXPECT_EQ(dumped["payableAmount"], "188.55");
    EXPECT_EQ(dumped["allowanceAmount"], "15.00");
    EXPECT_EQ(dumped["allowanceBaseAmount"], "150.00");
    EXPECT_EQ(dumped["allowancePercent"], "10.00");
}

TEST_F(CliTest, AnAllowanceWithoutAChosenSlotTakesTheShownRate) {
    json input = minimalInvoice();
    input["lines"] = json::array({line("1", "1", "100", "19")});
    input["allowance"] = {{"reason", "Rabatt"}, {"value", "-10"}};
    const CliResult result = build(input);
    expectValid(result, dir / "out.xml");
    const json dumped = json::parse(run("dump out.xml").out);
    EXPECT_EQ(dumped["allowanceTaxCategory"], "S");
    EXPECT_EQ(dumped["allowanceTaxPercent"], "19.00");
}

TEST_F(CliTest, WithoutPaymentTermsTheShownFirstEntryIsWritten) {
    json input = minimalInvoice();
    input["lines"] = json::array({line("1", "1", "100", "19")});
    ASSERT_EQ(build(input).exitCode, 0);
    EXPECT_NE(readFile(dir / "out.xml").find("<cbc:Note>14 Tage rein netto</cbc:Note>"), std::string::npos);
}

TEST_F(CliTest, OnlyExemptLinesWithCategoryKAndG) {
    for (const char* category : {"K", "G"}) {
        json input = minimalInvoice();
        input["documentTaxCategory"] = category;
        input["customer"]["vatId"] = "ATU12345678";
        input["delivery"] = {
            {"name", "Lager"}, {"city", "Wien"}, {"postalCode", "1010"}, {"countryCode", "AT"}};
        input["lines"] = json::array({line("1", "2", "50", "0"), line("2", "1", "20,5", "0")});
        const CliResult result = build(input);
        expectValid(result, dir / "out.xml");
        const json dumped = json::parse(run("dump out.xml").out);
        EXPECT_EQ(dumped["vatBreakdown"][0]["categoryCode"], category);
        EXPECT_EQ(dumped["payableAmount"], "120.50");
    }
}

TEST_F(CliTest, LinesAtAllThreeSlotsAndARateOfNoSlot) {
    json input = minimalInvoice();
    input["lines"] =
        json::array({line("1", "1", "100", "19"), line("2", "2", "25", "7"), line("3", "1", "10", "0")});
    const CliResult result = build(input);
    expectValid(result, dir / "out.xml");
    const json dumped = json::parse(run("dump out.xml").out);
    ASSERT_EQ(dumped["vatBreakdown"].size(), 3u);
    EXPECT_EQ(dumped["payableAmount"], "182.50"); // 160.00 + 19.00 + 3.50
}

TEST_F(CliTest, CreditNoteWithDueDateAndCorrectedInvoice) {
    json credit = minimalInvoice();
    credit["documentTypeCode"] = "381";
    credit["dueDate"] = "2022-04-01";
    credit["lines"] = json::array({line("1", "1", "100", "19")});
    const CliResult result = build(credit, "gutschrift.xml");
    expectValid(result, dir / "gutschrift.xml", true);
    const std::string written = readFile(dir / "gutschrift.xml");
    EXPECT_NE(written.find("<ubl:CreditNote "), std::string::npos);
    EXPECT_NE(written.find("<cac:CreditNoteLine>"), std::string::npos);
    EXPECT_EQ(written.find("<cbc:DueDate>"), std::string::npos);
    EXPECT_NE(written.find("<cbc:PaymentMeansCode>58</cbc:PaymentMeansCode>\r\n"
                           "        <cbc:PaymentDueDate>2022-04-01</cbc:PaymentDueDate>"),
              std::string::npos);
    const json dumped = json::parse(run("dump gutschrift.xml").out);
    EXPECT_EQ(dumped["dueDate"], "2022-04-01");

    json corrected = minimalInvoice();
    corrected["documentTypeCode"] = "384";
    corrected["lines"] = json::array({line("1", "1", "100", "19")});
    const CliResult second = build(corrected, "korrektur.xml");
    expectValid(second, dir / "korrektur.xml");
    EXPECT_NE(readFile(dir / "korrektur.xml").find("<cbc:InvoiceTypeCode>384</cbc:InvoiceTypeCode>"),
              std::string::npos);
}

TEST_F(CliTest, LargeAmountsAndQuantitiesWithManyDecimals) {
    json input = minimalInvoice();
    input["lines"] = json::array({line("1", "1234,56789", "987654,32", "19"),
                                  line("2", "0.3333333333", "3000000", "7"), line("3", "1,5", "10", "19")});
    const CliResult result = build(input);
    expectValid(result, dir / "out.xml");
    const json dumped = json::parse(run("dump out.xml").out);
    EXPECT_EQ(dumped["lines"][0]["quantity"], "1234.56789");
    EXPECT_EQ(dumped["lines"][0]["lineNetAmount"], "1219326309.89"); // 1219326309.8917848
    EXPECT_EQ(dumped["lines"][1]["lineNetAmount"], "1000000.00");    // 999999.9999
    EXPECT_EQ(dumped["lines"][2]["lineNetAmount"], "15.00");
}

TEST_F(CliTest, AThousandLines) {
    json input = minimalInvoice();
    json lines = json::array();
    for (int i = 1; i <= 1000; ++i)
        lines.push_back(line(std::to_string(i), std::to_string(i % 7 + 1), std::to_string(i) + ",37",
                             i % 3 == 0 ? "7" : "19"));
    input["lines"] = lines;
    const CliResult result = build(input);
    expectValid(result, dir / "out.xml");
    EXPECT_EQ(json::parse(run("dump out.xml").out)["lines"].size(), 1000u);
}

// --- Loading back --------------------------------------------------------------

TEST_F(CliTest, RoundtripOfABuiltFileIsByteIdentical) {
    json input = minimalInvoice();
    input["note"] = "Zeile eins\nZeile zwei";
    input["lines"] = json::array({line("1", "2", "10", "19"), line("2", "1", "5", "7")});
    ASSERT_EQ(build(input).exitCode, 0);
    ASSERT_EQ(run("roundtrip out.xml again.xml").exitCode, 0);
    ASSERT_EQ(run("roundtrip again.xml third.xml").exitCode, 0);
    EXPECT_EQ(readFile(dir / "again.xml"), readFile(dir / "third.xml"));
}

TEST_F(CliTest, LoadPrintsOneSummaryLine) {
    json input = minimalInvoice();
    input["lines"] = json::array({line("1", "2", "10", "19")});
    ASSERT_EQ(build(input).exitCode, 0);
    const CliResult result = run("load out.xml");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "1 Positionen, Zahlbetrag 23.80 EUR\n");
}

TEST_F(CliTest, TheSettingsFileOfTheStartDirectoryIsRead) {
    std::ofstream(dir / "Tallomir.ini") << "[Global]\nUStSatz0=16\nZahlungsbed0=Sofort\n";
    json input = minimalInvoice();
    input["lines"] = json::array({line("1", "1", "100", "16")});
    ASSERT_EQ(build(input).exitCode, 0);
    const json dumped = json::parse(run("dump out.xml").out);
    EXPECT_EQ(dumped["payableAmount"], "116.00");
    EXPECT_EQ(dumped["paymentTerms"], "Sofort");
}
