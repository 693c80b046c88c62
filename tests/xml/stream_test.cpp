// A document written while it is built has the bytes of the finished tree, in
// little memory, and is saved whole or not at all.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

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
