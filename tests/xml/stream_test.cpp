// A document written while it is built has the bytes of the finished tree, in
// little memory, and is saved whole or not at all.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tallomir::xml {
namespace {

// A document with what the writer meets: nesting, attributes, texts of
// several lines and of markup, empty elements (some only once what is below
// them goes), text beside children, a long text, and enough texts to fill
// several text blocks while an element's text and attributes are still
// to be written.
XmlNode* buildInto(XmlDocument& doc) {
    XmlNode* top = appendElement(rootNode(doc), "inv:Invoice");
    setAttribute(top, "xmlns:inv", "urn:example");
    setNodeText(appendElement(top, "note"), " eins  \r\n\r\n zwei <&> ");
    appendElement(appendElement(appendElement(top, "empty"), "inner"), "innermost");
    setAttribute(appendElement(top, "flagged"), "a", "1");
    XmlNode* mixed = appendElement(top, "mixed");
    setNodeText(mixed, "after the children");
    setNodeText(appendElement(mixed, "b"), "bold");
    setNodeText(appendElement(mixed, "long"), std::string(5000, 'L'));
    for (int i = 0; i < 4000; ++i) {
        XmlNode* line = appendElement(mixed, "line");
        XmlNode* price = appendElement(line, "price");
        setAttribute(price, "currency", i % 2 == 0 ? "EUR" : "USD");
        setNodeText(appendElement(price, "amount"), std::to_string(i) + ".00");
        setNodeText(appendElement(line, "id"), std::to_string(i) + std::string(i % 7 * 200, 'x'));
        if (i % 3 == 0)
            appendElement(line, "vanishing");
    }
    appendElement(top, "lastEmpty");
    return top;
}

void build(XmlDocument& doc) {
    buildInto(doc);
}

std::string builtWhole(const Layout& layout) {
    DocumentPtr doc = createDocument();
    XmlNode* top = buildInto(*doc);
    if (layout.dropEmptyElements)
        removeEmptyElements(top);
    indentWhenWritten(*doc, layout.indentStep);
    return serializeDocument(*doc);
}

TEST(WrittenAsBuilt, HasTheBytesOfTheWholeTreeInEveryLayout) {
    for (const Layout layout : {Layout{0, false}, Layout{4, false}, Layout{2, true}, Layout{4, true}}) {
        SCOPED_TRACE(std::to_string(layout.indentStep) + (layout.dropEmptyElements ? " dropping" : ""));
        const std::string whole = builtWhole(layout);
        EXPECT_EQ(serializeDocumentAsBuilt(layout, build), whole);
        EXPECT_EQ(whole.find("<vanishing/>") == std::string::npos, layout.dropEmptyElements);
    }
}

// Elements appended whole (appendLeaf) beside elements built step by step:
// first in a fresh element, below a chain of fresh ones, after an element
// built step by step, beside one that still holds its children, with
// attributes (one named twice), empty with and without an attribute, in
// mixed content and in blanks, and deeper than the indentation goes. Where
// the document is written as it is built, every leaf of these with content
// is written at once and leaves no node behind.
XmlNode* buildWithLeaves(XmlDocument& doc, bool written) {
    const auto noNodeBelow = [&](const XmlNode* element) {
        if (written) {
            EXPECT_TRUE(NodeView(element).firstChild().empty());
        }
    };
    const AttributeValue currency[] = {{"currencyID", "EUR"}};
    const AttributeValue twice[] = {{"unit", "H87"}, {"unit", "C62"}};
    const AttributeValue blank[] = {{"scheme", ""}};
    XmlNode* top = appendElement(rootNode(doc), "doc");
    for (int i = 0; i < 300; ++i) {
        XmlNode* line = appendElement(top, "line");
        appendLeaf(line, "id", std::to_string(i));
        noNodeBelow(line);
        appendLeaf(line, "quantity", "2", twice);
        XmlNode* amounts = appendElement(appendElement(line, "price"), "amounts");
        appendLeaf(amounts, "amount", std::to_string(i) + ".00 <&>\r\nzwei", currency);
        noNodeBelow(amounts);
        appendLeaf(line, "none", "");
        appendLeaf(line, "flag", "", blank);
        appendLeaf(appendElement(line, "vanishing"), "nothing", "");
        XmlNode* ordered = appendElement(line, "ordered");
        setNodeText(appendElement(ordered, "first"), "1");
        appendLeaf(ordered, "second", "2");
        XmlNode* holding = appendElement(line, "holding");
        setNodeText(appendElement(appendElement(holding, "inner"), "x"), "x");
        appendLeaf(holding, "after", "a");
        XmlNode* mixed = appendElement(line, "mixed");
        setNodeText(mixed, "its own text");
        appendLeaf(mixed, "b", "bold");
        XmlNode* spaced = appendElement(line, "spaced");
        setNodeText(spaced, " \r\n ");
        appendLeaf(spaced, "c", "c");
    }
    XmlNode* deep = top;
    for (int level = 0; level < 20; ++level)
        deep = appendElement(deep, "deep");
    appendLeaf(deep, "bottom", "b");
    return top;
}

std::string builtWholeWithLeaves(const Layout& layout) {
    DocumentPtr doc = createDocument();
    XmlNode* top = buildWithLeaves(*doc, false);
    if (layout.dropEmptyElements)
        removeEmptyElements(top);
    indentWhenWritten(*doc, layout.indentStep);
    return serializeDocument(*doc);
}

// Where two texts first differ, with a little of each from there; empty
// for the same texts (a short message for long ones).
std::string firstDifference(std::string_view written, std::string_view expected) {
    const auto [at, _] = std::mismatch(written.begin(), written.end(), expected.begin(), expected.end());
    const std::size_t from = static_cast<std::size_t>(at - written.begin());
    if (from == written.size() && from == expected.size())
        return {};
    return "at byte " + std::to_string(from) + ": \"" + std::string(written.substr(from, 60)) +
           "\" instead of \"" + std::string(expected.substr(from, 60)) + "\"";
}

TEST(WrittenAsBuilt, WritesLeavesAtOnceWithTheBytesOfTheWholeTree) {
    for (const Layout layout : {Layout{0, false}, Layout{4, false}, Layout{2, true}, Layout{4, true}}) {
        SCOPED_TRACE(std::to_string(layout.indentStep) + (layout.dropEmptyElements ? " dropping" : ""));
        const std::string whole = builtWholeWithLeaves(layout);
        const std::string written =
            serializeDocumentAsBuilt(layout, [](XmlDocument& doc) { buildWithLeaves(doc, true); });
        EXPECT_EQ(firstDifference(written, whole), "");
        EXPECT_EQ(whole.find("<none/>") == std::string::npos, layout.dropEmptyElements);
        EXPECT_NE(whole.find("<quantity unit=\"C62\">2</quantity>"), std::string::npos);
        EXPECT_NE(whole.find("<flag scheme=\"\"/>"), std::string::npos);
        if (layout.indentStep == 4) { // the bottom leaf at the 22nd level: 64 blanks, no more
            EXPECT_NE(whole.find("\r\n" + std::string(64, ' ') + "<bottom>"), std::string::npos);
            EXPECT_EQ(whole.find(std::string(65, ' ')), std::string::npos);
        }
    }
}

TEST(WrittenAsBuilt, SavesWholeOrLeavesTheOldFile) {
    const test::TempFolder folder;
    const std::string file = folder.file("invoice.xml");
    ASSERT_TRUE(saveDocumentAsBuilt(file, {4, true}, build).ok);
    EXPECT_EQ(test::readBytes(file), builtWhole({4, true}));

    test::writeBytes(file, "old");
    EXPECT_THROW(saveDocumentAsBuilt(file, {4, true},
                                     [](XmlDocument& doc) {
                                         build(doc);
                                         throw std::runtime_error("the builder fails");
                                     }),
                 std::runtime_error);
    EXPECT_EQ(test::readBytes(file), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 1);
    EXPECT_FALSE(saveDocumentAsBuilt(folder.file("missing/invoice.xml"), {}, build).ok);
}

} // namespace
} // namespace tallomir::xml
