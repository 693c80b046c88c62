// Files made to hurt a reader: deep nesting, entity expansion, outside references.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace tallomir::xml {
namespace {

using test::declaration;

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

std::string tail(const std::string& file, std::size_t count) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::size_t>(in.tellg());
    count = std::min(count, size);
    in.seekg(static_cast<std::streamoff>(size - count));
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    return bytes;
}

TEST(DeepNesting, MillionLevelsLoadReformatSaveAndFreeWithoutCrash) {
    constexpr std::uint64_t levels = 1000000;
    std::string source;
    source.reserve(levels * 7);
    for (std::uint64_t i = 0; i < levels; ++i) {
        source += "<a>";
    }
    for (std::uint64_t i = 0; i < levels; ++i) {
        source += "</a>";
    }
    test::TempFolder folder;
    const std::string file = folder.file("deep.xml");

    runOnDefaultSizedStack([&] {
        DocumentPtr doc = loadDocumentFromBytes(source);
        ASSERT_NE(doc, nullptr);
        ASSERT_EQ(loadStatus(*doc), 0) << loadErrorMessage(*doc);
        std::uint64_t depth = 0;
        for (XmlNode* n = mainElement(*doc); n != nullptr; n = firstChild(n)) {
            ++depth;
        }
        EXPECT_EQ(depth, levels);

        std::string expected(declaration);
        expected += source.substr(0, (levels - 1) * 3) + "<a/>" + source.substr(levels * 3 + 4);
        EXPECT_TRUE(serializeDocument(*doc) == expected);

        reformat(*doc, 4);
        ASSERT_TRUE(saveDocument(*doc, file).ok);
        doc.reset();
    });

    // Expected size: every element but the innermost has a line before its
    // first child and one before its end tag; indentation stops at column 64.
    auto indent = [](std::uint64_t depth) { return std::min<std::uint64_t>(depth * 4, 64); };
    std::uint64_t expected = declaration.size() + 6 + (levels - 1) * 7 + 4;
    for (std::uint64_t depth = 1; depth < levels; ++depth) {
        expected += 2 + indent(depth) + 2 + indent(depth - 1);
    }
    EXPECT_EQ(std::filesystem::file_size(file), expected);
    EXPECT_EQ(test::readBytes(file).substr(0, declaration.size() + 31),
              std::string(declaration) + "\r\n\r\n<a>\r\n    <a>\r\n        <a>\r\n");
    EXPECT_EQ(tail(file, 18), "\r\n    </a>\r\n</a>\r\n");
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

TEST(EntityExpansion, BillionLaughsInAttributeEndsWithTheParsersError) {
    DocumentPtr doc = loadDocumentFromBytes(entityBomb() + "<lolz a=\"&lol9;\"/>");
    ASSERT_NE(doc, nullptr);
    EXPECT_NE(loadStatus(*doc), 0);
    EXPECT_FALSE(loadErrorMessage(*doc).empty());
    EXPECT_EQ(attributeCount(mainElement(*doc)), 0u);
}

TEST(EntityExpansion, BillionLaughsInContentStaysAnUnexpandedReference) {
    DocumentPtr doc = loadDocumentFromBytes(entityBomb() + "<lolz>&lol9;&lol9;</lolz>");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(loadStatus(*doc), 0);
    EXPECT_EQ(nodeText(mainElement(*doc)), "&lol9;&lol9;");
}

TEST(EntityExpansion, QuadraticBlowUpInAttributeEndsWithTheParsersError) {
    std::string source = "<!DOCTYPE q [<!ENTITY big \"" + std::string(50000, 'x') + "\">]><q a=\"";
    for (int i = 0; i < 20000; ++i) {
        source += "&big;";
    }
    source += "\"/>";
    DocumentPtr doc = loadDocumentFromBytes(source);
    ASSERT_NE(doc, nullptr);
    EXPECT_NE(loadStatus(*doc), 0);
}

class OutsideReferences : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeBytes(folder.file("secret.txt"), "TOP-SECRET-CONTENT");
        test::writeBytes(folder.file("evil.dtd"), "<!ENTITY leak \"TOP-SECRET-CONTENT\">\n"
                                                  "<!ATTLIST a injected CDATA \"TOP-SECRET-CONTENT\">\n");
    }

    // Loads the document from a file beside the secrets, so relative references would reach them.
    std::string loadAndWriteBack(const std::string& source) {
        const std::string file = folder.file("doc.xml");
        test::writeBytes(file, source);
        DocumentPtr doc = loadDocument(file);
        if (!doc) {
            return "(no document)";
        }
        return serializeDocument(*doc) + " status " + std::to_string(loadStatus(*doc));
    }

    test::TempFolder folder;
};

TEST_F(OutsideReferences, ExternalEntityIsNotFetched) {
    const std::string absolute = "file://" + folder.file("secret.txt");
    for (const std::string& target : {std::string("secret.txt"), absolute}) {
        const std::string written =
            loadAndWriteBack("<!DOCTYPE a [<!ENTITY ext SYSTEM \"" + target + "\">]><a>&ext;</a>");
        EXPECT_EQ(written.find("TOP-SECRET"), std::string::npos) << written;
        EXPECT_NE(written.find("<a>&amp;ext;</a>"), std::string::npos) << written;
    }
}

TEST_F(OutsideReferences, ExternalDtdAndParameterEntitiesAreNotRead) {
    for (const std::string& source :
         {std::string("<!DOCTYPE a SYSTEM \"evil.dtd\"><a>&leak;</a>"),
          std::string("<!DOCTYPE a [<!ENTITY % p SYSTEM \"evil.dtd\"> %p;]><a>&leak;</a>")}) {
        const std::string written = loadAndWriteBack(source);
        EXPECT_EQ(written.find("TOP-SECRET"), std::string::npos) << written;
    }
}

TEST_F(OutsideReferences, ExternalEntityInAttributeIsAnError) {
    const std::string file = folder.file("doc.xml");
    test::writeBytes(file, "<!DOCTYPE a [<!ENTITY ext SYSTEM \"secret.txt\">]><a v=\"&ext;\"/>");
    DocumentPtr doc = loadDocument(file);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(loadStatus(*doc), 16);
    EXPECT_EQ(loadErrorMessage(*doc), "reference to external entity in attribute");
}

} // namespace
} // namespace tallomir::xml
