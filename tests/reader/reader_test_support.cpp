#include "reader_test_support.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace readertest {

tallomir::DocumentState freshState() {
    return tallomir::makeDocumentState(tallomir::defaultCodeLists());
}

std::string ublFile(std::string_view body, std::string_view root) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<";
    text += root;
    text += " xmlns:cac=\"urn:oasis:names:specification:ubl:schema:xsd:CommonAggregateComponents-2\""
            " xmlns:cbc=\"urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2\">";
    text += body;
    text += "</";
    text += root;
    text += ">\r\n";
    return text;
}

tallomir::ubl::LoadOutcome load(tallomir::DocumentState& state, std::string_view bytes) {
    return tallomir::ubl::loadInvoiceBytes(state, bytes);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::filesystem::path samplesDir() {
    return std::filesystem::path(TALLOMIR_SHARED_DIR) / "testdata" / "xrechnung-2.1.1-samples";
}

std::vector<std::filesystem::path> sampleFiles() {
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::is_directory(samplesDir()))
        return files;
    for (const auto& entry : std::filesystem::directory_iterator(samplesDir()))
        if (entry.path().extension() == ".xml")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TempDir::TempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("tallomir-reader-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace readertest
