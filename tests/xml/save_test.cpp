// Saving writes the whole file or leaves the old one untouched.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

namespace tallomir::xml {
namespace {

namespace fs = std::filesystem;

DocumentPtr sampleDocument(int items) {
    DocumentPtr doc = createDocument();
    XmlNode* top = appendElement(rootNode(*doc), "list");
    for (int i = 0; i < items; ++i) {
        setNodeText(appendElement(top, "item"), "Position " + std::to_string(i) + " \u00e4\u20ac");
    }
    indentWhenWritten(*doc, 4);
    return doc;
}

using Names = std::set<std::string>;

Names namesIn(const fs::path& folder) {
    Names names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(Save, ReplacesAnExistingFileWholeKeepingItsPermissionsAndNoTemporaryFile) {
    test::TempFolder folder;
    const std::string file = folder.file("rechnung.xml");
    test::writeBytes(file, std::string(100000, 'o'));
    const fs::perms perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(file, perms);
    DocumentPtr doc = sampleDocument(50000);
    EXPECT_TRUE(saveDocument(*doc, file).ok);
    EXPECT_EQ(test::readBytes(file), serializeDocument(*doc));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, perms);
    EXPECT_EQ(namesIn(folder.path), Names{"rechnung.xml"});
}

TEST(SaveFailure, GivesTheSystemsReasonAndLeavesTheFolderAsItWas) {
    test::TempFolder folder;
    fs::create_directory(folder.file("ordner"));
    const struct {
        std::string target;
        std::string reason;
    } cases[] = {
        {folder.file("ordner"), "Is a directory"},
        {folder.file("fehlt/rechnung.xml"), "No such file or directory"},
    };
    for (const auto& c : cases) {
        const SaveResult result = saveDocument(*sampleDocument(1), c.target);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.reason, c.reason);
    }
    EXPECT_EQ(namesIn(folder.path), Names{"ordner"});
}

[[noreturn]] void saveWithFileSizeLimit(const std::string& file, int items) {
    DocumentPtr doc = sampleDocument(items);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{8192, 8192};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const SaveResult result = saveDocument(*doc, file);
    std::fprintf(stderr, "reason: %s\n", result.reason.c_str());
    std::_Exit(result.ok ? 1 : 0);
}

TEST(SaveFailure, WriteThatFailsHalfwayKeepsTheOldFileAndRemovesTheTemporaryOne) {
    GTEST_FLAG_SET(death_test_style, "fast"); // the child writes into this very folder
    // A file of one block is written at the end of the save; a larger one
    // while it is made, and the failure comes while the rest is being made.
    for (const int items : {1000, 20000}) {
        SCOPED_TRACE(items);
        test::TempFolder folder;
        const std::string file = folder.file("alt.xml");
        test::writeBytes(file, "alter Inhalt");
        // The child may write files of a few kilobytes only.
        EXPECT_EXIT(saveWithFileSizeLimit(file, items), ::testing::ExitedWithCode(0),
                    "reason: File too large");
        EXPECT_EQ(test::readBytes(file), "alter Inhalt");
        EXPECT_EQ(namesIn(folder.path), Names{"alt.xml"});
    }
}

} // namespace
} // namespace tallomir::xml
