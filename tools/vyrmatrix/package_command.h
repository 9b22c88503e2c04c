// `vyrmatrix package [PATH]` (RunPackageCommand, commands.h): what it reads from a loaded
// package beside the host's own tables, checked before it is used.
//
// A package may offer, for tools, the names of its unit-table entries and their counters:
// "GetPackageUnitNames" (a table of names, "" for a unit without start-up work of its own),
// "GetPackageUnitCounters" (a table of 32-bit counters) and "GetPackageUnitNameCount" (how many
// entries each of those tables has; it must be the unit table's count).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vyr::cli {

// Bounds of what is read: a unit table of more entries, or a longer name, is malformed.
inline constexpr std::int64_t MaxUnits = 4096;
inline constexpr std::size_t MaxUnitNameLength = 255;

// Throws TRunError unless UnitCount is within 0..MaxUnits and a table of Count entries that
// stands beside the unit table (What: "unit names", "unit counters") has exactly that many.
void CheckUnitTableLength(std::string_view What, std::int64_t Count, std::int64_t UnitCount);

// The Count names of Names, checked against a unit table of UnitCount entries as above; throws
// TRunError for a null table, a null entry, or an entry without its NUL within
// MaxUnitNameLength characters. Reads no entry beyond Count and no name beyond the bound.
std::vector<std::string> ReadUnitNames(const char* const* Names, std::int64_t Count, std::int64_t UnitCount);

}  // namespace vyr::cli
