// Every input of the fuzzing corpus and every official sample runs through
// the fuzz target's function: load, recompute, build and serialise.

#include "reader_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void replay(const std::filesystem::path& path) {
    SCOPED_TRACE(path.string());
    const std::string bytes = readertest::readFile(path);
    EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
}

std::vector<std::filesystem::path> corpusFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(TALLOMIR_FUZZ_CORPUS))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(FuzzReplay, Corpus) {
    const auto files = corpusFiles();
    EXPECT_GE(files.size(), 10u);
    for (const auto& file : files)
        replay(file);
}

TEST(FuzzReplay, Samples) {
    const auto files = readertest::sampleFiles();
    EXPECT_FALSE(files.empty());
    for (const auto& file : files)
        replay(file);
}

TEST(FuzzReplay, EmptyInput) {
    EXPECT_EQ(LLVMFuzzerTestOneInput(nullptr, 0), 0);
}
