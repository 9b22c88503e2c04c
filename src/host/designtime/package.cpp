// Unit start-up and shut-down, package information, and the package loader.
#include "vyr/host/Package.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>

#include "vyr/host/Registry.h"
#include "vyr/host/Text.h"

namespace vyr::host {

namespace {

struct TLoadedPackage {
    std::string Path;
    std::string Name;  // the file name without its extension
    int Refs = 0;
    bool Installed = false;
    TPackageInfo Info;
    const TPackageInfoTable* Table = nullptr;
    TPackageProc Finalize = nullptr;
};

// Never destroyed (see module.cpp).
struct TPackageState {
    std::mutex Lock;
    std::map<const TPackageInfoTable*, int> Started;  // table -> PackageLoad calls not yet undone
    TUnitHook Hook;
    std::map<HMODULE, TLoadedPackage> Packages;
    std::vector<HMODULE> Order;
};

TPackageState& State() {
    static auto* S = new TPackageState;
    return *S;
}

void RunHook(const TPackageInfoTable& Table, int Index, bool Startup) {
    TUnitHook Hook;
    {
        std::lock_guard Guard(State().Lock);
        Hook = State().Hook;
    }
    if (Hook) Hook(Table, Index, Startup);
}

int UnitCount(const TPackageInfoTable* Table) { return Table->UnitInfo == nullptr ? 0 : std::max(Table->UnitCount, 0); }

std::string Hex(std::uint64_t Value) {
    char Buffer[24];
    std::snprintf(Buffer, sizeof Buffer, "0x%llX", static_cast<unsigned long long>(Value));
    return Buffer;
}

std::string Describe(const std::exception_ptr& Error) {
    try {
        std::rethrow_exception(Error);
    } catch (const std::exception& E) {
        return E.what();
    } catch (...) {
        return "unknown exception";
    }
}

// Reads little-endian fields and NUL-terminated names out of a PACKAGEINFO resource.
class TInfoReader {
public:
    explicit TInfoReader(std::span<const std::uint8_t> Data) : FData(Data) {}

    std::uint32_t U32(const char* What) {
        Need(4, What);
        const auto* P = FData.data() + FPos;
        FPos += 4;
        return static_cast<std::uint32_t>(P[0]) | (static_cast<std::uint32_t>(P[1]) << 8) |
               (static_cast<std::uint32_t>(P[2]) << 16) | (static_cast<std::uint32_t>(P[3]) << 24);
    }
    std::uint8_t U8(const char* What) {
        Need(1, What);
        return FData[FPos++];
    }
    std::string Name(const char* What) {
        const auto* Begin = FData.data() + FPos;
        const auto* End = FData.data() + FData.size();
        const auto* Nul = std::find(Begin, End, std::uint8_t{0});
        if (Nul == End) Fail(std::string(What) + " has no terminating NUL");
        if (Nul == Begin) Fail(std::string(What) + " is empty");
        FPos += static_cast<std::size_t>(Nul - Begin) + 1;
        return std::string(Begin, Nul);
    }
    [[nodiscard]] std::size_t Left() const { return FData.size() - FPos; }
    [[noreturn]] void Fail(const std::string& Message) const {
        throw EPackageError("package information: " + Message + " (at byte " + std::to_string(FPos) + ")");
    }

private:
    void Need(std::size_t Bytes, const char* What) const {
        if (Left() < Bytes) Fail(std::string("truncated: ") + What + " is missing");
    }
    std::span<const std::uint8_t> FData;
    std::size_t FPos = 0;
};

void CheckHash(const TInfoReader& Reader, std::uint8_t Hash, const std::string& Name) {
    if (Hash != PackageNameHash(Name)) {
        Reader.Fail("the hash code " + Hex(Hash) + " of \"" + Name + "\" should be " + Hex(PackageNameHash(Name)));
    }
}

void PutU32(std::vector<std::uint8_t>& Out, std::uint32_t V) {
    for (int I = 0; I < 4; ++I) Out.push_back(static_cast<std::uint8_t>(V >> (8 * I)));
}

TLoadedPackage& LoadedOrFail(HMODULE Package) {
    auto It = State().Packages.find(Package);
    if (It == State().Packages.end()) throw EPackageError("module " + Hex(Package) + " is not a loaded package");
    return It->second;
}

}  // namespace

// ---- Unit table ---------------------------------------------------------------------------------

void PackageLoad(const TPackageInfoTable* Table) {
    if (Table == nullptr) return;
    {
        std::lock_guard Guard(State().Lock);
        auto& Count = State().Started[Table];
        if (Count++ > 0) return;
    }
    const int Count = UnitCount(Table);
    for (int I = 0; I < Count; ++I) {
        try {
            if (Table->UnitInfo[I].Init != nullptr) Table->UnitInfo[I].Init();
            RunHook(*Table, I, true);
        } catch (...) {
            // Undo what has started, newest first, then report the failure.
            for (int J = I - 1; J >= 0; --J) {
                try {
                    if (Table->UnitInfo[J].FInit != nullptr) Table->UnitInfo[J].FInit();
                    RunHook(*Table, J, false);
                } catch (...) {}
            }
            std::lock_guard Guard(State().Lock);
            State().Started.erase(Table);
            throw;
        }
    }
}

void PackageUnload(const TPackageInfoTable* Table) {
    if (Table == nullptr) return;
    {
        std::lock_guard Guard(State().Lock);
        auto It = State().Started.find(Table);
        if (It == State().Started.end()) return;
        if (--It->second > 0) return;
        State().Started.erase(It);
    }
    std::exception_ptr First;
    for (int I = UnitCount(Table) - 1; I >= 0; --I) {
        try {
            if (Table->UnitInfo[I].FInit != nullptr) Table->UnitInfo[I].FInit();
            RunHook(*Table, I, false);
        } catch (...) {
            if (!First) First = std::current_exception();
        }
    }
    if (First) std::rethrow_exception(First);
}

TUnitHook SetPackageUnitHook(TUnitHook Hook) {
    std::lock_guard Guard(State().Lock);
    std::swap(State().Hook, Hook);
    return Hook;
}

// ---- Package information ------------------------------------------------------------------------

TPackageInfo ParsePackageInfo(std::span<const std::uint8_t> Data) {
    TInfoReader Reader(Data);
    TPackageInfo Info;
    Info.Flags = Reader.U32("the flags");
    const auto Requires = static_cast<std::int32_t>(Reader.U32("the count of required packages"));
    // Each entry takes at least 2 bytes (hash, NUL); a count beyond that cannot be right.
    if (Requires < 0 || static_cast<std::size_t>(Requires) > Reader.Left() / 2) {
        Reader.Fail("impossible count of required packages " + std::to_string(Requires));
    }
    for (std::int32_t I = 0; I < Requires; ++I) {
        TPackageName Name;
        Name.HashCode = Reader.U8("a required package's hash code");
        Name.Name = Reader.Name("a required package's name");
        CheckHash(Reader, Name.HashCode, Name.Name);
        Info.Requires.push_back(std::move(Name));
    }
    const auto Contains = static_cast<std::int32_t>(Reader.U32("the count of contained units"));
    if (Contains < 0 || static_cast<std::size_t>(Contains) > Reader.Left() / 3) {
        Reader.Fail("impossible count of contained units " + std::to_string(Contains));
    }
    for (std::int32_t I = 0; I < Contains; ++I) {
        TPackageUnit Unit;
        Unit.Flags = Reader.U8("a unit's flags");
        Unit.HashCode = Reader.U8("a unit's hash code");
        Unit.Name = Reader.Name("a unit's name");
        CheckHash(Reader, Unit.HashCode, Unit.Name);
        Info.Contains.push_back(std::move(Unit));
    }
    if (Reader.Left() != 0) Reader.Fail(std::to_string(Reader.Left()) + " bytes left over");
    return Info;
}

std::vector<std::uint8_t> BuildPackageInfo(const TPackageInfo& Info) {
    std::vector<std::uint8_t> Out;
    PutU32(Out, Info.Flags);
    PutU32(Out, static_cast<std::uint32_t>(Info.Requires.size()));
    for (const auto& Name : Info.Requires) {
        Out.push_back(Name.HashCode);
        Out.insert(Out.end(), Name.Name.begin(), Name.Name.end());
        Out.push_back(0);
    }
    PutU32(Out, static_cast<std::uint32_t>(Info.Contains.size()));
    for (const auto& Unit : Info.Contains) {
        Out.push_back(Unit.Flags);
        Out.push_back(Unit.HashCode);
        Out.insert(Out.end(), Unit.Name.begin(), Unit.Name.end());
        Out.push_back(0);
    }
    return Out;
}

// ---- The package loader -------------------------------------------------------------------------

std::string UnitRegisterExport(std::string_view Unit) { return std::string(Unit) + "_Register"; }

std::vector<std::string> HostPackages() { return {"vcl40"}; }

HMODULE LoadPackage(const std::string& Path) {
    const HMODULE Module = LoadLibrary(Path);
    if (Module == 0) throw EPackageError(Path + ": cannot load the package: " + LastLoadError());
    {
        std::lock_guard Guard(State().Lock);
        auto It = State().Packages.find(Module);
        if (It != State().Packages.end()) {
            ++It->second.Refs;  // the library's own use count went up with it
            return Module;
        }
    }

    TLoadedPackage Package;
    try {
        Package.Path = ModuleFileName(Module);
        Package.Name = std::filesystem::path(Package.Path).stem().string();
        auto Export = [&](const char* Name) {
            void* Symbol = GetProcAddress(Module, Name);
            if (Symbol == nullptr)
                throw EPackageError(std::string("not a package: the export \"") + Name + "\" is missing");
            return Symbol;
        };
        auto* Initialize = reinterpret_cast<TPackageProc>(Export("Initialize"));
        Package.Finalize = reinterpret_cast<TPackageProc>(Export("Finalize"));
        auto* GetTable = reinterpret_cast<TGetPackageInfoTableFunc>(Export("GetPackageInfoTable"));
        Package.Table = GetTable();
        if (Package.Table == nullptr || Package.Table->UnitCount < 0 ||
            (Package.Table->UnitCount > 0 && Package.Table->UnitInfo == nullptr)) {
            throw EPackageError("the unit table is missing or malformed");
        }

        const auto Resource = FindResource(Module, "PACKAGEINFO", RT_RCDATA);
        if (!Resource) throw EPackageError("not a package: the resource PACKAGEINFO is missing");
        Package.Info = ParsePackageInfo(Resource->Data);
        if ((Package.Info.Flags & pfModuleTypeMask) != pfPackageModule) {
            throw EPackageError("not a package module (flags " + Hex(Package.Info.Flags) + ")");
        }
        for (const auto& Required : Package.Info.Requires) {
            bool Present = false;
            for (const auto& Name : HostPackages()) Present = Present || SameText(Name, Required.Name);
            {
                std::lock_guard Guard(State().Lock);
                for (const auto& [Other, Loaded] : State().Packages)
                    Present = Present || SameText(Loaded.Name, Required.Name);
            }
            if (!Present) throw EPackageError("requires the package \"" + Required.Name + "\", which is not loaded");
        }

        try {
            Initialize();
        } catch (...) {
            throw EPackageError("its units could not start: " + Describe(std::current_exception()));
        }
    } catch (const std::exception& E) {
        FreeLibrary(Module);
        throw EPackageError(Path + ": " + E.what());
    }

    Package.Refs = 1;
    std::lock_guard Guard(State().Lock);
    State().Packages.emplace(Module, std::move(Package));
    State().Order.push_back(Module);
    return Module;
}

void InstallPackage(HMODULE Package) {
    std::vector<std::string> Units;
    std::string Path;
    {
        std::lock_guard Guard(State().Lock);
        auto& Loaded = LoadedOrFail(Package);
        if (Loaded.Installed) return;
        Loaded.Installed = true;  // a Register calling back in must not install twice
        for (const auto& Unit : Loaded.Info.Contains) Units.push_back(Unit.Name);
        Path = Loaded.Path;
    }
    for (const auto& Unit : Units) {
        auto* Register = reinterpret_cast<TPackageProc>(GetProcAddress(Package, UnitRegisterExport(Unit).c_str()));
        if (Register == nullptr) continue;
        try {
            Register();
        } catch (...) {
            UnregisterModuleClasses(Package);
            {
                std::lock_guard Guard(State().Lock);
                if (auto It = State().Packages.find(Package); It != State().Packages.end())
                    It->second.Installed = false;
            }
            std::string Message = Path;
            Message += ": unit ";
            Message += Unit;
            Message += " could not register its components: ";
            Message += Describe(std::current_exception());
            throw EPackageError(Message);
        }
    }
}

void UnloadPackage(HMODULE Package) {
    TPackageProc Finalize = nullptr;
    std::string Path;
    bool Last = false;
    {
        std::lock_guard Guard(State().Lock);
        auto& Loaded = LoadedOrFail(Package);
        Last = --Loaded.Refs == 0;
        if (Last) {
            Finalize = Loaded.Finalize;
            Path = Loaded.Path;
            State().Packages.erase(Package);
            std::erase(State().Order, Package);
        }
    }
    if (!Last) {
        FreeLibrary(Package);  // only the library's use count goes down
        return;
    }
    UnregisterModuleClasses(Package);
    std::exception_ptr Error;
    try {
        Finalize();
    } catch (...) {
        Error = std::current_exception();
    }
    FreeLibrary(Package);
    if (Error) throw EPackageError(Path + ": its units could not shut down: " + Describe(Error));
}

TPackageInfo GetPackageInfo(HMODULE Package) {
    std::lock_guard Guard(State().Lock);
    return LoadedOrFail(Package).Info;
}

const TPackageInfoTable* GetPackageUnitTable(HMODULE Package) {
    std::lock_guard Guard(State().Lock);
    return LoadedOrFail(Package).Table;
}

std::vector<HMODULE> LoadedPackages() {
    std::lock_guard Guard(State().Lock);
    return State().Order;
}

}  // namespace vyr::host
