// Loading the package as a designer does: module registration and resource modules, unit
// start-up and shut-down order, palette installation, components created by class name.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <memory>

#include "package_fixture.h"
#include "vyr/CharSet.h"
#include "vyr/EditMatrix.h"
#include "vyr/Register.h"
#include "vyr/host/Graphics.h"
#include "vyr/host/Registry.h"

namespace vyr::test {
namespace {

using host::HMODULE;
using host::TModuleEvent;

// ---- Load and unload, with and without a resource module ----------------------------------------

struct TResourceModuleCase {
    const char* Name;
    bool ResourceModuleOnDisk;
    std::vector<std::string> Locales;
    bool ResourceModuleUsed;
};
void PrintTo(const TResourceModuleCase& Case, std::ostream* Os) { *Os << Case.Name; }

class PackageResourceModule : public testing::TestWithParam<TResourceModuleCase> {};

TEST_P(PackageResourceModule, RegistersOnLoadAndUnregistersBeforeReleasingTheResourceModule) {
    const auto& Case = GetParam();
    TResourceLocales Locales(Case.Locales);
    TPackageCopy Copy(Case.ResourceModuleOnDisk);
    TModuleEventLog Log;

    TScopedPackage Package(Copy.Path);
    const HMODULE M = Package.Module;
    const host::TLibModule* Record = host::FindModuleRecord(M);
    ASSERT_NE(Record, nullptr) << "the entry point registers the module before the units start";
    EXPECT_EQ(Record->Instance, M);
    EXPECT_EQ(Record->CodeInstance, 0U);
    EXPECT_EQ(Record->DataInstance, 0U);
    EXPECT_EQ(Record->Reserved, 0);
    EXPECT_EQ(host::ModuleFileName(M), Copy.Path);

    // The resource module, if one was found, is what LoadResourceModule answered.
    const int Looked = Log.Find(TModuleEvent::LoadResourceModule, Case.ResourceModuleUsed ? Record->ResInstance : 0);
    ASSERT_GE(Looked, 0);
    EXPECT_LT(Looked, Log.Find(TModuleEvent::Register, M)) << "the resource module is looked for before registering";
    if (Case.ResourceModuleUsed) {
        EXPECT_NE(Record->ResInstance, M);
        EXPECT_EQ(host::GetModuleDescription(host::FindResourceHInstance(M)), "Vyr-komponenter");
    } else {
        EXPECT_EQ(Record->ResInstance, M);
        EXPECT_EQ(host::GetModuleDescription(host::FindResourceHInstance(M)), "Vyr Components");
    }

    const HMODULE Resources = Record->ResInstance;
    const host::TLibModule* RecordAddress = Record;
    const auto Before = Log.Events.size();
    Package.Unload();
    EXPECT_EQ(host::FindModuleRecord(M), nullptr);

    const int Unregistered = Log.Find(TModuleEvent::Unregister, M, static_cast<int>(Before));
    ASSERT_GE(Unregistered, 0);
    EXPECT_EQ(Log.Events[static_cast<std::size_t>(Unregistered)].Module, RecordAddress);
    int Released = 0;
    for (std::size_t I = Before; I < Log.Events.size(); ++I) {
        const auto& E = Log.Events[I];
        if (E.Event == TModuleEvent::FreeLibrary && E.Handle != M) {
            ++Released;
            EXPECT_EQ(E.Handle, Resources);
            EXPECT_GT(static_cast<int>(I), Unregistered) << "released before the module was unregistered";
        }
    }
    EXPECT_EQ(Released, Case.ResourceModuleUsed ? 1 : 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, PackageResourceModule,
    testing::Values(TResourceModuleCase{"NoResourceModule", false, {"DAN"}, false},
                    TResourceModuleCase{"ResourceModuleInTheLanguage", true, {"DAN"}, true},
                    TResourceModuleCase{"ResourceModuleOfAnotherLanguage", true, {"DEU"}, false},
                    TResourceModuleCase{"SecondLanguageFound", true, {"DEU", "DAN"}, true},
                    TResourceModuleCase{"NoLanguages", true, {}, false}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(PackageEntry, PathLongerThanTheNameBufferSuppliesItsOwnResources) {
    TResourceLocales Locales({"DAN"});
    // 300 characters of folders: the path does not fit the 261-character buffer.
    TPackageCopy Copy(true, fs::path(std::string(100, 'a')) / std::string(100, 'b') / std::string(100, 'c'));
    ASSERT_GT(Copy.Path.size(), 260U);
    TModuleEventLog Log;
    TScopedPackage Package(Copy.Path);
    const host::TLibModule* Record = host::FindModuleRecord(Package.Module);
    ASSERT_NE(Record, nullptr);
    EXPECT_EQ(Record->ResInstance, Package.Module);
    EXPECT_EQ(Log.Count(TModuleEvent::LoadLibrary), 1) << "only the package itself was loaded";
}

TEST(PackageEntry, ThreadNotificationsChangeNothingAndReportSuccess) {
    TResourceLocales Locales({"DAN"});
    TPackageCopy Copy(true);
    TScopedPackage Package(Copy.Path);
    using TEntry = int (*)(HMODULE, std::uint32_t, void*);
    auto* Entry = Export<TEntry>(Package.Module, "DllEntry");
    ASSERT_NE(Entry, nullptr);
    const host::TLibModule* Record = host::FindModuleRecord(Package.Module);
    ASSERT_NE(Record, nullptr);
    const host::TLibModule Before = *Record;
    const auto Modules = host::RegisteredModules();

    TModuleEventLog Log;
    for (std::uint32_t Reason : {host::DLL_THREAD_ATTACH, host::DLL_THREAD_DETACH, host::DLL_THREAD_ATTACH}) {
        EXPECT_NE(Entry(Package.Module, Reason, nullptr), 0);
    }
    EXPECT_TRUE(Log.Events.empty());
    EXPECT_EQ(host::RegisteredModules(), Modules);
    EXPECT_EQ(Record->Next, Before.Next);
    EXPECT_EQ(Record->Instance, Before.Instance);
    EXPECT_EQ(Record->ResInstance, Before.ResInstance);
    EXPECT_EQ(Record->CodeInstance, 0U);
    EXPECT_EQ(Record->DataInstance, 0U);
}

TEST(PackageEntry, SecondProcessDetachReleasesTheResourceModuleOnlyOnce) {
    TResourceLocales Locales({"DAN"});
    TPackageCopy Copy(true);
    TScopedPackage Package(Copy.Path);
    using TEntry = int (*)(HMODULE, std::uint32_t, void*);
    auto* Entry = Export<TEntry>(Package.Module, "DllEntry");
    ASSERT_NE(Entry, nullptr);
    TModuleEventLog Log;
    EXPECT_NE(Entry(Package.Module, host::DLL_PROCESS_DETACH, nullptr), 0);
    EXPECT_EQ(Log.Count(TModuleEvent::Unregister), 1);
    EXPECT_EQ(Log.Count(TModuleEvent::FreeLibrary), 1);
    Package.Unload();  // the real detach: nothing left to unregister or release
    EXPECT_EQ(Log.Count(TModuleEvent::Unregister), 1);
    EXPECT_EQ(Log.Count(TModuleEvent::FreeLibrary), 2) << "the package itself, nothing else";
}

// ---- Units ----------------------------------------------------------------------------------------

// For each routine run: the entry and the counters right after it.
struct TUnitStep {
    int Index;
    bool Startup;
    std::array<std::int32_t, 32> Counters;
};

TEST(PackageUnits, StartInTableOrderAndShutDownInReverse) {
    TPackageCopy Copy(false);
    std::vector<TUnitStep> Steps;
    const std::int32_t* Counters = nullptr;
    auto Previous = host::SetPackageUnitHook([&](const host::TPackageInfoTable&, int Index, bool Startup) {
        TUnitStep Step{Index, Startup, {}};
        if (Counters != nullptr) std::copy(Counters, Counters + 32, Step.Counters.begin());
        Steps.push_back(Step);
    });
    // The counters are known only once the library is loaded; the entry point runs no unit.
    const HMODULE Peek = host::LoadLibrary(Copy.Path);
    ASSERT_NE(Peek, 0U);
    Counters = Export<const std::int32_t* (*)()>(Peek, "GetPackageUnitCounters")();
    for (int I = 0; I < 32; ++I) EXPECT_EQ(Counters[I], 0) << "counter " << I << " at load";

    {
        TScopedPackage Package(Copy.Path);
        const auto* Names = Export<const char* const* (*)()>(Package.Module, "GetPackageUnitNames")();
        EXPECT_STREQ(Names[30], "CharSet");
        EXPECT_STREQ(Names[31], "EditMatrix");
        EXPECT_EQ(Export<std::int32_t (*)()>(Package.Module, "GetPackageUnitNameCount")(), 32)
            << "the names and counters tables are as long as the unit table";
        const auto* Table = host::GetPackageUnitTable(Package.Module);
        ASSERT_EQ(Table->UnitCount, 32);
        EXPECT_EQ(Table, Export<const host::TPackageInfoTable* (*)()>(Package.Module, "GetPackageInfoTable")());
    }
    ASSERT_EQ(Steps.size(), 64U);
    for (int K = 0; K < 32; ++K) {
        const auto& Up = Steps[static_cast<std::size_t>(K)];
        EXPECT_TRUE(Up.Startup);
        EXPECT_EQ(Up.Index, K);
        for (int J = 0; J < 32; ++J)
            EXPECT_EQ(Up.Counters[static_cast<std::size_t>(J)], J <= K ? -1 : 0) << "start-up " << K << ", unit " << J;
        const auto& Down = Steps[32 + static_cast<std::size_t>(K)];
        EXPECT_FALSE(Down.Startup);
        EXPECT_EQ(Down.Index, 31 - K);
        for (int J = 0; J < 32; ++J)
            EXPECT_EQ(Down.Counters[static_cast<std::size_t>(J)], J >= 31 - K ? 0 : -1)
                << "shut-down " << K << ", unit " << J;
    }
    host::SetPackageUnitHook(Previous);
    host::FreeLibrary(Peek);
}

TEST(PackageUnits, LoadingTheSamePackageTwiceStartsItsUnitsOnce) {
    TPackageCopy Copy(false);
    int Startups = 0;
    int Shutdowns = 0;
    auto Previous = host::SetPackageUnitHook(
        [&](const host::TPackageInfoTable&, int, bool Startup) { ++(Startup ? Startups : Shutdowns); });
    {
        TScopedPackage First(Copy.Path);
        TScopedPackage Second(Copy.Path);
        EXPECT_EQ(First.Module, Second.Module);
        EXPECT_EQ(host::LoadedPackages(), std::vector<HMODULE>{First.Module});
        Second.Unload();
        EXPECT_EQ(Shutdowns, 0);
        EXPECT_NE(host::FindModuleRecord(First.Module), nullptr) << "still loaded once";
    }
    EXPECT_EQ(Startups, 32);
    EXPECT_EQ(Shutdowns, 32);
    host::SetPackageUnitHook(Previous);
}

// ---- Palette and components ---------------------------------------------------------------------

TEST(PackagePalette, InstallingPutsBothClassesOnOnePageOnce) {
    TPackageCopy Copy(false);
    TScopedPackage Package(Copy.Path);
    EXPECT_TRUE(host::PaletteClasses(PalettePage).empty()) << "loading alone registers nothing";
    host::InstallPackage(Package.Module);
    host::InstallPackage(Package.Module);
    // The page's name as the designer shows it, spelled out here on purpose.
    EXPECT_EQ(host::PalettePages(), std::vector<std::string>{"Vyr-Components"});
    EXPECT_EQ(host::PaletteClasses(PalettePage), (std::vector<std::string>{"TCharSet", "TEditMatrix"}));
    for (const auto& Entry : host::PaletteEntries()) EXPECT_EQ(Entry.Module, Package.Module) << Entry.ClassName;

    // Each class shows with the bitmap named after it in upper case.
    for (const char* Bitmap : {"TCHARSET", "TEDITMATRIX"}) {
        host::TBitmap Image;
        EXPECT_TRUE(host::LoadBitmapResource(Package.Module, Bitmap, Image)) << Bitmap;
        EXPECT_EQ(Image.Width(), 32);
    }

    Package.Unload();
    EXPECT_TRUE(host::PalettePages().empty()) << "no entry may point into an unloaded library";
    EXPECT_FALSE(host::FindComponentClass("TEditMatrix"));
}

class PackageComponents : public testing::Test {
protected:
    void SetUp() override { host::InstallPackage(Package.Module); }

    TPackageCopy Copy{false};
    TScopedPackage Package{Copy.Path};
};

TEST_F(PackageComponents, CreatedByClassNameWithTheirOwner) {
    host::TComponent Owner(nullptr);
    for (const char* Class : {"TCharSet", "TEditMatrix"}) {
        host::TComponent* C = host::CreateComponent(Class, &Owner);
        EXPECT_EQ(C->ClassName(), Class);
        EXPECT_EQ(C->Owner(), &Owner);
        EXPECT_EQ(host::ModuleOfAddress(*reinterpret_cast<void**>(C)), Package.Module) << "made by the package's code";
    }
    EXPECT_EQ(Owner.ComponentCount(), 2);
    auto* Matrix = dynamic_cast<TEditMatrix*>(Owner.Components(1));
    ASSERT_NE(Matrix, nullptr);
    EXPECT_EQ(Matrix->TotalVisible(), 10);
    try {
        host::CreateComponent("TEditMatrixx", &Owner);
        FAIL() << "no exception";
    } catch (const host::EComponentError& E) {
        EXPECT_STREQ(E.what(), "class TEditMatrixx is not registered");
    }
    EXPECT_EQ(Owner.ComponentCount(), 2);
}

TEST_F(PackageComponents, CharSetPublishesOnlyWhatItInheritsAndItsMethodsChangeNothing) {
    host::TComponent Owner(nullptr);
    auto* CharSet = dynamic_cast<TCharSet*>(host::CreateComponent("TCharSet", &Owner));
    auto* Matrix = dynamic_cast<TEditMatrix*>(host::CreateComponent("TEditMatrix", &Owner));
    ASSERT_NE(CharSet, nullptr);
    ASSERT_NE(Matrix, nullptr);
    std::vector<std::string> Names;
    for (const auto& Info : CharSet->Properties()) Names.emplace_back(Info.Name);
    EXPECT_EQ(Names, (std::vector<std::string>{"Name", "Tag"}));

    CharSet->SetName("CharSet1");
    Matrix->FSetCharSet(CharSet);
    std::vector<Byte> Glyphs;
    for (int C = 0; C < 256; ++C) {
        for (int K = 0; K < 5; ++K) Glyphs.push_back(Matrix->GetCharColumn(static_cast<Byte>(C), static_cast<Byte>(K)));
    }
    for (int C = 0; C < 256; C += 17) {
        for (int K = 0; K < 8; ++K) {
            EXPECT_EQ(CharSet->GetCharColumn(static_cast<Byte>(C), static_cast<Byte>(K)), 0);
            CharSet->SetCharcolumn(static_cast<Byte>(C), static_cast<Byte>(K), 0x7F);
            EXPECT_EQ(CharSet->GetCharColumn(static_cast<Byte>(C), static_cast<Byte>(K)), 0);
        }
    }
    std::vector<Byte> After;
    for (int C = 0; C < 256; ++C) {
        for (int K = 0; K < 5; ++K) After.push_back(Matrix->GetCharColumn(static_cast<Byte>(C), static_cast<Byte>(K)));
    }
    EXPECT_EQ(After, Glyphs) << "the matrix draws from its own table";
    EXPECT_EQ(CharSet->Name(), "CharSet1");
    EXPECT_EQ(CharSet->Tag(), 0);
    EXPECT_EQ(Matrix->Charset(), CharSet);
}

// Which of the two goes first.
class PackageCharsetReference : public PackageComponents, public testing::WithParamInterface<bool> {};

TEST_P(PackageCharsetReference, ClearedWhenTheCharSetIsDestroyed) {
    const bool CharSetFirst = GetParam();
    host::TComponent Owner(nullptr);
    host::TComponent* CharSet = host::CreateComponent("TCharSet", &Owner);
    host::TComponent* Matrix = host::CreateComponent("TEditMatrix", &Owner);
    const host::TPropInfo* Charset = Matrix->FindProperty("Charset");
    ASSERT_NE(Charset, nullptr);
    Charset->Set(*Matrix, CharSet);
    EXPECT_EQ(std::get<host::TComponent*>(Charset->Get(*Matrix)), CharSet);
    if (CharSetFirst) {
        delete CharSet;
        EXPECT_EQ(std::get<host::TComponent*>(Charset->Get(*Matrix)), nullptr);
        delete Matrix;
    } else {
        delete Matrix;  // the TCharSet must not notify a matrix that is gone
        delete CharSet;
    }
    EXPECT_EQ(Owner.ComponentCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Orders, PackageCharsetReference, testing::Values(true, false), [](const auto& Info) {
    return Info.param ? std::string("CharSetFirst") : std::string("MatrixFirst");
});

// ---- Loader failures ------------------------------------------------------------------------------

TEST(PackageLoader, RefusesWhatIsNotALoadablePackageAndLeavesNothingLoaded) {
    TScratchDir Dir;
    const std::string Missing = (Dir.Path() / "Missing.bpl").string();
    const std::string Resources = (Dir.Path() / "VyrComponents.DAN").string();
    fs::copy_file(VYR_RESOURCE_MODULE_FILE, Resources);
    const std::string Text = (Dir.Path() / "Text.bpl").string();
    { std::ofstream(Text) << "not a library"; }

    struct TCase {
        std::string Path;
        std::string Message;
    };
    for (const auto& Case :
         {TCase{Missing, Missing + ": cannot load the package: "}, TCase{Text, Text + ": cannot load the package: "},
          TCase{Resources, Resources + ": not a package: the export \"Initialize\" is missing"}}) {
        TModuleEventLog Log;
        try {
            host::LoadPackage(Case.Path);
            ADD_FAILURE() << Case.Path << " loaded";
        } catch (const host::EPackageError& E) {
            EXPECT_EQ(std::string(E.what()).substr(0, Case.Message.size()), Case.Message);
        }
        EXPECT_EQ(Log.Count(TModuleEvent::LoadLibrary), Log.Count(TModuleEvent::FreeLibrary)) << Case.Path;
        EXPECT_TRUE(host::LoadedPackages().empty());
    }
    EXPECT_THROW(host::UnloadPackage(0x1234), host::EPackageError);
    EXPECT_THROW(host::InstallPackage(0x1234), host::EPackageError);
}

}  // namespace
}  // namespace vyr::test
