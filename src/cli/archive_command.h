#pragma once

#include "invoice/model.h"

#include <string>
#include <vector>

namespace tallomir::cli {

// tallomir-cli archive [--db FILE] import FILE… | list [--json] | export ID OUT | verify
// `arguments` are those after "archive"; the exit code as the tool's others
// (0 done, 1 usage or refused database, 2 unreadable file, 4 write failed,
// 5 an archived file differs from its hash).
int archiveCommand(const CodeLists& lists, const std::vector<std::string>& arguments);

} // namespace tallomir::cli
