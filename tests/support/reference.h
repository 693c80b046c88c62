#pragma once

// The official reference files beside the project (TALLOMIR_TESTDATA, else
// ../shared/testdata) and the checker that judges saved files by the official
// rules (TALLOMIR_XRCHECK, else tools/xrcheck beside that folder). Tests that
// need them call TALLOMIR_REQUIRE_TESTDATA() first, which skips the test with
// one message naming the folder when it is missing.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tallomir::testing {

// The reference folder, or an empty path when it does not exist.
std::filesystem::path testDataDir();
// The text a skipped test gives: which folder is missing and how to name another.
std::string missingTestDataMessage();
// The *.xml files of one folder below the reference folder, sorted by name.
std::vector<std::filesystem::path> sampleFiles(const std::string& folder);

// What the checker said of one file: PASS or FAIL and its whole line.
struct Verdict {
    bool pass = false;
    std::string line;
};
// Runs the checker once over all files (one Java start per rule set); the
// verdicts by file path. A file the checker did not mention gets a FAIL
// verdict saying so.
std::map<std::string, Verdict> xrcheck(const std::vector<std::filesystem::path>& files);
// Every file must pass; each failure is reported with the checker's line.
void expectAllValid(const std::vector<std::filesystem::path>& files);

// The same for hybrid invoice PDFs: the PDF checker (TALLOMIR_ZFCHECK, else
// tools/zfcheck beside the reference folder) judges the file and its embedded
// XML, once over all files; its line names the profile and the embedded file.
std::map<std::string, Verdict> zfcheck(const std::vector<std::filesystem::path>& files);

// With TALLOMIR_JSON_CASES naming a folder, every JSON input a test enters is
// also kept there as a file of its own (scripts/compare-output.sh builds each
// with two versions of the program and compares the bytes). Without it, nothing.
void keepJsonCase(const std::string& jsonText);

// A PDF's text read back with pdftotext, without white space. The layout form
// keeps each table row on one text line, the other keeps the text of a wrapped
// cell together.
std::string pdfText(const std::filesystem::path& pdf, bool layout = true);
// The PDF's text in both forms with every run of white space one blank: a
// value cut or broken inside a word is not found in it.
std::string pdfWords(const std::filesystem::path& pdf);

} // namespace tallomir::testing

#define TALLOMIR_REQUIRE_TESTDATA()                                                                          \
    do {                                                                                                     \
        if (::tallomir::testing::testDataDir().empty())                                                      \
            GTEST_SKIP() << ::tallomir::testing::missingTestDataMessage();                                   \
    } while (false)
