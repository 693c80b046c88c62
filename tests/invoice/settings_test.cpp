#include "invoice/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

using namespace tallomir;

namespace {

CodeLists read(std::string_view bytes) {
    CodeLists lists = defaultCodeLists();
    loadSettingsFromBytes(lists, bytes);
    return lists;
}

std::string rate(const CodeLists& lists, int slot) {
    return lists.vatRates[slot].toPlainString();
}

// A fresh folder below the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                (std::string("tallomir-settings-") + info->name() + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }
    std::string write(const std::string& subdir, std::string_view bytes) const {
        const auto dir = path_ / subdir;
        std::filesystem::create_directories(dir);
        const auto file = dir / "Tallomir.ini";
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }

private:
    std::filesystem::path path_;
};

} // namespace

// --- defaults -------------------------------------------------------------------

TEST(SettingsDefaults, EmptyFileGivesTheBuiltInChoices) {
    const CodeLists lists = read("");
    EXPECT_EQ(rate(lists, 0), "19");
    EXPECT_EQ(rate(lists, 1), "7");
    EXPECT_EQ(rate(lists, 2), "0");
    EXPECT_EQ(lists.currencies, (std::vector<std::string>{"EUR", "CHF", "GBP", "USD"}));
    ASSERT_EQ(lists.paymentTermsTexts.size(), 5u);
    EXPECT_EQ(lists.paymentTermsTexts[0], "14 Tage rein netto");
    EXPECT_EQ(lists.paymentTermsTexts[1], "14 Tage 2% Skonto");
    EXPECT_EQ(lists.paymentTermsTexts[2], "Nach Rechnungsstellung rein netto");
    EXPECT_EQ(lists.paymentTermsTexts[3], "");
    EXPECT_EQ(lists.taxCategories, defaultCodeLists().taxCategories);
}

TEST(SettingsDefaults, MissingFileGivesTheDefaultsAndIsNotCreated) {
    TempDir dir;
    const auto file = dir.path() / "Tallomir.ini";
    CodeLists lists = defaultCodeLists();
    lists.currencies[0] = "XXX";
    lists.vatRates[0] = Decimal::fromInt(99);
    loadSettings(lists, file.string());
    EXPECT_EQ(lists.currencies[0], "EUR");
    EXPECT_EQ(rate(lists, 0), "19");
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(SettingsDefaults, FileWithoutGlobalGroupGivesTheDefaults) {
    const CodeLists lists = read("[Other]\nUStSatz0=16\nWaehrung0=CHF\n");
    EXPECT_EQ(rate(lists, 0), "19");
    EXPECT_EQ(lists.currencies[0], "EUR");
}

// --- lines, groups and keys -----------------------------------------------------

TEST(SettingsLines, LowerCaseGroupAndKeyWithBlanks) {
    const CodeLists lists = read("[global]\r\n   ustsatz0  =  16  \r\n");
    EXPECT_EQ(rate(lists, 0), "16");
    EXPECT_EQ(rate(lists, 1), "7");
}

TEST(SettingsLines, KeysBeforeTheGroupOrInAnotherGroupAreNotSeen) {
    const CodeLists lists = read("UStSatz0=5\n"
                                 "[Global]\n"
                                 "UStSatz1=8\n"
                                 "[Andere]\n"
                                 "UStSatz2=3\n"
                                 "Waehrung0=JPY\n");
    EXPECT_EQ(rate(lists, 0), "19");
    EXPECT_EQ(rate(lists, 1), "8");
    EXPECT_EQ(rate(lists, 2), "0");
    EXPECT_EQ(lists.currencies[0], "EUR");
}

TEST(SettingsLines, CommentLinesAreSkipped) {
    const CodeLists lists = read("[Global]\n"
                                 ";UStSatz0=16\n"
                                 "  ; UStSatz1=5\n"
                                 "Waehrung1=SEK ; not a comment here\n");
    EXPECT_EQ(rate(lists, 0), "19");
    EXPECT_EQ(rate(lists, 1), "7");
    EXPECT_EQ(lists.currencies[1], "SEK ; not a comment here");
}

TEST(SettingsLines, FirstMatchingEntryWins) {
    const CodeLists lists = read("[Global]\nWaehrung0=CHF\nWAEHRUNG0=USD\n");
    EXPECT_EQ(lists.currencies[0], "CHF");
}

TEST(SettingsLines, EveryKindOfLineEnd) {
    EXPECT_EQ(read("[Global]\rUStSatz0=16\rUStSatz1=5").vatRates[1], Decimal::fromInt(5));
    EXPECT_EQ(read("[Global]\rUStSatz0=16\rUStSatz1=5").vatRates[0], Decimal::fromInt(16));
    EXPECT_EQ(read("[Global]\nUStSatz0=16\n").vatRates[0], Decimal::fromInt(16));
    EXPECT_EQ(read("[Global]\r\n\r\n\r\nUStSatz0=16\r\n").vatRates[0], Decimal::fromInt(16));
    EXPECT_EQ(read("[Global]\n\rUStSatz0=16").vatRates[0], Decimal::fromInt(16));
}

TEST(SettingsLines, GroupNameRunsToTheBracketOrTheLineEnd) {
    EXPECT_EQ(rate(read("[Global] extra\nUStSatz0=16\n"), 0), "16");
    EXPECT_EQ(rate(read("\t[Global\nUStSatz0=16\n"), 0), "16");
    EXPECT_EQ(rate(read("[ Global ]\nUStSatz0=16\n"), 0), "19");
}

TEST(SettingsLines, KeyEndsAtTheFirstEqualsSign) {
    const CodeLists lists = read("[Global]\nZahlungsbed0 \t= a = b\nZahlungsbed1=\n");
    EXPECT_EQ(lists.paymentTermsTexts[0], "a = b");
    EXPECT_EQ(lists.paymentTermsTexts[1], "");
}

TEST(SettingsLines, LineWithoutEqualsSignIsAKeyWithEmptyValue) {
    const CodeLists lists = read("[Global]\nWaehrung2\nUStSatz1  \nWaehrung2=NOK\n");
    EXPECT_EQ(lists.currencies[2], "");
    EXPECT_EQ(rate(lists, 1), "0");
}

// --- encodings ------------------------------------------------------------------

TEST(SettingsEncoding, WithoutMarkEveryByteIsLatin1) {
    const CodeLists lists = read("[Global]\nZahlungsbed0=Zahlbar sp\xE4ter\n");
    EXPECT_EQ(lists.paymentTermsTexts[0], "Zahlbar sp\xC3\xA4ter");
}

TEST(SettingsEncoding, WithMarkTheRestIsUtf8) {
    const CodeLists lists = read("\xEF\xBB\xBF[Global]\nZahlungsbed0=Zahlbar sp\xC3\xA4ter\n");
    EXPECT_EQ(lists.paymentTermsTexts[0], "Zahlbar sp\xC3\xA4ter");
}

TEST(SettingsEncoding, MarkIsNotPartOfTheFirstLine) {
    // the group line directly after the mark is still a group line
    EXPECT_EQ(rate(read("\xEF\xBB\xBF[Global]\r\nUStSatz0=16\r\n"), 0), "16");
}

TEST(SettingsEncoding, BrokenUtf8BecomesReplacementCharacter) {
    const CodeLists lists = read("\xEF\xBB\xBF[Global]\nWaehrung0=E\xE4UR\n");
    EXPECT_EQ(lists.currencies[0], "E\xEF\xBF\xBDUR");
}

// --- values ---------------------------------------------------------------------

TEST(SettingsValues, TextsAreTrimmedAtBothEnds) {
    const CodeLists lists = read("[Global]\nWaehrung3=\t USD \t\nZahlungsbed2=  Sofort  ohne Abzug \n");
    EXPECT_EQ(lists.currencies[3], "USD");
    EXPECT_EQ(lists.paymentTermsTexts[2], "Sofort  ohne Abzug");
}

TEST(SettingsValues, DecimalCommaCutsTheRate) {
    const CodeLists lists = read("[Global]\nUStSatz0=19,5\nUStSatz1=7.5\nUStSatz2=2.5e1%\n");
    EXPECT_EQ(rate(lists, 0), "19");
    EXPECT_EQ(rate(lists, 1), "7.5");
    EXPECT_EQ(rate(lists, 2), "25");
}

TEST(SettingsValues, NotANumberGivesZero) {
    const CodeLists lists = read("[Global]\nUStSatz0=neunzehn\nUStSatz1=+Infinity\nUStSatz2=nan\n");
    EXPECT_EQ(rate(lists, 0), "0");
    EXPECT_EQ(rate(lists, 1), "0");
    EXPECT_EQ(rate(lists, 2), "0");
    EXPECT_EQ(rate(read("[Global]\nUStSatz0=-INFINITY\n"), 0), "0");
}

TEST(SettingsValues, RatesAreExact) {
    const CodeLists lists = read("[Global]\nUStSatz0=  16.0 \nUStSatz1=-5\n");
    EXPECT_EQ(lists.vatRates[0].toPlainString(), "16.0");
    EXPECT_EQ(lists.vatRates[1].toPlainString(), "-5");
}

TEST(SettingsValues, FivePaymentTerms) {
    const CodeLists lists =
        read("[Global]\n"
             "Zahlungsbed0=A\nZahlungsbed1=B\nZahlungsbed2=C\nZahlungsbed3=D\nZahlungsbed4=E\n");
    EXPECT_EQ(lists.paymentTermsTexts, (std::vector<std::string>{"A", "B", "C", "D", "E"}));
}

TEST(SettingsValues, RenamedTaxCategories) {
    const CodeLists lists = read("[Global]\n"
                                 "Standard=Regelsatz\nKennz0=S\n"
                                 "SteuerfreiEU=EU-Lieferung\nKennz1=K\n"
                                 "Steuerfrei=Ausfuhr\nKennz2=G\n"
                                 "Kennz0=X\n");
    EXPECT_EQ(lists.taxCategories,
              (std::vector<CodeEntry>{{"Regelsatz", "S"}, {"EU-Lieferung", "K"}, {"Ausfuhr", "G"}}));

    const CodeLists recoded = read("[Global]\nKennz1=AE\n");
    EXPECT_EQ(recoded.taxCategories[1], (CodeEntry{"steuerfreie innergem. Lieferung", "AE"}));
    EXPECT_EQ(findCode(recoded.taxCategories, "AE"), 1);
}

// --- the file and where it is found ---------------------------------------------

TEST(SettingsFile, ReadsTheNamedFile) {
    TempDir dir;
    const std::string file = dir.write("start", "[Global]\r\nWaehrung0=CHF\r\n");
    CodeLists lists = defaultCodeLists();
    loadSettings(lists, file);
    EXPECT_EQ(lists.currencies[0], "CHF");
}

TEST(SettingsFile, StartDirectoryWinsOverProgramDirectory) {
    TempDir dir;
    const std::string inStart = dir.write("start", "[Global]\nWaehrung0=CHF\n");
    const std::string besideProgram = dir.write("bin", "[Global]\nWaehrung0=USD\n");
    EXPECT_EQ(settingsFilePath((dir.path() / "start").string(), (dir.path() / "bin").string()), inStart);
    EXPECT_EQ(settingsFilePath((dir.path() / "start/").string(), (dir.path() / "bin").string()), inStart);
}

TEST(SettingsFile, ProgramDirectoryWhenTheStartDirectoryHasNone) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "start");
    const std::string besideProgram = dir.write("bin", "[Global]\nWaehrung0=USD\n");
    EXPECT_EQ(settingsFilePath((dir.path() / "start").string(), (dir.path() / "bin/").string()),
              besideProgram);
}

TEST(SettingsFile, StartDirectoryNameWhenNeitherHasOne) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "start");
    std::filesystem::create_directories(dir.path() / "bin");
    EXPECT_EQ(settingsFilePath((dir.path() / "start").string(), (dir.path() / "bin").string()),
              (dir.path() / "start" / "Tallomir.ini").string());
}

TEST(SettingsFile, ExampleFileStatesEveryKeyWithItsDefault) {
    std::ifstream in(TALLOMIR_EXAMPLE_INI, std::ios::binary);
    ASSERT_TRUE(in) << TALLOMIR_EXAMPLE_INI;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    // Entries appended at the end would only win where the example lacks the key.
    for (const char* key :
         {"UStSatz0", "UStSatz1", "UStSatz2", "Standard", "Kennz0", "SteuerfreiEU", "Kennz1", "Steuerfrei",
          "Kennz2", "Waehrung0", "Waehrung1", "Waehrung2", "Waehrung3", "Zahlungsbed0", "Zahlungsbed1",
          "Zahlungsbed2", "Zahlungsbed3", "Zahlungsbed4"})
        bytes += std::string("\r\n") + key + "=1";
    const CodeLists lists = read(bytes);
    const CodeLists defaults = defaultCodeLists();
    EXPECT_EQ(lists.currencies, defaults.currencies);
    EXPECT_EQ(lists.paymentTermsTexts, defaults.paymentTermsTexts);
    EXPECT_EQ(lists.vatRates, defaults.vatRates);
    EXPECT_EQ(lists.taxCategories, defaults.taxCategories);
}
