#pragma once

#include "invoice/model.h"
#include "ubl/reader.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace readertest {

// A fresh document state with the built-in code lists.
tallomir::DocumentState freshState();

// A UBL file around the given children of the document element.
std::string ublFile(std::string_view body, std::string_view root = "ubl:Invoice");

// Loads the bytes into the state and returns the outcome.
tallomir::ubl::LoadOutcome load(tallomir::DocumentState& state, std::string_view bytes);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view bytes);

// The official sample files, sorted by name.
std::filesystem::path samplesDir();
std::vector<std::filesystem::path> sampleFiles();

// A folder of its own below the system's temporary folder, removed on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace readertest
