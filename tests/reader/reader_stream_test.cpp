// Loading while the file is parsed: whatever the pieces the parser gets, the
// document, the not-carried list and the judgement are those of the whole
// tree; lines taken whole leave the tree, lines with something not carried
// stay for the list.

#include "reader_test_support.h"

#include "cii/cii.h"
#include "cli/json_io.h"
#include "support/reference.h"
#include "syntax/syntax.h"
#include "xml/xml.h"

#include <regex>

namespace ubl = tallomir::ubl;
namespace xml = tallomir::xml;
using namespace readertest;

namespace {

const ubl::TableSyntax& byRoot(xml::NodeView root) {
    return tallomir::cii::isCiiInvoice(root) ? tallomir::cii::ciiSyntax() : ubl::ublSyntax();
}

// Passes every call on, and counts the line elements the tree still holds at the end.
struct LineCounter final : xml::LoadWatcher {
    xml::LoadWatcher* walk = nullptr;
    int linesLeft = -1;
    void parsed(xml::XmlDocument& doc, bool complete) override {
        walk->parsed(doc, complete);
        if (!complete)
            return;
        linesLeft = 0;
        std::vector<xml::NodeView> open{xml::mainElement(doc)};
        while (!open.empty()) {
            const xml::NodeView node = open.back();
            open.pop_back();
            linesLeft +=
                node.localName() == "InvoiceLine" || node.localName() == "IncludedSupplyChainTradeLineItem";
            for (const xml::NodeView child : node.children())
                if (child.isElement())
                    open.push_back(child);
        }
    }
};

struct Loaded {
    ubl::LoadOutcome outcome;
    std::string dump; // the document, the not-carried items and the elements they stand for
    int linesLeft = -1;
};

std::string dumped(const tallomir::DocumentState& state) {
    std::string text = tallomir::cli::dumpDocument(state).dump();
    for (const auto& item : state.notCarried)
        for (const std::string& element : item.elements)
            text += "\n" + element;
    return text + "\n" + std::string(tallomir::syntax::syntaxName(state.syntax));
}

// Parsed `piece` bytes at a time and walked meanwhile.
Loaded whileParsed(const std::string& bytes, int piece) {
    Loaded result;
    tallomir::Form state = freshState();
    const ubl::TableSyntax* chosen = nullptr;
    LineCounter counter;
    result.outcome = ubl::loadWhileParsed(
        state, nullptr, byRoot,
        [&](xml::LoadWatcher* walk) {
            counter.walk = walk;
            return xml::loadDocumentFromBytes(bytes, xml::Doctypes::Refuse, &counter, piece);
        },
        &chosen);
    state.syntax = chosen == &tallomir::cii::ciiSyntax() ? tallomir::Syntax::Cii : tallomir::Syntax::Ubl;
    result.dump = dumped(state);
    result.linesLeft = counter.linesLeft;
    return result;
}

// The whole tree parsed first, then walked.
Loaded wholeTree(const std::string& bytes) {
    Loaded result;
    tallomir::Form state = freshState();
    const xml::DocumentPtr tree = xml::loadDocumentFromBytes(bytes);
    const ubl::TableSyntax& syntax = byRoot(tree ? xml::mainElement(*tree) : xml::NodeView());
    result.outcome = ubl::loadParsed(state, tree.get(), nullptr, syntax);
    state.syntax = &syntax == &tallomir::cii::ciiSyntax() ? tallomir::Syntax::Cii : tallomir::Syntax::Ubl;
    result.dump = dumped(state);
    return result;
}

std::string ublLine(int id, const std::string& more = "") {
    return el("cac:InvoiceLine",
              el("cbc:ID", std::to_string(id)) +
                  "<cbc:InvoicedQuantity unitCode=\"H87\">2</cbc:InvoicedQuantity>"
                  "<cbc:LineExtensionAmount currencyID=\"EUR\">4.00</cbc:LineExtensionAmount>" +
                  more + el("cac:Item/cbc:Name", "Teil " + std::to_string(id)) +
                  "<cac:Price><cbc:PriceAmount currencyID=\"EUR\">2.00</cbc:PriceAmount></cac:Price>");
}

std::string ciiLine(int id, const std::string& more = "") {
    return el("ram:IncludedSupplyChainTradeLineItem",
              el("ram:AssociatedDocumentLineDocument/ram:LineID", std::to_string(id)) + more +
                  el("ram:SpecifiedTradeProduct/ram:Name", "Teil " + std::to_string(id)));
}

} // namespace

TEST(LoadWhileParsed, AnyPiecesGiveTheDocumentOfTheWholeTreeAndOnlyLinesWithSomethingNotCarriedStay) {
    const std::string foreign = "<cbc:Unbekannt>x</cbc:Unbekannt>";
    const std::string means =
        el("cac:PaymentMeans", el("cbc:PaymentMeansCode", "58")) +
        el("cac:PaymentMeans", el("cbc:PaymentMeansCode", "30") + el("cbc:PaymentID", "V"));
    const std::string ciiLines = ciiLine(1) + ciiLine(2, "<ram:Unbekannt>x</ram:Unbekannt>") + ciiLine(3);
    const struct {
        const char* name;
        std::string bytes;
        int linesLeft;     // -1: not loaded
        const char* named; // in the dump
    } cases[] = {
        {"UBL, line 2 and 4 with content not carried",
         ublFile(el("cbc:ID", "R-1") + ublLine(1) + ublLine(2, foreign) + means + ublLine(3) +
                 ublLine(4, "<cbc:Note>a</cbc:Note><cbc:Note>b</cbc:Note>") + ublLine(5)),
         2, "InvoiceLine[2]/Unbekannt\nInvoiceLine[4]/Note"},
        {"UBL, lines only", ublFile(ublLine(1) + ublLine(2) + ublLine(3)), 0, "\"notCarried\":[]"},
        {"UBL, line 2 names another namespace by the prefix cbc",
         ublFile(ublLine(1) +
                 std::regex_replace(ublLine(2), std::regex("<cac:InvoiceLine>"),
                                    "<cac:InvoiceLine xmlns:cbc=\"urn:fremd\">") +
                 ublLine(3)),
         1, "InvoiceLine[2]/ID"},
        {"CII, line 2 with content not carried",
         ciiFile(el("rsm:ExchangedDocument/ram:ID", "R-1") + el("rsm:SupplyChainTradeTransaction", ciiLines)),
         1, "IncludedSupplyChainTradeLineItem/Unbekannt"},
        {"CII, a block of nothing carried", ciiFile(el("rsm:SupplyChainTradeTransaction", ciiLine(1))), 0,
         "Teil 1"},
        {"not an invoice", "<Bestellung><ID>1</ID></Bestellung>", -1, ""},
        {"not well-formed at its end", ublFile(ublLine(1) + ublLine(2)).substr(0, 700), -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded whole = wholeTree(c.bytes);
        for (const int piece : {1, 7, 100, xml::loadPieceSize}) {
            SCOPED_TRACE(piece);
            const Loaded parsed = whileParsed(c.bytes, piece);
            EXPECT_EQ(parsed.outcome.result, whole.outcome.result);
            EXPECT_EQ(parsed.outcome.message, whole.outcome.message);
            EXPECT_EQ(parsed.dump, whole.dump);
            EXPECT_NE(parsed.dump.find(c.named), std::string::npos); // what the list names
            if (c.linesLeft >= 0) {
                EXPECT_EQ(parsed.linesLeft, c.linesLeft);
            }
        }
    }
}

TEST(LoadWhileParsed, EveryOfficialSampleInSmallPiecesIsTheDocumentOfTheWholeTree) {
    TALLOMIR_REQUIRE_TESTDATA();
    for (const char* folder : {"xrechnung-2.1.1-samples", "xrechnung-3.0.2-samples",
                               "xrechnung-2.1.1-cii-samples", "xrechnung-3.0.2-cii-samples"})
        for (const auto& sample : tallomir::testing::sampleFiles(folder)) {
            SCOPED_TRACE(sample.string());
            const std::string bytes = readBytes(sample);
            const Loaded whole = wholeTree(bytes);
            ASSERT_EQ(whole.outcome.result, Result::Loaded);
            for (const int piece : {5, 333})
                EXPECT_EQ(whileParsed(bytes, piece).dump, whole.dump);
        }
}

// A file of many lines: the line list, reserved for the whole file once enough
// lines are read, holds every line as the whole tree does, in either syntax.
TEST(LoadWhileParsed, ManyLinesInPiecesAreTheLinesOfTheWholeTreeInAListReservedOnce) {
    constexpr int count = 6000;
    std::string ublLines, ciiLines;
    for (int id = 1; id <= count; ++id) {
        ublLines += ublLine(id);
        ciiLines += ciiLine(id);
    }
    const std::string files[] = {ublFile(el("cbc:ID", "R-1") + ublLines),
                                 ciiFile(el("rsm:SupplyChainTradeTransaction", ciiLines))};
    for (const std::string& bytes : files) {
        const Loaded whole = wholeTree(bytes);
        ASSERT_EQ(whole.outcome.result, Result::Loaded);
        for (const int piece : {333, xml::loadPieceSize}) {
            SCOPED_TRACE(piece);
            tallomir::Form state = freshState();
            const auto outcome = ubl::loadWhileParsed(state, nullptr, byRoot, [&](xml::LoadWatcher* walk) {
                return xml::loadDocumentFromBytes(bytes, xml::Doctypes::Refuse, walk, piece);
            });
            ASSERT_EQ(outcome.result, Result::Loaded);
            ASSERT_EQ(state.lines.size(), static_cast<std::size_t>(count));
            EXPECT_EQ(state.lines.back().position, std::to_string(count));
            // grown from 512 lines to about a quarter more than the file holds,
            // not eightfold
            EXPECT_GE(state.lines.capacity(), static_cast<std::size_t>(count));
            EXPECT_LT(state.lines.capacity(), static_cast<std::size_t>(count) * 2);
            EXPECT_EQ(whileParsed(bytes, piece).dump, whole.dump);
        }
    }
}
