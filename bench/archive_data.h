#pragma once
// An archive of 10,000 invoices of about 6 KB each in a real SQLite file
// (WAL), filled once per process, for the archive's benchmarks.

#include "store/database.h"

namespace tallomir::bench {

inline constexpr int archiveEntryCount = 10000;

store::Database& filledArchive();

} // namespace tallomir::bench
