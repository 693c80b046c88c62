#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tallomir::xml::test {

inline std::string readBytes(const std::filesystem::path& path) {
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh folder below the system's temporary folder, removed with its content.
struct TempFolder {
    std::string pattern = (std::filesystem::temp_directory_path() / "tallomir-xml-XXXXXX").string();
    const std::filesystem::path path = ::mkdtemp(pattern.data());
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string file(std::string_view name) const { return (path / name).string(); }
};

inline std::string withDeclaration(std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + std::string(body);
}

} // namespace tallomir::xml::test
