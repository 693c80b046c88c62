// Arbitrary bytes through the whole "Laden" then "Speichern" path: parse, walk,
// allowance step, recomputation, building the tree of the file's syntax (UBL
// or CII) and serialising it.
// Nothing is written to disk.

#include "invoice/model.h"
#include "syntax/syntax.h"
#include "xml/xml.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tallomir::DocumentState state = tallomir::makeDocumentState(tallomir::defaultCodeLists());
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tallomir::syntax::loadInvoiceBytes(state, bytes);
    const tallomir::xml::DocumentPtr tree = tallomir::syntax::buildInvoiceTree(state);
    if (tree)
        (void)tallomir::xml::serializeDocument(*tree);
    return 0;
}
