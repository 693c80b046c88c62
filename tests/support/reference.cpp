#include "reference.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tallomir::testing {

namespace {

std::filesystem::path configuredDir() {
    if (const char* named = std::getenv("TALLOMIR_TESTDATA"); named != nullptr && *named != '\0')
        return named;
    return std::filesystem::path(TALLOMIR_SOURCE_DIR) / ".." / "shared" / "testdata";
}

std::filesystem::path checkerPath(const char* variable = "TALLOMIR_XRCHECK", const char* tool = "xrcheck") {
    if (const char* named = std::getenv(variable); named != nullptr && *named != '\0')
        return named;
    return configuredDir() / ".." / "tools" / tool;
}

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        if (c == '\'')
            result += "'\\''";
        else
            result += c;
    }
    return result + "'";
}

} // namespace

std::filesystem::path testDataDir() {
    std::error_code error;
    const std::filesystem::path dir = configuredDir();
    return std::filesystem::is_directory(dir, error) ? std::filesystem::weakly_canonical(dir, error)
                                                     : std::filesystem::path();
}

std::string missingTestDataMessage() {
    return "reference files not found in " + configuredDir().lexically_normal().string() +
           " (set TALLOMIR_TESTDATA to the folder; see README.md)";
}

std::vector<std::filesystem::path> sampleFiles(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path dir = testDataDir() / folder;
    std::error_code error;
    if (testDataDir().empty() || !std::filesystem::is_directory(dir, error))
        return files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".xml")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

namespace {

// Runs a checker that prints one PASS or FAIL line per file, in the order given.
std::map<std::string, Verdict> runChecker(const std::filesystem::path& checker,
                                          const std::vector<std::filesystem::path>& files) {
    std::map<std::string, Verdict> verdicts;
    for (const auto& file : files)
        verdicts[file.string()] = Verdict{false, "not judged by " + checker.string()};
    if (files.empty())
        return verdicts;

    // The checker's Java runs are short: the quick compiler alone saves a third of their time.
    ::setenv("JAVA_TOOL_OPTIONS", "-XX:TieredStopAtLevel=1 -XX:+UseSerialGC", 0);
    // The checker names each file by its base name, in the order given.
    std::string command = quoted(checker.string());
    for (const auto& file : files)
        command += " " + quoted(file.string());
    command += " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return verdicts;
    std::string output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    pclose(pipe);

    std::istringstream lines(output);
    std::string line;
    std::size_t next = 0;
    while (std::getline(lines, line) && next < files.size()) {
        const bool pass = line.rfind("PASS ", 0) == 0;
        if (!pass && line.rfind("FAIL ", 0) != 0)
            continue; // the checker's own diagnostics
        verdicts[files[next].string()] = Verdict{pass, line};
        ++next;
    }
    return verdicts;
}

} // namespace

std::map<std::string, Verdict> xrcheck(const std::vector<std::filesystem::path>& files) {
    return runChecker(checkerPath(), files);
}

std::map<std::string, Verdict> zfcheck(const std::vector<std::filesystem::path>& files) {
    return runChecker(checkerPath("TALLOMIR_ZFCHECK", "zfcheck"), files);
}

void expectAllValid(const std::vector<std::filesystem::path>& files) {
    for (const auto& [file, verdict] : xrcheck(files))
        EXPECT_TRUE(verdict.pass) << file << ": " << verdict.line;
}

void keepJsonCase(const std::string& jsonText) {
    const char* folder = std::getenv("TALLOMIR_JSON_CASES");
    if (folder == nullptr || *folder == '\0')
        return;
    static int count = 0;
    const std::filesystem::path name =
        std::filesystem::path(folder) /
        ("case-" + std::to_string(::getpid()) + "-" + std::to_string(++count) + ".json");
    std::ofstream(name, std::ios::binary) << jsonText;
}

namespace {

std::string pdftotext(const std::filesystem::path& pdf, bool layout) {
    const std::string command = std::string("pdftotext ") + (layout ? "-layout" : "") + " -enc UTF-8 '" +
                                pdf.string() + "' - 2>/dev/null";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

bool isBlank(char c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\f';
}

} // namespace

std::string pdfText(const std::filesystem::path& pdf, bool layout) {
    std::string text = pdftotext(pdf, layout);
    std::erase_if(text, isBlank);
    return text;
}

std::string pdfWords(const std::filesystem::path& pdf) {
    const std::string text = pdftotext(pdf, true) + "\n" + pdftotext(pdf, false);
    std::string words;
    for (const char c : text)
        if (!isBlank(c))
            words += c;
        else if (!words.empty() && words.back() != ' ')
            words += ' ';
    return words;
}

} // namespace tallomir::testing
