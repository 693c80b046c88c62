// Every input of the fuzzing corpus and every official sample runs through
// the fuzz target's function: load, recompute, build and serialise.

#include "reader_test_support.h"

#include "support/reference.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void replay(const std::vector<std::filesystem::path>& files) {
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::string bytes = readertest::readFile(file);
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  0);
    }
}

} // namespace

TEST(FuzzReplay, CorpusSamplesAndEmptyInput) {
    std::vector<std::filesystem::path> corpus;
    for (const auto& entry : std::filesystem::directory_iterator(TALLOMIR_FUZZ_CORPUS))
        if (entry.is_regular_file())
            corpus.push_back(entry.path());
    EXPECT_GE(corpus.size(), 10u);
    replay(corpus);
    EXPECT_EQ(LLVMFuzzerTestOneInput(nullptr, 0), 0);
    TALLOMIR_REQUIRE_TESTDATA();
    for (const char* folder : {"xrechnung-2.1.1-samples", "xrechnung-3.0.2-samples"}) {
        const auto samples = tallomir::testing::sampleFiles(folder);
        EXPECT_FALSE(samples.empty()) << folder;
        replay(samples);
    }
}
