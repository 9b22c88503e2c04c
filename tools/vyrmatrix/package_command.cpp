// `vyrmatrix package [PATH]`: loads the component package the way a designer installs it (load
// the library, start its units, call each unit's Register), lists the module, the units in the
// order they started, the palette and the resources, then unloads it again and reports the
// shut-down.
#include "package_command.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "session.h"
#include "vyr/host/Module.h"
#include "vyr/host/Package.h"
#include "vyr/host/Registry.h"

namespace {

namespace fs = std::filesystem;
using vyr::host::HMODULE;

// The package next to the program: where it is installed (VYRMATRIX_PACKAGE_DIR, relative to the
// program's folder), then <bin>/../lib/VyrComponents.bpl (a build tree) or <bin>/VyrComponents.bpl.
std::string DefaultPackagePath(std::string& Looked) {
    const fs::path Program = vyr::host::ModuleFileName(0);
    const fs::path Bin = Program.parent_path();
    for (const fs::path& Candidate : {Bin / VYRMATRIX_PACKAGE_DIR / "VyrComponents.bpl",
                                      Bin / ".." / "lib" / "VyrComponents.bpl", Bin / "VyrComponents.bpl"}) {
        std::error_code Error;
        if (fs::is_regular_file(Candidate, Error)) return Candidate.lexically_normal().string();
        Looked += (Looked.empty() ? "" : ", ") + Candidate.lexically_normal().string();
    }
    return {};
}

std::string Hex(std::uint32_t Value, int Digits) {
    char Buffer[16];
    std::snprintf(Buffer, sizeof Buffer, "0x%0*X", Digits, Value);
    return Buffer;
}

std::string DescribeFlags(std::uint32_t Flags) {
    using namespace vyr::host;
    std::string Text;
    switch (Flags & pfModuleTypeMask) {
        case pfPackageModule:
            Text = "package module";
            break;
        case pfLibraryModule:
            Text = "library module";
            break;
        default:
            Text = "program module";
            break;
    }
    if (Flags & pfNeverBuild) Text += ", rebuilt only on request";
    if (Flags & pfDesignOnly) {
        Text += ", design time only";
    } else if (Flags & pfRunOnly) {
        Text += ", run time only";
    } else {
        Text += ", design and run time";
    }
    Text += ", producer " + Hex(Flags & pfProducerMask, 8);
    return Text;
}

std::string DescribeUnitFlags(std::uint8_t Flags) {
    using namespace vyr::host;
    std::vector<std::string> Parts;
    if (Flags & ufMainUnit) Parts.emplace_back("main unit");
    if (Flags & ufPackageUnit) Parts.emplace_back("package unit");
    if (Flags & ufWeakUnit) Parts.emplace_back("weak");
    if (Flags & ufImplicitUnit) Parts.emplace_back("implicit");
    std::string Text;
    for (const auto& P : Parts) Text += (Text.empty() ? "" : ", ") + P;
    return Text;
}

// What a resource holds, in a few words.
std::string Summary(const vyr::host::TResource& R) {
    const auto& D = R.Data;
    auto U32 = [&](std::size_t At) {
        return static_cast<std::uint32_t>(D[At] | (D[At + 1] << 8) | (D[At + 2] << 16) |
                                          (static_cast<std::uint32_t>(D[At + 3]) << 24));
    };
    auto U16 = [&](std::size_t At) { return static_cast<unsigned>(D[At] | (D[At + 1] << 8)); };
    std::ostringstream Out;
    if ((R.Type == vyr::host::RT_BITMAP || R.Type == vyr::host::RT_ICON) && D.size() >= 40) {
        const auto Height = static_cast<std::int32_t>(U32(8));
        const unsigned Bits = U16(14);
        Out << U32(4) << " x " << (R.Type == vyr::host::RT_ICON ? Height / 2 : Height) << ", " << (1U << Bits)
            << " colours";
    } else if (R.Type == vyr::host::RT_GROUP_ICON && D.size() >= 6) {
        Out << U16(4) << " image(s)";
    } else if (R.Name == "DESCRIPTION") {
        std::string Text;
        for (std::size_t I = 0; I + 1 < D.size() && U16(I) != 0; I += 2)
            Text += U16(I) < 128 ? static_cast<char>(U16(I)) : '?';
        Out << "\"" << Text << "\" (UTF-16LE)";
    } else if (R.Name == "PACKAGEINFO") {
        Out << "package information";
    } else if (R.Name == "PACKAGEOPTIONS") {
        Out << "designer options";
    }
    return Out.str();
}

int Fail(const std::string& Message) {
    vyr::cli::ReportError("package", Message);
    return vyr::cli::ExitFailure;
}

// Unloads the package when the listing is left by an exception (the command then reports it).
struct TLoadedPackage {
    HMODULE Module = 0;
    ~TLoadedPackage() {
        if (Module == 0) return;
        try {
            vyr::host::UnloadPackage(Module);
        } catch (...) {
            // The error that left the listing is the one reported.
        }
    }
};

}  // namespace

namespace vyr::cli {

void CheckUnitTableLength(std::string_view What, std::int64_t Count, std::int64_t UnitCount) {
    if (UnitCount < 0 || UnitCount > MaxUnits) {
        throw TRunError("the package's unit table has an impossible count of " + std::to_string(UnitCount) + " units");
    }
    if (Count != UnitCount) {
        throw TRunError("the package's " + std::string(What) + " have " + std::to_string(Count) +
                        " entries, but its unit table has " + std::to_string(UnitCount));
    }
}

std::vector<std::string> ReadUnitNames(const char* const* Names, std::int64_t Count, std::int64_t UnitCount) {
    CheckUnitTableLength("unit names", Count, UnitCount);
    if (Names == nullptr && Count > 0) throw TRunError("the package's unit-name table is missing (null)");
    std::vector<std::string> Read;
    for (std::int64_t I = 0; I < Count; ++I) {
        const char* Name = Names[I];
        if (Name == nullptr) throw TRunError("the package's unit-name table has no name at entry " + std::to_string(I));
        const std::size_t Length = strnlen(Name, MaxUnitNameLength + 1);
        if (Length > MaxUnitNameLength) {
            throw TRunError("the package's unit-name table has no name of at most " +
                            std::to_string(MaxUnitNameLength) + " characters at entry " + std::to_string(I));
        }
        Read.emplace_back(Name, Length);
    }
    return Read;
}

namespace {

int ListPackage(const std::string& Path);

}  // namespace

int RunPackageCommand(const std::vector<std::string>& Args) {
    std::string Path;
    for (const std::string& Arg : Args) {
        if (Arg == "--help" || Arg == "-h") {
            std::cout << cli::CommandUsage("package");
            return cli::ExitOk;
        }
        if (!Arg.empty() && Arg[0] == '-') {
            cli::ReportError("package", "unknown option '" + Arg + "'");
            return cli::ExitBadArgument;
        }
        if (!Path.empty()) {
            cli::ReportError("package", "unexpected argument '" + Arg + "' (one PATH at most)");
            return cli::ExitBadArgument;
        }
        Path = Arg;
    }
    if (Path.empty()) {
        std::string Looked;
        Path = DefaultPackagePath(Looked);
        if (Path.empty()) return Fail("no package next to the program (looked for " + Looked + "); give its PATH");
    }
    try {
        return ListPackage(Path);
    } catch (const TRunError& E) {
        std::cout << std::flush;
        return Fail(E.what());
    } catch (const host::EPackageError& E) {
        std::cout << std::flush;
        return Fail(E.what());
    }
}

namespace {

// Loads, lists and unloads the package at Path. Returns the exit status; a malformed package
// that the listing meets raises TRunError or EPackageError, with the package unloaded again.
int ListPackage(const std::string& Path) {
    // Trace the units and the module events while loading and unloading.
    std::vector<int> Started;
    std::vector<int> Stopped;
    auto OldUnitHook = host::SetPackageUnitHook([&](const host::TPackageInfoTable&, int Index, bool Startup) {
        (Startup ? Started : Stopped).push_back(Index);
    });
    std::vector<std::pair<host::TModuleEvent, HMODULE>> Events;
    auto OldModuleHook = host::SetModuleEventHook(
        [&](host::TModuleEvent E, const host::TLibModule*, HMODULE H) { Events.emplace_back(E, H); });
    struct TRestore {
        host::TUnitHook& Units;
        host::TModuleEventHook& Modules;
        ~TRestore() {
            host::SetPackageUnitHook(Units);
            host::SetModuleEventHook(Modules);
        }
    } Restore{OldUnitHook, OldModuleHook};

    HMODULE Package = 0;
    try {
        Package = host::LoadPackage(Path);
        host::InstallPackage(Package);
    } catch (const std::exception& E) {
        std::string Message = E.what();
        if (Package != 0) {
            try {
                host::UnloadPackage(Package);
            } catch (const std::exception& Unload) {
                Message += "; unloading it again failed too: " + std::string(Unload.what());
            }
        }
        return Fail(Message);
    }
    TLoadedPackage Loaded{Package};

    std::ostream& Out = std::cout;
    const host::TLibModule* Record = host::FindModuleRecord(Package);
    const HMODULE Resources = host::FindResourceHInstance(Package);
    Out << "Package      " << host::ModuleFileName(Package) << '\n';
    Out << "Description  " << host::GetModuleDescription(Package) << '\n';
    Out << "Module       " << (Record != nullptr ? "registered with the host" : "NOT registered") << "; resources from "
        << (Resources == Package ? std::string("the package itself")
                                 : host::ModuleFileName(Resources) + " (resource module)")
        << '\n';
    const host::TPackageInfo Info = host::GetPackageInfo(Package);
    Out << "Flags        " << Hex(Info.Flags, 8) << ": " << DescribeFlags(Info.Flags) << '\n';
    Out << "Requires     ";
    for (std::size_t I = 0; I < Info.Requires.size(); ++I) Out << (I ? ", " : "") << Info.Requires[I].Name;
    Out << "\nContains     ";
    for (std::size_t I = 0; I < Info.Contains.size(); ++I) {
        const auto Flags = DescribeUnitFlags(Info.Contains[I].Flags);
        Out << (I ? ", " : "") << Info.Contains[I].Name << (Flags.empty() ? "" : " (" + Flags + ")");
    }
    Out << "\n\n";

    // The unit names and counters, when the package offers them, are checked before anything of
    // them is shown: a malformed table is reported, never read past its end.
    const host::TPackageInfoTable* Table = host::GetPackageUnitTable(Package);
    using TNames = const char* const* (*)();
    using TCount = std::int32_t (*)();
    using TCounters = const std::int32_t* (*)();
    auto* NamesExport = reinterpret_cast<TNames>(host::GetProcAddress(Package, "GetPackageUnitNames"));
    auto* CountExport = reinterpret_cast<TCount>(host::GetProcAddress(Package, "GetPackageUnitNameCount"));
    auto* CountersExport = reinterpret_cast<TCounters>(host::GetProcAddress(Package, "GetPackageUnitCounters"));
    std::vector<std::string> Names;
    const std::int32_t* Counters = nullptr;
    if (NamesExport != nullptr || CountersExport != nullptr) {
        if (CountExport == nullptr) {
            throw TRunError("the package exports its unit names or counters but not GetPackageUnitNameCount");
        }
        const std::int32_t Count = CountExport();
        if (NamesExport != nullptr) Names = cli::ReadUnitNames(NamesExport(), Count, Table->UnitCount);
        if (CountersExport != nullptr) {
            CheckUnitTableLength("unit counters", Count, Table->UnitCount);
            Counters = CountersExport();
            if (Counters == nullptr && Count > 0) throw TRunError("the package's unit counters are missing (null)");
        }
    }
    Out << "Units in start-up order (" << Started.size() << "; counter after start-up)\n";
    for (int Index : Started) {
        const bool Known = Index >= 0 && Index < Table->UnitCount;
        std::string Name = Known && !Names.empty() ? Names[static_cast<std::size_t>(Index)] : "";
        if (Name.empty()) Name = "(no start-up work)";
        char Line[80];
        std::snprintf(Line, sizeof Line, "  %2d  %-20s", Index, Name.c_str());
        Out << Line;
        if (Known && Counters != nullptr) Out << ' ' << Counters[Index];
        Out << '\n';
    }

    Out << "\nPalette\n";
    for (const auto& Page : host::PalettePages()) {
        Out << "  " << Page << ":";
        const auto Classes = host::PaletteClasses(Page);
        for (std::size_t I = 0; I < Classes.size(); ++I) Out << (I ? ", " : " ") << Classes[I];
        Out << '\n';
    }

    Out << "\nResources (" << (Resources == Package ? "package" : "resource module") << ")\n";
    for (const auto& R : host::EnumResources(Resources)) {
        char Line[96];
        std::snprintf(Line, sizeof Line, "  %-11s %-15s %5u %6zu bytes  ", R.Type.c_str(), R.Name.c_str(),
                      static_cast<unsigned>(R.Language), R.Data.size());
        Out << Line << Summary(R) << '\n';
    }

    // What a loaded package must have done; anything missing makes the command fail after the
    // listing.
    std::vector<std::string> Faults;
    if (Record == nullptr) Faults.emplace_back("its module was not registered with the host");
    bool InTableOrder = static_cast<int>(Started.size()) == Table->UnitCount;
    for (std::size_t I = 0; I < Started.size() && InTableOrder; ++I) InTableOrder = Started[I] == static_cast<int>(I);
    if (!InTableOrder) Faults.emplace_back("its units did not start once each in table order");

    const auto UnloadFrom = Events.size();
    Loaded.Module = 0;
    try {
        host::UnloadPackage(Package);
    } catch (const std::exception& E) {
        return Fail(E.what());
    }
    bool Unregistered = false;
    bool Released = false;  // after the module was unregistered
    for (std::size_t I = UnloadFrom; I < Events.size(); ++I) {
        if (Events[I].first == host::TModuleEvent::Unregister && Events[I].second == Package) Unregistered = true;
        if (Events[I].first == host::TModuleEvent::FreeLibrary && Events[I].second == Resources &&
            Resources != Package) {
            Released = Unregistered;
        }
    }
    Out << "\nUnloaded     " << Stopped.size() << " units shut down";
    if (!Stopped.empty()) Out << " (" << Stopped.front() << " down to " << Stopped.back() << ")";
    Out << "; module " << (Unregistered ? "unregistered" : "NOT unregistered");
    if (Resources != Package) Out << "; resource module " << (Released ? "released after it" : "NOT released after it");
    Out << '\n';
    if (!std::equal(Stopped.begin(), Stopped.end(), Started.rbegin(), Started.rend())) {
        Faults.emplace_back("its units did not shut down in the reverse order of their start-up");
    }
    if (!Unregistered) Faults.emplace_back("its module was not unregistered when it was unloaded");
    if (Resources != Package && !Released)
        Faults.emplace_back("its resource module was not released after the module was unregistered");
    if (!Faults.empty()) {
        std::string Message;
        for (const auto& F : Faults) Message += (Message.empty() ? "" : "; ") + F;
        Out << std::flush;
        return Fail(Message);
    }
    return cli::ExitOk;
}

}  // namespace

}  // namespace vyr::cli
