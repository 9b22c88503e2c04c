// Helpers for the package tests: copies of the built package in temporary folders, a recorder
// of the host's module events, and a package that is unloaded at the end of the scope.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "vyr/host/Module.h"
#include "vyr/host/Package.h"

namespace vyr::test {

namespace fs = std::filesystem;

// The package copied into a temporary folder (Sub below it), with or without its Danish
// resource module next to it.
struct TPackageCopy {
    explicit TPackageCopy(bool WithResourceModule, const fs::path& Sub = {}) {
        const fs::path Folder = Dir.Path() / Sub;
        fs::create_directories(Folder);
        Path = (Folder / "VyrComponents.bpl").string();
        fs::copy_file(VYR_PACKAGE_FILE, Path);
        if (WithResourceModule) fs::copy_file(VYR_RESOURCE_MODULE_FILE, Folder / "VyrComponents.DAN");
    }
    TScratchDir Dir;
    std::string Path;
};

struct TModuleEventRecord {
    host::TModuleEvent Event;
    const host::TLibModule* Module;  // compared only: the record may be gone
    host::HMODULE Handle;
};

// Records the host's module events while it lives.
class TModuleEventLog {
public:
    TModuleEventLog() {
        FPrevious = host::SetModuleEventHook([this](host::TModuleEvent E, const host::TLibModule* M, host::HMODULE H) {
            Events.push_back({E, M, H});
        });
    }
    ~TModuleEventLog() { host::SetModuleEventHook(FPrevious); }
    TModuleEventLog(const TModuleEventLog&) = delete;
    TModuleEventLog& operator=(const TModuleEventLog&) = delete;

    // Index of the first event of kind E with handle H at or after From; -1 if none.
    [[nodiscard]] int Find(host::TModuleEvent E, host::HMODULE H, int From = 0) const {
        for (int I = From; I < static_cast<int>(Events.size()); ++I) {
            if (Events[static_cast<std::size_t>(I)].Event == E && Events[static_cast<std::size_t>(I)].Handle == H)
                return I;
        }
        return -1;
    }
    [[nodiscard]] int Count(host::TModuleEvent E) const {
        int N = 0;
        for (const auto& R : Events) N += R.Event == E ? 1 : 0;
        return N;
    }

    std::vector<TModuleEventRecord> Events;

private:
    host::TModuleEventHook FPrevious;
};

// The languages LoadResourceModule tries, for the scope.
class TResourceLocales {
public:
    explicit TResourceLocales(std::vector<std::string> Codes) { host::SetResourceLocales(std::move(Codes)); }
    ~TResourceLocales() { host::SetResourceLocales(std::nullopt); }
    TResourceLocales(const TResourceLocales&) = delete;
    TResourceLocales& operator=(const TResourceLocales&) = delete;
};

// A package loaded for the scope (unloaded at its end unless Unload was called).
class TScopedPackage {
public:
    explicit TScopedPackage(const std::string& Path) : Module(host::LoadPackage(Path)) {}
    ~TScopedPackage() {
        if (Module != 0) host::UnloadPackage(Module);
    }
    TScopedPackage(const TScopedPackage&) = delete;
    TScopedPackage& operator=(const TScopedPackage&) = delete;
    void Unload() {
        host::UnloadPackage(Module);
        Module = 0;
    }
    host::HMODULE Module;
};

template <class F>
F Export(host::HMODULE Module, const char* Name) {
    return reinterpret_cast<F>(host::GetProcAddress(Module, Name));
}

}  // namespace vyr::test
