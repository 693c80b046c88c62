// Saving writes the whole file or leaves the old one untouched.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tallomir::xml {
namespace {

namespace fs = std::filesystem;

DocumentPtr sampleDocument(int items) {
    DocumentPtr doc = createDocument();
    XmlNode* top = appendElement(rootNode(*doc), "list");
    for (int i = 0; i < items; ++i) {
        setNodeText(appendElement(top, "item"), "Position " + std::to_string(i) + " \u00e4\u20ac");
    }
    reformat(*doc, 4);
    return doc;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

using Names = std::vector<std::string>;

TEST(Save, ReplacesAnExistingFileWholeKeepingItsPermissionsAndNoTemporaryFile) {
    test::TempFolder folder;
    const std::string file = folder.file("rechnung.xml");
    test::writeBytes(file, std::string(100000, 'o'));
    const fs::perms perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(file, perms);
    DocumentPtr doc = sampleDocument(50000);
    const SaveResult result = saveDocument(*doc, file);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.reason, "");
    EXPECT_EQ(test::readBytes(file), serializeDocument(*doc));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, perms);
    EXPECT_EQ(namesIn(folder.path()), Names{"rechnung.xml"});
}

TEST(Save, FileNameWithoutFolderIsWrittenInTheCurrentFolder) {
    test::TempFolder folder;
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    DocumentPtr doc = sampleDocument(1);
    const SaveResult result = saveDocument(*doc, "hier.xml");
    fs::current_path(previous);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(test::readBytes(folder.file("hier.xml")), serializeDocument(*doc));
    EXPECT_EQ(namesIn(folder.path()), Names{"hier.xml"});
}

TEST(SaveFailure, GivesTheSystemsReasonAndLeavesTheFolderAsItWas) {
    test::TempFolder folder;
    fs::create_directory(folder.file("ordner"));
    test::writeBytes(folder.file("ordner/inhalt.txt"), "bleibt");
    const struct {
        std::string target;
        std::string reason;
    } cases[] = {
        {folder.file("ordner"), "Is a directory"},
        {folder.file("fehlt/rechnung.xml"), "No such file or directory"},
        {"", ""}, // any reason
    };
    for (const auto& c : cases) {
        const SaveResult result = saveDocument(*sampleDocument(1), c.target);
        EXPECT_FALSE(result.ok) << c.target;
        if (c.reason.empty()) {
            EXPECT_FALSE(result.reason.empty());
        } else {
            EXPECT_EQ(result.reason, c.reason);
        }
    }
    EXPECT_EQ(test::readBytes(folder.file("ordner/inhalt.txt")), "bleibt");
    EXPECT_EQ(namesIn(folder.path()), Names{"ordner"});
}

[[noreturn]] void saveWithFileSizeLimit(const std::string& file) {
    DocumentPtr doc = sampleDocument(20000);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{8192, 8192};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const SaveResult result = saveDocument(*doc, file);
    std::fprintf(stderr, "reason: %s\n", result.reason.c_str());
    std::_Exit(result.ok ? 1 : 0);
}

TEST(SaveFailure, WriteThatFailsHalfwayKeepsTheOldFileAndRemovesTheTemporaryOne) {
    // The child is forked right here, so it writes into this very folder.
    GTEST_FLAG_SET(death_test_style, "fast");
    test::TempFolder folder;
    const std::string file = folder.file("alt.xml");
    test::writeBytes(file, "alter Inhalt");
    // In a child process the size of any file written is limited, so the
    // write fails after the first few kilobytes.
    EXPECT_EXIT(saveWithFileSizeLimit(file), ::testing::ExitedWithCode(0), "reason: File too large");
    EXPECT_EQ(test::readBytes(file), "alter Inhalt");
    EXPECT_EQ(namesIn(folder.path()), Names{"alt.xml"});
}

} // namespace
} // namespace tallomir::xml
