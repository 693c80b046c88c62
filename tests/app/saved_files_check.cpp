// Every file the window tests saved (collected by the harness below
// TALLOMIR_SAVED_DIR, one folder per group) is judged in one checker run after
// the groups have run.
#include "support/reference.h"

#include <algorithm>
#include <filesystem>

TEST(WindowSavedFiles, AllPassTheChecker) {
    TALLOMIR_REQUIRE_TESTDATA();
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TALLOMIR_SAVED_DIR))
        if (entry.is_regular_file() && entry.path().extension() == ".xml")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 5u) << "the window tests saved too few files";
    tallomir::testing::expectAllValid(files);
}
