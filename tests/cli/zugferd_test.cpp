// Hybrid PDFs from the command line over everything the program types and
// reads: every built invoice (each VAT situation, a credit note, attached
// files, …), one of 300 lines, and every official sample of XRechnung 3.0 in
// both syntaxes, each written by "zugferd" in both profiles. The PDF checker
// judges each group's files in one run, and every PDF opens as the invoice it
// embeds.
//
// One checker run over all of them (about 220 files) takes minutes; the groups
// (typed, UBL samples, CII samples) and the profiles are entries of their own,
// each well under 30 s.

#include "built_cases.h"
#include "support/reference.h"

#include "cli/json_io.h"
#include "pdf/hybrid_pdf_open.h"
#include "syntax/syntax.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tallomir;
namespace tt = tallomir::testing;
using nlohmann::json;

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
    CliRun build(const json& input, const std::string& outName) const {
        std::ofstream(dir / "in.json") << input.dump(2);
        return run("build in.json '" + outName + "'");
    }

    fs::path dir;
};

// The dump of a document loaded from a file, or from bytes.
json dumped(const std::string& file, const std::string* bytes = nullptr) {
    Form state = makeForm(defaultCodeLists());
    const syntax::LoadOutcome outcome =
        bytes ? syntax::loadInvoiceBytes(state, *bytes) : syntax::loadInvoiceFile(state, file);
    EXPECT_EQ(outcome.result, syntax::LoadOutcome::Result::Loaded) << file << ": " << outcome.message;
    return cli::dumpDocument(state);
}

enum class Group { Typed, UblSamples, CiiSamples };

// A group, the profile, and for the samples which half of them (every other
// file), so that no single test runs long.
struct GroupParam {
    Group group;
    const char* profile;
    int half = 0;
};

class ZugferdGroup : public Zugferd, public ::testing::WithParamInterface<GroupParam> {
protected:
    // The invoices of the group: files of the reference folder, or built here.
    std::vector<fs::path> sources() const {
        const Group group = GetParam().group;
        if (group != Group::Typed) {
            std::vector<fs::path> half;
            const std::vector<fs::path> all = tt::sampleFiles(
                group == Group::UblSamples ? "xrechnung-3.0.2-samples" : "xrechnung-3.0.2-cii-samples");
            for (std::size_t i = static_cast<std::size_t>(GetParam().half); i < all.size(); i += 2)
                half.push_back(all[i]);
            return half;
        }
        // Each VAT situation, two rates with a charge, a line's allowances, a
        // credit note, attached files, payment by direct debit and by card.
        static const std::set<std::string> typed = {"minimal",
                                                    "charge-by-percent",
                                                    "line-allowances",
                                                    "attachments",
                                                    "whole-invoice",
                                                    "credit-note",
                                                    "direct-debit",
                                                    "card",
                                                    "kleinunternehmer",
                                                    "reverse-charge",
                                                    "zero-rated-and-exempt-beside-standard",
                                                    "outside-the-scope-of-vat",
                                                    "intra-community-supply",
                                                    "export"};
        std::vector<fs::path> built;
        for (const tt::BuiltCase& c : tt::builtCases()) {
            if (!typed.contains(c.name))
                continue;
            const std::string name = c.name + std::string(".xml");
            const CliRun made = build(tt::builtInput(c, "3.0", "ubl"), name);
            EXPECT_EQ(made.exitCode, 0) << c.name << ": " << made.err;
            built.push_back(dir / name);
        }
        // 300 lines at the three rates.
        json input = tt::builtInput(tt::builtCases().front(), "3.0", "ubl");
        input["lines"] = json::array();
        for (int i = 1; i <= 300; ++i)
            input["lines"].push_back(
                tt::line(std::to_string(i), std::to_string(i % 7 + 1), "12,34", i % 3 ? "19" : "7"));
        EXPECT_EQ(build(input, "300-lines.xml").exitCode, 0);
        built.push_back(dir / "300-lines.xml");
        return built;
    }
};

std::string groupName(const ::testing::TestParamInfo<ZugferdGroup::ParamType>& info) {
    const Group group = info.param.group;
    return std::string(group == Group::Typed        ? "Typed"
                       : group == Group::UblSamples ? "UblSamples"
                                                    : "CiiSamples") +
           (info.param.profile == std::string("xrechnung") ? "Xrechnung" : "En16931") +
           (group == Group::Typed ? "" : std::to_string(info.param.half + 1));
}

TEST_P(ZugferdGroup, PassTheCheckerAndOpenAsTheInvoiceTheyEmbed) {
    TALLOMIR_REQUIRE_TESTDATA();
    const std::string profile = GetParam().profile;
    const std::string level = profile == "xrechnung" ? "XRECHNUNG" : "EN_16931";
    const std::string embedded = profile == "xrechnung" ? "xrechnung.xml" : "factur-x.xml";
    std::vector<fs::path> written;
    for (const fs::path& source : sources()) {
        const fs::path target = dir / (source.stem().string() + ".pdf");
        const CliRun made =
            run("zugferd '" + source.string() + "' '" + target.string() + "' --profile " + profile);
        EXPECT_EQ(made.exitCode, 0) << source << ": " << made.err;
        // CII names one preceding invoice: the credit note's second is named as not written.
        if (source.stem() == "credit-note") {
            EXPECT_NE(made.err.find("Nicht geschrieben: Bezug auf Rechnung 2\n"), std::string::npos)
                << made.err;
        }
        written.push_back(target);
    }
    ASSERT_GE(written.size(), 10u);
    for (const auto& [file, verdict] : tt::zfcheck(written)) {
        EXPECT_TRUE(verdict.pass) << verdict.line;
        EXPECT_NE(verdict.line.find(" profile=" + level + " xml=PASS attached=" + embedded + " "),
                  std::string::npos)
            << verdict.line;
    }
    // Opened, each gives the document of the XML it embeds.
    for (const fs::path& file : written) {
        const pdf::OpenedPdf opened = pdf::openHybridPdf(file.string());
        ASSERT_EQ(opened.error, "") << file;
        EXPECT_EQ(dumped(file.string()), dumped(file.string(), &opened.xml)) << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Groups, ZugferdGroup,
                         ::testing::Values(GroupParam{Group::Typed, "xrechnung"},
                                           GroupParam{Group::Typed, "en16931"},
                                           GroupParam{Group::UblSamples, "xrechnung", 0},
                                           GroupParam{Group::UblSamples, "xrechnung", 1},
                                           GroupParam{Group::UblSamples, "en16931", 0},
                                           GroupParam{Group::UblSamples, "en16931", 1},
                                           GroupParam{Group::CiiSamples, "xrechnung", 0},
                                           GroupParam{Group::CiiSamples, "xrechnung", 1},
                                           GroupParam{Group::CiiSamples, "en16931", 0},
                                           GroupParam{Group::CiiSamples, "en16931", 1}),
                         groupName);

// The profile proposed by the format; an invoice the check refuses is not
// written; the archive keeps a hybrid PDF's bytes; a PDF without invoice data
// is refused.
TEST_F(Zugferd, ProposedProfileCheckArchiveAndRefusal) {
    TALLOMIR_REQUIRE_TESTDATA();
    const fs::path sample = tt::testDataDir() / "xrechnung-3.0.2-cii-samples" / "01.01a-INVOICE_uncefact.xml";
    ASSERT_EQ(run("convert '" + sample.string() + "' old.xml --syntax ubl --format 2.1.1").exitCode, 0);
    for (const auto& [source, embedded] :
         {std::pair{sample.string(), "xrechnung.xml"}, std::pair{std::string("old.xml"), "factur-x.xml"}}) {
        ASSERT_EQ(run("zugferd '" + source + "' proposed.pdf").exitCode, 0);
        EXPECT_EQ(pdf::openHybridPdf((dir / "proposed.pdf").string()).embeddedName, embedded);
    }

    const CliRun imported = run("archive --db a.sqlite import proposed.pdf");
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    ASSERT_EQ(run("archive --db a.sqlite export 1 back.pdf").exitCode, 0);
    EXPECT_EQ(readFile(dir / "back.pdf"), readFile(dir / "proposed.pdf"));

    // XRechnung 3.0 asks for the buyer's electronic address, which the invoice of 2.1.1 lacks.
    ASSERT_EQ(run("build '" TALLOMIR_CLI_TEST_DATA "/whole_invoice.json' whole.xml").exitCode, 0);
    const CliRun unchecked = run("zugferd whole.xml whole.pdf --profile xrechnung");
    EXPECT_EQ(unchecked.exitCode, 3);
    EXPECT_NE(unchecked.err.find("Elektron. Adresse fehlt"), std::string::npos) << unchecked.err;
    EXPECT_FALSE(fs::exists(dir / "whole.pdf"));

    ASSERT_EQ(run("pdf '" + sample.string() + "' plain.pdf").exitCode, 0);
    const CliRun refused = run("dump plain.pdf");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("Diese PDF-Datei enthält keine Rechnungsdaten (kein eingebettetes XML)."),
              std::string::npos)
        << refused.err;
}

} // namespace
