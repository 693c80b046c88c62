// Building trees from files and bytes, also from files made to hurt a reader.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tallomir::xml {
namespace {

using test::withDeclaration;

// UTF-16 bytes with a byte-order mark for a text of characters below U+10000.
std::string utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST(LoadMissing, EmptyOrUnreadableSourcesGiveNoDocument) {
    test::TempFolder folder;
    test::writeBytes(folder.file("empty.xml"), "");
    EXPECT_EQ(loadDocument(folder.file("empty.xml")), nullptr);
    EXPECT_EQ(loadDocument(folder.file("does-not-exist.xml")), nullptr);
    EXPECT_EQ(loadDocument(folder.path.string()), nullptr);
    EXPECT_EQ(loadDocumentFromBytes(""), nullptr);
}

TEST(LoadTree, OtherNodeKindsBecomeTheirOwnNodesAndAreWrittenBackUnescaped) {
    const std::string source = "<!DOCTYPE a [<!ENTITY co \"Firma GmbH\">]>\n<?app do it?>\n"
                               "<a><!-- a < b --><![CDATA[<raw> & ]]>by &co;</a>\n<!--after-->";
    DocumentPtr doc = loadDocumentFromBytes(source, Doctypes::Keep);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(loadStatus(*doc), 0);
    EXPECT_EQ(mainElement(*doc).text(), "by &co;"); // a declared entity stays unexpanded
    std::string written = source;
    written.replace(written.find("&co;"), 4, "&amp;co;");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration(written));
}

// Lookups give views; a missing node is an empty view that answers every
// further lookup with nothing.
TEST(NodeViews, LookupsFindByLocalNameAndAMissingNodeAnswersWithNothing) {
    DocumentPtr doc = loadDocumentFromBytes("<p:a xmlns:p=\"urn:x\"><!--c--><p:b k=\"\" u=\"C62\">1</p:b>"
                                            "<c>2</c><b>3</b></p:a>");
    ASSERT_NE(doc, nullptr);
    const NodeView a = mainElement(*doc);
    EXPECT_TRUE(a.isDocumentElement());
    EXPECT_EQ(a.name(), "p:a");
    EXPECT_EQ(a.localName(), "a");
    EXPECT_EQ(a.child("b").text(), "1"); // the first of that local name, any prefix, comments skipped
    EXPECT_EQ(a.child("c").parent(), a);
    EXPECT_EQ(a.child("b").attribute("u"), "C62");
    EXPECT_EQ(a.child("b").attribute("k"), ""); // present and empty
    EXPECT_EQ(a.child("b").attribute("x"), std::nullopt);
    std::string seen;
    for (const NodeView node : a.children())
        seen += node.isElement() ? std::string(node.text()) : "-";
    EXPECT_EQ(seen, "-123");

    const NodeView missing = a.child("d").child("e").parent();
    EXPECT_TRUE(missing.empty());
    EXPECT_FALSE(a.child("c").isDocumentElement());
    EXPECT_EQ(missing.text(), "");
    EXPECT_EQ(missing.attributeCount(), 0u);
    EXPECT_EQ(missing.attribute("u"), std::nullopt);
    EXPECT_EQ(missing.children().begin(), missing.children().end());
}

TEST(LoadNewlines, FirstLineBreakDecidesTheStyleOfAllTexts) {
    const struct {
        std::string_view source;
        NewlineStyle style;
        std::string_view text;
    } cases[] = {
        {"<a>eins\r\nzwei</a>\r\n", NewlineStyle::CrLf, "eins\r\nzwei"},
        {"<a>eins\nzwei</a>", NewlineStyle::Lf, "eins\nzwei"},
        {"<a>eins\rzwei</a>", NewlineStyle::Cr, "eins\rzwei"},
        {"<a>eins\r\nzwei\ndrei</a>", NewlineStyle::CrLf, "eins\r\nzwei\r\ndrei"},
        {"\n<a>eins\r\nzwei</a>", NewlineStyle::CrLf, "eins\r\nzwei"}, // a leading LF is skipped
        {"<a>eins</a>", NewlineStyle::Unknown, "eins"},
    };
    for (const auto& c : cases) {
        DocumentPtr doc = loadDocumentFromBytes(c.source);
        ASSERT_NE(doc, nullptr) << c.source;
        EXPECT_EQ(documentNewlineStyle(*doc), c.style) << c.source;
        EXPECT_EQ(mainElement(*doc).text(), c.text) << c.source;
    }
}

TEST(LoadEncodings, Utf16AndLatin1GiveUtf8Texts) {
    const struct {
        std::string bytes;
        Encoding encoding;
        std::string_view text;
    } cases[] = {
        {utf16(u"<a>\u00e4\u20ac\r\nx</a>", true), Encoding::Utf16,
         "\xC3\xA4\xE2\x82\xAC\r\nx"}, // by its mark
        {"<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><a>M\xFCller \xE4 \xDF</a>", Encoding::Latin1,
         "M\xC3\xBCller \xC3\xA4 \xC3\x9F"},
        // without a mark, the line breaks are still found
        {utf16(u"<a>x\r\ny</a>", false).substr(2), Encoding::Utf8, "x\r\ny"},
        {utf16(u"<a>x\r\ny</a>", true).substr(2), Encoding::Utf8, "x\r\ny"},
    };
    for (const auto& c : cases) {
        DocumentPtr doc = loadDocumentFromBytes(c.bytes);
        ASSERT_NE(doc, nullptr);
        ASSERT_EQ(loadStatus(*doc), 0) << loadErrorMessage(*doc);
        EXPECT_EQ(documentEncoding(*doc), c.encoding);
        EXPECT_EQ(mainElement(*doc).text(), c.text);
    }
}

// Errors give the parser's code, message, line and column, counted across chunks.
TEST(LoadErrors, ReportTheParsersCodeMessageLineAndColumn) {
    std::string longFile = "<a>\n";
    for (int i = 0; i < 5000; ++i) {
        longFile += "<b>" + std::to_string(i) + "</b>\n";
    }
    const std::pair<std::string, std::string_view> cases[] = {
        {"<a>\r\n  <b></c>\r\n</a>\r\n", "7 mismatched tag 2:8"}, // at the name after "</"
        {"<a>M\xFCller</a>", "4 not well-formed (invalid token) 1:5"},
        {"<?xml version=\"1.0\" encoding=\"KLINGON-1\"?><a/>", "18 unknown encoding 1:31"},
        {longFile + "<c></b>\n</a>\n", "7 mismatched tag 5002:6"},
    };
    for (const auto& [source, error] : cases) {
        DocumentPtr doc = loadDocumentFromBytes(source);
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(std::to_string(loadStatus(*doc)) + " " + loadErrorMessage(*doc) + " " +
                      std::to_string(loadErrorLine(*doc)) + ":" + std::to_string(loadErrorColumn(*doc)),
                  error);
    }
}

TEST(LoadChunks, TextsAndLineBreaksAcrossChunkBoundariesArriveWhole) {
    // CR LF pairs at every offset of a read; nothing needs escaping, so the bytes come back.
    std::string body = "<list>\r\n";
    for (int i = 0; i < 300; ++i) {
        body += "<item n=\"" + std::to_string(i) + "\">" +
                std::string(static_cast<std::size_t>(i * 7 % 113), 'x') + "\r\n\u00e4\u20ac" +
                std::to_string(i) + "</item>\r\n";
    }
    // texts of more than 1 MiB (an attached file) are handed over whole, one after the other
    body += "<big>" + std::string(40000, 'y') + "\r\nend</big>\r\n<big>" + std::string(1100000, 'z') +
            "</big><big>" + std::string(1200000, 'w') + "\r\nend</big>\r\n</list>\r\n";
    test::TempFolder folder;
    test::writeBytes(folder.file("chunks.xml"), body);
    DocumentPtr doc = loadDocument(folder.file("chunks.xml"));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(serializeDocument(*doc), withDeclaration(body));
}

// Loaded in pieces of every size, the body is written back as read, and the
// main element's children hold the texts expected.
void expectChildTextsKept(const std::string& body, const std::vector<std::string>& expected) {
    for (const int piece : {1, 7, loadPieceSize}) {
        SCOPED_TRACE(piece);
        const DocumentPtr doc = loadDocumentFromBytes(body, Doctypes::Refuse, nullptr, piece);
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(serializeDocument(*doc), withDeclaration(body));
        std::vector<std::string> texts;
        for (const NodeView child : mainElement(*doc).children())
            if (child.isElement())
                texts.emplace_back(child.text());
        EXPECT_EQ(texts, expected);
    }
}

// The blanks between children are stored once per distinct text: elements at
// the same depth whose blanks differ only in their order or in one character
// keep their own, and are written back as read.
TEST(LoadTree, BlanksBetweenChildrenStayThoseOfTheirOwnElement) {
    expectChildTextsKept("<a>\n <b>\n  <c/>\n </b>\n <d>\n\t <e/>\n\t</d>\n <f>\n <g/>\n  </f>\n"
                         " <b>\n  <c/>\n </b>\n <d>\n\t <e/>\n\t</d>\n</a>",
                         {"\n  \n ", "\n\t \n\t", "\n \n  ", "\n  \n ", "\n\t \n\t"});
}

// Elements at the same depth whose blanks alternate between two texts of the
// same length (a block of one child beside one of several, a tab for a blank)
// keep their own, whichever came last.
TEST(LoadTree, AlternatingBlanksAtOneDepthStayThoseOfTheirOwnElement) {
    std::string body = "<a>";
    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i) {
        body += "\n <b>\n  <c/>\n </b>\n <d>\n\t <e/>\n\t</d>";
        expected.insert(expected.end(), {"\n  \n ", "\n\t \n\t"});
    }
    body += "\n <f>\n\t <e/>\n\t</f>\n <b>\n  <c/>\n </b>\n</a>";
    expected.insert(expected.end(), {"\n\t \n\t", "\n  \n "});
    expectChildTextsKept(body, expected);
}

// A watcher learns how far the file has been parsed: up to its size, which it
// knows from the start.
TEST(LoadWatcher, KnowsTheBytesParsedSoFarAndTheWhole) {
    struct Watcher final : LoadWatcher {
        std::vector<LoadProgress> seen;
        void parsed(XmlDocument& doc, bool) override { seen.push_back(loadProgress(doc)); }
    };
    const std::string body = "<list>" + std::string(100, ' ') + "<a>x</a></list>";
    Watcher watcher;
    const DocumentPtr doc = loadDocumentFromBytes(body, Doctypes::Refuse, &watcher, 40);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(watcher.seen.size(), 4u);
    for (std::size_t i = 0; i < watcher.seen.size(); ++i) {
        EXPECT_EQ(watcher.seen[i].parsed, std::min<std::uint64_t>(40 * (i + 1), body.size()));
        EXPECT_EQ(watcher.seen[i].total, body.size());
    }
    EXPECT_EQ(loadProgress(*loadDocumentFromBytes(body)).parsed, body.size());
}

// A watcher is told after every piece: an element is complete (text and all
// children there) only once its end tag was read, and the document element
// only at the last call, which a file with an error never gets. Elements it
// gives back are gone from the tree; the rest is read as before.
TEST(LoadWatcher, SeesEachElementCompleteOnlyAfterItsEndTagAndMayGiveElementsBack) {
    struct Watcher final : LoadWatcher {
        int calls = 0, completeCalls = 0, failures = 0;
        void parsed(XmlDocument& doc, bool whole) override {
            ++calls;
            completeCalls += whole ? 1 : 0;
            const NodeView root = mainElement(doc);
            failures += root && root.complete() != whole ? 1 : 0;
            for (NodeView child = root.firstChild(); child;) {
                const NodeView next = child.nextSibling();
                if (child.complete() && child.text() != std::string(child.name()) + "!")
                    ++failures; // complete without its whole text
                if (child.name() == "gone")
                    releaseElement(child);
                child = next;
            }
        }
    };
    const std::string body =
        "<list>\n<keep>keep!</keep><gone>gone!<x>deep</x></gone>\n<keep a=\"1\">keep!</keep>"
        "<gone>gone!</gone></list>";
    const struct {
        std::string bytes;
        int piece;
        int calls;
        bool complete;
        std::string kept; // the tree after the load, when it is read whole
    } cases[] = {
        {body, 3, (static_cast<int>(body.size()) + 2) / 3, true,
         "<list>\n<keep>keep!</keep>\n<keep a=\"1\">keep!</keep></list>"},
        {body, 1, static_cast<int>(body.size()), true,
         "<list>\n<keep>keep!</keep>\n<keep a=\"1\">keep!</keep></list>"},
        {body, 0, static_cast<int>(body.size()), true, // as pieces of 1
         "<list>\n<keep>keep!</keep>\n<keep a=\"1\">keep!</keep></list>"},
        {body, loadPieceSize, 1, true, "<list>\n<keep>keep!</keep>\n<keep a=\"1\">keep!</keep></list>"},
        {"<list><keep>keep!</keep><gone>gone!</gone>", 4, 10, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.piece);
        Watcher watcher;
        const DocumentPtr doc = loadDocumentFromBytes(c.bytes, Doctypes::Refuse, &watcher, c.piece);
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(watcher.calls, c.calls);
        EXPECT_EQ(watcher.completeCalls, c.complete ? 1 : 0);
        EXPECT_EQ(watcher.failures, 0);
        if (c.complete) {
            EXPECT_EQ(serializeDocument(*doc), withDeclaration(c.kept));
        }
    }
}

// Kept on request, the attack ends with the parser's error; refused (what a
// caller gets unless it asks), reading stops at the declaration.
TEST(EntityExpansion, BillionLaughsInAnAttributeEndWithTheParsersErrorOrAreNotRead) {
    std::string laughs = "<!DOCTYPE lolz [<!ENTITY l0 \"lol\">";
    for (int level = 1; level <= 9; ++level) {
        const std::string ref = "&l" + std::to_string(level - 1) + ";";
        laughs += "<!ENTITY l" + std::to_string(level) + " \"" + ref + ref + ref + ref + ref + ref + ref +
                  ref + ref + ref + "\">";
    }
    laughs += "]><lolz a=\"&l9;\"/>";
    test::TempFolder folder;
    test::writeBytes(folder.file("lolz.xml"), laughs);
    const std::pair<DocumentPtr, bool> loads[] = {
        {loadDocumentFromBytes(laughs, Doctypes::Keep), true},
        {loadDocument(folder.file("lolz.xml"), Doctypes::Keep), true},
        {loadDocumentFromBytes(laughs), false},
        {loadDocument(folder.file("lolz.xml")), false},
    };
    for (const auto& [bomb, kept] : loads) {
        ASSERT_NE(bomb, nullptr);
        EXPECT_TRUE(hasDoctype(*bomb));
        EXPECT_NE(loadStatus(*bomb), 0);
        EXPECT_EQ(mainElement(*bomb).attributeCount(), 0u);
        EXPECT_EQ(loadErrorMessage(*bomb) == "parsing aborted", !kept);
    }
    EXPECT_FALSE(hasDoctype(*loadDocumentFromBytes("<a/>", Doctypes::Refuse)));
}

} // namespace
} // namespace tallomir::xml
