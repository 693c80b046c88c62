// Hybrid PDFs from the command line: written in both profiles they pass the
// PDF checker, and opened again they give the document they carry.

#include "support/reference.h"

#include <gtest/gtest.h>

#include <map>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

class Zugferd : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("tallomir-zugferd-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    CliRun run(const std::string& arguments) const {
        const std::string command =
            "cd '" + dir.string() + "' && '" TALLOMIR_CLI "' " + arguments + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir / "out.txt"),
                readFile(dir / "err.txt")};
    }

    fs::path dir;
};

TEST_F(Zugferd, BothProfilesPassTheCheckerAndOpenAsTheDocumentTheyCarry) {
    TALLOMIR_REQUIRE_TESTDATA();
    const fs::path data = tallomir::testing::testDataDir();
    // A CII invoice and a UBL invoice.
    const std::vector<std::pair<std::string, fs::path>> inputs = {
        {"cii", data / "xrechnung-3.0.2-cii-samples" / "01.01a-INVOICE_uncefact.xml"},
        {"ubl", data / "xrechnung-3.0.2-samples" / "01.14a-INVOICE_ubl.xml"},
    };
    std::vector<fs::path> written;
    std::map<std::string, std::string> profiles;
    for (const auto& [name, input] : inputs) {
        SCOPED_TRACE(name);
        const fs::path& source = input;
        for (const std::string profile : {"xrechnung", "en16931"}) {
            const fs::path pdf = dir / (name + "-" + profile + ".pdf");
            const CliRun made =
                run("zugferd '" + source.string() + "' '" + pdf.string() + "' --profile " + profile);
            ASSERT_EQ(made.exitCode, 0) << made.err;
            written.push_back(pdf);
            profiles[pdf.string()] = profile == "xrechnung" ? "XRECHNUNG" : "EN_16931";
        }
        // The XRECHNUNG file carries the document as it was loaded, in CII.
        const CliRun fromPdf = run("dump '" + (dir / (name + "-xrechnung.pdf")).string() + "'");
        ASSERT_EQ(fromPdf.exitCode, 0) << fromPdf.err;
        ASSERT_EQ(run("convert '" + source.string() + "' carried.xml --syntax cii --format 3.0").exitCode, 0);
        const CliRun fromXml = run("dump carried.xml");
        EXPECT_EQ(fromPdf.out, fromXml.out);
    }
    for (const auto& [file, verdict] : tallomir::testing::zfcheck(written)) {
        EXPECT_TRUE(verdict.pass) << verdict.line;
        EXPECT_NE(verdict.line.find("profile=" + profiles.at(file)), std::string::npos) << verdict.line;
    }

    // The archive takes a hybrid PDF as it is and gives the same bytes back.
    const CliRun imported = run("archive --db a.sqlite import cii-xrechnung.pdf");
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    ASSERT_EQ(run("archive --db a.sqlite export 1 back.pdf").exitCode, 0);
    EXPECT_EQ(readFile(dir / "back.pdf"), readFile(dir / "cii-xrechnung.pdf"));

    // An invoice the check refuses is not written as hybrid: XRechnung 3.0 asks
    // for the buyer's electronic address, which the invoice of 2.1.1 lacks.
    ASSERT_EQ(run("build '" TALLOMIR_CLI_TEST_DATA "/whole_invoice.json' whole.xml").exitCode, 0);
    const CliRun unchecked = run("zugferd whole.xml whole.pdf --profile xrechnung");
    EXPECT_EQ(unchecked.exitCode, 3);
    EXPECT_NE(unchecked.err.find("Elektron. Adresse fehlt"), std::string::npos) << unchecked.err;
    EXPECT_FALSE(fs::exists(dir / "whole.pdf"));

    // A PDF without invoice data is refused.
    ASSERT_EQ(run("pdf '" + inputs.front().second.string() + "' plain.pdf").exitCode, 0);
    const CliRun refused = run("dump plain.pdf");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("Diese PDF-Datei enthält keine Rechnungsdaten (kein eingebettetes XML)."),
              std::string::npos)
        << refused.err;
}

} // namespace
