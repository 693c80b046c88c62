// Every input of the fuzzing corpus and every official sample runs through
// the fuzz target's function: load, recompute, build and serialise.

#include "reader_test_support.h"

#include "support/reference.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(FuzzReplay, CorpusSamplesAndEmptyInput) {
    std::vector<std::filesystem::path> files = tallomir::testing::sampleFiles("xrechnung-2.1.1-samples");
    std::size_t corpus = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TALLOMIR_FUZZ_CORPUS))
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
            ++corpus;
        }
    EXPECT_GE(corpus, 10u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::string bytes = readertest::readFile(file);
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  0);
    }
    EXPECT_EQ(LLVMFuzzerTestOneInput(nullptr, 0), 0);
}
