// Building a tree, and the bytes it is written as before and after re-indenting.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace tallomir::xml {
namespace {

using test::withDeclaration;

XmlNode* leaf(XmlNode* parent, std::string_view name, std::string_view text) {
    XmlNode* node = appendElement(parent, name);
    setNodeText(node, text);
    return node;
}

TEST(AppendElement, BuildsOneMainElementWithOrderedChildren) {
    DocumentPtr doc = createDocument();
    EXPECT_EQ(mainElement(*doc), nullptr);
    EXPECT_EQ(nodeKind(rootNode(*doc)), static_cast<int>(NodeKind::Root));
    XmlNode* top = appendElement(rootNode(*doc), "ubl:Invoice");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(appendElement(rootNode(*doc), "second"), nullptr); // one element under the root
    EXPECT_EQ(mainElement(*doc), top);
    EXPECT_EQ(nextSibling(top), nullptr);
    EXPECT_EQ(parentNode(top), rootNode(*doc));
    EXPECT_EQ(nodeKind(top), static_cast<int>(NodeKind::Element));
    XmlNode* b = appendElement(top, "b");
    XmlNode* c = appendElement(top, "c");
    EXPECT_EQ(firstChild(top), b);
    EXPECT_EQ(nextSibling(b), c);
    EXPECT_EQ(nextSibling(c), nullptr);
    EXPECT_EQ(parentNode(c), top);
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<ubl:Invoice><b/><c/></ubl:Invoice>"));
    // a comment takes no children
    DocumentPtr loaded = loadDocumentFromBytes("<a><!--c--></a>");
    ASSERT_NE(loaded, nullptr);
    XmlNode* comment = firstChild(mainElement(*loaded));
    ASSERT_EQ(nodeKind(comment), static_cast<int>(NodeKind::Comment));
    EXPECT_EQ(appendElement(comment, "x"), nullptr);
    EXPECT_EQ(firstChild(comment), nullptr);
}

TEST(Navigation, NullNodesGiveEmptyAnswers) {
    EXPECT_EQ(appendElement(nullptr, "x"), nullptr);
    EXPECT_EQ(parentNode(nullptr), nullptr);
    EXPECT_EQ(firstChild(nullptr), nullptr);
    EXPECT_EQ(nextSibling(nullptr), nullptr);
    EXPECT_EQ(nodeKind(nullptr), -1);
    EXPECT_EQ(nodeName(nullptr), "");
    EXPECT_EQ(nodeText(nullptr), "");
    EXPECT_EQ(attributeCount(nullptr), 0u);
    EXPECT_EQ(attributeName(nullptr, 0), "");
    EXPECT_EQ(attributeValue(nullptr, 0), "");
    setAttribute(nullptr, "a", "b");
    setNodeText(nullptr, "x");
}

TEST(SetAttribute, SettingAgainReplacesInPlaceAndNamesAreCaseSensitive) {
    DocumentPtr doc = createDocument();
    setAttribute(rootNode(*doc), "a", "b"); // only elements take attributes
    EXPECT_EQ(attributeCount(rootNode(*doc)), 0u);
    XmlNode* e = appendElement(rootNode(*doc), "e");
    setAttribute(e, "first", "1");
    setAttribute(e, "second", "2");
    setAttribute(e, "first", "one");
    setAttribute(e, "FIRST", "3");
    ASSERT_EQ(attributeCount(e), 3u);
    EXPECT_EQ(attributeName(e, 0), "first");
    EXPECT_EQ(attributeValue(e, 0), "one");
    EXPECT_EQ(attributeName(e, 3), "");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<e first=\"one\" second=\"2\" FIRST=\"3\"/>"));
}

TEST(SetNodeText, ReplacesTheTextAndChildrenKeepTheirPositions) {
    DocumentPtr doc = createDocument();
    XmlNode* e = appendElement(rootNode(*doc), "e");
    setNodeText(e, "first");
    setNodeText(e, "zweite Fassung");
    EXPECT_EQ(nodeText(e), "zweite Fassung");
    setNodeText(e, "");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<e/>"));
    setNodeText(e, "text");
    appendElement(e, "child"); // a child appended later comes before the text
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<e><child/>text</e>"));

    DocumentPtr mixed = loadDocumentFromBytes("<a>one<b/>two<c/>three</a>");
    ASSERT_NE(mixed, nullptr);
    XmlNode* a = mainElement(*mixed);
    EXPECT_EQ(nodeText(a), "onetwothree");
    setNodeText(a, "ONETWOTHREE");
    EXPECT_EQ(serializeDocument(*mixed), withDeclaration("<a>ONE<b/>TWO<c/>THREE</a>"));
    setNodeText(a, "1234"); // a shorter text leaves later segments empty
    EXPECT_EQ(serializeDocument(*mixed), withDeclaration("<a>123<b/>4<c/></a>"));
}

TEST(GoldenFile, BuiltDocumentIsWrittenByteForByte) {
    DocumentPtr doc = createDocument();
    XmlNode* top = appendElement(rootNode(*doc), "inv:Invoice");
    setAttribute(top, "xmlns:inv", "urn:example:invoice");
    setAttribute(top, "xmlns:cbc", "urn:example:basic");
    setAttribute(top, "xmlns:cac", "urn:example:aggregate");
    leaf(top, "cbc:CustomizationID", "urn:example:profile#conformant");
    leaf(top, "cbc:ID", "R-2024-001");
    leaf(top, "cbc:IssueDate", "2024-03-01");
    leaf(top, "cbc:Note", "Erste Zeile\r\n\r\n  zweite Zeile");
    XmlNode* party = appendElement(appendElement(top, "cac:AccountingSupplierParty"), "cac:Party");
    leaf(appendElement(party, "cac:PartyName"), "cbc:Name", "M\u00fcller & S\u00f6hne <Bau>");
    XmlNode* address = appendElement(party, "cac:PostalAddress");
    leaf(address, "cbc:StreetName", "Hauptstra\u00dfe  12");
    leaf(appendElement(address, "cac:Country"), "cbc:IdentificationCode", "DE");
    leaf(appendElement(top, "cac:PaymentTerms"), "cbc:Note", " Zahlbar   sofort");
    appendElement(top, "cac:AllowanceCharge");
    setAttribute(leaf(top, "cbc:LineExtensionAmount", "1000.00"), "currencyID", "EUR");
    XmlNode* description = leaf(top, "cbc:Description", "Preis in \u20ac, \"netto\" 'brutto'");
    setAttribute(description, "title", "\"Q\" 'A' <&>");

    reformat(*doc, 4);
    const std::string golden = test::readBytes(TALLOMIR_XML_GOLDEN_DIR "/built_document.xml");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(serializeDocument(*doc), golden);

    test::TempFolder folder;
    const std::string file = folder.file("saved.xml");
    ASSERT_TRUE(saveDocument(*doc, file).ok);
    EXPECT_EQ(test::readBytes(file), golden);
}

TEST(Escaping, TextsAndAttributeValuesAreWrittenAsWellFormedUtf8) {
    const struct {
        std::string text;
        std::string_view content;
        std::string_view attribute;
    } cases[] = {
        {"a<b>c&d 'e' \"f\"\tg\r\nh\ni", "a&lt;b&gt;c&amp;d 'e' \"f\"\tg\r\nh\ni",
         "a&lt;b&gt;c&amp;d &apos;e&apos; &quot;f&quot;&#9;g&#13;&#10;h&#10;i"},
        {"\u00e4\u20ac", "\xC3\xA4\xE2\x82\xAC", "\xC3\xA4\xE2\x82\xAC"},
        {"\U0001F600", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        // characters XML does not allow are left out
        {std::string("a\x01"
                     "b\x0B\x0C"
                     "c\x1F\tz\xEF\xBF\xBE"
                     "y\xEF\xBF\xBF") +
             '\0',
         "abc\tzy", "abc&#9;zy"},
    };
    for (const auto& c : cases) {
        DocumentPtr doc = createDocument();
        setAttribute(leaf(rootNode(*doc), "e", c.text), "v", c.text);
        const std::string written = serializeDocument(*doc);
        EXPECT_EQ(written, withDeclaration("<e v=\"" + std::string(c.attribute) + "\">" +
                                           std::string(c.content) + "</e>"));
        DocumentPtr again = loadDocumentFromBytes(written);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(loadStatus(*again), 0) << written;
    }
}

TEST(Reformat, LeafTextsShrinkBlankRunsAndMultiLineTextsBecomeBlocks) {
    const struct {
        std::string_view text;
        std::string_view written;
    } cases[] = {
        {"zwei  W\u00f6rter", "zwei W\u00f6rter"},
        {"a\t\t b", "a\tb"},
        {"a   ", "a "},
        {"   vorn", " vorn"},
        {"\tvorn", "\tvorn"},
        // a block drops leading blanks and writes every line break in the document's style
        {"  eins\nzwei\rdrei", "\r\n        eins\r\n        zwei\r\n        drei\r\n    "},
        {"\r\neins\r\nzwei\r\n", "\r\n        eins\r\n        zwei\r\n    "},
        {"a < b\r\nc & d", "\r\n        a &lt; b\r\n        c &amp; d\r\n    "},
    };
    for (const auto& c : cases) {
        DocumentPtr doc = createDocument();
        leaf(appendElement(rootNode(*doc), "a"), "b", c.text);
        reformat(*doc, 4);
        EXPECT_EQ(serializeDocument(*doc),
                  withDeclaration("\r\n\r\n<a>\r\n    <b>" + std::string(c.written) + "</b>\r\n</a>\r\n"))
            << c.text;
    }
}

TEST(Reformat, IndentStepIsHonouredAndASecondRunChangesNothing) {
    DocumentPtr doc = createDocument();
    XmlNode* a = appendElement(rootNode(*doc), "a");
    leaf(appendElement(a, "b"), "c", "  x  y ");
    leaf(a, "note", " eins  \r\n\r\n zwei\r\n");
    appendElement(a, "empty");
    reformat(*doc, 2);
    const std::string once = serializeDocument(*doc);
    EXPECT_EQ(once,
              withDeclaration("\r\n\r\n<a>\r\n  <b>\r\n    <c> x y </c>\r\n  </b>\r\n"
                              "  <note>\r\n    eins \r\n    zwei\r\n  </note>\r\n  <empty/>\r\n</a>\r\n"));
    reformat(*doc, 2);
    EXPECT_EQ(serializeDocument(*doc), once);
}

TEST(Reformat, LoadedFileIsIndentedAfreshInItsOwnLineBreaks) {
    DocumentPtr doc = loadDocumentFromBytes("<a>\n\t<b>\n  <c>x</c></b>\n   <d/>\n</a>\n");
    ASSERT_NE(doc, nullptr);
    reformat(*doc, 4);
    EXPECT_EQ(serializeDocument(*doc),
              withDeclaration("\n\n<a>\n    <b>\n        <c>x</c>\n    </b>\n    <d/>\n</a>\n"));
    DocumentPtr raw = loadDocumentFromBytes("<a><![CDATA[  x\r\n\r\n  y]]><?p   keep   this ?></a>");
    ASSERT_NE(raw, nullptr);
    reformat(*raw, 4); // CDATA and processing instructions stay as they are
    EXPECT_EQ(serializeDocument(*raw), withDeclaration("\r\n\r\n<a>\r\n    <![CDATA[  x\r\n\r\n  y]]>\r\n"
                                                       "    <?p keep   this ?>\r\n</a>\r\n"));
}

} // namespace
} // namespace tallomir::xml
