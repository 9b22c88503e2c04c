// The component palette.
#include "vyr/host/Registry.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

namespace vyr::host {

namespace {

struct TPalette {
    std::mutex Lock;
    std::vector<std::string> Pages;      // in order of first registration
    std::vector<TPaletteEntry> Entries;  // in registration order
};

// Never destroyed (see module.cpp): a package's finalisation may still reach it at exit.
TPalette& Palette() {
    static auto* P = new TPalette;
    return *P;
}

HMODULE ModuleOfFactory(TComponentFactory Factory) {
    // A function's address, to find the library it lives in.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    return ModuleOfAddress(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(Factory)));
}

// Drops pages that no entry refers to any more. Lock held.
void PrunePages(TPalette& P) {
    std::erase_if(P.Pages, [&](const std::string& Page) {
        return std::none_of(P.Entries.begin(), P.Entries.end(), [&](const TPaletteEntry& E) { return E.Page == Page; });
    });
}

}  // namespace

void RegisterComponents(std::string_view Page, std::span<const TComponentClass> Classes) {
    if (Page.empty()) throw EComponentError("RegisterComponents: the palette page has no name");
    for (const auto& Class : Classes) {
        if (Class.ClassName.empty() || Class.Create == nullptr) {
            throw EComponentError("RegisterComponents: a class on page " + std::string(Page) +
                                  " has no name or no factory");
        }
    }
    std::vector<TPaletteEntry> New;
    for (const auto& Class : Classes) {
        New.push_back(TPaletteEntry{std::string(Page), std::string(Class.ClassName), Class.Create,
                                    ModuleOfFactory(Class.Create)});
    }

    auto& P = Palette();
    std::lock_guard Guard(P.Lock);
    // Check everything before changing anything.
    std::vector<TPaletteEntry> Added;
    for (const auto& Entry : New) {
        const TPaletteEntry* Old = nullptr;
        for (const auto* List : {&P.Entries, &Added}) {
            for (const auto& E : *List) {
                if (E.ClassName == Entry.ClassName) Old = &E;
            }
        }
        if (Old != nullptr && Old->Create != Entry.Create) {
            throw EComponentError("class " + Entry.ClassName + " is already registered on page " + Old->Page);
        }
        if (Old == nullptr) Added.push_back(Entry);
    }
    for (auto& Entry : Added) {
        if (std::find(P.Pages.begin(), P.Pages.end(), Entry.Page) == P.Pages.end()) P.Pages.push_back(Entry.Page);
        P.Entries.push_back(std::move(Entry));
    }
}

void RegisterComponents(std::string_view Page, std::initializer_list<TComponentClass> Classes) {
    RegisterComponents(Page, std::span<const TComponentClass>(Classes.begin(), Classes.size()));
}

std::vector<std::string> PalettePages() {
    auto& P = Palette();
    std::lock_guard Guard(P.Lock);
    return P.Pages;
}

std::vector<std::string> PaletteClasses(std::string_view Page) {
    auto& P = Palette();
    std::lock_guard Guard(P.Lock);
    std::vector<std::string> Result;
    for (const auto& E : P.Entries) {
        if (E.Page == Page) Result.push_back(E.ClassName);
    }
    return Result;
}

std::vector<TPaletteEntry> PaletteEntries() {
    auto& P = Palette();
    std::lock_guard Guard(P.Lock);
    std::vector<TPaletteEntry> Result;
    for (const auto& Page : P.Pages) {
        for (const auto& E : P.Entries) {
            if (E.Page == Page) Result.push_back(E);
        }
    }
    return Result;
}

std::optional<TPaletteEntry> FindComponentClass(std::string_view ClassName) {
    auto& P = Palette();
    std::lock_guard Guard(P.Lock);
    for (const auto& E : P.Entries) {
        if (E.ClassName == ClassName) return E;
    }
    return std::nullopt;
}

TComponent* CreateComponent(std::string_view ClassName, TComponent* Owner) {
    const auto Entry = FindComponentClass(ClassName);
    if (!Entry) throw EComponentError("class " + std::string(ClassName) + " is not registered");
    return Entry->Create(Owner);  // outside the lock: constructors may use the palette
}

void UnregisterModuleClasses(HMODULE Module) {
    if (Module == 0) return;
    auto& P = Palette();
    std::lock_guard Guard(P.Lock);
    std::erase_if(P.Entries, [&](const TPaletteEntry& E) { return E.Module == Module; });
    PrunePages(P);
}

bool UnregisterComponentClass(std::string_view ClassName) {
    auto& P = Palette();
    std::lock_guard Guard(P.Lock);
    const auto Removed = std::erase_if(P.Entries, [&](const TPaletteEntry& E) { return E.ClassName == ClassName; });
    PrunePages(P);
    return Removed > 0;
}

}  // namespace vyr::host
