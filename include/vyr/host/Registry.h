/// @file
/// The component palette: pages of component classes that packages register (RegisterComponents,
/// called by a unit's Register when a designer installs its package), and creation of a
/// registered component by class name (what form loading and the designer do).
///
/// Threads: guarded; any thread. Creating a component runs its constructor on the calling thread
/// (controls: the GUI thread).
#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "vyr/host/Component.h"
#include "vyr/host/Module.h"

namespace vyr::host {

/// Creates a component of one class with the given owner (may be null).
using TComponentFactory = TComponent* (*)(TComponent* Owner);

/// A component class as the palette knows it: its name (what ClassName() answers) and its factory.
struct TComponentClass {
    std::string_view ClassName;          ///< the class's name, as ClassName() answers
    TComponentFactory Create = nullptr;  ///< makes a component of the class
};

/// The class T under the name Name (which must be what T's ClassName() answers).
template <class T>
TComponentClass ComponentClassOf(std::string_view Name) {
    return TComponentClass{Name, [](TComponent* Owner) -> TComponent* { return new T(Owner); }};
}

/// Raised for a palette request that cannot be met: an unknown class name, or a class name
/// already registered with another factory.
class EComponentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A component class on the palette (RegisterComponents): where it appears and how it is made.
struct TPaletteEntry {
    std::string Page;                    ///< the palette page it was registered on, for example "Vyr"
    std::string ClassName;               ///< the class's name
    TComponentFactory Create = nullptr;  ///< makes a component of the class
    HMODULE Module = 0;                  ///< the module that holds the factory (0 if unknown)
};

/** @{ */
/// Puts Classes on the palette page Page, in the order given, after what the page already has.
/// A class already registered with the same factory is left where it is (registering twice is
/// harmless); a class name already registered with another factory raises EComponentError and
/// then none of Classes is registered. An empty page name or class name raises EComponentError.
void RegisterComponents(std::string_view Page, std::span<const TComponentClass> Classes);
void RegisterComponents(std::string_view Page, std::initializer_list<TComponentClass> Classes);
/** @} */

/// Page names in the order they first received a class.
[[nodiscard]] std::vector<std::string> PalettePages();
/// The classes of Page in registration order (empty for an unknown page).
[[nodiscard]] std::vector<std::string> PaletteClasses(std::string_view Page);
/// Every entry, pages in PalettePages() order, classes in registration order.
[[nodiscard]] std::vector<TPaletteEntry> PaletteEntries();
/// The entry of the class ClassName (compared exactly), or nullopt.
[[nodiscard]] std::optional<TPaletteEntry> FindComponentClass(std::string_view ClassName);

/// A new component of the registered class ClassName owned by Owner (may be null: the caller
/// then frees it). Raises EComponentError for a class that is not registered.
TComponent* CreateComponent(std::string_view ClassName, TComponent* Owner);

/// Removes every class whose factory lies in Module (done before a package is unloaded, so that
/// no entry points into an unloaded library). Pages left empty disappear.
void UnregisterModuleClasses(HMODULE Module);
/// Removes the class ClassName; false if it was not registered.
bool UnregisterComponentClass(std::string_view ClassName);

}  // namespace vyr::host
