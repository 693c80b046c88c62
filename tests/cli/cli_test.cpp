// The command-line tool end to end: it builds files through the same input
// rules and check as the window, and every file it writes must be valid.

#include "built_cases.h"
#include "support/reference.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using nlohmann::json;
using tallomir::testing::BuiltCase;
using tallomir::testing::builtCases;
using tallomir::testing::builtInput;
using tallomir::testing::line;
using tallomir::testing::minimalInvoice;

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

// A test's name as a folder name: "Name/V3_0" gives "Name-V3_0".
std::string folderName(std::string name) {
    std::replace(name.begin(), name.end(), '/', '-');
    return name;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tallomir-cli-" + folderName(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
               "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the tool in the test's own folder, where it looks for its settings file.
    CliResult run(const std::string& arguments) {
        if (arguments.rfind("build ", 0) == 0)
            tallomir::testing::keepJsonCase(readFile(dir / arguments.substr(6, arguments.find(' ', 6) - 6)));
        const std::string command =
            "cd '" + dir.string() + "' && '" TALLOMIR_CLI "' " + arguments + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir / "out.txt"),
                readFile(dir / "err.txt")};
    }

    CliResult build(const json& input, const std::string& outName = "out.xml") {
        std::ofstream(dir / "in.json") << input.dump(2);
        return run("build in.json '" + outName + "'");
    }

    fs::path dir;
};

} // namespace

TEST_F(CliTest, HeaderOfAFileWithAllHeaderFieldsIsExactlyAsPrescribed) {
    const fs::path data = TALLOMIR_CLI_TEST_DATA;
    fs::copy_file(data / "header_all_fields.json", dir / "in.json");
    ASSERT_EQ(run("build in.json out.xml").exitCode, 0);
    const std::string golden = readFile(data / "header_all_fields.golden");
    const std::string written = readFile(dir / "out.xml");
    EXPECT_EQ(written.substr(0, golden.size()), golden);
    EXPECT_EQ(written.substr(written.size() - 16), "</ubl:Invoice>\r\n");
}

TEST_F(CliTest, ExitCodesAndTheirMessages) {
    // What is changed in the minimal invoice, the exit code and what stderr must say.
    const std::tuple<std::function<void(json&)>, int, const char*> cases[] = {
        {[](json& j) { j["supplier"].erase("phone"); }, 3, "Lieferant: Telefon fehlt"},
        {[](json& j) { j["lines"][0]["unitPrice"] = "zehn"; }, 3,
         "Positionen: Pos. 1: Preis: \u201Ezehn\u201C ist keine Zahl"},
        {[](json& j) { j["xrechnungVersion"] = "3.0"; }, 3, "Kunde: Elektron. Adresse fehlt"},
        {[](json& j) { j.erase("lines"); }, 3, "Positionen: Die Rechnung hat keine Position"},
        {[](json& j) { j["documentTaxCategory"] = "AE"; }, 3,
         "Kunde: Für Steuerschuldnerschaft des Leistungsempfängers wird die UStID oder die HR Nummer des "
         "Kunden benötigt"},
        // A further note's subject is a code of three capital letters; a subject alone says nothing.
        {[](json& j) {
             j["notes"] = json::array({{{"subjectCode", "aai"}, {"text", "x"}}, {{"subjectCode", "SUR"}}});
         },
         3, "Weitere Angaben: Notiz 2: Betreff \u201Eaai\u201C ist kein Code aus drei Großbuchstaben"},
        {[](json& j) {
             j["notes"] = json::array({{{"text", "x"}}, {{"subjectCode", "SUR"}}});
         },
         3, "Weitere Angaben: Notiz 3: Der Text fehlt"},
        {[](json& j) {
             j["furtherPaymentMeans"] = json::array({{{"iban", "DE02120300000000202051"}}});
         },
         3, "Lieferant: Zahlungsart 2: Der Code fehlt"},
        // Further payment means are of the first one's kind, and one of them at most has a text.
        {[](json& j) {
             j["furtherPaymentMeans"] = json::array({{{"code", "30"}, {"iban", "DE02120300000000202051"}}});
         },
         3,
         "Lieferant: Zahlungsart 2: Der Code \u201E30\u201C weicht von dem der ersten Zahlungsart ab (58)"},
        {[](json& j) {
             j["paymentMeansText"] = "Überweisung";
             j["furtherPaymentMeans"] = json::array(
                 {{{"code", "58"}, {"text", "Zweites Konto"}, {"iban", "DE02120300000000202051"}}});
         },
         3, "Lieferant: Zahlungsart 2: Nur eine Zahlungsart darf einen Text haben"},
        {[](json& j) {
             j["furtherPaymentMeans"] = json::array({{{"code", "58"}, {"bic", "BYLADEM1001"}}});
         },
         3, "Lieferant: Zahlungsart 2: Kontoinhaber oder BIC ohne IBAN"},
        // A further invoice referred to is named by its number.
        {[](json& j) {
             j["furtherPrecedingInvoices"] = {{{"issueDate", "2022-01-15"}}};
         },
         3, "Belegkopf: Vorausgegangene Rechnung 2: Die Nummer fehlt"},
        // A gross price is written with its discount.
        {[](json& j) { j["lines"][0]["grossPrice"] = "12"; }, 3, "Zum Bruttopreis fehlt der Preisnachlass"},
        // The tax point: one of three codes, and a date or a code.
        {[](json& j) { j["taxPointDateCode"] = "5"; }, 3,
         "Weitere Angaben: Steuerfälligkeit (Code) \u201E5\u201C ist keiner der Codes 3"},
        {[](json& j) {
             j["taxPointDateCode"] = "3";
             j["taxPointDate"] = "2022-03-01";
         },
         3, "Weitere Angaben: Steuerfälligkeit: Datum oder Code, nicht beides"},
        // An attached file: its identifier, an allowed type, Base64 content, no more than 15 MB.
        {[](json& j) {
             j["attachments"] = json::array({{{"id", "A"},
                                              {"fileName", "a.zip"},
                                              {"mimeType", "application/zip"},
                                              {"content", "UEsDBA=="}}});
         },
         3,
         "Anhänge: Anhang 1: Der Dateityp \u201Eapplication/zip\u201C ist nicht erlaubt (nur PDF, "
         "PNG, JPEG, "
         "CSV, XLSX, ODS)"},
        {[](json& j) {
             j["attachments"] = json::array({{{"uri", "https://example.org/a"}}});
         },
         3, "Anhänge: Anhang 1: Die Kennung fehlt"},
        {[](json& j) {
             const json file = {
                 {"id", "A"}, {"fileName", "a.pdf"}, {"mimeType", "application/pdf"}, {"content", "QQ=="}};
             j["attachments"] = json::array({file, file});
         },
         3,
         "Anhänge: Anhang 2: Der Dateiname \u201Ea.pdf\u201C kommt schon in einem anderen Anhang "
         "vor"},
        {[](json& j) {
             j["attachments"] = json::array({{{"id", "A"},
                                              {"fileName", "a.pdf"},
                                              {"mimeType", "application/pdf"},
                                              {"content", "JVBE=R0x"}}});
         },
         3, "Anhänge: Anhang 1: Der Inhalt ist kein Base64"},
        {[](json& j) {
             // 15 MB and three bytes
             j["attachments"] = json::array({{{"id", "A"},
                                              {"fileName", "a.pdf"},
                                              {"mimeType", "application/pdf"},
                                              {"content", std::string(20'971'524, 'A')}}});
         },
         3, "Anhänge: Anhang 1: Die Datei ist größer als 15 MB"},
        // An unknown key or code, an impossible date, a unit not in the list, a
        // preceding invoice on an invoice (only credit notes and corrections have one).
        {[](json& j) { j["colour"] = "blau"; }, 1, "colour"},
        {[](json& j) { j["documentTypeCode"] = "999"; }, 1, ""},
        {[](json& j) { j["issueDate"] = "2022-02-30"; }, 1, ""},
        {[](json& j) { j["lines"][0]["unitCode"] = "XYZ"; }, 1, ""},
        {[](json& j) { j["precedingInvoiceNumber"] = "R-0"; }, 1, ""},
        // A line's allowances larger than the line (2 × 10.00), an amount that is no number.
        {[](json& j) {
             j["lines"][0]["lineAllowances"] = {{{"amount", "15"}, {"reason", "A"}},
                                                {{"percent", "30"}, {"reason", "B"}}};
         },
         1, "Position 1: Die Nachlässe (21,00) sind größer als die Position (20,00)"},
        {[](json& j) {
             j["lines"][0]["lineCharges"] = {{{"amount", "zehn"}, {"reasonCode", "ABL"}}};
         },
         1, "Position 1: Zuschlag in Zeile 1: Betrag „zehn“ ist keine Zahl"},
    };
    for (const auto& [change, exitCode, message] : cases) {
        json input = minimalInvoice();
        change(input);
        const CliResult result = build(input);
        EXPECT_EQ(result.exitCode, exitCode) << message;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(dir / "out.xml"));
    }
    EXPECT_EQ(run("").exitCode, 1);
    EXPECT_EQ(run("frobnicate x").exitCode, 1);
    EXPECT_EQ(run("build missing.json out.xml").exitCode, 2);
    std::ofstream(dir / "broken.json") << "{ \"documentNumber\": ";
    EXPECT_EQ(run("build broken.json out.xml").exitCode, 2);
    // Every command that loads ends with 2 and the reason for a file it cannot take.
    std::ofstream(dir / "in.xml") << "<!DOCTYPE a [<!ENTITY co \"Firma GmbH\">]><a>&co;</a>";
    for (const char* command : {"load in.xml", "roundtrip in.xml again.xml", "pdf in.xml out.pdf"}) {
        const CliResult result = run(command);
        EXPECT_EQ(result.exitCode, 2) << command;
        EXPECT_NE(result.err.find("Dokumenttyp-Deklaration (DOCTYPE)"), std::string::npos) << result.err;
    }
    const CliResult unwritable = build(minimalInvoice(), "no/such/folder/out.xml");
    EXPECT_EQ(unwritable.exitCode, 4);
    EXPECT_NE(unwritable.err.find("out.xml konnte nicht gespeichert werden: Der Ordner existiert nicht."),
              std::string::npos)
        << unwritable.err;
}

// A built file loads with its summary and comes back byte for byte; what a
// file holds and the form cannot is named in the dump and by "load" and
// "roundtrip", which still saves.
TEST_F(CliTest, LoadingBackNamesWhatIsNotCarried) {
    std::ofstream(dir / "Tallomir.ini") << "[Global]\nZahlungsbed0=Sofort\n"; // read from the start folder
    ASSERT_EQ(build(minimalInvoice()).exitCode, 0);
    EXPECT_EQ(run("load out.xml").out, "1 Positionen, Zahlbetrag 23.80 EUR\n");
    std::string file = readFile(dir / "out.xml");
    file.insert(
        file.find("<cac:Delivery>"),
        "<cac:BuyerCustomerParty><cac:Party><cac:PartyName><cbc:Name>Käufer AG</cbc:Name></cac:PartyName>"
        "</cac:Party></cac:BuyerCustomerParty>");
    std::ofstream(dir / "buyer.xml") << file;
    const json dumped = json::parse(run("dump buyer.xml").out);
    EXPECT_EQ(dumped["notCarried"], json::array({"Angabe „BuyerCustomerParty“"}));
    EXPECT_EQ(dumped["paymentTerms"], "Sofort");
    for (const char* command : {"load buyer.xml", "roundtrip buyer.xml again.xml"}) {
        const CliResult result = run(command);
        EXPECT_EQ(result.exitCode, 0) << command;
        EXPECT_EQ(result.err, "Nicht übernommen: Angabe „BuyerCustomerParty“\n") << command;
    }
    EXPECT_EQ(readFile(dir / "again.xml"), readFile(dir / "out.xml"));
}

// "convert" writes the syntax and version chosen, by default the file's own
// version; "roundtrip" keeps the syntax the file had.
TEST_F(CliTest, ConvertWritesTheChosenSyntax) {
    json input = minimalInvoice();
    input["documentTypeCode"] = "381";
    input["precedingInvoiceNumber"] = "R-0";
    input["furtherPrecedingInvoices"] = json::parse(R"([{"number": "R-00"}])");
    ASSERT_EQ(build(input, "in.xml").exitCode, 0);
    const std::tuple<std::string, int, std::string, std::string> cases[] = {
        // command, exit code, then of the file written: syntax, version
        {"convert in.xml a.xml --syntax cii", 0, "cii", "2.1.1"},
        {"convert a.xml b.xml --syntax UBL --format 3.0", 0, "ubl", "3.0"},
        {"convert b.xml c.xml --format 2.1.1 --syntax Cii", 0, "cii", "2.1.1"},
        {"roundtrip a.xml d.xml", 0, "cii", "2.1.1"},
        {"convert in.xml e.xml --syntax xml", 1, "", ""},
        {"convert in.xml e.xml --format 3.0", 1, "", ""},
        {"convert in.xml e.xml --syntax cii --format 3", 1, "", ""},
    };
    for (const auto& [command, code, syntax, version] : cases) {
        SCOPED_TRACE(command);
        const CliResult result = run(command);
        EXPECT_EQ(result.exitCode, code);
        // CII names one preceding invoice: the second is named as not written
        if (command == "convert in.xml a.xml --syntax cii") {
            EXPECT_EQ(result.err, "Nicht geschrieben: Bezug auf Rechnung 2\n");
        }
        if (code != 0)
            continue;
        const std::string written = command.substr(command.find(".xml ") + 5, 5);
        const json dumped = json::parse(run("dump " + written).out);
        EXPECT_EQ(dumped["syntax"], syntax);
        EXPECT_EQ(dumped["xrechnungVersion"], version);
        EXPECT_EQ(dumped["syntax"], syntax);
        EXPECT_EQ(readFile(dir / written).find("<rsm:CrossIndustryInvoice") != std::string::npos,
                  syntax == "cii");
    }
    EXPECT_FALSE(fs::exists(dir / "e.xml"));
}

// The libraries are looked for in the system's folders and the program's own,
// never relative to the folder the program is started in, where a library of
// the same name could lie.
TEST_F(CliTest, LibrariesAreNeverLookedForInTheStartFolder) {
    const std::string command =
        "cd '" + dir.string() + "' && LD_DEBUG=libs '" TALLOMIR_CLI "' >out.txt 2>err.txt";
    std::system(command.c_str());
    const std::string trace = readFile(dir / "err.txt");
    const std::regex tried(R"(trying file=(\S*))");
    std::vector<std::string> files;
    for (auto match = std::sregex_iterator(trace.begin(), trace.end(), tried);
         match != std::sregex_iterator(); ++match)
        files.push_back((*match)[1]);
    if (files.empty())
        GTEST_SKIP() << "the system's loader does not trace its search";
    const auto relative = std::find_if(files.begin(), files.end(),
                                       [](const std::string& file) { return !fs::path(file).is_absolute(); });
    EXPECT_TRUE(relative == files.end()) << "looked for " << *relative;
}

// Each invoice is built in both versions (one entry each), its amounts read
// back with "dump", and the files of a version are then judged by the official
// rules in one run.
class CliBuilt : public CliTest, public ::testing::WithParamInterface<std::pair<std::string, std::string>> {};

TEST_P(CliBuilt, FilesHoldTheirAmountsAndPassTheOfficialRules) {
    TALLOMIR_REQUIRE_TESTDATA();
    std::vector<fs::path> files;
    const auto& [version, syntax] = GetParam();
    for (const BuiltCase& c : builtCases()) {
        SCOPED_TRACE(c.name + (" " + version + " " + syntax));
        const json input = builtInput(c, version, syntax);
        const std::string name = c.name + ("-" + version + ".xml");
        const CliResult result = build(input, name);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        files.push_back(dir / name);
        const json dumped = json::parse(run("dump '" + name + "'").out);
        EXPECT_EQ(dumped["xrechnungVersion"], version);
        EXPECT_EQ(dumped["syntax"], syntax);
        // what the program wrote it reads back whole, the one empty entry given left out
        EXPECT_EQ(dumped["notCarried"], json::array());
        EXPECT_EQ(dumped["lines"][0]["itemClassifications"].size() +
                      dumped["lines"][0]["itemAttributes"].size(),
                  c.name == std::string("line-details") ? 3U : 0U);
        // What CII cannot say: the order number "NA" beside a sales order alone (it needs none), a
        // further payment means' remittance information, identifiers of the seller without a scheme
        // before one with, a second preceding invoice.
        static const std::set<std::string> ublOnly = {"/orderNumber",
                                                      "/furtherPaymentMeans/0/remittanceInformation",
                                                      "/supplier/partyId",
                                                      "/supplier/furtherPartyIds/0/id",
                                                      "/supplier/furtherPartyIds/0/scheme",
                                                      "/supplier/furtherPartyIds/1/id",
                                                      "/supplier/furtherPartyIds/1/scheme",
                                                      "/furtherPrecedingInvoices/0/issueDate",
                                                      "/furtherPrecedingInvoices/1/number"};
        for (const auto& [pointer, value] : c.dumped)
            if (syntax == "ubl" || !ublOnly.contains(pointer)) {
                EXPECT_EQ(dumped.at(json::json_pointer(pointer)), value) << pointer;
            }
        const std::string compact = std::regex_replace(readFile(dir / name), std::regex(">\\s+<"), "><");
        for (const std::string& part : c.written) // UBL's elements
            EXPECT_TRUE(syntax == "cii" || compact.find(part) != std::string::npos) << part;
        if (!c.shown.empty()) {
            ASSERT_EQ(run("pdf '" + name + "' out.pdf").exitCode, 0);
            const std::string words = tallomir::testing::pdfWords(dir / "out.pdf");
            for (const std::string& part : c.shown)
                EXPECT_NE(words.find(part), std::string::npos) << part;
        }
    }
    tallomir::testing::expectAllValid(files);
}

INSTANTIATE_TEST_SUITE_P(Versions, CliBuilt,
                         ::testing::Values(std::pair{"2.1.1", "ubl"}, std::pair{"3.0", "ubl"},
                                           std::pair{"2.1.1", "cii"}, std::pair{"3.0", "cii"}),
                         [](const auto& info) {
                             return (info.param.second == "cii" ? "Cii" : "") +
                                    std::string(info.param.first == "3.0" ? "V3_0" : "V2_1_1");
                         });
