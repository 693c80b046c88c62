// The command-line tool end to end: it builds files through the same input
// rules and check as the window, and every file it writes must be valid.

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

// An invoice with what the check requires, and one line.
json minimalInvoice() {
    return json::parse(R"({
      "buyerReference": "991-12345-67", "documentNumber": "R-1", "issueDate": "2022-03-01",
      "deliveryDate": "2022-03-01", "iban": "DE02120300000000202051",
      "supplier": {"name": "Lieferant GmbH", "postalCode": "10115", "city": "Berlin", "countryCode": "DE",
                   "vatId": "DE123456789", "registrationName": "Lieferant GmbH", "contactName": "Erika Muster",
                   "phone": "030 1234", "email": "erika@example.org"},
      "customer": {"name": "Kunde AG", "postalCode": "80331", "city": "München", "countryCode": "DE",
                   "registrationName": "Kunde AG"},
      "lines": [{"position": "1", "quantity": "2", "itemName": "Hammer", "unitPrice": "10",
                 "lineVatPercent": "19"}]})");
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

// Each invoice is built in both versions (one entry each), its amounts read
// back with "dump", and the files of a version are then judged by the official
// rules in one run.
class CliBuilt : public CliTest, public ::testing::WithParamInterface<std::pair<std::string, std::string>> {};

TEST_P(CliBuilt, FilesHoldTheirAmountsAndPassTheOfficialRules) {
    TALLOMIR_REQUIRE_TESTDATA();
    struct Case {
        const char* name;
        std::function<void(json&)> change;
        std::vector<std::pair<std::string, std::string>> dumped; // JSON pointer, value
        std::vector<std::string> written = {};                   // in the file, blanks between elements out
        std::vector<std::string> shown = {};                     // in its PDF ("pdf"), words whole
    };
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
         // 10 % of each rate's lines: 10.00 at 19 %, 5.00 at 7 %
         {{"/payableAmount", "189.75"}, {"/allowanceAmount", "15.00"}, {"/allowanceBaseAmount", "150.00"}}},
        // A line's own allowances and charges: 29.97 − 5.00 − 3.00 (10 % of 29.97) + 2.50 = 24.47,
        // VAT 4.65 (19 % of 24.47 = 4.6493); the document's sums of allowances and charges stay empty.
        {"line-allowances",
         [](json& j) {
             j["lines"] = json::array({line("1", "3", "9,99", "19")});
             j["lines"][0]["lineAllowances"] = {
                 {{"amount", "5,00"}, {"reason", "Treuerabatt"}},
                 {{"percent", "10"}, {"reason", "Mengenrabatt"}, {"reasonCode", "95"}}};
             j["lines"][0]["lineCharges"] = {
                 {{"amount", 2.5}, {"reason", "Verpackung"}, {"reasonCode", "ABL"}}};
         },
         {{"/lines/0/lineNetAmount", "24.47"},
          {"/lines/0/lineAllowances/0/amount", "5.00"},
          {"/lines/0/lineAllowances/1/amount", "3.00"},
          {"/lines/0/lineAllowances/1/percent", "10"},
          {"/lines/0/lineAllowances/1/baseAmount", "29.97"}, // the line's amount is written as its base
          {"/lines/0/lineAllowances/1/reasonCode", "95"},
          {"/lines/0/lineCharges/0/reason", "Verpackung"},
          {"/lineExtensionAmount", "24.47"},
          {"/allowanceTotalAmount", ""},
          {"/payableAmount", "29.12"}}},
        {"only-a-sales-order", [](json& j) { j["salesOrderNumber"] = "KA-5"; }, {{"/orderNumber", "NA"}}},
        // Another than the seller receives the payment.
        {"payee",
         [](json& j) {
             j["payee"] = {
                 {"name", "Factoring AG"}, {"identifier", "ZE-12"}, {"legalRegistrationId", "HRB 1"}};
         },
         {{"/payee/name", "Factoring AG"},
          {"/payee/identifier", "ZE-12"},
          {"/payee/legalRegistrationId", "HRB 1"},
          {"/payee/identifierScheme", ""}}},
        // The seller's tax representative, with its address and VAT identifier.
        {"tax-representative",
         [](json& j) {
             j["taxRepresentative"] = {{"name", "Fiskal GmbH"}, {"street", "Ringstraße 3"},
                                       {"postalCode", "10115"}, {"city", "Berlin"},
                                       {"countryCode", "DE"},   {"vatId", "DE123456789"}};
         },
         {{"/taxRepresentative/name", "Fiskal GmbH"},
          {"/taxRepresentative/street", "Ringstraße 3"},
          {"/taxRepresentative/postalCode", "10115"},
          {"/taxRepresentative/city", "Berlin"},
          {"/taxRepresentative/countryCode", "DE"},
          {"/taxRepresentative/vatId", "DE123456789"}}},
        // Every address with its further lines and region, every identifier with its scheme, the
        // delivery location; each where the schema orders it.
        {"addresses",
         [](json& j) {
             j.merge_patch(json::parse(R"({
               "supplier": {"partyId": "4000001123452", "partyIdScheme": "0088", "additionalStreet": "Hinterhaus",
                            "addressLine3": "2. Etage", "region": "Berlin", "registrationId": "123456789",
                            "registrationIdScheme": "0060"},
               "customer": {"partyId": "04011000-12345-34", "partyIdScheme": "0204", "street": "Marienplatz 1",
                            "additionalStreet": "Zimmer 12", "addressLine3": "Eingang B", "region": "Bayern",
                            "registrationId": "4000001000005", "registrationIdScheme": "0088"},
               "delivery": {"additionalStreet": "Tor 3", "addressLine3": "Rampe 2", "postalCode": "85748",
                            "city": "Garching", "region": "Bayern", "countryCode": "DE",
                            "locationId": "4000001987658", "locationIdScheme": "0088"},
               "taxRepresentative": {"name": "Fiskal GmbH", "additionalStreet": "Aufgang A",
                                     "addressLine3": "Postfach 7", "postalCode": "1010", "city": "Wien",
                                     "region": "Wien", "countryCode": "AT", "vatId": "ATU12345678"}})"));
         },
         {{"/supplier/partyIdScheme", "0088"},
          {"/supplier/additionalStreet", "Hinterhaus"},
          {"/customer/addressLine3", "Eingang B"},
          {"/customer/region", "Bayern"},
          {"/customer/registrationIdScheme", "0088"},
          {"/delivery/locationId", "4000001987658"},
          {"/delivery/locationIdScheme", "0088"},
          {"/taxRepresentative/addressLine3", "Postfach 7"}},
         {"<cac:PartyIdentification><cbc:ID "
          "schemeID=\"0088\">4000001123452</cbc:ID></cac:PartyIdentification>"
          "<cac:PartyName><cbc:Name>Lieferant GmbH</cbc:Name></cac:PartyName><cac:PostalAddress>"
          "<cbc:AdditionalStreetName>Hinterhaus</cbc:AdditionalStreetName><cbc:CityName>Berlin</cbc:CityName>"
          "<cbc:PostalZone>10115</cbc:PostalZone><cbc:CountrySubentity>Berlin</cbc:CountrySubentity>"
          "<cac:AddressLine><cbc:Line>2. Etage</cbc:Line></cac:AddressLine><cac:Country>",
          "<cbc:RegistrationName>Lieferant GmbH</cbc:RegistrationName><cbc:CompanyID "
          "schemeID=\"0060\">123456789"
          "</cbc:CompanyID></cac:PartyLegalEntity>",
          "<cbc:ID schemeID=\"0204\">04011000-12345-34</cbc:ID></cac:PartyIdentification><cac:PartyName>"
          "<cbc:Name>Kunde AG</cbc:Name></cac:PartyName><cac:PostalAddress><cbc:StreetName>Marienplatz 1"
          "</cbc:StreetName><cbc:AdditionalStreetName>Zimmer "
          "12</cbc:AdditionalStreetName><cbc:CityName>München"
          "</cbc:CityName><cbc:PostalZone>80331</cbc:PostalZone><cbc:CountrySubentity>Bayern</"
          "cbc:CountrySubentity>"
          "<cac:AddressLine><cbc:Line>Eingang B</cbc:Line></cac:AddressLine><cac:Country>",
          "<cbc:RegistrationName>Kunde AG</cbc:RegistrationName><cbc:CompanyID "
          "schemeID=\"0088\">4000001000005"
          "</cbc:CompanyID></cac:PartyLegalEntity>",
          "<cac:TaxRepresentativeParty><cac:PartyName><cbc:Name>Fiskal GmbH</cbc:Name></cac:PartyName>"
          "<cac:PostalAddress><cbc:AdditionalStreetName>Aufgang "
          "A</cbc:AdditionalStreetName><cbc:CityName>Wien"
          "</cbc:CityName><cbc:PostalZone>1010</cbc:PostalZone><cbc:CountrySubentity>Wien</"
          "cbc:CountrySubentity>"
          "<cac:AddressLine><cbc:Line>Postfach 7</cbc:Line></cac:AddressLine><cac:Country>"
          "<cbc:IdentificationCode>AT</cbc:IdentificationCode></cac:Country></cac:PostalAddress>",
          "<cac:DeliveryLocation><cbc:ID schemeID=\"0088\">4000001987658</cbc:ID><cac:Address>"
          "<cbc:AdditionalStreetName>Tor 3</cbc:AdditionalStreetName><cbc:CityName>Garching</cbc:CityName>"
          "<cbc:PostalZone>85748</cbc:PostalZone><cbc:CountrySubentity>Bayern</cbc:CountrySubentity>"
          "<cac:AddressLine><cbc:Line>Rampe "
          "2</cbc:Line></cac:AddressLine><cac:Country><cbc:IdentificationCode>DE"
          "</cbc:IdentificationCode></cac:Country></cac:Address></cac:DeliveryLocation>"}},
        // The invoiced object, with the scheme of its identifier.
        {"invoiced-object",
         [](json& j) {
             j["invoicedObjectIdentifier"] = "Z-0815";
             j["invoicedObjectIdentifierScheme"] = "AAG";
         },
         {{"/invoicedObjectIdentifier", "Z-0815"}, {"/invoicedObjectIdentifierScheme", "AAG"}}},
        // The tax point named by a code instead of a date, beside the period it closes.
        {"tax-point-code",
         [](json& j) {
             j["periodStart"] = "2022-02-01";
             j["periodEnd"] = "2022-02-28";
             j["taxPointDateCode"] = "35";
         },
         {{"/taxPointDateCode", "35"}},
         {"<cac:InvoicePeriod><cbc:StartDate>2022-02-01</cbc:StartDate><cbc:EndDate>2022-02-28</cbc:EndDate>"
          "<cbc:DescriptionCode>35</cbc:DescriptionCode></cac:InvoicePeriod>"}},
        // Further notes after the first, with and without a subject; an empty entry is left out.
        {"further-notes",
         [](json& j) {
             j["note"] = "Erste";
             j["notes"] = json::array({{{"subjectCode", "AAI"}, {"text", "Zweite"}},
                                       {{"subjectCode", ""}, {"text", ""}},
                                       {{"text", "Dritte\nmit Zeile"}}});
         },
         {{"/note", "Erste"},
          {"/notes/0/subjectCode", "AAI"},
          {"/notes/0/text", "Zweite"},
          {"/notes/1/subjectCode", ""},
          {"/notes/1/text", "Dritte\nmit Zeile"}}},
        // Further accounts to pay into after the form's own, kept whole.
        {"further-payment-means",
         [](json& j) {
             j["paymentMeansText"] = "Überweisung";
             j["furtherPaymentMeans"] = json::array({{{"code", "58"},

                                                      {"iban", "AT611904300234573201"},
                                                      {"accountName", "Konto Wien"},
                                                      {"bic", "BKAUATWW"},
                                                      {"remittanceInformation", "RE-1"}},
                                                     {{"code", "58"}, {"iban", "DE75512108001245126199"}}});
         },
         {{"/paymentMeansText", "Überweisung"},
          {"/furtherPaymentMeans/0/text", ""},
          {"/furtherPaymentMeans/0/iban", "AT611904300234573201"},
          {"/furtherPaymentMeans/0/accountName", "Konto Wien"},
          {"/furtherPaymentMeans/0/bic", "BKAUATWW"},
          {"/furtherPaymentMeans/0/remittanceInformation", "RE-1"},
          {"/furtherPaymentMeans/1/code", "58"},
          {"/furtherPaymentMeans/1/iban", "DE75512108001245126199"}}},
        // A line's further details, each written in its place and given back; texts are tidied,
        // empty rows left out.
        {"line-details",
         [](json& j) {
             j["lines"][0].update(
                 {{"orderLineReference", "7"},
                  {"lineAccountingReference", "KST-4711"},
                  {"lineObjectIdentifier", "Z-12"},
                  {"lineObjectIdentifierScheme", "AAG"},
                  {"buyersItemId", " K-100 "},
                  {"standardItemId", "4012345678901"},
                  {"standardItemIdScheme", "0160"},
                  {"originCountry", "DE"},
                  {"grossPrice", "12,50"},
                  {"priceDiscount", "2,5"},
                  {"itemClassifications",
                   {{{"code", "44111"}, {"listId", "STI"}, {"listVersionId", "2"}}, json::object()}},
                  {"itemAttributes",
                   {{{"name", "Farbe"}, {"value", "rot"}}, {{"name", "Größe"}, {"value", "XL"}}}}});
         },
         {{"/lines/0/orderLineReference", "7"},
          {"/lines/0/lineAccountingReference", "KST-4711"},
          {"/lines/0/lineObjectIdentifier", "Z-12"},
          {"/lines/0/lineObjectIdentifierScheme", "AAG"},
          {"/lines/0/buyersItemId", "K-100"},
          {"/lines/0/standardItemId", "4012345678901"},
          {"/lines/0/standardItemIdScheme", "0160"},
          {"/lines/0/originCountry", "DE"},
          {"/lines/0/grossPrice", "12.50"},
          {"/lines/0/priceDiscount", "2.5"},
          {"/lines/0/itemClassifications/0/code", "44111"},
          {"/lines/0/itemClassifications/0/listId", "STI"},
          {"/lines/0/itemClassifications/0/listVersionId", "2"},
          {"/lines/0/itemAttributes/0/name", "Farbe"},
          {"/lines/0/itemAttributes/1/value", "XL"}},
         // the price as the net price below its gross price
         {"</cbc:PriceAmount><cac:AllowanceCharge>"
          "<cbc:ChargeIndicator>false</cbc:ChargeIndicator><cbc:Amount currencyID=\"EUR\">2.5</cbc:Amount>"
          "<cbc:BaseAmount currencyID=\"EUR\">12.50</cbc:BaseAmount></cac:AllowanceCharge></cac:Price>"}},
        // The seller's identifiers after the first, with and without a scheme.
        {"further-seller-ids",
         [](json& j) {
             j["supplier"]["partyId"] = "4000001";
             j["supplier"]["furtherPartyIds"] = json::array(
                 {{{"id", "4000002"}, {"scheme", "0088"}}, {{"id", "L-7"}}, {{"scheme", "0088"}}});
         },
         {{"/supplier/partyId", "4000001"},
          {"/supplier/furtherPartyIds/0/id", "4000002"},
          {"/supplier/furtherPartyIds/0/scheme", "0088"},
          {"/supplier/furtherPartyIds/1/id", "L-7"},
          {"/supplier/furtherPartyIds/1/scheme", ""}}},
        // Attached files (a PDF and a PNG in Base64) and a reference to one elsewhere.
        {"attachments",
         [](json& j) {
             j["attachments"] = json::array(
                 {{{"id", "Z-1"},
                   {"description", "Zeitnachweis"},
                   {"fileName", "zeiten.pdf"},
                   {"mimeType", "application/pdf"},
                   {"content", "JVBERi0xLjQK"}},
                  {{"id", "F-2"},
                   {"fileName", "foto.png"},
                   {"mimeType", "image/png"},
                   {"content", "iVBORw0KGgo="}},
                  {{"id", "L-3"}, {"description", "Lieferschein"}, {"uri", "https://example.org/ls/3"}}});
         },
         {{"/attachments/0/id", "Z-1"},
          {"/attachments/0/description", "Zeitnachweis"},
          {"/attachments/0/fileName", "zeiten.pdf"},
          {"/attachments/0/mimeType", "application/pdf"},
          {"/attachments/0/content", "JVBERi0xLjQK"},
          {"/attachments/1/mimeType", "image/png"},
          {"/attachments/1/content", "iVBORw0KGgo="},
          {"/attachments/2/uri", "https://example.org/ls/3"},
          {"/attachments/2/content", ""}}},
        // A business process given is written instead of the program's own.
        // Everything at once, as a public buyer receives it. Line 1: 3 × 9,99 = 29,97 − 5,00 − 3,00
        // (10 % of 29,97) + 2,50 = 24,47 at 19 %; line 2: 2 × 50,00 = 100,00 at 7 %; the freight charge
        // 10,00 at 19 %. VAT 19 % of 34,47 = 6,5493 → 6,55 and 7 % of 100,00 = 7,00; due 134,47 + 13,55.
        {"whole-invoice",
         [](json& j) {
             std::ifstream in(fs::path(TALLOMIR_CLI_TEST_DATA) / "whole_invoice.json");
             j.merge_patch(json::parse(in));
         },
         {{"/lines/0/lineNetAmount", "24.47"},
          {"/lines/1/lineNetAmount", "100.00"},
          {"/lineExtensionAmount", "124.47"},
          {"/chargeTotalAmount", "10.00"},
          {"/taxExclusiveAmount", "134.47"},
          {"/taxTotalAmount", "13.55"},
          {"/payableAmount", "148.02"},
          {"/lines/0/lineAllowances/1/amount", "3.00"},
          {"/lines/0/lineCharges/0/amount", "2.50"},
          {"/notes/1/subjectCode", "SUR"},
          {"/attachments/1/fileName", "lieferung.png"},
          {"/payee/name", "Factoring AG"},
          {"/taxRepresentative/vatId", "DE111111125"},
          {"/buyerAccountingReference", "KST-4711"},
          {"/tenderOrLotReference", "VG-2022-17"}},
         {},
         {"Nachlass Treuerabatt \u22125,00", "Nachlass Mengenrabatt", "Zuschlag Verpackung 2,50",
          "Zuschlag: Fracht (USt. 19 %) 10,00 €", "zeiten.pdf (1 KB): Zeitnachweis",
          "lieferung.png (1 KB): Foto der Lieferung", "Zahlungsempfänger Factoring AG",
          "Steuervertreter Fiskal GmbH", "Buchungsreferenz KST-4711", "Vergabenummer VG-2022-17",
          "Vielen Dank für Ihren Auftrag.", "Lieferung in zwei Teilen.", "Rückfragen an die Buchhaltung.",
          "Zahlbetrag 148,02 €"}},
        {"business-process",
         [](json& j) { j["businessProcess"] = "urn:fdc:peppol.eu:2017:poacc:billing:01:1.0"; },
         {{"/businessProcess", "urn:fdc:peppol.eu:2017:poacc:billing:01:1.0"}}},
        {"credit-note",
         [](json& j) {
             j["documentTypeCode"] = "381";
             j["dueDate"] = "2022-04-01";
             j["precedingInvoiceNumber"] = "R-0";
             j["precedingInvoiceDate"] = "2022-02-01";
             j["furtherPrecedingInvoices"] = {
                 {{"number", "R-00"}, {"issueDate", "2022-01-15"}}, {{"number", "R-000"}}, json::object()};
             j["lines"][0]["unitCode"] = "HUR";
             // a credit note has its tax point before its type code and the tender reference last
             j["taxPointDate"] = "2022-03-31";
             j["tenderOrLotReference"] = "VG-9";
             j["projectNumber"] = "PRJ-1";
             j["despatchAdviceReference"] = "LS-4";
             j["remittanceInformation"] = "Gutschrift R-0";
         },
         {{"/dueDate", "2022-04-01"},
          {"/precedingInvoiceDate", "2022-02-01"},
          {"/furtherPrecedingInvoices/0/issueDate", "2022-01-15"},
          {"/furtherPrecedingInvoices/1/number", "R-000"},
          {"/lines/0/unitCode", "HUR"},
          {"/taxPointDate", "2022-03-31"},
          {"/tenderOrLotReference", "VG-9"},
          {"/despatchAdviceReference", "LS-4"},
          {"/remittanceInformation", "Gutschrift R-0"}},
         // the invoices it refers to after the first, each in a block of its own, an empty one left out
         {"</cac:InvoiceDocumentReference></cac:BillingReference><cac:BillingReference>"
          "<cac:InvoiceDocumentReference><cbc:ID>R-00</cbc:ID><cbc:IssueDate>2022-01-15</cbc:IssueDate>"
          "</cac:InvoiceDocumentReference></cac:BillingReference><cac:BillingReference>"
          "<cac:InvoiceDocumentReference><cbc:ID>R-000</cbc:ID></cac:InvoiceDocumentReference>"
          "</cac:BillingReference><cac:DespatchDocumentReference>"}},
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
         {{"/cardNumber", "4711"}, {"/iban", ""}}},
        {"credit-note-without-due-date", [](json& j) { j["documentTypeCode"] = "381"; }, {{"/dueDate", ""}}},
        {"cash-discount",
         [](json& j) { j["paymentTerms"] = "Zahlbar in 30 Tagen #SKONTO#TAGE=14#PROZENT=2.00#"; },
         {{"/paymentTerms", "Zahlbar in 30 Tagen\n#SKONTO#TAGE=14#PROZENT=2.00#\n"}}},
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
          {"/vatBreakdown/0/exemptionReason", "Keine Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG"}}},
        {"reverse-charge",
         [](json& j) {
             j["documentTaxCategory"] = "AE";
             j["customer"]["vatId"] = "DE987654321";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/payableAmount", "20.00"}, {"/vatBreakdown/0/categoryCode", "AE"}}},
        {"zero-rated-and-exempt-beside-standard",
         [](json& j) {
             j["lines"].push_back(line("2", "1", "100", "0"));
             j["lines"][1]["taxCategory"] = "Z";
             j["lines"].push_back(line("3", "1", "50", "0"));
             j["lines"][2]["taxCategory"] = "E";
         },
         {{"/payableAmount", "173.80"},
          {"/vatBreakdown/1/categoryCode", "E"},
          {"/vatBreakdown/1/taxableAmount", "50.00"},
          {"/vatBreakdown/2/categoryCode", "Z"}}},
        {"outside-the-scope-of-vat",
         [](json& j) {
             j["documentTaxCategory"] = "O";
             j["supplier"].erase("vatId");
             j["supplier"]["partyId"] = "L-1";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/lines/0/lineVatPercent", ""}, {"/vatBreakdown/0/ratePercent", "0.00"}}},
        {"intra-community-supply",
         [](json& j) {
             j["documentTaxCategory"] = "K";
             j["customer"]["vatId"] = "ATU12345678";
             j["customer"]["countryCode"] = "AT";
             j["delivery"] = {{"city", "Wien"}, {"postalCode", "1010"}, {"countryCode", "AT"}};
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/vatBreakdown/0/categoryCode", "K"}}},
        {"export",
         [](json& j) {
             j["documentTaxCategory"] = "G";
             j["customer"]["countryCode"] = "CH";
             j["lines"][0].erase("lineVatPercent");
         },
         {{"/vatBreakdown/0/categoryCode", "G"}}},
    };
    // XRechnung 3.0 with both electronic addresses.
    std::vector<fs::path> files;
    const auto& [version, syntax] = GetParam();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + (" " + version + " " + syntax));
        json input = minimalInvoice();
        input["xrechnungVersion"] = version;
        input["syntax"] = syntax;
        if (version == "3.0") {
            input["supplier"]["electronicAddress"] = "rechnung@lieferant.example";
            input["customer"]["electronicAddress"] = "991-12345-67";
            input["customer"]["electronicAddressScheme"] = "0204";
        }
        c.change(input);
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
