// The package's unit table, its start-up and shut-down exports, and its units' Register exports.
#include <array>
#include <cstdint>
#include <utility>

#include "vyr/Register.h"
#include "vyr/host/Package.h"

using vyr::host::TPackageInfoTable;
using vyr::host::TPackageUnitEntry;

namespace {

constexpr int UnitCount = 32;

// Every unit of the table is counter-only: its start-up routine subtracts 1 from its own
// counter and its shut-down routine adds 1 back. Neither CharSet nor EditMatrix has start-up
// work, and the host library starts itself when it is loaded, so the entries that stand for
// the host's units only count too.
std::int32_t Counters[UnitCount];

template <int I>
void Startup() {
    --Counters[I];
}

template <int I>
void Shutdown() {
    try {
        ++Counters[I];
    } catch (...) {}
}

template <int... I>
constexpr auto MakeEntries(std::integer_sequence<int, I...>) {
    return std::array<TPackageUnitEntry, sizeof...(I)>{TPackageUnitEntry{&Startup<I>, &Shutdown<I>}...};
}

// Start-up order. An empty name: a unit without start-up work of its own.
const char* const UnitNames[UnitCount] = {
    "",         "System",   "",         "",           // 0..3
    "Sysconst", "Sysutils", "Activex",  "Consts",     // 4..7
    "Typinfo",  "Classes",  "Graphics", "Multimon",   // 8..11
    "",         "",         "Actnlist", "Math",       // 12..15
    "",         "Printers", "Flatsb",   "Stdctrls",   // 16..19
    "Clipbrd",  "Stdactns", "Forms",    "Imglist",    // 20..23
    "Menus",    "Controls", "",         "Extctrls",   // 24..27
    "",         "Dialogs",  "CharSet",  "EditMatrix"  // 28..31
};

const auto UnitEntries = MakeEntries(std::make_integer_sequence<int, UnitCount>{});

const TPackageInfoTable PackageInfoTable{UnitCount, UnitEntries.data()};

}  // namespace

#define VYR_EXPORT extern "C" __attribute__((visibility("default")))

// Starts the units in table order (the host's package loader calls it after loading).
VYR_EXPORT void Initialize() { vyr::host::PackageLoad(&PackageInfoTable); }

// Shuts the units down in reverse order (called before unloading).
VYR_EXPORT void Finalize() { vyr::host::PackageUnload(&PackageInfoTable); }

VYR_EXPORT const TPackageInfoTable* GetPackageInfoTable() { return &PackageInfoTable; }

// The units' Register routines; a designer calls them when it installs the package.
VYR_EXPORT void CharSet_Register() { vyr::CharSetUnit::Register(); }
VYR_EXPORT void EditMatrix_Register() { vyr::EditMatrixUnit::Register(); }

// For host tools: the names of the table's entries in start-up order ("" for a unit without
// start-up work of its own), their counters (0 at load, -1 while started), and how many entries
// each of the two tables has (the unit table's count).
VYR_EXPORT const char* const* GetPackageUnitNames() { return UnitNames; }
VYR_EXPORT const std::int32_t* GetPackageUnitCounters() { return Counters; }
VYR_EXPORT std::int32_t GetPackageUnitNameCount() { return UnitCount; }
