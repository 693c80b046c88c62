// Arbitrary bytes through opening a received PDF: parsing with qpdf, the
// embedded files' name tree, the invoice stream decoded within its limit.
// Nothing is written to disk. The limits are small so that every run is quick.

#include "pdf/qpdf_module.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const tallomir::pdf::OpenedPdf opened =
        tallomir::pdf::qpdfOpenData(bytes, "fuzz.pdf", {1 << 20, 1 << 20});
    // Either the invoice or a message, never both, never neither.
    if (opened.error.empty() == opened.embeddedName.empty())
        __builtin_trap();
    return 0;
}
