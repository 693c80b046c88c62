// CII as a table: the rows of a CrossIndustryInvoice in file order, read and
// written by the same engine as UBL's (ubl/terms.h, ubl/path_tree.h,
// ubl/table_writer.h).

#pragma once

#include "ubl/path_tree.h"
#include "ubl/terms.h"

#include <span>

namespace tallomir::cii {

std::span<const ubl::terms::Term> ciiTerms();
// The rows compiled into the reader's path tree, at first use.
const ubl::terms::PathTree& ciiTree();

} // namespace tallomir::cii
