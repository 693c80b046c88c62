// Saving writes the whole file or leaves the old one untouched.

#include "xml/xml.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(Save, WritesTheSerializedBytesAndLeavesNoTemporaryFile) {
    test::TempFolder folder;
    DocumentPtr doc = sampleDocument(3);
    const std::string file = folder.file("rechnung.xml");
    const SaveResult result = saveDocument(*doc, file);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.reason, "");
    EXPECT_EQ(test::readBytes(file), serializeDocument(*doc));
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"rechnung.xml"});
}

TEST(Save, LargeDocumentIsWrittenCompletely) {
    test::TempFolder folder;
    DocumentPtr doc = sampleDocument(50000);
    const std::string file = folder.file("gross.xml");
    ASSERT_TRUE(saveDocument(*doc, file).ok);
    EXPECT_EQ(test::readBytes(file), serializeDocument(*doc));
}

TEST(Save, ReplacesAnExistingFileAndKeepsItsPermissions) {
    test::TempFolder folder;
    const std::string file = folder.file("alt.xml");
    test::writeBytes(file, std::string(100000, 'o'));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    DocumentPtr doc = sampleDocument(2);
    ASSERT_TRUE(saveDocument(*doc, file).ok);
    EXPECT_EQ(test::readBytes(file), serializeDocument(*doc));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
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
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"hier.xml"});
}

TEST(Save, SymbolicLinkStaysAndItsTargetIsReplaced) {
    test::TempFolder folder;
    const std::string real = folder.file("real.xml");
    const std::string link = folder.file("link.xml");
    test::writeBytes(real, "old");
    fs::create_symlink(real, link);
    DocumentPtr doc = sampleDocument(1);
    ASSERT_TRUE(saveDocument(*doc, link).ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(test::readBytes(real), serializeDocument(*doc));
}

TEST(SaveFailure, TargetThatIsAFolderIsLeftAloneWithAReason) {
    test::TempFolder folder;
    const std::string target = folder.file("ordner");
    fs::create_directory(target);
    test::writeBytes(folder.file("ordner/inhalt.txt"), "bleibt");
    const SaveResult result = saveDocument(*sampleDocument(1), target);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "Is a directory");
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(test::readBytes(folder.file("ordner/inhalt.txt")), "bleibt");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"ordner"});
}

TEST(SaveFailure, MissingFolderOrNameGivesTheSystemsReason) {
    test::TempFolder folder;
    const SaveResult missing = saveDocument(*sampleDocument(1), folder.file("fehlt/rechnung.xml"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.reason, "No such file or directory");
    const SaveResult unnamed = saveDocument(*sampleDocument(1), "");
    EXPECT_FALSE(unnamed.ok);
    EXPECT_FALSE(unnamed.reason.empty());
}

TEST(SaveFailure, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser may write into read-only folders";
    }
    test::TempFolder folder;
    const std::string file = folder.file("alt.xml");
    test::writeBytes(file, "alter Inhalt");
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const SaveResult result = saveDocument(*sampleDocument(1), file);
    fs::permissions(folder.path(), fs::perms::owner_all);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "Permission denied");
    EXPECT_EQ(test::readBytes(file), "alter Inhalt");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"alt.xml"});
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
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"alt.xml"});
}

} // namespace
} // namespace tallomir::xml
