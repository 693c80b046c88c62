// The settings file: where it is found, how its lines are read, what its values give.

#include "invoice/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

using namespace tallomir;

namespace {

CodeLists read(std::string_view bytes) {
    CodeLists lists = defaultCodeLists();
    loadSettingsFromBytes(lists, bytes);
    return lists;
}

// What the code lists hold for a key of the settings file, as text.
std::string setting(const CodeLists& lists, std::string_view key) {
    const auto slot = static_cast<std::size_t>(key.back() - '0');
    if (key.starts_with("UStSatz"))
        return lists.vatRates.at(slot).toPlainString();
    if (key.starts_with("Waehrung"))
        return lists.currencies.at(slot);
    if (key.starts_with("Zahlungsbed"))
        return lists.paymentTermsTexts.at(slot);
    if (key.starts_with("Kennz"))
        return lists.taxCategories.at(slot).code;
    return lists.taxCategories.at(key == "Standard" ? 0 : key == "SteuerfreiEU" ? 1 : 2).text;
}

void expectDefaults(const CodeLists& lists) {
    const CodeLists defaults = defaultCodeLists();
    EXPECT_TRUE(lists.vatRates == defaults.vatRates && lists.currencies == defaults.currencies &&
                lists.paymentTermsTexts == defaults.paymentTermsTexts &&
                lists.taxCategories == defaults.taxCategories && lists.unitCodes == defaults.unitCodes &&
                lists.endpointSchemes == defaults.endpointSchemes &&
                lists.defaultVersion == defaults.defaultVersion &&
                lists.defaultSyntax == defaults.defaultSyntax && lists.validators == defaults.validators &&
                lists.validatorTimeLimitSeconds == defaults.validatorTimeLimitSeconds &&
                lists.databaseFile == defaults.databaseFile && lists.numberRanges == defaults.numberRanges);
}

std::string entries(const std::vector<CodeEntry>& list) {
    std::string shown;
    for (const CodeEntry& entry : list)
        shown += entry.text + "=" + entry.code + " ";
    return shown;
}

} // namespace

TEST(Settings, LinesGroupsKeysEncodingsAndValues) {
    const struct {
        std::string_view ini;
        std::vector<std::pair<std::string_view, std::string_view>> expected; // key, value
    } cases[] = {
        // clang-format off
        // group and key names ignore case and surrounding blanks; only the group "Global" counts
        {"[global]\r\n   ustsatz0  =  16  \r\n", {{"UStSatz0", "16"}}},
        {"UStSatz0=5\n[Global]\nUStSatz1=8\n[Andere]\nUStSatz2=3\nWaehrung0=JPY\n",
         {{"UStSatz0", "19"}, {"UStSatz1", "8"}, {"UStSatz2", "0"}, {"Waehrung0", "EUR"}}},
        {"[Global]\n;UStSatz0=16\n  ; UStSatz1=5\nWaehrung1=SEK ; kein Kommentar\n",
         {{"UStSatz0", "19"}, {"UStSatz1", "7"}, {"Waehrung1", "SEK ; kein Kommentar"}}},
        {"[Global]\nWaehrung0=CHF\nWAEHRUNG0=USD\n", {{"Waehrung0", "CHF"}}}, // the first match wins
        // every kind of line end
        {"[Global]\rUStSatz0=16\rUStSatz1=5", {{"UStSatz0", "16"}, {"UStSatz1", "5"}}},
        // the key ends at the first equals sign; a line without one has an empty value
        {"[Global]\nZahlungsbed0 \t= a = b\nZahlungsbed1=\n", {{"Zahlungsbed0", "a = b"}, {"Zahlungsbed1", ""}}},
        {"[Global]\nWaehrung2\nUStSatz1  \nWaehrung2=NOK\nWaehrung3=\t USD \t\n",
         {{"Waehrung2", ""}, {"UStSatz1", "0"}, {"Waehrung3", "USD"}}},
        // ISO-8859-1 without a byte-order mark, UTF-8 with one
        {"[Global]\nZahlungsbed0=Zahlbar sp\xE4ter\n", {{"Zahlungsbed0", "Zahlbar sp\xC3\xA4ter"}}},
        {"\xEF\xBB\xBF[Global]\nZahlungsbed0=Zahlbar sp\xC3\xA4ter\n", {{"Zahlungsbed0", "Zahlbar sp\xC3\xA4ter"}}},
        {"\xEF\xBB\xBF[Global]\nWaehrung0=E\xE4UR\n", {{"Waehrung0", "E\xEF\xBF\xBDUR"}}},
        // texts are trimmed; rates are exact decimals cut at a decimal comma, else 0
        {"[Global]\nUStSatz0=19,5\nUStSatz1=7.5\nUStSatz2=neunzehn\n",
         {{"UStSatz0", "19"}, {"UStSatz1", "7.5"}, {"UStSatz2", "0"}}},
        // renamed tax categories for "Steuerkennung"
        {"[Global]\nStandard=Regelsatz\nKennz0=S\nSteuerfreiEU=EU-Lieferung\nKennz1=K\nSteuerfrei=Ausfuhr\n"
         "Kennz2=G\nKennz0=X\n",
         {{"Standard", "Regelsatz"}, {"SteuerfreiEU", "EU-Lieferung"}, {"Steuerfrei", "Ausfuhr"}, {"Kennz0", "S"},
          {"Kennz2", "G"}}},
        {"[Global]\nKennz1=AE\nKennz3=E1\nKennz4=E2\n",
         {{"Kennz1", "AE"}, {"SteuerfreiEU", "steuerfreie innergem. Lieferung"}, {"Kennz3", "E1"}, {"Kennz4", "E2"}}},
        // clang-format on
    };
    for (const auto& c : cases) {
        const CodeLists lists = read(c.ini);
        for (const auto& [key, value] : c.expected) {
            EXPECT_EQ(setting(lists, key), value) << key << " in\n" << c.ini;
        }
    }
    expectDefaults(read(""));

    // Units: the ten built in may be renamed or left out, more are added.
    EXPECT_EQ(entries(read("[Global]\nEinheit1=Std.\nEinheitCode2=\nEinheitCode4=\nEinheitCode5=\n"
                           "EinheitCode6=\nEinheitCode7=\nEinheitCode8=\nEinheitCode9=\nEinheitCode12=XPP\n"
                           "Einheit12=Seite\nEinheitCode49=MTQ\nEinheitCode50=KTM\n")
                          .unitCodes),
              "Stück=C62 Std.=HUR Monat=MON Seite=XPP MTQ=MTQ ");

    // The version of new documents, more schemes of electronic addresses, each version's validator.
    const CodeLists more =
        read("[Global]\nFormat=3.0\nSyntax=CII\nEAdresse4=Peppol\nEAdressKennz4=9930\nEAdressKennz1=\n"
             "Validator30Regeln=regeln\nNummernkreis= R{NNN} \nNummernkreis381=GS-{NN}\n"
             "Nummernkreis999=X\nDatenbank=/srv/t.sqlite\n");
    // A number range for every type and one of its own for a type in the list.
    EXPECT_EQ(more.numberRanges, (std::map<std::string, std::string>{{"", "R{NNN}"}, {"381", "GS-{NN}"}}));
    EXPECT_EQ(more.databaseFile, "/srv/t.sqlite");
    EXPECT_EQ(more.defaultVersion, XRechnungVersion::V3_0);
    EXPECT_EQ(more.defaultSyntax, Syntax::Cii);
    EXPECT_EQ(entries(more.endpointSchemes), "E-Mail=EM USt-IdNr.=9930 GLN=0088 Peppol=9930 ");
    EXPECT_EQ(more.validators[1].repository + "|" + more.validators[1].jar,
              "regeln|validator-1.6.0-standalone.jar");
    // The seconds a validator may run: a positive whole number, else the default.
    for (const auto& [limit, seconds] : {std::pair{"ValidatorZeitlimit= 20 ", 20},
                                         {"ValidatorZeitlimit=0", 300},
                                         {"ValidatorZeitlimit=-5", 300},
                                         {"ValidatorZeitlimit=1.5", 300},
                                         {"ValidatorZeitlimit=99999999999", 300},
                                         {"", 300}})
        EXPECT_EQ(read(std::string("[Global]\n") + limit).validatorTimeLimitSeconds, seconds) << limit;
}

TEST(SettingsFile, StartDirectoryWinsOverProgramDirectory) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("tallomir-settings-" + std::to_string(::getpid()));
    const std::string start = (root / "start").string(), bin = (root / "bin").string();
    fs::create_directories(start);
    fs::create_directories(bin);
    EXPECT_EQ(settingsFilePath(start, bin), start + "/Tallomir.ini"); // neither has one
    std::ofstream(bin + "/Tallomir.ini") << "[Global]\nWaehrung0=USD\n";
    EXPECT_EQ(settingsFilePath(start, bin + "/"), bin + "/Tallomir.ini");
    std::ofstream(start + "/Tallomir.ini") << "[Global]\r\nWaehrung0=CHF\r\n";
    EXPECT_EQ(settingsFilePath(start + "/", bin), start + "/Tallomir.ini");
    // a relative jar counts from the file's folder, wherever the program started; other paths stay
    std::ofstream(bin + "/Tallomir.ini")
        << "[Global]\nValidator211Jar=kosit/v.jar\nValidator30Jar=/opt/v.jar\n"
           "Validator30Szenarien=s.xml\nDatenbank=daten/t.sqlite\n";
    CodeLists found = defaultCodeLists();
    loadSettings(found, bin + "/Tallomir.ini");
    EXPECT_EQ(found.validators[0].jar + "|" + found.validators[1].jar + "|" + found.validators[1].scenarios,
              bin + "/kosit/v.jar|/opt/v.jar|s.xml");
    EXPECT_EQ(found.databaseFile, bin + "/daten/t.sqlite");
    loadSettings(found, start + "/Tallomir.ini");
    EXPECT_EQ(found.validators[0].jar, defaultCodeLists().validators[0].jar); // without the key
    // a missing file gives the defaults and is not created
    CodeLists lists = read("[Global]\nUStSatz0=99\n");
    loadSettings(lists, start + "/fehlt.ini");
    expectDefaults(lists);
    EXPECT_FALSE(fs::exists(start + "/fehlt.ini"));
    fs::remove_all(root);
}

TEST(SettingsFile, ExampleFileStatesEveryKeyWithItsDefault) {
    std::ifstream in(TALLOMIR_EXAMPLE_INI, std::ios::binary);
    ASSERT_TRUE(in) << TALLOMIR_EXAMPLE_INI;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    // Entries appended at the end would only win where the example lacks the key.
    std::istringstream keys(
        "UStSatz0 UStSatz1 UStSatz2 Standard Kennz0 SteuerfreiEU Kennz1 Steuerfrei Kennz2 "
        "Kleinunternehmer Kennz3 Steuerbefreit Kennz4 Steuerschuldner Kennz5 Nullsteuersatz "
        "Kennz6 NichtSteuerbar Kennz7 Waehrung0 Waehrung1 Waehrung2 Waehrung3 Zahlungsbed0 "
        "Zahlungsbed1 Zahlungsbed2 Zahlungsbed3 Zahlungsbed4 Format Syntax Validator211Jar "
        "Validator211Szenarien Validator211Regeln Validator30Jar Validator30Szenarien "
        "Validator30Regeln ValidatorZeitlimit Nummernkreis Datenbank");
    for (std::string key; keys >> key;) {
        bytes += std::string("\r\n") + key + "=1";
    }
    for (int n = 0; n < 10; ++n)
        bytes += "\r\nEinheit" + std::to_string(n) + "=1\r\nEinheitCode" + std::to_string(n) + "=1";
    for (int n = 0; n < 4; ++n)
        bytes += "\r\nEAdresse" + std::to_string(n) + "=1\r\nEAdressKennz" + std::to_string(n) + "=1";
    // The jars stand in the folder "validator" beside the example.
    CodeLists example = read(bytes);
    for (std::size_t i = 0; i < example.validators.size(); ++i) {
        EXPECT_EQ(example.validators[i].jar, "validator/" + defaultCodeLists().validators[i].jar);
        example.validators[i].jar = defaultCodeLists().validators[i].jar;
    }
    expectDefaults(example);
}
