// Building trees from files and bytes, also from files made to hurt a reader.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tallomir::xml {
namespace {

using test::declaration;
using test::withDeclaration;

// UTF-16 bytes with a byte-order mark for a text of characters below U+10000.
std::string utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST(LoadMissing, EmptyOrUnreadableSourcesGiveNoDocument) {
    test::TempFolder folder;
    test::writeBytes(folder.file("empty.xml"), "");
    EXPECT_EQ(loadDocument(folder.file("empty.xml")), nullptr);
    EXPECT_EQ(loadDocument(folder.file("does-not-exist.xml")), nullptr);
    EXPECT_EQ(loadDocument(""), nullptr);
    EXPECT_EQ(loadDocument(folder.path().string()), nullptr);
    EXPECT_EQ(loadDocumentFromBytes(""), nullptr);
}

TEST(LoadTree, ElementsAttributesAndTextsAreKeptAsWritten) {
    DocumentPtr doc =
        loadDocumentFromBytes("<inv:Invoice xmlns:inv='urn:example:i'><cbc:ID z='1' a=\"2\">R-1</cbc:ID>"
                              "<cbc:Note>x &amp; y &lt;z&gt; &#228;&#x20AC;</cbc:Note></inv:Invoice>");
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(loadStatus(*doc), 0);
    XmlNode* top = mainElement(*doc);
    EXPECT_EQ(nodeName(top), "inv:Invoice");
    EXPECT_EQ(attributeValue(top, 0), "urn:example:i");
    XmlNode* id = firstChild(top);
    EXPECT_EQ(nodeName(id), "cbc:ID");
    EXPECT_EQ(nodeText(id), "R-1");
    ASSERT_EQ(attributeCount(id), 2u);
    EXPECT_EQ(attributeName(id, 0), "z"); // in the order written
    EXPECT_EQ(attributeValue(id, 1), "2");
    EXPECT_EQ(nodeText(nextSibling(id)), "x & y <z> \u00e4\u20ac");
}

TEST(LoadTree, OtherNodeKindsBecomeTheirOwnNodesAndAreWrittenBackUnescaped) {
    const std::string source = "<!DOCTYPE a [<!ENTITY co \"Firma GmbH\">]>\n<?app do it?>\n"
                               "<a><!-- a < b --><![CDATA[<raw> & ]]>by &co;</a>\n<!--after-->";
    DocumentPtr doc = loadDocumentFromBytes(source);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(loadStatus(*doc), 0);
    std::vector<int> kinds;
    for (XmlNode* n = firstChild(rootNode(*doc)); n != nullptr; n = nextSibling(n)) {
        kinds.push_back(nodeKind(n));
    }
    EXPECT_EQ(kinds, (std::vector<int>{4, 5, 1, 2}));
    EXPECT_EQ(nodeKind(nextSibling(firstChild(mainElement(*doc)))), static_cast<int>(NodeKind::CData));
    EXPECT_EQ(nodeText(mainElement(*doc)), "by &co;"); // a declared entity stays unexpanded
    std::string written = source;
    written.replace(written.find("&co;"), 4, "&amp;co;");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration(written));
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
        EXPECT_EQ(nodeText(mainElement(*doc)), c.text) << c.source;
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
        {"<?xml version=\"1.0\" encoding=\"US-ASCII\"?><a/>", Encoding::Latin1, ""},
    };
    for (const auto& c : cases) {
        DocumentPtr doc = loadDocumentFromBytes(c.bytes);
        ASSERT_NE(doc, nullptr);
        ASSERT_EQ(loadStatus(*doc), 0) << loadErrorMessage(*doc);
        EXPECT_EQ(documentEncoding(*doc), c.encoding);
        EXPECT_EQ(nodeText(mainElement(*doc)), c.text);
    }
    for (bool bigEndian : {false, true}) { // without a mark, the line breaks are still found
        DocumentPtr doc = loadDocumentFromBytes(utf16(u"<a>x\r\ny</a>", bigEndian).substr(2));
        ASSERT_NE(doc, nullptr);
        ASSERT_EQ(loadStatus(*doc), 0);
        EXPECT_EQ(documentNewlineStyle(*doc), NewlineStyle::CrLf);
        EXPECT_EQ(nodeText(mainElement(*doc)), "x\r\ny");
    }
}

TEST(LoadErrors, ReportTheParsersCodeMessageLineAndColumn) {
    const struct {
        std::string_view source;
        int status;
        std::string_view message;
        int line;
        int column;
    } cases[] = {
        // the parser points at the name after "</"
        {"<a>\r\n  <b></c>\r\n</a>\r\n", 7, "mismatched tag", 2, 8},
        {"<a><b>text</b", 5, "unclosed token", 1, 11},
        {"<a><b>text</b>", 3, "no element found", 1, 15},
        {"<a>M\xFCller</a>", 4, "not well-formed (invalid token)", 1, 5},
        {"<?xml version=\"1.0\" encoding=\"KLINGON-1\"?><a/>", 18, "unknown encoding", 1, 31},
        {"<a/>\n<b/>", 9, "junk after document element", 2, 1},
    };
    for (const auto& c : cases) {
        DocumentPtr doc = loadDocumentFromBytes(c.source);
        ASSERT_NE(doc, nullptr) << c.source;
        EXPECT_EQ(loadStatus(*doc), c.status) << c.source;
        EXPECT_EQ(loadErrorMessage(*doc), c.message) << c.source;
        EXPECT_EQ(loadErrorLine(*doc), c.line) << c.source;
        EXPECT_EQ(loadErrorColumn(*doc), c.column) << c.source;
    }
}

TEST(LoadChunks, TextsAndLineBreaksAcrossChunkBoundariesArriveWhole) {
    // Texts longer than one read, with CR LF pairs at every possible offset;
    // none needs escaping, so the tree writes back to the very same bytes.
    std::string body = "<list>\r\n";
    for (int i = 0; i < 300; ++i) {
        body += "<item n=\"" + std::to_string(i) + "\">" +
                std::string(static_cast<std::size_t>(i * 7 % 113), 'x') + "\r\n\u00e4\u20ac" +
                std::to_string(i) + "</item>\r\n";
    }
    body += "<big>" + std::string(40000, 'y') + "\r\nend</big>\r\n</list>\r\n";
    ASSERT_GT(body.size(), 3u * 16384);
    test::TempFolder folder;
    test::writeBytes(folder.file("chunks.xml"), body);
    DocumentPtr doc = loadDocument(folder.file("chunks.xml"));
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(loadStatus(*doc), 0);
    EXPECT_EQ(nodeText(firstChild(mainElement(*doc))), "\r\n\u00e4\u20ac0");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration(body));
}

TEST(LoadChunks, ErrorLineIsCountedOverTheWholeFileAndTheTreeBuiltSoFarStays) {
    std::string body = "<a>\n";
    for (int i = 0; i < 5000; ++i) {
        body += "<b>" + std::to_string(i) + "</b>\n";
    }
    test::TempFolder folder;
    test::writeBytes(folder.file("broken.xml"), body + "<c></b>\n</a>\n");
    DocumentPtr doc = loadDocument(folder.file("broken.xml"));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(loadStatus(*doc), 7);
    EXPECT_EQ(loadErrorLine(*doc), 5002);
    EXPECT_EQ(loadErrorColumn(*doc), 6);
    EXPECT_EQ(nodeText(firstChild(mainElement(*doc))), "0");
}

// Runs work on a thread whose stack has the usual default size of 8 MiB.
void runOnDefaultSizedStack(const std::function<void()>& work) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 8u * 1024 * 1024), 0);
    pthread_t thread;
    auto trampoline = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, trampoline, const_cast<std::function<void()>*>(&work)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

TEST(DeepNesting, MillionLevelsLoadReformatSaveAndFreeWithoutCrash) {
    constexpr std::uint64_t levels = 1000000;
    std::string source;
    source.reserve(levels * 7);
    for (std::uint64_t i = 0; i < 2 * levels; ++i) {
        source += i < levels ? "<a>" : "</a>";
    }
    test::TempFolder folder;
    const std::string file = folder.file("deep.xml");

    runOnDefaultSizedStack([&] {
        DocumentPtr doc = loadDocumentFromBytes(source);
        ASSERT_NE(doc, nullptr);
        ASSERT_EQ(loadStatus(*doc), 0) << loadErrorMessage(*doc);
        reformat(*doc, 4);
        ASSERT_TRUE(saveDocument(*doc, file).ok);
        doc.reset();
    });

    // Every element but the innermost has a line before its first child and
    // one before its end tag; indentation stops growing at column 64. So the
    // size proves that all levels were loaded, indented and written.
    auto indent = [](std::uint64_t depth) { return std::min<std::uint64_t>(depth * 4, 64); };
    std::uint64_t expected = declaration.size() + 6 + (levels - 1) * 7 + 4;
    for (std::uint64_t depth = 1; depth < levels; ++depth) {
        expected += 2 + indent(depth) + 2 + indent(depth - 1);
    }
    EXPECT_EQ(std::filesystem::file_size(file), expected);
    const std::string bytes = test::readBytes(file);
    EXPECT_EQ(bytes.substr(0, declaration.size() + 31),
              std::string(declaration) + "\r\n\r\n<a>\r\n    <a>\r\n        <a>\r\n");
    EXPECT_TRUE(bytes.ends_with("\r\n    </a>\r\n</a>\r\n"));
}

std::string entityBomb() {
    std::string dtd = "<!DOCTYPE lolz [\n<!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        dtd += "<!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i) {
            dtd += "&lol" + std::to_string(level - 1) + ";";
        }
        dtd += "\">\n";
    }
    return dtd + "]>\n";
}

// Kept, the declaration is parsed and the attack ends with the parser's
// error; refused, reading stops at the declaration.
TEST(EntityExpansion, BillionLaughsInAnAttributeEndWithTheParsersErrorOrAreNotRead) {
    for (const Doctypes doctypes : {Doctypes::Keep, Doctypes::Refuse}) {
        DocumentPtr bomb = loadDocumentFromBytes(entityBomb() + "<lolz a=\"&lol9;\"/>", doctypes);
        ASSERT_NE(bomb, nullptr);
        EXPECT_TRUE(hasDoctype(*bomb));
        EXPECT_NE(loadStatus(*bomb), 0);
        EXPECT_FALSE(loadErrorMessage(*bomb).empty());
        EXPECT_EQ(attributeCount(mainElement(*bomb)), 0u);
        EXPECT_EQ(loadErrorMessage(*bomb) == "parsing aborted", doctypes == Doctypes::Refuse);
    }
    EXPECT_FALSE(hasDoctype(*loadDocumentFromBytes("<a/>", Doctypes::Refuse)));
}

TEST(OutsideReferences, AreNeverRead) {
    test::TempFolder folder;
    test::writeBytes(folder.file("secret.txt"), "TOP-SECRET-CONTENT");
    test::writeBytes(folder.file("evil.dtd"), "<!ENTITY leak \"TOP-SECRET-CONTENT\">\n"
                                              "<!ATTLIST a injected CDATA \"TOP-SECRET-CONTENT\">\n");
    // Loaded from a file beside the secrets, so relative references would reach them.
    const std::string file = folder.file("doc.xml");
    for (const std::string& source : {
             std::string("<!DOCTYPE a [<!ENTITY ext SYSTEM \"secret.txt\">]><a>&ext;</a>"),
             std::string("<!DOCTYPE a SYSTEM \"evil.dtd\"><a>&leak;</a>"),
             std::string("<!DOCTYPE a [<!ENTITY % p SYSTEM \"evil.dtd\"> %p;]><a>&leak;</a>"),
         }) {
        test::writeBytes(file, source);
        DocumentPtr doc = loadDocument(file);
        ASSERT_NE(doc, nullptr) << source;
        const std::string written = serializeDocument(*doc);
        EXPECT_EQ(written.find("TOP-SECRET"), std::string::npos) << written;
        if (source.find("&ext;") != std::string::npos) {
            EXPECT_EQ(loadStatus(*doc), 0);
            EXPECT_NE(written.find("<a>&amp;ext;</a>"), std::string::npos) << written;
        }
    }
    test::writeBytes(file, "<!DOCTYPE a [<!ENTITY ext SYSTEM \"secret.txt\">]><a v=\"&ext;\"/>");
    DocumentPtr doc = loadDocument(file);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(loadStatus(*doc), 16);
    EXPECT_EQ(loadErrorMessage(*doc), "reference to external entity in attribute");
}

} // namespace
} // namespace tallomir::xml
