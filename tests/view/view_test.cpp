// The invoice as a document: every PDF, of a typed or of a loaded invoice,
// shows the number, every line's name, the amount due, every VAT group and
// the IBAN, in German form, read back with pdftotext.
#include "cli/json_io.h"
#include "support/reference.h"
#include "ubl/reader.h"
#include "view/invoice_pages.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tallomir;

namespace {

// The PDF's text, compared without white space; pages end in form feeds.
// The layout form keeps each table row on one text line, the other keeps
// the text of a cell together when it wraps.
std::string pdfText(const fs::path& pdf, bool layout = true) {
    std::string text;
    const std::string command = std::string("pdftotext ") + (layout ? "-layout" : "") + " -enc UTF-8 '" +
                                pdf.string() + "' - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    pclose(pipe);
    return text;
}

std::string squeezed(std::string text) {
    std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\f'; });
    return text;
}

std::string euro(const std::string& amount) {
    return formatGerman(parseNumber(amount), 2, 2) + "€";
}

// What every document must show, by the values the state holds.
void expectEssentials(const DocumentState& state, const fs::path& pdf) {
    const std::string rows = squeezed(pdfText(pdf)), cells = squeezed(pdfText(pdf, false));
    const auto expectShown = [&](const std::string& part) {
        const std::string wanted = squeezed(part);
        EXPECT_TRUE(rows.find(wanted) != std::string::npos || cells.find(wanted) != std::string::npos)
            << "missing: " << part;
    };
    expectShown("Nr. " + state.doc.documentNumber);
    for (const LineItem& line : state.lines)
        expectShown(line.itemName);
    ASSERT_EQ(state.documentCurrency, "EUR");
    expectShown("Zahlbetrag" + euro(state.doc.payableAmount));
    ASSERT_FALSE(state.vatBreakdown.empty());
    for (const VatBreakdownEntry& group : state.vatBreakdown)
        expectShown(formatGerman(parseNumber(group.ratePercent), 0, 2) + "%" + euro(group.taxableAmount) +
                    euro(group.taxAmount));
    if (!state.doc.iban.empty())
        expectShown("IBAN" + state.doc.iban);
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("tallomir-view-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    DocumentState typed(const nlohmann::json& input) {
        DocumentState state = makeDocumentState(defaultCodeLists());
        cli::enterJson(state, input);
        return state;
    }
    // Writes out.pdf; the pages as the layout counted them.
    fs::path render(const DocumentState& state, int& pageCount,
                    const std::vector<std::string>& notCarried = {}) {
        const view::InvoicePages pages(state, notCarried);
        pageCount = pages.pageCount();
        EXPECT_EQ(view::writePdf(pages, (dir / "out.pdf").string()), "");
        return dir / "out.pdf";
    }

    fs::path dir;
};

// Hostile texts, an allowance on the 7 % group and every kind of field.
const char* typedInvoice = R"({
  "documentNumber": "RE-2024-001", "issueDate": "2024-12-06", "dueDate": "2025-01-05",
  "deliveryDate": "2024-12-01", "buyerReference": "04011000-12345-03", "orderNumber": "B-4711",
  "contractNumber": "V-7", "note": "Zeile eins\nZeile zwei <br>",
  "supplier": {"partyId": "L-7", "name": "Lieferant & Söhne KG", "postalCode": "53111", "city": "Bonn",
               "countryCode": "DE", "vatId": "DE123456789", "registrationName": "Lieferant & Söhne KG",
               "registrationId": "HRA 4711", "contactName": "Erika Muster", "email": "rechnung@example.org",
               "electronicAddress": "DE123456789", "electronicAddressScheme": "9930"},
  "iban": "DE02120300000000202051", "bic": "BYLADEM1001",
  "customer": {"partyId": "K-100", "name": "<b>Kundin</b> GmbH", "postalCode": "50667", "city": "Köln",
               "countryCode": "DE", "registrationName": "Kundin GmbH"},
  "lines": [
    {"position": "1", "quantity": "2", "itemName": "Hammer", "unitPrice": "12,50", "lineVatPercent": "19"},
    {"position": "2", "quantity": "1000", "itemName": "Schrauben </td></tr></table>", "unitPrice": "1,10",
     "lineVatPercent": "7", "itemDescription": "verzinkt\nM4 × 20"},
    {"position": "3", "quantity": "1", "itemName": "Beratung", "unitPrice": "100", "lineVatPercent": "0"}
  ],
  "allowance": {"reason": "Treuerabatt", "value": "-25,50", "vatSlot": 1}
})";

} // namespace

// Hand-computed: 25,00 at 19 %; 1.100,00 - 25,50 at 7 %; 100,00 at 0 %.
TEST_F(ViewTest, TypedInvoiceShowsItsFieldsInGermanForm) {
    const DocumentState state = typed(nlohmann::json::parse(typedInvoice));
    int pages = 0;
    const fs::path pdf = render(state, pages, {"cac:ProjectReference <Projekt>"});
    expectEssentials(state, pdf);
    const std::string shown = squeezed(pdfText(pdf));
    for (const char* part : {"Rechnung Nr. RE-2024-001",
                             "Zahlbetrag 1.279,47 €",
                             "19 % 25,00 € 4,75 €",
                             "7 % 1.074,50 € 75,22 €",
                             "0 % 100,00 € 0,00 €",
                             "Nachlass: Treuerabatt (USt. 7 %) -25,50 €",
                             "1.000 Stück",
                             "1,10 €",
                             "1.100,00 €",
                             "Belegdatum 06.12.2024",
                             "Fälligkeit 05.01.2025",
                             "Leitweg-ID 04011000-12345-03",
                             "Elektron. Adresse DE123456789 (9930)",
                             "<b>Kundin</b> GmbH",
                             "Schrauben </td></tr></table>",
                             "M4 × 20",
                             "Zeile zwei <br>",
                             "BIC BYLADEM1001",
                             "USt-IdNr. DE123456789",
                             "Register-Nr. HRA 4711",
                             "Nicht übernommen:",
                             "cac:ProjectReference <Projekt>",
                             "Seite 1 von 1"})
        EXPECT_NE(shown.find(squeezed(part)), std::string::npos) << "missing: " << part;
    EXPECT_EQ(pages, 1);
}

TEST_F(ViewTest, CreditNoteAndLongInvoice) {
    nlohmann::json credit = nlohmann::json::parse(typedInvoice);
    credit["documentTypeCode"] = "381";
    credit["precedingInvoiceNumber"] = "RE-2024-000";
    credit["precedingInvoiceDate"] = "2024-11-02";
    credit.erase("allowance");
    // Paid by direct debit: the mandate and the account debited instead of the IBAN.
    credit.erase("iban");
    credit.erase("bic");
    credit["paymentMeansCode"] = "59";
    credit["mandateReference"] = "M-17";
    credit["creditorId"] = "DE98ZZZ09999999999";
    credit["debitedIban"] = "DE75512108001245126199";
    int pages = 0;
    DocumentState state = typed(credit);
    expectEssentials(state, render(state, pages));
    const std::string creditText = squeezed(pdfText(dir / "out.pdf"));
    for (const char* part : {"Gutschrift Nr. RE-2024-001", "Bezug auf Rechnung RE-2024-000 vom 02.11.2024",
                             "Zahlungsart SEPA-Lastschrift", "Mandatsreferenz M-17",
                             "Gläubiger-ID DE98ZZZ09999999999", "Belastetes Konto DE75512108001245126199"})
        EXPECT_NE(creditText.find(squeezed(part)), std::string::npos) << "missing: " << part;

    // 300 lines, every tenth with a two-line description: every page holds
    // lines under the table's header, none is left half empty but the last.
    nlohmann::json input = nlohmann::json::parse(typedInvoice);
    input["lines"] = nlohmann::json::array();
    char name[32];
    for (int i = 1; i <= 300; ++i) {
        std::snprintf(name, sizeof name, "Artikel Nr. %03d", i);
        input["lines"].push_back({{"position", std::to_string(i)},
                                  {"quantity", "3"},
                                  {"itemName", name},
                                  {"unitPrice", std::to_string(i) + ",99"},
                                  {"lineVatPercent", "19"},
                                  {"itemDescription", i % 10 ? "" : "Beschreibung\nzweite Zeile"}});
    }
    state = typed(input);
    expectEssentials(state, render(state, pages));
    const std::string text = pdfText(dir / "out.pdf");
    std::vector<std::string> sheets;
    for (size_t start = 0, end; (end = text.find('\f', start)) != std::string::npos; start = end + 1)
        sheets.push_back(squeezed(text.substr(start, end - start)));
    ASSERT_EQ(static_cast<int>(sheets.size()), pages);
    // A page holds 20 to 55 rows of 9-point type.
    EXPECT_GE(pages, 300 / 55);
    EXPECT_LE(pages, 300 / 20 + 1);
    int lastLine = 0;
    for (int page = 0; page < pages; ++page) {
        const std::string& sheet = sheets[static_cast<size_t>(page)];
        EXPECT_NE(sheet.find("Seite" + std::to_string(page + 1) + "von" + std::to_string(pages)),
                  std::string::npos);
        int first = 0;
        for (int i = lastLine + 1; i <= 300; ++i) {
            std::snprintf(name, sizeof name, "ArtikelNr.%03d", i);
            if (sheet.find(name) == std::string::npos)
                break;
            first = first ? first : i;
            lastLine = i;
        }
        if (first)
            EXPECT_NE(sheet.find("Pos.MengeArt.-Nr.BezeichnungEinzelpreisUSt.Netto"), std::string::npos)
                << page;
        else
            EXPECT_EQ(page, pages - 1) << "a page without lines before the last";
    }
    EXPECT_EQ(lastLine, 300);
}

TEST_F(ViewTest, EveryReferenceSampleThroughTheCommandLine) {
    TALLOMIR_REQUIRE_TESTDATA();
    const auto files = tallomir::testing::sampleFiles("xrechnung-3.0.2-samples");
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const fs::path pdf = dir / (file.stem().string() + ".pdf");
        const int status = std::system(
            ("'" TALLOMIR_CLI "' pdf '" + file.string() + "' '" + pdf.string() + "' 2>/dev/null").c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        DocumentState state = makeDocumentState(defaultCodeLists());
        ASSERT_EQ(ubl::loadInvoiceFile(state, file.string()).result, ubl::LoadOutcome::Result::Loaded);
        expectEssentials(state, pdf);
    }
    // Exit codes: unreadable input, unwritable output, usage.
    const std::pair<std::string, int> runs[] = {
        {"pdf '" + (dir / "missing.xml").string() + "' out.pdf", 2},
        {"pdf '" + files[0].string() + "' '" + (dir / "no" / "out.pdf").string() + "'", 4},
        {"pdf '" + files[0].string() + "'", 1},
    };
    for (const auto& [arguments, code] : runs) {
        const int status = std::system(("'" TALLOMIR_CLI "' " + arguments + " 2>/dev/null").c_str());
        EXPECT_EQ(WEXITSTATUS(status), code) << arguments;
    }
    EXPECT_FALSE(fs::exists(dir / "no"));
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Fonts need a GUI application; a display is not needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
