// Building trees from files and bytes.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tallomir::xml {
namespace {

using test::declaration;

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

XmlNode* child(XmlNode* parent, std::string_view name) {
    for (XmlNode* n = firstChild(parent); n != nullptr; n = nextSibling(n)) {
        if (nodeName(n) == name) {
            return n;
        }
    }
    return nullptr;
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
    DocumentPtr doc = loadDocumentFromBytes(
        "<inv:Invoice xmlns:inv='urn:example:i' xmlns:cbc=\"urn:example:b\"><cbc:ID z='1' a='2'>R-1</cbc:ID>"
        "<cbc:Note>x &amp; y &lt;z&gt; &#228;&#x20AC;</cbc:Note></inv:Invoice>");
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(loadStatus(*doc), 0);
    XmlNode* top = mainElement(*doc);
    EXPECT_EQ(nodeName(top), "inv:Invoice");
    EXPECT_EQ(parentNode(top), rootNode(*doc));
    ASSERT_EQ(attributeCount(top), 2u);
    EXPECT_EQ(attributeName(top, 0), "xmlns:inv");
    EXPECT_EQ(attributeValue(top, 1), "urn:example:b");
    XmlNode* id = child(top, "cbc:ID");
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(nodeText(id), "R-1");
    ASSERT_EQ(attributeCount(id), 2u);
    EXPECT_EQ(attributeName(id, 0), "z");
    EXPECT_EQ(attributeName(id, 1), "a");
    EXPECT_EQ(nodeText(child(top, "cbc:Note")), "x & y <z> \u00e4\u20ac");
}

TEST(LoadTree, MixedContentKeepsEachChildAtItsPlace) {
    const std::string body = "<a>one<b>in b</b>two<!--c--><c/>three</a>";
    DocumentPtr doc = loadDocumentFromBytes(body);
    ASSERT_NE(doc, nullptr);
    XmlNode* a = mainElement(*doc);
    EXPECT_EQ(nodeText(a), "onetwothree");
    EXPECT_EQ(serializeDocument(*doc), std::string(declaration) + body);
}

TEST(LoadTree, OtherNodeKindsBecomeTheirOwnNodes) {
    DocumentPtr doc = loadDocumentFromBytes("<!DOCTYPE a PUBLIC \"-//X//Y\" 'a.dtd'>\n<?app do it?>\n"
                                            "<a><!-- note --><![CDATA[<raw> & ]]></a>\n<!--after-->");
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(loadStatus(*doc), 0);
    std::vector<int> kinds;
    for (XmlNode* n = firstChild(rootNode(*doc)); n != nullptr; n = nextSibling(n)) {
        kinds.push_back(nodeKind(n));
    }
    EXPECT_EQ(kinds, (std::vector<int>{4, 5, 1, 2}));
    XmlNode* doctype = firstChild(rootNode(*doc));
    EXPECT_EQ(nodeText(doctype), "<!DOCTYPE a PUBLIC \"-//X//Y\" \"a.dtd\">");
    XmlNode* pi = nextSibling(doctype);
    EXPECT_EQ(nodeName(pi), "app");
    EXPECT_EQ(nodeText(pi), "do it");
    XmlNode* comment = firstChild(mainElement(*doc));
    EXPECT_EQ(nodeText(comment), " note ");
    EXPECT_EQ(nodeKind(nextSibling(comment)), static_cast<int>(NodeKind::CData));
    EXPECT_EQ(nodeText(nextSibling(comment)), "<raw> & ");
    EXPECT_EQ(nodeText(rootNode(*doc)), "\n\n\n");
}

TEST(LoadTree, DoctypeIdentifierWithDoubleQuoteIsSingleQuoted) {
    DocumentPtr doc = loadDocumentFromBytes("<!DOCTYPE a SYSTEM 'say\"x\".dtd'><a/>");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(nodeText(firstChild(rootNode(*doc))), "<!DOCTYPE a SYSTEM 'say\"x\".dtd'>");
}

TEST(LoadTree, ReferencesToDeclaredEntitiesStayUnexpanded) {
    DocumentPtr doc = loadDocumentFromBytes("<!DOCTYPE a [<!ENTITY co \"Firma GmbH\">]><a>by &co;</a>");
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(loadStatus(*doc), 0);
    EXPECT_EQ(nodeText(mainElement(*doc)), "by &co;");
    EXPECT_EQ(nodeText(firstChild(rootNode(*doc))), "<!DOCTYPE a [<!ENTITY co \"Firma GmbH\">]>");
}

TEST(LoadNewlines, CrLfFileGivesCrLfTexts) {
    DocumentPtr doc = loadDocumentFromBytes("<a>\r\n<b>eins\r\nzwei</b>\r\n</a>\r\n");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(documentNewlineStyle(*doc), NewlineStyle::CrLf);
    EXPECT_EQ(nodeText(firstChild(mainElement(*doc))), "eins\r\nzwei");
    EXPECT_EQ(nodeText(mainElement(*doc)), "\r\n\r\n");
}

TEST(LoadNewlines, LfAndCrFilesKeepTheirStyle) {
    DocumentPtr lf = loadDocumentFromBytes("<a>eins\nzwei</a>");
    DocumentPtr cr = loadDocumentFromBytes("<a>eins\rzwei</a>");
    ASSERT_TRUE(lf && cr);
    EXPECT_EQ(documentNewlineStyle(*lf), NewlineStyle::Lf);
    EXPECT_EQ(nodeText(mainElement(*lf)), "eins\nzwei");
    EXPECT_EQ(documentNewlineStyle(*cr), NewlineStyle::Cr);
    EXPECT_EQ(nodeText(mainElement(*cr)), "eins\rzwei");
}

TEST(LoadNewlines, FirstLineBreakDecidesAndLeadingLfIsSkipped) {
    DocumentPtr mixed = loadDocumentFromBytes("<a>eins\r\nzwei\ndrei</a>");
    ASSERT_NE(mixed, nullptr);
    EXPECT_EQ(nodeText(mainElement(*mixed)), "eins\r\nzwei\r\ndrei");
    DocumentPtr leading = loadDocumentFromBytes("\n<a>eins\r\nzwei</a>");
    ASSERT_NE(leading, nullptr);
    EXPECT_EQ(documentNewlineStyle(*leading), NewlineStyle::CrLf);
    DocumentPtr none = loadDocumentFromBytes("<a>eins</a>");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(documentNewlineStyle(*none), NewlineStyle::Unknown);
}

TEST(LoadEncodings, Utf16WithByteOrderMarkGivesUtf8Texts) {
    for (bool bigEndian : {false, true}) {
        const std::string bytes = utf16(
            u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<a n=\"\u00e4\">M\u00fcller \u20ac\r\nx</a>",
            bigEndian);
        DocumentPtr doc = loadDocumentFromBytes(bytes);
        ASSERT_NE(doc, nullptr);
        ASSERT_EQ(loadStatus(*doc), 0) << loadErrorMessage(*doc);
        EXPECT_EQ(documentEncoding(*doc), Encoding::Utf16);
        EXPECT_EQ(documentNewlineStyle(*doc), NewlineStyle::CrLf);
        EXPECT_EQ(nodeText(mainElement(*doc)), "M\xC3\xBCller \xE2\x82\xAC\r\nx");
        EXPECT_EQ(attributeValue(mainElement(*doc), 0), "\xC3\xA4");
    }
}

TEST(LoadEncodings, Utf16WithoutDeclarationIsRecognisedByItsMark) {
    DocumentPtr doc = loadDocumentFromBytes(utf16(u"<a>\u00e4</a>", false));
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(loadStatus(*doc), 0);
    EXPECT_EQ(documentEncoding(*doc), Encoding::Utf16);
    EXPECT_EQ(nodeText(mainElement(*doc)), "\xC3\xA4");
}

TEST(LoadEncodings, Utf16WithoutMarkKeepsItsLineBreaks) {
    for (bool bigEndian : {false, true}) {
        DocumentPtr doc = loadDocumentFromBytes(utf16(u"<a>x\r\ny</a>", bigEndian).substr(2));
        ASSERT_NE(doc, nullptr);
        ASSERT_EQ(loadStatus(*doc), 0);
        EXPECT_EQ(documentNewlineStyle(*doc), NewlineStyle::CrLf);
        EXPECT_EQ(nodeText(mainElement(*doc)), "x\r\ny");
    }
}

TEST(LoadEncodings, DeclaredLatin1GivesUtf8Texts) {
    test::TempFolder folder;
    const std::string file = folder.file("latin1.xml");
    test::writeBytes(file, "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><a>M\xFCller \xE4 \xDF</a>");
    DocumentPtr doc = loadDocument(file);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(loadStatus(*doc), 0);
    EXPECT_EQ(documentEncoding(*doc), Encoding::Latin1);
    EXPECT_EQ(nodeText(mainElement(*doc)), "M\xC3\xBCller \xC3\xA4 \xC3\x9F");
    DocumentPtr ascii = loadDocumentFromBytes("<?xml version=\"1.0\" encoding=\"US-ASCII\"?><a/>");
    ASSERT_NE(ascii, nullptr);
    EXPECT_EQ(documentEncoding(*ascii), Encoding::Latin1);
}

TEST(LoadErrors, MismatchedTagReportsCodeMessageLineAndColumn) {
    test::TempFolder folder;
    const std::string file = folder.file("broken.xml");
    test::writeBytes(file, "<a>\r\n  <b></c>\r\n</a>\r\n");
    DocumentPtr doc = loadDocument(file);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(loadStatus(*doc), 7);
    EXPECT_EQ(loadErrorMessage(*doc), "mismatched tag");
    EXPECT_EQ(loadErrorLine(*doc), 2);
    EXPECT_EQ(loadErrorColumn(*doc), 8);                     // the parser points at the name after "</"
    EXPECT_EQ(nodeName(firstChild(mainElement(*doc))), "b"); // what was built so far stays
}

TEST(LoadErrors, TruncatedFileIsAnError) {
    DocumentPtr doc = loadDocumentFromBytes("<a><b>text</b");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(loadStatus(*doc), 5);
    EXPECT_EQ(loadErrorMessage(*doc), "unclosed token");
    DocumentPtr unfinished = loadDocumentFromBytes("<a><b>text</b>");
    ASSERT_NE(unfinished, nullptr);
    EXPECT_EQ(loadStatus(*unfinished), 3);
    EXPECT_EQ(loadErrorMessage(*unfinished), "no element found");
}

TEST(LoadErrors, BinaryAndWronglyEncodedBytesAreErrors) {
    const std::string binary("\x00\x01\x02garbage\xFF\x00\x00\x00\x00\x00\x89PNG", 20);
    DocumentPtr doc = loadDocumentFromBytes(binary);
    ASSERT_NE(doc, nullptr);
    EXPECT_NE(loadStatus(*doc), 0);
    DocumentPtr latin1AsUtf8 = loadDocumentFromBytes("<a>M\xFCller</a>");
    ASSERT_NE(latin1AsUtf8, nullptr);
    EXPECT_EQ(loadStatus(*latin1AsUtf8), 4);
    EXPECT_EQ(loadErrorMessage(*latin1AsUtf8), "not well-formed (invalid token)");
    EXPECT_EQ(loadErrorLine(*latin1AsUtf8), 1);
    EXPECT_EQ(loadErrorColumn(*latin1AsUtf8), 5);
    DocumentPtr unknown = loadDocumentFromBytes("<?xml version=\"1.0\" encoding=\"KLINGON-1\"?><a/>");
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(loadStatus(*unknown), 18);
    EXPECT_EQ(loadErrorMessage(*unknown), "unknown encoding");
}

TEST(LoadErrors, SecondTopElementIsJunk) {
    DocumentPtr doc = loadDocumentFromBytes("<a/>\n<b/>");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(loadStatus(*doc), 9);
    EXPECT_EQ(loadErrorMessage(*doc), "junk after document element");
    EXPECT_EQ(loadErrorLine(*doc), 2);
    EXPECT_EQ(loadErrorColumn(*doc), 1);
    EXPECT_EQ(nodeName(mainElement(*doc)), "a");
}

TEST(LoadChunks, TextsAndLineBreaksAcrossChunkBoundariesArrangeWhole) {
    // Texts longer than one read, with CR LF pairs at every possible offset.
    std::string body = "<list>\r\n";
    std::vector<std::string> texts;
    for (int i = 0; i < 300; ++i) {
        std::string text(static_cast<std::size_t>(i * 7 % 113), 'x');
        text += "\r\n\u00e4\u20ac" + std::to_string(i);
        texts.push_back(text);
        body += "<item n=\"" + std::to_string(i) + "\">" + text + "</item>\r\n";
    }
    body += "<big>" + std::string(40000, 'y') + "\r\nend</big>\r\n</list>\r\n";
    ASSERT_GT(body.size(), 3u * 16384);

    test::TempFolder folder;
    const std::string file = folder.file("chunks.xml");
    test::writeBytes(file, body);
    DocumentPtr fromFile = loadDocument(file);
    DocumentPtr fromBytes = loadDocumentFromBytes(body);
    ASSERT_TRUE(fromFile && fromBytes);
    ASSERT_EQ(loadStatus(*fromFile), 0);
    XmlNode* item = firstChild(mainElement(*fromFile));
    for (const std::string& text : texts) {
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(nodeText(item), text);
        item = nextSibling(item);
    }
    EXPECT_EQ(nodeText(item), std::string(40000, 'y') + "\r\nend");
    EXPECT_EQ(serializeDocument(*fromFile), serializeDocument(*fromBytes));
    EXPECT_EQ(serializeDocument(*fromFile), std::string(declaration) + body);
}

TEST(LoadChunks, ErrorLineIsCountedOverTheWholeFile) {
    std::string body = "<a>\n";
    for (int i = 0; i < 5000; ++i) {
        body += "<b>" + std::to_string(i) + "</b>\n";
    }
    body += "<c></b>\n</a>\n";
    DocumentPtr doc = loadDocumentFromBytes(body);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(loadStatus(*doc), 7);
    EXPECT_EQ(loadErrorLine(*doc), 5002);
    EXPECT_EQ(loadErrorColumn(*doc), 6);
}

// The first text of an element, found in the raw file without any parser.
std::string firstRawText(const std::string& bytes, const std::string& name) {
    const std::string open = "<" + name + ">";
    const std::size_t start = bytes.find(open);
    if (start == std::string::npos) {
        return "(none)";
    }
    const std::size_t end = bytes.find("</" + name + ">", start);
    return bytes.substr(start + open.size(), end - start - open.size());
}

XmlNode* firstInDocumentOrder(XmlNode* node, std::string_view name) {
    std::vector<XmlNode*> pending{node};
    while (!pending.empty()) {
        XmlNode* n = pending.back();
        pending.pop_back();
        if (nodeName(n) == name && attributeCount(n) == 0) {
            return n;
        }
        std::vector<XmlNode*> children;
        for (XmlNode* c = firstChild(n); c != nullptr; c = nextSibling(c)) {
            children.push_back(c);
        }
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return nullptr;
}

TEST(LoadSamples, EveryPublishedSampleLoadsAndWritesBackToTheSameTree) {
    const std::filesystem::path folder =
        std::filesystem::path(TALLOMIR_SHARED_DIR) / "testdata" / "xrechnung-2.1.1-samples";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "sample folder not found: " << folder;
    }
    int loaded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".xml") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        const std::string bytes = test::readBytes(entry.path());
        DocumentPtr doc = loadDocument(entry.path().string());
        ASSERT_NE(doc, nullptr);
        ASSERT_EQ(loadStatus(*doc), 0) << loadErrorMessage(*doc) << " at " << loadErrorLine(*doc);
        EXPECT_TRUE(nodeName(mainElement(*doc)).ends_with("Invoice")) << nodeName(mainElement(*doc));
        EXPECT_EQ(nodeText(firstInDocumentOrder(mainElement(*doc), "cbc:ID")), firstRawText(bytes, "cbc:ID"));
        EXPECT_EQ(nodeText(firstInDocumentOrder(mainElement(*doc), "cbc:IssueDate")),
                  firstRawText(bytes, "cbc:IssueDate"));

        const std::string written = serializeDocument(*doc);
        DocumentPtr again = loadDocumentFromBytes(written);
        ASSERT_NE(again, nullptr);
        ASSERT_EQ(loadStatus(*again), 0);
        EXPECT_EQ(serializeDocument(*again), written);
        ++loaded;
    }
    EXPECT_GE(loaded, 10);
}

} // namespace
} // namespace tallomir::xml
