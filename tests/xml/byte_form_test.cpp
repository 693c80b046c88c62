// The bytes a tree is written as, before and after re-indenting.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace tallomir::xml {
namespace {

using test::declaration;

std::string withDeclaration(std::string_view body) {
    return std::string(declaration) + std::string(body);
}

XmlNode* leaf(XmlNode* parent, std::string_view name, std::string_view text) {
    XmlNode* node = appendElement(parent, name);
    setNodeText(node, text);
    return node;
}

// A document with one element holding `text`, re-indented by four.
std::string reformattedLeaf(std::string_view text) {
    DocumentPtr doc = createDocument();
    leaf(appendElement(rootNode(*doc), "a"), "b", text);
    reformat(*doc, 4);
    return serializeDocument(*doc);
}

std::string expectedLeaf(std::string_view written) {
    return withDeclaration("\r\n\r\n<a>\r\n    <b>" + std::string(written) + "</b>\r\n</a>\r\n");
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

TEST(Declaration, HasNoLineBreakOfItsOwn) {
    DocumentPtr doc = createDocument();
    appendElement(rootNode(*doc), "a");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<a/>"));
}

TEST(Declaration, StatesStandaloneOnlyWhenTheDocumentDid) {
    DocumentPtr yes = loadDocumentFromBytes("<?xml version='1.0' standalone='yes'?><a/>");
    DocumentPtr no = loadDocumentFromBytes("<?xml version='1.0' standalone='no'?><a/>");
    DocumentPtr unstated = loadDocumentFromBytes("<?xml version='1.0'?><a/>");
    ASSERT_TRUE(yes && no && unstated);
    EXPECT_EQ(documentStandalone(*yes), 1);
    EXPECT_EQ(documentStandalone(*no), 0);
    EXPECT_EQ(documentStandalone(*unstated), -1);
    EXPECT_EQ(serializeDocument(*yes), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><a/>");
    EXPECT_EQ(serializeDocument(*no), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?><a/>");
    EXPECT_EQ(serializeDocument(*unstated), withDeclaration("<a/>"));
}

TEST(Escaping, ContentEscapesOnlyMarkupCharacters) {
    DocumentPtr doc = createDocument();
    leaf(rootNode(*doc), "e", "a<b>c&d 'e' \"f\"\tg\r\nh\ni");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<e>a&lt;b&gt;c&amp;d 'e' \"f\"\tg\r\nh\ni</e>"));
}

TEST(Escaping, AttributeValuesAlsoEscapeQuotesAndLineBreaks) {
    DocumentPtr doc = createDocument();
    XmlNode* e = appendElement(rootNode(*doc), "e");
    setAttribute(e, "v", "a<b>c&d 'e' \"f\"\tg\r\nh");
    EXPECT_EQ(serializeDocument(*doc),
              withDeclaration("<e v=\"a&lt;b&gt;c&amp;d &apos;e&apos; &quot;f&quot;\tg&#13;&#10;h\"/>"));
}

TEST(Escaping, EscapedTextsLoadBackUnchanged) {
    DocumentPtr doc = createDocument();
    XmlNode* e = leaf(rootNode(*doc), "e", "<&>'\"");
    setAttribute(e, "v", "<&>'\"\r\n");
    DocumentPtr again = loadDocumentFromBytes(serializeDocument(*doc));
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(loadStatus(*again), 0);
    EXPECT_EQ(nodeText(mainElement(*again)), "<&>'\"");
    EXPECT_EQ(attributeValue(mainElement(*again), 0), "<&>'\"\r\n");
}

TEST(Escaping, CharactersXmlDoesNotAllowAreLeftOut) {
    DocumentPtr doc = createDocument();
    XmlNode* e = leaf(rootNode(*doc), "e",
                      std::string("a\x01"
                                  "b\x0B\x0C"
                                  "c\x1F\tz\xEF\xBF\xBE"
                                  "y\xEF\xBF\xBF") +
                          '\0');
    setAttribute(e, "v", "x\x02y");
    const std::string written = serializeDocument(*doc);
    EXPECT_EQ(written, withDeclaration("<e v=\"xy\">abc\tzy</e>"));
    DocumentPtr again = loadDocumentFromBytes(written);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(loadStatus(*again), 0);
}

TEST(Encoding, UmlautAndEuroSignAreWrittenAsUtf8Bytes) {
    DocumentPtr doc = createDocument();
    XmlNode* e = leaf(rootNode(*doc), "e", "\u00e4\u20ac");
    setAttribute(e, "w", "\u20ac");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<e w=\"\xE2\x82\xAC\">\xC3\xA4\xE2\x82\xAC</e>"));
}

TEST(Encoding, CharactersBeyondTheBasicPlaneAreOneFourByteSequence) {
    DocumentPtr doc = createDocument();
    leaf(rootNode(*doc), "e", "\U0001F600");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<e>\xF0\x9F\x98\x80</e>"));
}

TEST(EmptyElement, IsOneTagWithoutBlankBeforeTheSlash) {
    DocumentPtr doc = createDocument();
    XmlNode* top = appendElement(rootNode(*doc), "a");
    XmlNode* b = appendElement(top, "b");
    setAttribute(b, "x", "1");
    appendElement(top, "c");
    leaf(top, "d", "");
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("<a><b x=\"1\"/><c/><d/></a>"));
}

TEST(OtherNodeKinds, AreWrittenWithTheirOwnMarkupUnescaped) {
    const std::string source =
        "<!DOCTYPE a [<!ENTITY e \"x\">]><?app run now?><a><!-- a < b --><![CDATA[1 < 2 & 3]]>"
        "</a>";
    DocumentPtr doc = loadDocumentFromBytes(source);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(loadStatus(*doc), 0);
    EXPECT_EQ(serializeDocument(*doc), withDeclaration(source));
}

TEST(Reformat, RunsOfBlanksShrinkToTheFirst) {
    EXPECT_EQ(reformattedLeaf("zwei  W\u00f6rter"), expectedLeaf("zwei W\u00f6rter"));
    EXPECT_EQ(reformattedLeaf("a\t\t b"), expectedLeaf("a\tb"));
    EXPECT_EQ(reformattedLeaf("a   "), expectedLeaf("a "));
}

TEST(Reformat, OneLeadingBlankIsKept) {
    EXPECT_EQ(reformattedLeaf("   vorn"), expectedLeaf(" vorn"));
    EXPECT_EQ(reformattedLeaf("\tvorn"), expectedLeaf("\tvorn"));
}

TEST(Reformat, CreatedDocumentGetsEmptyLineIndentationAndFinalLineBreak) {
    DocumentPtr doc = createDocument();
    XmlNode* a = appendElement(rootNode(*doc), "a");
    XmlNode* b = appendElement(a, "b");
    leaf(b, "c", "1");
    leaf(b, "d", "2");
    leaf(a, "e", "3");
    reformat(*doc, 4);
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("\r\n\r\n"
                                                       "<a>\r\n"
                                                       "    <b>\r\n"
                                                       "        <c>1</c>\r\n"
                                                       "        <d>2</d>\r\n"
                                                       "    </b>\r\n"
                                                       "    <e>3</e>\r\n"
                                                       "</a>\r\n"));
}

TEST(Reformat, IndentStepIsHonoured) {
    DocumentPtr doc = createDocument();
    leaf(appendElement(appendElement(rootNode(*doc), "a"), "b"), "c", "x");
    reformat(*doc, 2);
    EXPECT_EQ(serializeDocument(*doc),
              withDeclaration("\r\n\r\n<a>\r\n  <b>\r\n    <c>x</c>\r\n  </b>\r\n</a>\r\n"));
}

TEST(Reformat, MultiLineTextBecomesBlockLinedUpWithItsTags) {
    DocumentPtr doc = createDocument();
    XmlNode* mid = appendElement(appendElement(rootNode(*doc), "a"), "b");
    leaf(mid, "note", "eins\r\n\r\n  zwei");
    reformat(*doc, 4);
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("\r\n\r\n"
                                                       "<a>\r\n"
                                                       "    <b>\r\n"
                                                       "        <note>\r\n"
                                                       "            eins\r\n"
                                                       "            zwei\r\n"
                                                       "        </note>\r\n"
                                                       "    </b>\r\n"
                                                       "</a>\r\n"));
}

TEST(Reformat, BlockDropsLeadingBlanksAndWritesEveryLineBreakInTheDocumentStyle) {
    EXPECT_EQ(reformattedLeaf("  eins\nzwei\rdrei"),
              expectedLeaf("\r\n        eins\r\n        zwei\r\n        drei\r\n    "));
}

TEST(Reformat, BlockAddsNoLineBreakWhereTheTextAlreadyHasOne) {
    EXPECT_EQ(reformattedLeaf("\r\neins\r\nzwei\r\n"),
              expectedLeaf("\r\n        eins\r\n        zwei\r\n    "));
}

TEST(Reformat, BlockEscapesItsText) {
    EXPECT_EQ(reformattedLeaf("a < b\r\nc & d"),
              expectedLeaf("\r\n        a &lt; b\r\n        c &amp; d\r\n    "));
}

TEST(Reformat, SecondRunChangesNothing) {
    DocumentPtr doc = createDocument();
    XmlNode* a = appendElement(rootNode(*doc), "a");
    leaf(a, "note", " eins  \r\n\r\n zwei\r\n");
    leaf(appendElement(a, "b"), "c", "  x  y ");
    appendElement(a, "empty");
    reformat(*doc, 4);
    const std::string once = serializeDocument(*doc);
    reformat(*doc, 4);
    EXPECT_EQ(serializeDocument(*doc), once);
}

TEST(Reformat, LoadedIndentedFileIsIndentedAfresh) {
    DocumentPtr doc = loadDocumentFromBytes("<a>\n\t<b>\n  <c>x</c></b>\n   <d/>\n</a>\n");
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(documentNewlineStyle(*doc), NewlineStyle::Lf);
    reformat(*doc, 4);
    EXPECT_EQ(serializeDocument(*doc),
              withDeclaration("\n\n<a>\n    <b>\n        <c>x</c>\n    </b>\n    <d/>\n</a>\n"));
}

TEST(Reformat, CDataAndProcessingInstructionsStayAsTheyAre) {
    DocumentPtr doc = loadDocumentFromBytes("<a><![CDATA[  x\r\n\r\n  y]]><?p   keep   this ?></a>");
    ASSERT_NE(doc, nullptr);
    reformat(*doc, 4);
    EXPECT_EQ(serializeDocument(*doc), withDeclaration("\r\n\r\n<a>\r\n    <![CDATA[  x\r\n\r\n  y]]>\r\n"
                                                       "    <?p keep   this ?>\r\n</a>\r\n"));
}

TEST(Reformat, IndentationStopsGrowingAtColumnSixtyFour) {
    DocumentPtr doc = createDocument();
    XmlNode* node = rootNode(*doc);
    for (int depth = 0; depth < 20; ++depth) {
        node = appendElement(node, "e");
    }
    setNodeText(node, "x");
    reformat(*doc, 4);
    const std::string bytes = serializeDocument(*doc);
    EXPECT_NE(bytes.find("\r\n" + std::string(60, ' ') + "<e>\r\n" + std::string(64, ' ') + "<e>\r\n" +
                         std::string(64, ' ') + "<e>"),
              std::string::npos);
    EXPECT_EQ(bytes.find(std::string(65, ' ')), std::string::npos);
    DocumentPtr again = loadDocumentFromBytes(bytes);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(loadStatus(*again), 0);
}

} // namespace
} // namespace tallomir::xml
