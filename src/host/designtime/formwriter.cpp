// Form storage, writing: one object block per component, holding its class and name and one
// "Name = value" line per published property in declared order (format: docs/form-format.md).
// Files are written whole or not at all (host::TFileWriter).
#include <cstdio>
#include <memory>

#include "formcommon.h"
#include "vyr/host/FileIo.h"
#include "vyr/host/FormStorage.h"
#include "vyr/host/Registry.h"
#include "vyr/host/Text.h"

namespace vyr::host {

using namespace formdetail;

namespace {

std::string HexColor(std::int64_t V) {
    char Buffer[16];
    std::snprintf(Buffer, sizeof Buffer, V > 0xFFFFFF ? "$%08llX" : "$%06llX", static_cast<unsigned long long>(V));
    return Buffer;
}

std::string WriteName(std::string_view Name) { return IsIdentifier(Name) ? std::string(Name) : QuoteFormString(Name); }

std::string WriteValue(const TComponent& Owner, const TPropInfo& Info, const TPropValue& Value) {
    switch (Info.Kind) {
        case TTypeKind::Boolean:
            return std::get<bool>(Value) ? "True" : "False";
        case TTypeKind::Integer:
        case TTypeKind::Byte:
            return std::to_string(std::get<std::int64_t>(Value));
        case TTypeKind::Color:
            return HexColor(std::get<std::int64_t>(Value));
        case TTypeKind::Enum: {
            const auto V = std::get<std::int64_t>(Value);
            if (V >= 0 && static_cast<std::size_t>(V) < Info.EnumNames.size())
                return std::string(Info.EnumNames[static_cast<std::size_t>(V)]);
            return std::to_string(V);
        }
        case TTypeKind::String:
            return QuoteFormString(std::get<AnsiString>(Value));
        case TTypeKind::Component: {
            const TComponent* Ref = std::get<TComponent*>(Value);
            if (Ref->Name().empty()) {
                throw EFormError("(writing " + WriteName(Owner.Name()) + ")", 0,
                                 "cannot write " + std::string(Info.Name) + ": the " + std::string(Ref->ClassName()) +
                                     " it refers to has no name");
            }
            return WriteName(Ref->Name());
        }
    }
    return {};
}

// A value equal to the property's declared default is not written. Reading the form creates a
// new component, though, and a constructor may set a property to something other than its
// declared default (a new control is a tab stop while TabStop's declared default is false);
// leaving such a value out would lose it. So a value equal to the declared default is written
// all the same when a new component of the class (made through the palette) has another value.
class TFreshValues {
public:
    explicit TFreshValues(const TComponent& Component) : FComponent(Component) {}
    // True when a new component of the class has Value for Info (or the class is unknown).
    bool FreshHas(const TPropInfo& Info, const TPropValue& Value) {
        if (!FTried) {
            FTried = true;
            if (auto Entry = FindComponentClass(FComponent.ClassName())) FFresh.reset(Entry->Create(nullptr));
        }
        if (!FFresh) return true;
        const TPropInfo* Fresh = FFresh->FindProperty(Info.Name);
        return Fresh == nullptr || !Fresh->Get || Fresh->Get(*FFresh) == Value;
    }

private:
    const TComponent& FComponent;
    bool FTried = false;
    std::unique_ptr<TComponent> FFresh;
};

void WriteObject(std::string& Out, const TComponent& Component) {
    Out += "object " + WriteName(Component.Name()) + ": " + std::string(Component.ClassName()) + "\n";
    TFreshValues Fresh(Component);
    for (const auto& Info : Component.Properties()) {
        if (SameText(Info.Name, "Name") || !Info.Get) continue;  // the name stands on the object line
        const TPropValue Value = Info.Get(Component);
        if (Info.Default && *Info.Default == Value && Fresh.FreshHas(Info, Value)) continue;
        if (Info.Kind == TTypeKind::Component && std::get<TComponent*>(Value) == nullptr) continue;
        Out += "  " + std::string(Info.Name) + " = " + WriteValue(Component, Info, Value) + "\n";
    }
    Out += "end\n";
}

void WriteFile(const std::string& Path, const AnsiString& Text) {
    try {
        WriteWholeFile(Path, Text);
    } catch (const EFileError& E) {
        throw EFormError(Path, 0, "cannot write the file: " + E.Reason());
    }
}

}  // namespace

std::string QuoteFormString(std::string_view Value) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string Out = "\"";
    for (char Ch : Value) {
        const auto C = static_cast<unsigned char>(Ch);
        if (C == '"' || C == '\\') {
            Out += '\\';
            Out += Ch;
        } else if (C >= 32 && C <= 126) {
            Out += Ch;
        } else {
            Out += "\\x";
            Out += Digits[C >> 4];
            Out += Digits[C & 15];
        }
    }
    Out += '"';
    return Out;
}

AnsiString WriteComponentText(const TComponent& Component) {
    AnsiString Out;
    WriteObject(Out, Component);
    return Out;
}

AnsiString WriteComponentsText(const std::vector<const TComponent*>& Components) {
    AnsiString Out;
    for (const auto* C : Components) {
        if (C != nullptr) WriteObject(Out, *C);
    }
    return Out;
}

void SaveComponentToFile(const TComponent& Component, const std::string& Path) {
    WriteFile(Path, WriteComponentText(Component));
}

void SaveComponentsToFile(const std::vector<const TComponent*>& Components, const std::string& Path) {
    WriteFile(Path, WriteComponentsText(Components));
}

}  // namespace vyr::host
