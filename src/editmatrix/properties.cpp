// The machine-readable table of TEditMatrix's published properties: names, kinds, defaults and
// ranges in declared order, with the getters and setters the form reader and tools call.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include "host_names.h"
#include "vyr/CharSet.h"
#include "vyr/EditMatrix.h"

namespace vyr {

using host::TPropInfo;
using host::TPropList;
using host::TPropValue;
using host::TTypeKind;

// ---- Property table --------------------------------------------------------------------------

namespace {

TEditMatrix& Matrix(host::TComponent& C) { return dynamic_cast<TEditMatrix&>(C); }
const TEditMatrix& Matrix(const host::TComponent& C) { return dynamic_cast<const TEditMatrix&>(C); }

std::string Qualified(std::string_view Name) { return "TEditMatrix." + std::string(Name); }

bool BoolArg(std::string_view Name, const TPropValue& V) {
    if (const bool* B = std::get_if<bool>(&V)) {
        return *B;
    }
    throw std::invalid_argument(Qualified(Name) + ": expected a boolean value");
}

// The integer in V, checked against the range of the property's type.
std::int64_t OrdinalArg(std::string_view Name, const TPropValue& V, std::int64_t Min, std::int64_t Max) {
    const std::int64_t* I = std::get_if<std::int64_t>(&V);
    if (I == nullptr) {
        throw std::invalid_argument(Qualified(Name) + ": expected an integer value");
    }
    if (*I < Min || *I > Max) {
        throw std::out_of_range(Qualified(Name) + ": " + std::to_string(*I) + " is outside " + std::to_string(Min) +
                                ".." + std::to_string(Max));
    }
    return *I;
}

TPropInfo BoolProp(std::string_view Name, bool Default, std::string_view Getter, std::string_view Setter,
                   bool (TEditMatrix::*Get)() const, void (TEditMatrix::*Set)(bool)) {
    TPropInfo Info{
        .Name = Name,
        .Kind = TTypeKind::Boolean,
        .TypeName = "Boolean",
        .Default = std::nullopt,
        .Min = 0,
        .Max = 1,
        .EnumNames = {},
        .Getter = Getter,
        .Setter = Setter,
        .Get = [Get](const host::TComponent& C) -> TPropValue { return (Matrix(C).*Get)(); },
        .Set = [Name, Set](host::TComponent& C, const TPropValue& V) { (Matrix(C).*Set)(BoolArg(Name, V)); },
    };
    // Assigned after construction: building the optional variant inside the aggregate trips a
    // false maybe-uninitialized warning in sanitizer builds.
    Info.Default.emplace(std::in_place_type<bool>, Default);
    return Info;
}

// An ordinal property (Integer, Byte, TColor, EShape) held as int64_t in the table.
template <typename T>
TPropInfo OrdinalProp(std::string_view Name, TTypeKind Kind, std::string_view TypeName, std::int64_t Default,
                      std::int64_t Min, std::int64_t Max, std::string_view Getter, std::string_view Setter,
                      T (TEditMatrix::*Get)() const, void (TEditMatrix::*Set)(T)) {
    TPropInfo Info{
        .Name = Name,
        .Kind = Kind,
        .TypeName = TypeName,
        .Default = std::nullopt,
        .Min = Min,
        .Max = Max,
        .EnumNames = {},
        .Getter = Getter,
        .Setter = Setter,
        .Get = [Get](const host::TComponent& C) -> TPropValue { return static_cast<std::int64_t>((Matrix(C).*Get)()); },
        .Set = [Name, Min, Max, Set](
                   host::TComponent& C,
                   const TPropValue& V) { (Matrix(C).*Set)(static_cast<T>(OrdinalArg(Name, V, Min, Max))); },
    };
    Info.Default.emplace(std::in_place_type<std::int64_t>, Default);
    if (Kind == TTypeKind::Enum) {
        Info.EnumNames = {"Square", "Circle"};
    }
    return Info;
}

constexpr std::int64_t IntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t IntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t ColorMax = 0xFFFFFFFF;

TPropInfo ColorProp(std::string_view Name, std::int64_t Default, std::string_view Setter,
                    TColor (TEditMatrix::*Get)() const, void (TEditMatrix::*Set)(TColor)) {
    return OrdinalProp<TColor>(Name, TTypeKind::Color, "TColor", Default, 0, ColorMax, Name, Setter, Get, Set);
}

TPropInfo ByteProp(std::string_view Name, std::int64_t Default, std::string_view Setter,
                   Byte (TEditMatrix::*Get)() const, void (TEditMatrix::*Set)(Byte)) {
    return OrdinalProp<Byte>(Name, TTypeKind::Byte, "Byte", Default, 0, 255, Name, Setter, Get, Set);
}

const TPropInfo& Inherited(const TPropList& Base, std::string_view Name) {
    for (const TPropInfo& Info : Base) {
        if (Info.Name == Name) {
            return Info;
        }
    }
    throw std::logic_error("TCustomControl publishes no property " + std::string(Name));
}

TPropList BuildProperties(const TPropList& Base) {
    TPropList L;
    L.push_back(Inherited(Base, "Name"));
    L.push_back(Inherited(Base, "Tag"));
    L.push_back(BoolProp("Scroll", false, "Scroll", "FSetScroll", &TEditMatrix::Scroll, &TEditMatrix::FSetScroll));
    L.push_back(OrdinalProp<std::int32_t>("Delay", TTypeKind::Integer, "Integer", 100, IntMin, IntMax, "Delay",
                                          "FSetDelay", &TEditMatrix::Delay, &TEditMatrix::FSetDelay));
    L.push_back(ColorProp("BlinkOffColor", 64, "FSetBlinkOffColor", &TEditMatrix::BlinkOffColor,
                          &TEditMatrix::FSetBlinkOffColor));
    L.push_back(OrdinalProp<std::int32_t>("BlinkDelay", TTypeKind::Integer, "Integer", 100, IntMin, IntMax,
                                          "BlinkDelay", "FSetBlinkDelay", &TEditMatrix::BlinkDelay,
                                          &TEditMatrix::FSetBlinkDelay));
    L.push_back(BoolProp("ActiveLED", true, "ActiveLED", "FSetActiveLED", &TEditMatrix::ActiveLED,
                         &TEditMatrix::FSetActiveLED));
    L.push_back(ColorProp("ActiveLEDOnColor", 255, "FSetActiveLEDOnColor", &TEditMatrix::ActiveLEDOnColor,
                          &TEditMatrix::FSetActiveLEDOnColor));
    L.push_back(ColorProp("ActiveLEDOffColor", 64, "FSetActiveLEDOffColor", &TEditMatrix::ActiveLEDOffColor,
                          &TEditMatrix::FSetActiveLEDOffColor));
    L.push_back(ColorProp("BackgroundColor", 0, "FSetBackgroundColor", &TEditMatrix::BackgroundColor,
                          &TEditMatrix::FSetBackgroundColor));
    L.push_back(TPropInfo{
        .Name = "Charset",
        .Kind = TTypeKind::Component,
        .TypeName = "TCharSet",
        .Default = std::nullopt,
        .Min = 0,
        .Max = 0,
        .EnumNames = {},
        .Getter = "Charset",
        .Setter = "FSetCharSet",
        .Get = [](const host::TComponent& C) -> TPropValue {
            return static_cast<host::TComponent*>(Matrix(C).Charset());
        },
        .Set =
            [](host::TComponent& C, const TPropValue& V) {
                host::TComponent* const* Ref = std::get_if<host::TComponent*>(&V);
                if (Ref == nullptr) {
                    throw std::invalid_argument("TEditMatrix.Charset: expected a component reference");
                }
                TCharSet* CharSet = nullptr;
                if (*Ref != nullptr) {
                    CharSet = dynamic_cast<TCharSet*>(*Ref);
                    if (CharSet == nullptr) {
                        throw std::invalid_argument("TEditMatrix.Charset: '" + (*Ref)->Name() + "' is a " +
                                                    std::string((*Ref)->ClassName()) + ", not a TCharSet");
                    }
                }
                Matrix(C).FSetCharSet(CharSet);
            },
    });
    L.push_back(ColorProp("InactiveLEDOnColor", 128, "FSetInactiveLEDOnColor", &TEditMatrix::InactiveLEDOnColor,
                          &TEditMatrix::FSetInactiveLEDOnColor));
    L.push_back(ColorProp("InactiveLEDOffColor", 0, "FSetInactiveLEDOffColor", &TEditMatrix::InactiveLEDOffColor,
                          &TEditMatrix::FSetInactiveLEDOffColor));
    L.push_back(OrdinalProp<EShape>("LEDShape", TTypeKind::Enum, "EShape", 0, 0, 1, "LEDShape", "FSetLEDShape",
                                    &TEditMatrix::LEDShape, &TEditMatrix::FSetLEDShape));
    L.push_back(ByteProp("LEDSize", 2, "FSetLEDSize", &TEditMatrix::LEDSize, &TEditMatrix::FSetLEDSize));
    L.push_back(
        ByteProp("LEDDistance", 1, "FSetLEDDistance", &TEditMatrix::LEDDistance, &TEditMatrix::FSetLEDDistance));
    L.push_back(BoolProp("StepActive", false, "StepActive", "FSetStepActive", &TEditMatrix::StepActive,
                         &TEditMatrix::FSetStepActive));
    L.push_back(ByteProp("StepToOutside", 5, "FSetStep", &TEditMatrix::StepToOutside, &TEditMatrix::FSetStep));
    L.push_back(Inherited(Base, "TabOrder"));
    L.push_back(Inherited(Base, "TabStop"));
    L.push_back(TPropInfo{
        .Name = "Text",
        .Kind = TTypeKind::String,
        .TypeName = "AnsiString",
        .Default = std::nullopt,
        .Min = 0,
        .Max = 0,
        .EnumNames = {},
        .Getter = "FReadText",
        .Setter = "FSetText",
        .Get = [](const host::TComponent& C) -> TPropValue { return Matrix(C).FReadText(); },
        .Set =
            [](host::TComponent& C, const TPropValue& V) {
                const AnsiString* S = std::get_if<AnsiString>(&V);
                if (S == nullptr) {
                    throw std::invalid_argument("TEditMatrix.Text: expected a string value");
                }
                Matrix(C).FSetText(*S);
            },
    });
    L.push_back(
        ByteProp("TotalVisible", 10, "FSetTotalVisible", &TEditMatrix::TotalVisible, &TEditMatrix::FSetTotalVisible));
    L.push_back(BoolProp("Overwrite", false, "Overwrite", "FSetOverwrite", &TEditMatrix::Overwrite,
                         &TEditMatrix::FSetOverwrite));
    return L;
}

}  // namespace

const TPropList& TEditMatrix::Properties() const {
    static const TPropList List = BuildProperties(TCustomControl::Properties());
    return List;
}

}  // namespace vyr
