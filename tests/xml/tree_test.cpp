// Building a tree and walking it.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace tallomir::xml {
namespace {

using test::declaration;

TEST(NewDocument, StartsWithRootOnlyAndSavingDefaults) {
    DocumentPtr doc = createDocument();
    ASSERT_NE(doc, nullptr);
    XmlNode* root = rootNode(*doc);
    EXPECT_EQ(nodeKind(root), static_cast<int>(NodeKind::Root));
    EXPECT_EQ(firstChild(root), nullptr);
    EXPECT_EQ(parentNode(root), nullptr);
    EXPECT_EQ(mainElement(*doc), nullptr);
    EXPECT_EQ(documentEncoding(*doc), Encoding::Utf8);
    EXPECT_EQ(documentNewlineStyle(*doc), NewlineStyle::CrLf);
    EXPECT_EQ(documentStandalone(*doc), -1);
    EXPECT_EQ(loadStatus(*doc), 0);
    EXPECT_EQ(loadErrorMessage(*doc), "");
    EXPECT_EQ(serializeDocument(*doc), declaration);
}

TEST(AppendElement, FirstElementUnderRootBecomesMainElement) {
    DocumentPtr doc = createDocument();
    XmlNode* top = appendElement(rootNode(*doc), "ubl:Invoice");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(mainElement(*doc), top);
    EXPECT_EQ(nodeName(top), "ubl:Invoice");
    EXPECT_EQ(nodeKind(top), static_cast<int>(NodeKind::Element));
    EXPECT_EQ(parentNode(top), rootNode(*doc));
}

TEST(AppendElement, SecondElementUnderRootIsRefused) {
    DocumentPtr doc = createDocument();
    XmlNode* top = appendElement(rootNode(*doc), "a");
    EXPECT_EQ(appendElement(rootNode(*doc), "b"), nullptr);
    EXPECT_EQ(firstChild(rootNode(*doc)), top);
    EXPECT_EQ(nextSibling(top), nullptr);
    EXPECT_EQ(mainElement(*doc), top);
}

TEST(AppendElement, ChildrenKeepTheirOrder) {
    DocumentPtr doc = createDocument();
    XmlNode* top = appendElement(rootNode(*doc), "a");
    XmlNode* b = appendElement(top, "b");
    XmlNode* c = appendElement(top, "c");
    XmlNode* d = appendElement(top, "d");
    EXPECT_EQ(firstChild(top), b);
    EXPECT_EQ(nextSibling(b), c);
    EXPECT_EQ(nextSibling(c), d);
    EXPECT_EQ(nextSibling(d), nullptr);
    EXPECT_EQ(parentNode(d), top);
    EXPECT_EQ(serializeDocument(*doc), std::string(declaration) + "<a><b/><c/><d/></a>");
}

TEST(AppendElement, MissingParentOrNonElementParentGivesNothing) {
    EXPECT_EQ(appendElement(nullptr, "x"), nullptr);
    DocumentPtr doc = loadDocumentFromBytes("<a><!--c--></a>");
    ASSERT_NE(doc, nullptr);
    XmlNode* comment = firstChild(mainElement(*doc));
    ASSERT_EQ(nodeKind(comment), static_cast<int>(NodeKind::Comment));
    EXPECT_EQ(appendElement(comment, "x"), nullptr);
    EXPECT_EQ(firstChild(comment), nullptr);
}

TEST(Navigation, NullNodesGiveEmptyAnswers) {
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

TEST(SetAttribute, SettingTwiceKeepsFirstPositionWithSecondValue) {
    DocumentPtr doc = createDocument();
    XmlNode* e = appendElement(rootNode(*doc), "e");
    setAttribute(e, "first", "1");
    setAttribute(e, "second", "2");
    setAttribute(e, "first", "one");
    ASSERT_EQ(attributeCount(e), 2u);
    EXPECT_EQ(attributeName(e, 0), "first");
    EXPECT_EQ(attributeValue(e, 0), "one");
    EXPECT_EQ(attributeName(e, 1), "second");
    EXPECT_EQ(attributeValue(e, 1), "2");
    EXPECT_EQ(attributeName(e, 2), "");
    EXPECT_EQ(serializeDocument(*doc), std::string(declaration) + "<e first=\"one\" second=\"2\"/>");
}

TEST(SetAttribute, NamesAreComparedCaseSensitively) {
    DocumentPtr doc = createDocument();
    XmlNode* e = appendElement(rootNode(*doc), "e");
    setAttribute(e, "id", "1");
    setAttribute(e, "ID", "2");
    EXPECT_EQ(attributeCount(e), 2u);
}

TEST(SetAttribute, ManyAttributesKeepTheirOrder) {
    DocumentPtr doc = createDocument();
    XmlNode* e = appendElement(rootNode(*doc), "e");
    for (int i = 0; i < 50; ++i) {
        setAttribute(e, "a" + std::to_string(i), std::to_string(i));
    }
    ASSERT_EQ(attributeCount(e), 50u);
    for (std::size_t i = 0; i < 50; ++i) {
        EXPECT_EQ(attributeName(e, i), "a" + std::to_string(i));
        EXPECT_EQ(attributeValue(e, i), std::to_string(i));
    }
}

TEST(SetAttribute, OnlyElementsTakeAttributes) {
    DocumentPtr doc = createDocument();
    setAttribute(rootNode(*doc), "a", "b");
    EXPECT_EQ(attributeCount(rootNode(*doc)), 0u);
    EXPECT_EQ(serializeDocument(*doc), declaration);
}

TEST(SetNodeText, ReplacesTheWholeText) {
    DocumentPtr doc = createDocument();
    XmlNode* e = appendElement(rootNode(*doc), "e");
    setNodeText(e, "first");
    setNodeText(e, "zweite Fassung");
    EXPECT_EQ(nodeText(e), "zweite Fassung");
    setNodeText(e, "");
    EXPECT_EQ(nodeText(e), "");
    EXPECT_EQ(serializeDocument(*doc), std::string(declaration) + "<e/>");
}

TEST(SetNodeText, LongTextsSurviveWhole) {
    DocumentPtr doc = createDocument();
    XmlNode* e = appendElement(rootNode(*doc), "e");
    std::string longText(100000, 'x');
    longText += "ende";
    setNodeText(e, longText);
    EXPECT_EQ(nodeText(e), longText);
}

TEST(SetNodeText, ChildrenAppendedLaterComeBeforeTheText) {
    DocumentPtr doc = createDocument();
    XmlNode* e = appendElement(rootNode(*doc), "e");
    setNodeText(e, "text");
    appendElement(e, "child");
    EXPECT_EQ(serializeDocument(*doc), std::string(declaration) + "<e><child/>text</e>");
}

TEST(SetNodeText, ChildrenKeepTheirPositionsAndShorterTextsAreSafe) {
    DocumentPtr doc = loadDocumentFromBytes("<a>one<b/>two<c/>three</a>");
    ASSERT_NE(doc, nullptr);
    XmlNode* a = mainElement(*doc);
    EXPECT_EQ(nodeText(a), "onetwothree");
    setNodeText(a, "ONETWOTHREE");
    EXPECT_EQ(serializeDocument(*doc), std::string(declaration) + "<a>ONE<b/>TWO<c/>THREE</a>");
    setNodeText(a, "1234");
    EXPECT_EQ(serializeDocument(*doc), std::string(declaration) + "<a>123<b/>4<c/></a>");
}

TEST(AppendElement, LargeFlatTreesKeepEveryNode) {
    DocumentPtr doc = createDocument();
    XmlNode* top = appendElement(rootNode(*doc), "list");
    for (int i = 0; i < 200000; ++i) {
        XmlNode* item = appendElement(top, "item");
        setAttribute(item, "n", std::to_string(i));
        setNodeText(item, "value " + std::to_string(i));
    }
    XmlNode* last = firstChild(top);
    int count = 0;
    for (XmlNode* n = firstChild(top); n != nullptr; n = nextSibling(n)) {
        last = n;
        ++count;
    }
    EXPECT_EQ(count, 200000);
    EXPECT_EQ(nodeText(last), "value 199999");
    EXPECT_EQ(attributeValue(last, 0), "199999");
}

} // namespace
} // namespace tallomir::xml
