// Runs the store tests; with "--take-numbers DATABASE COUNT" it is instead one
// of the processes that save invoices at once (numbers_test.cpp).
#include <gtest/gtest.h>

#include <cstring>

int takeNumbersProcess(const char* database, int count);

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--take-numbers") == 0)
        return takeNumbersProcess(argv[2], std::atoi(argv[3]));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
