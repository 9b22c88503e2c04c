// Modules, resource modules and resources over the platform's dynamic loader.
#include "vyr/host/Module.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

#include "elfcheck.h"
#include "vyr/host/Graphics.h"
#include "vyr/host/Text.h"

namespace vyr::host {

namespace {

struct TLoadedLibrary {
    void* Handle = nullptr;
    int Refs = 0;
};

// Never destroyed: packages may still call in from their finalisation at process exit, after
// the host library's own static objects are gone.
struct TModuleState {
    std::mutex Lock;
    TLibModule* Head = nullptr;
    TModuleEventHook Hook;
    std::map<HMODULE, TLoadedLibrary> Libraries;
    std::optional<std::vector<std::string>> Locales;
};

TModuleState& State() {
    static auto* S = new TModuleState;
    return *S;
}

thread_local std::string LastError;

void Notify(TModuleEvent Event, const TLibModule* Module, HMODULE Handle) {
    TModuleEventHook Hook;
    {
        std::lock_guard Guard(State().Lock);
        Hook = State().Hook;
    }
    if (Hook) Hook(Event, Module, Handle);
}

std::string ProgramPath() {
    std::error_code Error;
    auto Path = std::filesystem::read_symlink("/proc/self/exe", Error);
    return Error ? std::string() : Path.string();
}

// A language code is used as a file extension: letters, digits, '_' and '-' only.
bool PlausibleLocale(std::string_view Code) {
    return !Code.empty() && Code.size() <= 32 && std::all_of(Code.begin(), Code.end(), [](char C) {
        return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_' || C == '-';
    });
}

std::vector<std::string> LocalesFromEnvironment() {
    std::vector<std::string> Codes;
    if (const char* Explicit = std::getenv("VYR_RESOURCE_LOCALE"); Explicit != nullptr) {
        std::string_view Rest = Explicit;
        while (!Rest.empty()) {
            const auto Comma = Rest.find(',');
            const auto Code = Rest.substr(0, Comma);
            if (PlausibleLocale(Code)) Codes.emplace_back(Code);
            if (Comma == std::string_view::npos) break;
            Rest.remove_prefix(Comma + 1);
        }
        return Codes;
    }
    const char* Lang = nullptr;
    for (const char* Name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* Value = std::getenv(Name);
        if (Value != nullptr && *Value != '\0') {
            Lang = Value;
            break;
        }
    }
    if (Lang == nullptr) return Codes;
    std::string_view Full = Lang;
    Full = Full.substr(0, Full.find_first_of(".@"));
    if (Full == "C" || Full == "POSIX" || !PlausibleLocale(Full)) return Codes;
    Codes.emplace_back(Full);
    if (const auto Underscore = Full.find('_'); Underscore != std::string_view::npos && Underscore > 0) {
        Codes.emplace_back(Full.substr(0, Underscore));
    }
    return Codes;
}

const TResourceDirectory* DirectoryOf(HMODULE Module) {
    auto* Func = reinterpret_cast<TResourceDirectoryFunc>(GetProcAddress(Module, ResourceDirectoryExport));
    return Func != nullptr ? Func() : nullptr;
}

TResource ToResource(const TResourceEntry& Entry) {
    TResource Result;
    Result.Type = Entry.Type != nullptr ? Entry.Type : "";
    Result.Name = Entry.Name != nullptr ? Entry.Name : "";
    Result.Language = Entry.Language;
    if (Entry.Data != nullptr) Result.Data = std::span<const std::uint8_t>(Entry.Data, Entry.Size);
    return Result;
}

std::uint32_t ReadU32(const std::uint8_t* P) {
    return static_cast<std::uint32_t>(P[0]) | (static_cast<std::uint32_t>(P[1]) << 8) |
           (static_cast<std::uint32_t>(P[2]) << 16) | (static_cast<std::uint32_t>(P[3]) << 24);
}
std::uint16_t ReadU16(const std::uint8_t* P) { return static_cast<std::uint16_t>(P[0] | (P[1] << 8)); }

}  // namespace

// ---- Module records ---------------------------------------------------------------------------

void RegisterModule(TLibModule* Module) {
    if (Module == nullptr) return;
    {
        std::lock_guard Guard(State().Lock);
        for (auto* M = State().Head; M != nullptr; M = M->Next) {
            if (M == Module) return;
        }
        Module->Next = State().Head;
        State().Head = Module;
    }
    Notify(TModuleEvent::Register, Module, Module->Instance);
}

void UnregisterModule(TLibModule* Module) {
    if (Module == nullptr) return;
    bool Found = false;
    {
        std::lock_guard Guard(State().Lock);
        for (TLibModule** Link = &State().Head; *Link != nullptr; Link = &(*Link)->Next) {
            if (*Link == Module) {
                *Link = Module->Next;
                Module->Next = nullptr;
                Found = true;
                break;
            }
        }
    }
    if (Found) Notify(TModuleEvent::Unregister, Module, Module->Instance);
}

std::vector<const TLibModule*> RegisteredModules() {
    std::lock_guard Guard(State().Lock);
    std::vector<const TLibModule*> Result;
    for (auto* M = State().Head; M != nullptr; M = M->Next) Result.push_back(M);
    return Result;
}

const TLibModule* FindModuleRecord(HMODULE Module) {
    std::lock_guard Guard(State().Lock);
    for (auto* M = State().Head; M != nullptr; M = M->Next) {
        if (M->Instance == Module) return M;
    }
    return nullptr;
}

HMODULE FindResourceHInstance(HMODULE Module) {
    const TLibModule* Record = FindModuleRecord(Module);
    return Record != nullptr && Record->ResInstance != 0 ? Record->ResInstance : Module;
}

TModuleEventHook SetModuleEventHook(TModuleEventHook Hook) {
    std::lock_guard Guard(State().Lock);
    std::swap(State().Hook, Hook);
    return Hook;
}

// ---- Libraries --------------------------------------------------------------------------------

HMODULE LoadLibrary(const std::string& Path) {
    // Path names a file: a bare name is one in the current folder, never a library that dlopen
    // would search for on the library path.
    const std::string File = Path.find('/') == std::string::npos ? "./" + Path : Path;
    // The dynamic loader trusts the file and crashes on a truncated or corrupted one.
    if (std::string Why = detail::CheckLoadableImage(File); !Why.empty()) {
        LastError = File + ": " + Why;
        return 0;
    }
    // The library's initialisation runs inside dlopen and may call back into the host (module
    // registration), so no lock is held here.
    void* Handle = dlopen(File.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (Handle == nullptr) {
        const char* Why = dlerror();
        LastError = Why != nullptr ? Why : "cannot load " + Path;
        return 0;
    }
    link_map* Map = nullptr;
    Dl_info Info{};
    if (dlinfo(Handle, RTLD_DI_LINKMAP, &Map) != 0 || Map == nullptr || dladdr(Map->l_ld, &Info) == 0 ||
        Info.dli_fbase == nullptr) {
        dlclose(Handle);
        LastError = "cannot find the image of " + Path;
        return 0;
    }
    const auto Module = reinterpret_cast<HMODULE>(Info.dli_fbase);
    {
        std::lock_guard Guard(State().Lock);
        auto& Entry = State().Libraries[Module];
        Entry.Handle = Handle;  // dlopen answers the same handle for the same library
        ++Entry.Refs;
    }
    Notify(TModuleEvent::LoadLibrary, nullptr, Module);
    return Module;
}

bool FreeLibrary(HMODULE Module) {
    void* Handle = nullptr;
    {
        std::lock_guard Guard(State().Lock);
        auto It = State().Libraries.find(Module);
        if (It == State().Libraries.end()) return false;
        Handle = It->second.Handle;
        if (--It->second.Refs == 0) State().Libraries.erase(It);
    }
    Notify(TModuleEvent::FreeLibrary, nullptr, Module);
    dlclose(Handle);
    return true;
}

std::string LastLoadError() { return LastError; }

std::string ModuleFileName(HMODULE Module) {
    if (Module == 0) return ProgramPath();
    Dl_info Info{};
    // A module handle is the library's load address, as dladdr reports it.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (dladdr(reinterpret_cast<const void*>(Module), &Info) == 0 ||
        reinterpret_cast<HMODULE>(Info.dli_fbase) != Module) {
        return {};
    }
    if (Info.dli_fname == nullptr || *Info.dli_fname == '\0') return ProgramPath();
    std::error_code Error;
    auto Absolute = std::filesystem::absolute(Info.dli_fname, Error);
    return Error ? std::string(Info.dli_fname) : Absolute.lexically_normal().string();
}

std::uint32_t GetModuleFileNameA(HMODULE Module, char* Buffer, std::uint32_t Size) {
    if (Buffer == nullptr || Size == 0) return 0;
    const std::string Path = ModuleFileName(Module);
    if (Path.size() < Size) {
        std::memcpy(Buffer, Path.c_str(), Path.size() + 1);
        return static_cast<std::uint32_t>(Path.size());
    }
    std::memcpy(Buffer, Path.data(), Size - 1);
    Buffer[Size - 1] = '\0';
    return Size;
}

void* GetProcAddress(HMODULE Module, const char* Name) {
    if (Name == nullptr) return nullptr;
    void* Handle = nullptr;
    bool Borrowed = false;
    {
        std::lock_guard Guard(State().Lock);
        auto It = State().Libraries.find(Module);
        if (It != State().Libraries.end()) Handle = It->second.Handle;
    }
    if (Handle == nullptr) {
        // A module this host did not load: look it up without loading it again.
        const std::string File = Module == 0 ? std::string() : ModuleFileName(Module);
        if (Module != 0 && File.empty()) return nullptr;
        Handle = dlopen(Module == 0 ? nullptr : File.c_str(), RTLD_LAZY | RTLD_NOLOAD);
        if (Handle == nullptr) return nullptr;
        Borrowed = true;
    }
    void* Symbol = dlsym(Handle, Name);
    if (Borrowed) dlclose(Handle);
    // dlsym also searches the module's dependencies; only the module's own exports count.
    if (Symbol != nullptr && Module != 0 && ModuleOfAddress(Symbol) != Module) return nullptr;
    return Symbol;
}

HMODULE ModuleOfAddress(const void* Address) {
    Dl_info Info{};
    if (Address == nullptr || dladdr(Address, &Info) == 0) return 0;
    return reinterpret_cast<HMODULE>(Info.dli_fbase);
}

// ---- Resource modules -------------------------------------------------------------------------

std::vector<std::string> ResourceLocales() {
    {
        std::lock_guard Guard(State().Lock);
        if (State().Locales) return *State().Locales;
    }
    return LocalesFromEnvironment();
}

void SetResourceLocales(std::optional<std::vector<std::string>> Codes) {
    std::lock_guard Guard(State().Lock);
    State().Locales = std::move(Codes);
}

HMODULE LoadResourceModule(const char* ModuleName) {
    HMODULE Found = 0;
    if (ModuleName != nullptr && *ModuleName != '\0') {
        for (const auto& Code : ResourceLocales()) {
            if (!PlausibleLocale(Code)) continue;
            std::filesystem::path Candidate(ModuleName);
            Candidate.replace_extension("." + Code);
            std::error_code Error;
            if (!std::filesystem::is_regular_file(Candidate, Error)) continue;
            const HMODULE Module = LoadLibrary(Candidate.string());
            if (Module == 0) continue;
            if (DirectoryOf(Module) == nullptr) {
                FreeLibrary(Module);
                continue;
            }
            Found = Module;
            break;
        }
    }
    Notify(TModuleEvent::LoadResourceModule, nullptr, Found);
    return Found;
}

// ---- Resources --------------------------------------------------------------------------------

std::optional<TResource> FindResource(HMODULE Module, std::string_view Name, std::string_view Type) {
    const TResourceDirectory* Directory = DirectoryOf(Module);
    if (Directory == nullptr || Directory->Entries == nullptr) return std::nullopt;
    for (std::uint32_t I = 0; I < Directory->Count; ++I) {
        const auto& Entry = Directory->Entries[I];
        if (Entry.Name != nullptr && Entry.Type != nullptr && SameText(Entry.Name, Name) &&
            SameText(Entry.Type, Type)) {
            return ToResource(Entry);
        }
    }
    return std::nullopt;
}

std::vector<TResource> EnumResources(HMODULE Module) {
    std::vector<TResource> Result;
    const TResourceDirectory* Directory = DirectoryOf(Module);
    if (Directory == nullptr || Directory->Entries == nullptr) return Result;
    for (std::uint32_t I = 0; I < Directory->Count; ++I) Result.push_back(ToResource(Directory->Entries[I]));
    return Result;
}

std::string GetModuleDescription(HMODULE Module) {
    const TResourceDirectory* Directory = DirectoryOf(Module);
    return Directory != nullptr && Directory->Description != nullptr ? Directory->Description : "";
}

bool LoadBitmapFromDib(std::span<const std::uint8_t> Dib, TBitmap& Bitmap) {
    if (Dib.size() < 40) return false;
    const std::uint8_t* P = Dib.data();
    const std::uint32_t HeaderSize = ReadU32(P);
    const auto Width = static_cast<std::int32_t>(ReadU32(P + 4));
    const auto RawHeight = static_cast<std::int32_t>(ReadU32(P + 8));
    const std::uint16_t Planes = ReadU16(P + 12);
    const std::uint16_t Bits = ReadU16(P + 14);
    const std::uint32_t Compression = ReadU32(P + 16);
    std::uint32_t Colours = ReadU32(P + 32);
    if (HeaderSize < 40 || HeaderSize > Dib.size() || Planes != 1 || Compression != 0) return false;
    if (Bits != 1 && Bits != 4 && Bits != 8 && Bits != 24) return false;
    if (Width <= 0 || Width > MaxExtent || RawHeight == 0 || RawHeight < -MaxExtent || RawHeight > MaxExtent)
        return false;
    const bool BottomUp = RawHeight > 0;
    const int Height = BottomUp ? RawHeight : -RawHeight;
    if (Bits <= 8) {
        if (Colours == 0) Colours = 1U << Bits;
        if (Colours > (1U << Bits)) return false;
    } else {
        Colours = 0;
    }
    const std::size_t PaletteAt = HeaderSize;
    const std::size_t PixelsAt = PaletteAt + static_cast<std::size_t>(Colours) * 4;
    const std::size_t Stride = ((static_cast<std::size_t>(Width) * Bits + 31) / 32) * 4;
    if (PixelsAt > Dib.size() || (Dib.size() - PixelsAt) / Stride < static_cast<std::size_t>(Height)) return false;

    Bitmap.SetSize(Width, Height);
    for (int Y = 0; Y < Height; ++Y) {
        const std::uint8_t* Row = P + PixelsAt + Stride * static_cast<std::size_t>(BottomUp ? Height - 1 - Y : Y);
        std::uint8_t* Out = Bitmap.ScanLine(Y);
        for (int X = 0; X < Width; ++X) {
            std::uint8_t B = 0, G = 0, R = 0;
            if (Bits == 24) {
                B = Row[3 * X];
                G = Row[3 * X + 1];
                R = Row[3 * X + 2];
            } else {
                const std::size_t Bit = static_cast<std::size_t>(X) * Bits;
                const unsigned Packed = Row[Bit / 8];
                const unsigned Index = (Packed >> (8 - Bits - Bit % 8)) & ((1U << Bits) - 1);
                if (Index < Colours) {
                    const std::uint8_t* Entry = P + PaletteAt + 4 * Index;
                    B = Entry[0];
                    G = Entry[1];
                    R = Entry[2];
                }
            }
            Out[3 * X] = B;
            Out[3 * X + 1] = G;
            Out[3 * X + 2] = R;
        }
    }
    return true;
}

bool LoadBitmapResource(HMODULE Module, std::string_view Name, TBitmap& Bitmap) {
    auto Resource = FindResource(FindResourceHInstance(Module), Name, RT_BITMAP);
    return Resource && LoadBitmapFromDib(Resource->Data, Bitmap);
}

}  // namespace vyr::host
