/// @file
/// Modules: loading and releasing dynamic libraries, the host's list of registered modules (the
/// module records that packages register from their entry point), resource modules, and the
/// resources a module carries.
///
/// A module handle (HMODULE) is the base address at which a library's image is mapped; 0 stands
/// for no module. Implemented over the platform's dynamic loader (dlopen, dlsym, dladdr).
///
/// Resources: a module carries resources when it exports the function "VyrResourceDirectory"
/// returning a TResourceDirectory. Each resource has a type, a name and a language; names and
/// types compare without regard to ASCII case. Numeric identifiers are written "#1".
///
/// Threads: the registries are guarded; the functions may be called from any thread, but the
/// module events hook runs on the calling thread, under no lock.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vyr/host/Types.h"

namespace vyr::host {

class TBitmap;

/// A loaded module (the program or a library), as the module functions name it; 0 names none.
using HMODULE = std::uintptr_t;

/** @{ */
/// Reason codes of a library's entry point.
inline constexpr std::uint32_t DLL_PROCESS_DETACH = 0;
inline constexpr std::uint32_t DLL_PROCESS_ATTACH = 1;
inline constexpr std::uint32_t DLL_THREAD_ATTACH = 2;
inline constexpr std::uint32_t DLL_THREAD_DETACH = 3;
/** @} */

// ---- Module records ---------------------------------------------------------------------------

/// The record a library registers with the host while it is loaded. Owned by the library; the
/// host keeps a pointer to it between RegisterModule and UnregisterModule.
struct TLibModule {
    TLibModule* Next = nullptr;  ///< maintained by the host
    HMODULE Instance = 0;        ///< the library's own module
    HMODULE CodeInstance = 0;    ///< always 0 on this host
    HMODULE DataInstance = 0;    ///< always 0 on this host
    HMODULE ResInstance = 0;     ///< the module that supplies the library's resources
    std::intptr_t Reserved = 0;  ///< unused, 0
};

/// Puts Module at the head of the host's module list. A record that is already registered is
/// not added twice.
void RegisterModule(TLibModule* Module);
/// Takes Module out of the list; a record that is not in it is ignored.
void UnregisterModule(TLibModule* Module);
/// The registered records, most recently registered first.
[[nodiscard]] std::vector<const TLibModule*> RegisteredModules();
/// The registered record whose Instance is Module, or null.
[[nodiscard]] const TLibModule* FindModuleRecord(HMODULE Module);
/// Where Module's resources come from: the ResInstance of its registered record, or Module itself
/// when it has no record (or its record names no resource module).
[[nodiscard]] HMODULE FindResourceHInstance(HMODULE Module);

/// What the host has been asked to do with modules, in call order; for tools and tests that
/// need to see the order of registration and release.
enum class TModuleEvent { Register, Unregister, LoadLibrary, FreeLibrary, LoadResourceModule };
/// Module: the record (Register, Unregister), else null. Handle: the module concerned (for
/// LoadResourceModule the module found, or 0).
using TModuleEventHook = std::function<void(TModuleEvent Event, const TLibModule* Module, HMODULE Handle)>;
/// Replaces the hook (empty: none). Returns the previous one.
TModuleEventHook SetModuleEventHook(TModuleEventHook Hook);

// ---- Libraries --------------------------------------------------------------------------------

/// Loads the library at Path (its initialisation runs now) and returns its module, or 0 when it
/// cannot be loaded; LastLoadError() then tells why. Path names a file (a bare name: in the
/// current folder; the library path is never searched). The file's ELF headers are checked first,
/// so a truncated or corrupted file is refused instead of crashing the loader; a library is code
/// all the same, to be loaded only from trusted places. Each successful call must be matched by one
/// FreeLibrary.
HMODULE LoadLibrary(const std::string& Path);
/// Releases one LoadLibrary of Module; the library is unloaded (its finalisation runs) with the
/// last one. Returns false, doing nothing, for a module this host did not load.
bool FreeLibrary(HMODULE Module);
/// The loader's message for the last LoadLibrary that failed on this thread.
[[nodiscard]] std::string LastLoadError();

/// Copies the full path of Module's file into Buffer (Size characters, Size >= 1): at most
/// Size - 1 characters and always a terminating NUL. Returns the number of characters copied
/// without the NUL; when the path did not fit, returns Size (the copy is then cut short and must
/// not be used as a path). Returns 0 (Buffer empty when Size >= 1) for an unknown module.
/// Module 0 names the program itself.
std::uint32_t GetModuleFileNameA(HMODULE Module, char* Buffer, std::uint32_t Size);
/// The full path of Module's file, whatever its length; empty for an unknown module.
[[nodiscard]] std::string ModuleFileName(HMODULE Module);
/// The exported symbol Name of Module, or null.
[[nodiscard]] void* GetProcAddress(HMODULE Module, const char* Name);
/// The module whose image holds Address, or 0.
[[nodiscard]] HMODULE ModuleOfAddress(const void* Address);

// ---- Resource modules -------------------------------------------------------------------------

/// The language codes tried by LoadResourceModule, in order. Set by SetResourceLocales; until
/// then taken from the environment: VYR_RESOURCE_LOCALE (codes separated by commas), else the
/// language of LC_ALL, LC_MESSAGES or LANG ("da_DK.UTF-8" gives "da_DK", "da"); "C" and "POSIX"
/// give none.
[[nodiscard]] std::vector<std::string> ResourceLocales();
/// Replaces the codes tried (an empty list: no resource module is ever loaded); std::nullopt
/// returns to the environment.
void SetResourceLocales(std::optional<std::vector<std::string>> Codes);

/// Looks for a resource module of the library ModuleName: for each language code C in order, the
/// file named like ModuleName with its extension replaced by "." + C (".bpl" -> ".DAN"). The
/// first such file that exists, loads and carries resources is loaded and its module returned;
/// 0 when none is found. The caller releases it with FreeLibrary.
HMODULE LoadResourceModule(const char* ModuleName);

// ---- Resources --------------------------------------------------------------------------------

/** @{ */
/// Resource types.
inline constexpr std::string_view RT_BITMAP = "BITMAP";
inline constexpr std::string_view RT_ICON = "ICON";
inline constexpr std::string_view RT_GROUP_ICON = "GROUP_ICON";
inline constexpr std::string_view RT_RCDATA = "RCDATA";
/** @} */

inline constexpr std::uint16_t LANG_NEUTRAL = 0;    ///< resource language: neutral (the default resources)
inline constexpr std::uint16_t LANG_DANISH = 1030;  ///< resource language: Danish (the resource module's)

/// One resource as a module lays it out.
struct TResourceEntry {
    const char* Type;          ///< resource type (RT_... or a name), zero-terminated
    const char* Name;          ///< resource name, zero-terminated
    std::uint16_t Language;    ///< language (LANG_...)
    const std::uint8_t* Data;  ///< the resource's bytes, Size of them
    std::uint32_t Size;        ///< size of Data in bytes
};

/// The table a module's "VyrResourceDirectory" export returns.
struct TResourceDirectory {
    std::uint32_t Count;            ///< number of entries
    const TResourceEntry* Entries;  ///< the entries, Count of them
    const char* Description;        ///< the image's description string (zero-terminated), or null
};

/** @{ */
/// The exported function that gives a module's resource directory.
inline constexpr const char* ResourceDirectoryExport = "VyrResourceDirectory";
using TResourceDirectoryFunc = const TResourceDirectory* (*)();
/** @} */

/// A resource found in a loaded module (FindResource).
struct TResource {
    std::string Type;                    ///< resource type, for example "RCDATA"
    std::string Name;                    ///< resource name
    std::uint16_t Language = 0;          ///< language (LANG_...)
    std::span<const std::uint8_t> Data;  ///< valid while the module stays loaded
};

/// The resource Name of type Type in Module (not its resource module: use FindResourceHInstance
/// for that), or nullopt.
[[nodiscard]] std::optional<TResource> FindResource(HMODULE Module, std::string_view Name, std::string_view Type);
/// Every resource of Module, in the module's order.
[[nodiscard]] std::vector<TResource> EnumResources(HMODULE Module);
/// The description string of Module's image (empty if it has none).
[[nodiscard]] std::string GetModuleDescription(HMODULE Module);

/// Decodes a device-independent bitmap as bitmap resources hold it (an information header of 40
/// bytes, the colour table, the rows bottom-up; 1, 4, 8 or 24 bits a pixel, uncompressed) into
/// Bitmap. Returns false, leaving Bitmap unchanged, for anything else or truncated data.
bool LoadBitmapFromDib(std::span<const std::uint8_t> Dib, TBitmap& Bitmap);
/// LoadBitmapFromDib on the bitmap resource Name of Module's resources (FindResourceHInstance).
bool LoadBitmapResource(HMODULE Module, std::string_view Name, TBitmap& Bitmap);

}  // namespace vyr::host
