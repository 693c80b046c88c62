// The command-line tool end to end: it builds files through the same input
// rules and check as the window, and every file it writes must be valid.

#include "support/reference.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

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
            ("tallomir-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "-" + std::to_string(::getpid()));
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

// An invoice with what the check requires, and one line.
json minimalInvoice() {
    return json{
        {"buyerReference", "991-12345-67"},
        {"documentNumber", "R-1"},
        {"issueDate", "2022-03-01"},
        {"deliveryDate", "2022-03-01"},
        {"supplier",
         {{"name", "Lieferant GmbH"},
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
         {{"name", "Kunde AG"},
          {"postalCode", "80331"},
          {"city", "München"},
          {"countryCode", "DE"},
          {"registrationName", "Kunde AG"}}},
        {"lines", json::array({{{"position", "1"},
                                {"quantity", "2"},
                                {"itemName", "Hammer"},
                                {"unitPrice", "10"},
                                {"lineVatPercent", "19"}}})},
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

// --- Exit codes and messages -------------------------------------------------

TEST_F(CliTest, TheCheckNamesWhatIsMissingAndExitsThreeWithoutSaving) {
    // What is changed in the minimal invoice, and what the message must say.
    const std::pair<std::function<void(json&)>, const char*> cases[] = {
        {[](json& j) { j["supplier"].erase("phone"); }, "Lieferant: Telefon fehlt"},
        {[](json& j) { j.erase("lines"); }, "Positionen: Die Rechnung hat keine Position"},
        {[](json& j) {
             j["allowance"] = {{"value", "-10"}};
         },
         "Belegfuss: Nachlass / Zuschlag fehlt"},
        {[](json& j) { j["lines"][0]["unitPrice"] = "zehn"; },
         "Positionen: Pos. 1: Preis: \u201Ezehn\u201C ist keine Zahl"},
        {[](json& j) { j["xrechnungVersion"] = "3.0"; }, "Kunde: Elektron. Adresse fehlt"},
        {[](json& j) {
             j["xrechnungVersion"] = "3.0";
             j["paymentMeansCode"] = "59";
             j["mandateReference"] = "M-1";
         },
         "Lieferant: Gläubiger-ID fehlt"},
        {[](json& j) {
             j["paymentMeansCode"] = "48";
             j["cardNumber"] = "4111111111111111";
         },
         "Lieferant: Kartennummer: nur die letzten 4 bis 6 Ziffern der Karte"},
        {[](json& j) { j["paymentTerms"] = "#SKONTO#TAGE=14#PROZENT=2#"; },
         "Belegkopf: Skonto \u201E#SKONTO#TAGE=14#PROZENT=2#\u201C hat nicht die Form "
         "#SKONTO#TAGE=14#PROZENT=2.00#"},
        {[](json& j) { j["documentTaxCategory"] = "AE"; },
         "Kunde: Für Steuerschuldnerschaft des Leistungsempfängers wird die UStID oder die HR Nummer des "
         "Kunden "
         "benötigt"},
    };
    for (const auto& [change, message] : cases) {
        json input = minimalInvoice();
        change(input);
        const CliResult result = build(input);
        EXPECT_EQ(result.exitCode, 3) << message;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(dir / "out.xml"));
    }
}

TEST_F(CliTest, UsageAndUnusableInputExitOneUnreadableTwoUnwritableFour) {
    EXPECT_EQ(run("").exitCode, 1);
    EXPECT_EQ(run("frobnicate x").exitCode, 1);
    // An unknown key or code, an impossible date, a unit not in the list, a
    // reference to a preceding invoice on an invoice (only credit notes and
    // corrected invoices have one).
    for (const auto& [key, value] : {std::pair{"/colour", "blau"},
                                     {"/documentTypeCode", "999"},
                                     {"/issueDate", "2022-02-30"},
                                     {"/lines/0/unitCode", "XYZ"},
                                     {"/precedingInvoiceNumber", "R-0"}}) {
        json input = minimalInvoice();
        input[json::json_pointer(key)] = value;
        EXPECT_EQ(build(input).exitCode, 1) << key;
    }
    EXPECT_EQ(run("build missing.json out.xml").exitCode, 2);
    std::ofstream(dir / "broken.json") << "{ \"documentNumber\": ";
    EXPECT_EQ(run("build broken.json out.xml").exitCode, 2);
    const CliResult unwritable = build(minimalInvoice(), "no/such/folder/out.xml");
    EXPECT_EQ(unwritable.exitCode, 4);
    EXPECT_NE(unwritable.err.find("out.xml konnte nicht gespeichert werden: Der Ordner existiert nicht."),
              std::string::npos)
        << unwritable.err;
}

// Every command that loads ends with 2 and the reason for a file it cannot take.
TEST_F(CliTest, FilesThatCannotBeLoadedExitTwoWithTheirReason) {
    const std::pair<const char*, const char*> files[] = {
        {"<ubl:Invoice>\n<cbc:ID>1</cbc:Note>\n</ubl:Invoice>\n",
         "Fehler in der XML Datei:\nMeldung: mismatched tag\nZeile:   2   Zeichen: "},
        {"<!DOCTYPE a [<!ENTITY co \"Firma GmbH\">]><a>&co;</a>", "Dokumenttyp-Deklaration (DOCTYPE)"},
        {"<rsm:CrossIndustryInvoice xmlns:rsm=\"urn:cii\"/>", "Syntax UN/CEFACT CII"},
        {"<Order xmlns=\"urn:oasis:names:specification:ubl:schema:xsd:Order-2\"/>",
         "ist \u201EOrder\u201C im"},
        {nullptr, "nothing-here.xml konnte nicht gelesen werden"}};
    for (const auto& [bytes, reason] : files) {
        if (bytes)
            std::ofstream(dir / "in.xml") << bytes;
        for (const auto& [command, output] :
             {std::pair{"load", ""}, {"dump", ""}, {"roundtrip", " out.xml"}, {"pdf", " out.pdf"}}) {
            const CliResult result =
                run(std::string(command) + (bytes ? " in.xml" : " nothing-here.xml") + output);
            EXPECT_EQ(result.exitCode, 2) << command << ' ' << reason;
            EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
            EXPECT_EQ(result.out, "");
        }
        fs::remove(dir / "in.xml");
    }
}

// What a file holds and the form cannot is named: in the dump, and on stderr
// by "load" and "roundtrip", which still saves.
TEST_F(CliTest, WhatIsNotCarriedIsNamed) {
    ASSERT_EQ(build(minimalInvoice()).exitCode, 0);
    std::string file = readFile(dir / "out.xml");
    file.insert(
        file.find("<cac:AccountingSupplierParty>"),
        "<cac:PayeeParty><cac:PartyName><cbc:Name>Factoring AG</cbc:Name></cac:PartyName></cac:PayeeParty>");
    std::ofstream(dir / "payee.xml") << file;
    EXPECT_EQ(json::parse(run("dump payee.xml").out)["notCarried"], json::array({"Zahlungsempfänger"}));
    for (const char* command : {"load payee.xml", "roundtrip payee.xml again.xml"}) {
        const CliResult result = run(command);
        EXPECT_EQ(result.exitCode, 0) << command;
        EXPECT_EQ(result.err, "Nicht übernommen: Zahlungsempfänger\n") << command;
    }
    EXPECT_EQ(readFile(dir / "again.xml"), readFile(dir / "out.xml"));
}

// --- Files the recipient's validator accepts ---------------------------------

// Each invoice is built, its amounts read back with "dump", and all files are
// then judged by the official rules in one run.
TEST_F(CliTest, BuiltFilesHoldTheirAmountsAndPassTheOfficialRules) {
    TALLOMIR_REQUIRE_TESTDATA();
    struct Case {
        const char* name;
        std::function<void(json&)> change;
        std::vector<std::pair<std::string, std::string>> dumped; // JSON pointer, value
    };
    json thousand = json::array();
    for (int i = 1; i <= 1000; ++i)
        thousand.push_back(line(std::to_string(i), std::to_string(i % 7 + 1), std::to_string(i) + ",37",
                                i % 3 == 0 ? "7" : "19"));
    const Case cases[] = {
        {"minimal", [](json&) {}, {{"/payableAmount", "23.80"}}},
        {"one-rate",
         [](json& j) {
             j["lines"] = json::array({line("1", "3", "9,99", "19"), line("2", "1", "0,125", "19")});
             j["lines"][0]["unitCode"] = "KWH";
         },
         // 30.10 + 5.72 (19 % of 30.10 = 5.719); the price keeps its decimals; a line
         // without unit takes the one used last
         {{"/lines/0/lineNetAmount", "29.97"},
          {"/lines/1/unitPrice", "0.125"},
          {"/payableAmount", "35.82"},
          {"/lines/1/unitCode", "KWH"}}},
        {"allowance-by-value",
         [](json& j) {
             j["lines"] = json::array({line("1", "1", "100", "19"), line("2", "1", "50", "7")});
             j["allowance"] = {{"reason", "Rabatt"}, {"value", "-10"}, {"vatSlot", 0}};
         },
         {{"/taxExclusiveAmount", "140.00"}, {"/payableAmount", "160.60"}, {"/chargeIndicator", "false"}}},
        {"charge-by-percent",
         [](json& j) {
             j["lines"] = json::array({line("1", "1", "100", "19"), line("2", "1", "50", "7")});
             j["allowance"] = {{"reason", "Fracht"}, {"percent", "10"}, {"vatSlot", 1}};
         },
         {{"/payableAmount", "188.55"}, {"/allowanceAmount", "15.00"}, {"/allowanceBaseAmount", "150.00"}}},
        {"allowance-at-the-shown-rate",
         [](json& j) {
             j["allowance"] = {{"reason", "Rabatt"}, {"value", "-10"}};
         },
         {{"/allowanceTaxPercent", "19.00"}, {"/payableAmount", "11.90"}}},
        {"only-a-sales-order-and-no-supplier-number",
         [](json& j) { j["salesOrderNumber"] = "KA-5"; },
         {{"/orderNumber", "NA"}, {"/supplier/partyId", ""}}},
        {"credit-note",
         [](json& j) {
             j["documentTypeCode"] = "381";
             j["dueDate"] = "2022-04-01";
             j["precedingInvoiceNumber"] = "R-0";
             j["precedingInvoiceDate"] = "2022-02-01";
             j["lines"][0]["unitCode"] = "HUR";
         },
         {{"/dueDate", "2022-04-01"},
          {"/documentTypeCode", "381"},
          {"/precedingInvoiceNumber", "R-0"},
          {"/precedingInvoiceDate", "2022-02-01"},
          {"/lines/0/unitCode", "HUR"}}},
        // Paid by SEPA direct debit or by card: no account to pay into is written.
        {"direct-debit",
         [](json& j) {
             j["paymentMeansCode"] = "59";
             j["mandateReference"] = "MANDAT-7";
             j["creditorId"] = "DE98ZZZ09999999999";
             j["debitedIban"] = "DE75512108001245126199";
         },
         {{"/mandateReference", "MANDAT-7"}, {"/creditorId", "DE98ZZZ09999999999"}, {"/iban", ""}}},
        {"card",
         [](json& j) {
             j["paymentMeansCode"] = "54";
             j["cardNumber"] = "4711";
             j["cardHolder"] = "Erika Muster";
         },
         {{"/cardNumber", "4711"}, {"/cardHolder", "Erika Muster"}, {"/iban", ""}}},
        {"credit-note-without-due-date",
         [](json& j) { j["documentTypeCode"] = "381"; },
         {{"/dueDate", ""}, {"/paymentTerms", "14 Tage rein netto"}}},
        {"cash-discount",
         [](json& j) {
             j["paymentTerms"] =
                 "Zahlbar in 30 Tagen #SKONTO#TAGE=14#PROZENT=2.00# #SKONTO#TAGE=7#PROZENT=3.00#";
         },
         {{"/paymentTerms",
           "Zahlbar in 30 Tagen\n#SKONTO#TAGE=14#PROZENT=2.00#\n#SKONTO#TAGE=7#PROZENT=3.00#\n"}}},
        {"corrected-invoice",
         [](json& j) {
             j["documentTypeCode"] = "384";
             j["precedingInvoiceNumber"] = "R-0";
             j["lines"][0]["unitCode"] = "LS";
         },
         {{"/documentTypeCode", "384"}, {"/precedingInvoiceNumber", "R-0"}, {"/lines/0/unitCode", "LS"}}},
        {"large-amounts",
         [](json& j) {
             j["lines"] =
                 json::array({line("1", "1234,56789", "987654,32", "19"),
                              line("2", "0.3333333333", "3000000", "7"), line("3", "1,5", "10", "19")});
         },
         {{"/lines/0/lineNetAmount", "1219326309.89"}, // 1219326309.8917848
          {"/lines/1/lineNetAmount", "1000000.00"},    // 999999.9999
          {"/lines/2/lineNetAmount", "15.00"}}},
        {"thousand-lines", [&](json& j) { j["lines"] = thousand; }, {{"/lines/999/position", "1000"}}},
        // Every VAT situation: the lines take the document's category and its rate.
        {"kleinunternehmer",
         [](json& j) {
             j["documentTaxCategory"] = "E";
             j["supplier"].erase("vatId");
             j["supplier"]["taxNumber"] = "201/113/40209";
             j["supplier"]["partyId"] = "L-1";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/payableAmount", "20.00"},
          {"/lines/0/lineTaxCategory", "E"},
          {"/supplier/taxNumber", "201/113/40209"},
          {"/vatBreakdown/0/exemptionReason",
           "Keine Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG"}}},
        {"reverse-charge",
         [](json& j) {
             j["documentTaxCategory"] = "AE";
             j["customer"]["vatId"] = "DE987654321";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/payableAmount", "20.00"}, {"/vatBreakdown/0/categoryCode", "AE"}}},
        {"zero-rated-beside-standard",
         [](json& j) {
             j["lines"].push_back(line("2", "1", "100", "0"));
             j["lines"][1]["taxCategory"] = "Z";
         },
         {{"/payableAmount", "123.80"},
          {"/vatBreakdown/1/categoryCode", "Z"},
          {"/vatBreakdown/1/taxableAmount", "100.00"}}},
        {"exempt-beside-standard",
         [](json& j) {
             j["lines"].push_back(line("2", "1", "100", "0"));
             j["lines"][1]["taxCategory"] = "E";
         },
         {{"/payableAmount", "123.80"}, {"/vatBreakdown/1/categoryCode", "E"}}},
        {"outside-the-scope-of-vat",
         [](json& j) {
             j["documentTaxCategory"] = "O";
             j["supplier"].erase("vatId");
             j["supplier"]["partyId"] = "L-1";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/payableAmount", "20.00"},
          {"/lines/0/lineVatPercent", ""},
          {"/vatBreakdown/0/ratePercent", "0.00"}}},
        {"intra-community-supply",
         [](json& j) {
             j["documentTaxCategory"] = "K";
             j["customer"]["vatId"] = "ATU12345678";
             j["customer"]["countryCode"] = "AT";
             j["delivery"] = {{"city", "Wien"}, {"postalCode", "1010"}, {"countryCode", "AT"}};
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/payableAmount", "20.00"}, {"/vatBreakdown/0/categoryCode", "K"}}},
        {"export",
         [](json& j) {
             j["documentTaxCategory"] = "G";
             j["customer"]["countryCode"] = "CH";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/payableAmount", "20.00"}, {"/vatBreakdown/0/categoryCode", "G"}}},
    };
    // Each invoice in both versions; XRechnung 3.0 with both electronic addresses.
    std::vector<fs::path> files;
    for (const char* version : {"2.1.1", "3.0"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " " + version);
            json input = minimalInvoice();
            input["xrechnungVersion"] = version;
            if (version == std::string("3.0")) {
                input["supplier"]["electronicAddress"] = "rechnung@lieferant.example";
                input["customer"]["electronicAddress"] = "991-12345-67";
                input["customer"]["electronicAddressScheme"] = "0204";
            }
            c.change(input);
            const std::string name = std::string(c.name) + "-" + version + ".xml";
            const CliResult result = build(input, name);
            ASSERT_EQ(result.exitCode, 0) << result.err;
            files.push_back(dir / name);
            const json dumped = json::parse(run("dump '" + name + "'").out);
            EXPECT_EQ(dumped["xrechnungVersion"], version);
            for (const auto& [pointer, value] : c.dumped)
                EXPECT_EQ(dumped.at(json::json_pointer(pointer)), value) << pointer;
        }
    }
    tallomir::testing::expectAllValid(files);
}

// --- Loading back --------------------------------------------------------------

TEST_F(CliTest, RoundtripOfABuiltFileIsByteIdentical) {
    json input = minimalInvoice();
    input["note"] = "Zeile eins\nZeile zwei";
    input["lines"].push_back(line("2", "1", "5", "7"));
    ASSERT_EQ(build(input).exitCode, 0);
    ASSERT_EQ(run("roundtrip out.xml again.xml").exitCode, 0);
    ASSERT_EQ(run("roundtrip again.xml third.xml").exitCode, 0);
    EXPECT_EQ(readFile(dir / "again.xml"), readFile(dir / "third.xml"));
}

TEST_F(CliTest, LoadPrintsOneSummaryLine) {
    json input = minimalInvoice();
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
