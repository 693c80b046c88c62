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

TEST(AppendElement, OneMainElementWithOrderedChildrenAndAttributesReplacedInPlace) {
    DocumentPtr doc = createDocument();
    XmlNode* top = appendElement(rootNode(*doc), "ubl:Invoice");
    EXPECT_EQ(appendElement(rootNode(*doc), "second"), nullptr); // one element under the root
    XmlNode* b = appendElement(top, "b");
    appendElement(top, "c");
    setAttribute(b, "first", "1");
    setAttribute(b, "second", "2");
    setAttribute(b, "first", "one");
    setAttribute(b, "FIRST", "3");
    EXPECT_EQ(serializeDocument(*doc),
              withDeclaration("<ubl:Invoice><b first=\"one\" second=\"2\" FIRST=\"3\"/><c/></ubl:Invoice>"));
}

TEST(SetNodeText, ReplacesTheTextAndChildrenKeepTheirPositions) {
    DocumentPtr doc = createDocument();
    XmlNode* e = appendElement(rootNode(*doc), "e");
    setNodeText(e, "first");
    setNodeText(e, "");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<e/>"));
    setNodeText(e, "text");
    appendElement(e, "child"); // a child appended later comes before the text
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<e><child/>text</e>"));
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
    leaf(top, "cbc:Note", "Erste Zeile\r\nzweite Zeile");
    XmlNode* party = appendElement(appendElement(top, "cac:AccountingSupplierParty"), "cac:Party");
    leaf(appendElement(party, "cac:PartyName"), "cbc:Name", "M\u00fcller & S\u00f6hne <Bau>");
    XmlNode* address = appendElement(party, "cac:PostalAddress");
    leaf(address, "cbc:StreetName", "Hauptstra\u00dfe 12");
    leaf(appendElement(address, "cac:Country"), "cbc:IdentificationCode", "DE");
    leaf(appendElement(top, "cac:PaymentTerms"), "cbc:Note", " Zahlbar sofort");
    appendElement(top, "cac:AllowanceCharge");
    setAttribute(leaf(top, "cbc:LineExtensionAmount", "1000.00"), "currencyID", "EUR");
    XmlNode* description = leaf(top, "cbc:Description", "Preis in \u20ac, \"netto\" 'brutto'");
    setAttribute(description, "title", "\"Q\" 'A' <&>");

    indentWhenWritten(*doc, 4);
    const std::string golden = test::readBytes(TALLOMIR_XML_GOLDEN_DIR "/built_document.xml");
    EXPECT_EQ(serializeDocument(*doc), golden);
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

TEST(IndentWhenWritten, IndentsBetweenElementsKeepsLeafTextsAndLeavesTheTree) {
    DocumentPtr doc = createDocument();
    XmlNode* a = appendElement(rootNode(*doc), "a");
    leaf(appendElement(a, "b"), "c", "  x  y ");
    leaf(a, "note", " eins  \r\n\r\n zwei\r\n");
    XmlNode* mixed = leaf(a, "mixed", "text");
    appendElement(mixed, "i");
    appendElement(a, "empty");
    indentWhenWritten(*doc, 2);
    EXPECT_EQ(serializeDocument(*doc),
              withDeclaration("\r\n\r\n<a>\r\n  <b>\r\n    <c>  x  y </c>\r\n  </b>\r\n"
                              "  <note> eins  \r\n\r\n zwei\r\n</note>\r\n  <mixed><i/>text</mixed>\r\n"
                              "  <empty/>\r\n</a>\r\n"));
    indentWhenWritten(*doc, 0);
    EXPECT_EQ(serializeDocument(*doc),
              withDeclaration("<a><b><c>  x  y </c></b><note> eins  \r\n\r\n zwei\r\n</note>"
                              "<mixed><i/>text</mixed><empty/></a>"));

    // A comment before the document element keeps a line of its own.
    DocumentPtr loaded = loadDocumentFromBytes("<!--c--><a><b/></a>");
    ASSERT_NE(loaded, nullptr);
    indentWhenWritten(*loaded, 2);
    EXPECT_EQ(serializeDocument(*loaded),
              withDeclaration("\r\n\r\n<!--c-->\r\n\r\n<a>\r\n  <b/>\r\n</a>\r\n"));

    // Deep trees stop indenting further at column 64.
    DocumentPtr deep = createDocument();
    XmlNode* node = rootNode(*deep);
    for (int level = 0; level < 18; ++level)
        node = appendElement(node, "d");
    indentWhenWritten(*deep, 4);
    const std::string written = serializeDocument(*deep);
    EXPECT_NE(written.find("\r\n" + std::string(60, ' ') + "<d>\r\n" + std::string(64, ' ') + "<d>\r\n" +
                           std::string(64, ' ') + "<d/>\r\n" + std::string(64, ' ') + "</d>\r\n"),
              std::string::npos)
        << written;
}

} // namespace
} // namespace tallomir::xml
