/// @file
/// Packages: libraries of components that a host program or designer loads at run time.
///
/// A package library exports
///   "Initialize"            starts its units: calls PackageLoad with its unit table
///   "Finalize"              shuts them down: calls PackageUnload with the same table
///   "GetPackageInfoTable"   the address of its unit table
///   "<Unit>_Register"       for each unit that puts components on the palette (optional)
/// and carries the resource "PACKAGEINFO" (RT_RCDATA, layout below). Its entry point registers a
/// module record (Module.h) when the library is loaded and unregisters it when it is unloaded.
///
/// The loader (LoadPackage, InstallPackage, UnloadPackage) does what a designer does: load the
/// library, check it is a package whose required packages are present, start its units, call
/// each unit's Register to install it on the palette, and at the end take its classes off the
/// palette, shut its units down and unload it.
///
/// Threads: call the loader from the GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "vyr/host/Module.h"
#include "vyr/host/Text.h"
#include "vyr/host/Types.h"

namespace vyr::host {

// ---- Unit table ---------------------------------------------------------------------------------

/// A unit's start-up and shut-down routine (either may be null: nothing to do).
struct TPackageUnitEntry {
    void (*Init)();   ///< start-up routine, or null
    void (*FInit)();  ///< shut-down routine, or null
};

/// The units of a package in start-up order.
struct TPackageInfoTable {
    std::int32_t UnitCount;             ///< number of entries in UnitInfo
    const TPackageUnitEntry* UnitInfo;  ///< the entries, UnitCount of them
};

/// The package's exported "GetPackageInfoTable" function: gives its unit table.
using TGetPackageInfoTableFunc = const TPackageInfoTable* (*)();
/// A package's exported "Initialize" or "Finalize" procedure.
using TPackageProc = void (*)();

/// Runs every start-up routine of Table in table order. When one raises, the units already
/// started are shut down in reverse order and the exception goes on to the caller. A table that
/// is already started is not started again; the call is counted, and only the matching last
/// PackageUnload shuts it down.
void PackageLoad(const TPackageInfoTable* Table);
/// Runs every shut-down routine of Table in reverse table order (all of them, even when one
/// raises; the first exception then goes on to the caller). A table that was not started is
/// ignored.
void PackageUnload(const TPackageInfoTable* Table);

/** @{ */
/// Called after each routine PackageLoad (Startup true) or PackageUnload (false) runs, with the
/// entry's index; for tools and tests that trace the order. Returns the previous hook.
using TUnitHook = std::function<void(const TPackageInfoTable& Table, int Index, bool Startup)>;
TUnitHook SetPackageUnitHook(TUnitHook Hook);
/** @} */

// ---- Package information ("PACKAGEINFO") --------------------------------------------------------
//
// Layout, little-endian, packed:
//   uint32 Flags
//   int32  RequiresCount, then per required package: uint8 HashCode, name, NUL
//   int32  ContainsCount, then per contained unit:   uint8 Flags, uint8 HashCode, name, NUL

/** @{ */
/// Package flags.
inline constexpr std::uint32_t pfNeverBuild = 0x00000001;  ///< rebuilt only on explicit request
inline constexpr std::uint32_t pfDesignOnly = 0x00000002;
inline constexpr std::uint32_t pfRunOnly = 0x00000004;
inline constexpr std::uint32_t pfIgnoreDupUnits = 0x00000008;
inline constexpr std::uint32_t pfModuleTypeMask = 0xC0000000;
inline constexpr std::uint32_t pfExeModule = 0x00000000;
inline constexpr std::uint32_t pfPackageModule = 0x40000000;
inline constexpr std::uint32_t pfLibraryModule = 0x80000000;
inline constexpr std::uint32_t pfProducerMask = 0x0C000000;  ///< the producing tool chain
/** @} */

/** @{ */
/// Unit flags.
inline constexpr std::uint8_t ufMainUnit = 0x01;
inline constexpr std::uint8_t ufPackageUnit = 0x02;
inline constexpr std::uint8_t ufWeakUnit = 0x04;
inline constexpr std::uint8_t ufOrgWeakUnit = 0x08;
inline constexpr std::uint8_t ufImplicitUnit = 0x10;
/** @} */

/// The one-byte hash code a package or unit name carries: over the name's characters with
/// 'a'..'z' taken as 'A'..'Z', h := rotate-left(h, 5) xor character, starting from 0.
constexpr std::uint8_t PackageNameHash(std::string_view Name) {
    std::uint8_t H = 0;
    for (char C : Name) {
        const auto U = static_cast<std::uint8_t>(UpCase(C));
        H = static_cast<std::uint8_t>(((H << 5) | (H >> 3)) ^ U);
    }
    return H;
}

/// A package that a package requires, as its PACKAGEINFO lists it.
struct TPackageName {
    std::uint8_t HashCode = 0;  ///< PackageNameHash of Name, as stored
    std::string Name;           ///< the package's name, for example "rtl"
};

/// A unit that a package contains, as its PACKAGEINFO lists it.
struct TPackageUnit {
    std::uint8_t Flags = 0;     ///< unit flags (uf...)
    std::uint8_t HashCode = 0;  ///< PackageNameHash of Name, as stored
    std::string Name;           ///< the unit's name
};

/// A package's PACKAGEINFO resource, read (ParsePackageInfo) or to be written.
struct TPackageInfo {
    std::uint32_t Flags = 0;             ///< package flags (pf...)
    std::vector<TPackageName> Requires;  ///< the packages it requires, in stored order
    std::vector<TPackageUnit> Contains;  ///< the units it contains, in stored order
};

/// Raised by the package loader and by ParsePackageInfo; the message names the package file (when
/// known) and what is wrong.
class EPackageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Decodes a "PACKAGEINFO" resource. Raises EPackageError for truncated data, counts that do not
/// fit, a name without its NUL, an empty name, a hash code that does not match its name, or bytes
/// left over.
TPackageInfo ParsePackageInfo(std::span<const std::uint8_t> Data);
/// The bytes of Info in the layout above (the inverse of ParsePackageInfo).
std::vector<std::uint8_t> BuildPackageInfo(const TPackageInfo& Info);

// ---- The package loader -------------------------------------------------------------------------

/// The name of the export that registers the components of unit Unit: Unit + "_Register".
[[nodiscard]] std::string UnitRegisterExport(std::string_view Unit);

/// Packages the host itself provides (a required package of that name is always present).
[[nodiscard]] std::vector<std::string> HostPackages();

/// Loads the package at Path: loads the library (its entry point registers its module), checks
/// its exports and its package information (a package module whose required packages are host
/// packages or loaded packages), then calls "Initialize". Loading a package that is loaded already
/// counts one more use and returns its module. Raises EPackageError, with the library unloaded
/// again, when any step fails.
HMODULE LoadPackage(const std::string& Path);
/// Calls the Register export of every contained unit that has one, in the order of the package
/// information; what a designer does when it installs the package. A package is installed once;
/// later calls do nothing. When a Register raises, the classes the package registered so far are
/// taken off the palette and EPackageError is raised.
void InstallPackage(HMODULE Package);
/// Releases one LoadPackage. With the last one: takes the package's classes off the palette,
/// calls "Finalize" and unloads the library (its entry point unregisters its module and releases
/// its resource module). Components created from the package must have been freed before.
/// Raises EPackageError for a module that is not a loaded package.
void UnloadPackage(HMODULE Package);

/// The package information of a loaded package (its "PACKAGEINFO").
[[nodiscard]] TPackageInfo GetPackageInfo(HMODULE Package);
/// The unit table of a loaded package.
[[nodiscard]] const TPackageInfoTable* GetPackageUnitTable(HMODULE Package);
/// The loaded packages, in load order.
[[nodiscard]] std::vector<HMODULE> LoadedPackages();

}  // namespace vyr::host
