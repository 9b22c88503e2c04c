/// @file
/// TComponent: the root of the host's component classes. A component has an owner that frees it,
/// a name, a list of the components it owns, free notifications for non-owning references, and a
/// table of published properties that tools and the form storage read and write by name.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "vyr/host/Types.h"

namespace vyr::host {

class TComponent;

/// What happened to a component that Notification reports: it was inserted into its owner
/// (opInsert) or is being destroyed (opRemove).
enum class TOperation { opInsert, opRemove };

// GCC 12 reports the scoped enumerator Byte as shadowing the type vyr::host::Byte, which it
// cannot: it is only ever named as TTypeKind::Byte.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
/// The type of a published property, with the range of values its type can hold.
enum class TTypeKind {
    Boolean,    ///< bool
    Integer,    ///< 32-bit signed, held as int64_t
    Byte,       ///< 0..255, held as int64_t
    Color,      ///< TColor, 0..0xFFFFFFFF, held as int64_t
    Enum,       ///< ordinal 0..EnumNames.size()-1, held as int64_t
    String,     ///< 8-bit text
    Component,  ///< reference to another component (or none), held as TComponent*
};
#pragma GCC diagnostic pop

/// A published property's value: bool for Boolean, int64_t for the ordinal kinds (Integer, Byte,
/// Color, Enum), AnsiString for String, TComponent* (or null) for Component.
using TPropValue = std::variant<bool, std::int64_t, AnsiString, TComponent*>;

/// One published property. Get and Set go through the component's own getter and setter, so
/// setting a value has every effect (clamping, repaint) the setter has.
struct TPropInfo {
    std::string_view Name;                    ///< the property's name, for example "LEDSize"
    TTypeKind Kind = TTypeKind::Integer;      ///< the type's kind, which decides the value's alternative
    std::string_view TypeName;                ///< the declared type, for example "TColor", "EShape"
    std::optional<TPropValue> Default;        ///< none: the property has no declared default
    std::int64_t Min = 0;                     ///< range of the type (ordinal kinds)
    std::int64_t Max = 0;                     ///< upper end of Min's range
    std::vector<std::string_view> EnumNames;  ///< Enum: the names of the ordinals, in order
    std::string_view Getter;                  ///< names of the accessors, for documentation
    std::string_view Setter;                  ///< the setter's name, for documentation
    /// Reads the property of a component of the declaring class (or a class derived from it).
    std::function<TPropValue(const TComponent&)> Get;
    /// Sets the property through the component's setter; the value must hold the alternative Kind
    /// asks for.
    std::function<void(TComponent&, const TPropValue&)> Set;
};

/// A class's published properties in declared order.
using TPropList = std::vector<TPropInfo>;

/// The base of everything the host streams and owns: a component has an owner that frees it, a
/// name, a tag, owned components and published properties (Properties), and is told when a linked
/// component goes (Notification). Not copyable. GUI thread only.
class TComponent {
public:
    /// Inserts the new component into AOwner's list; AOwner then frees it (may be null).
    explicit TComponent(TComponent* AOwner);
    /// Sends opRemove notifications to every component that asked for them, frees every owned
    /// component (last inserted first) and leaves the owner's list.
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    /// The class's registered name, for example "TEditMatrix"; each class that publishes properties
    /// overrides it.
    [[nodiscard]] virtual std::string_view ClassName() const { return "TComponent"; }

    /// The component that frees this one, or null.
    [[nodiscard]] TComponent* Owner() const { return FOwner; }
    /** @{ */
    /// The component's name (published property Name, no default); the host does not check it.
    [[nodiscard]] const AnsiString& Name() const { return FName; }
    void SetName(const AnsiString& AName) { FName = AName; }
    /** @} */
    /** @{ */
    /// A value for the application's own use (published property Tag, default 0).
    [[nodiscard]] std::int32_t Tag() const { return FTag; }
    void SetTag(std::int32_t ATag) { FTag = ATag; }
    /** @} */

    /** @{ */
    /// The owned components in insertion order; Components throws std::out_of_range for an index
    /// outside 0..ComponentCount()-1.
    [[nodiscard]] int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    [[nodiscard]] TComponent* Components(int Index) const { return FComponents.at(static_cast<std::size_t>(Index)); }
    /** @} */

    /** @{ */
    /// AComponent is told (Notification with opRemove) when this component is destroyed, so that
    /// it can drop a reference it holds to this one. Mutual: this is told when AComponent goes.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);
    /** @} */

    /// Published properties in declared order, the inherited ones first. TComponent publishes
    /// Name (no default) and Tag (default 0).
    [[nodiscard]] virtual const TPropList& Properties() const;
    /// The entry named Name, or null.
    [[nodiscard]] const TPropInfo* FindProperty(std::string_view Name) const;

protected:
    /// Called when a component this one is linked to by FreeNotification (or owns) goes away.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

private:
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);

    TComponent* FOwner = nullptr;
    AnsiString FName;
    std::int32_t FTag = 0;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
};

}  // namespace vyr::host
