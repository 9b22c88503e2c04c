// Form storage: the shared pieces (see formcommon.h) and the error type.
#include "formcommon.h"

#include <cstdio>
#include <limits>

#include "vyr/host/FormStorage.h"

namespace vyr::host {

EFormError::EFormError(std::string FileName, int Line, std::string Message)
    : std::runtime_error(FileName + ":" + std::to_string(Line) + ": " + Message),
      FFileName(std::move(FileName)),
      FLine(Line),
      FMessage(std::move(Message)) {}

namespace formdetail {

bool IsIdentStart(char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; }
bool IsIdentChar(char C) { return IsIdentStart(C) || (C >= '0' && C <= '9'); }
bool IsSpace(char C) { return C == ' ' || C == '\t'; }

bool IsIdentifier(std::string_view S) {
    if (S.empty() || !IsIdentStart(S[0])) return false;
    for (char C : S) {
        if (!IsIdentChar(C)) return false;
    }
    return true;
}

std::string ShowByte(unsigned char C) {
    char Buffer[8];
    if (C >= 32 && C < 127) {
        std::snprintf(Buffer, sizeof Buffer, "'%c'", C);
    } else {
        std::snprintf(Buffer, sizeof Buffer, "0x%02X", C);
    }
    return Buffer;
}

TRange RangeOf(const TPropInfo& Info) {
    if (Info.Max > Info.Min) return {Info.Min, Info.Max};
    switch (Info.Kind) {
        case TTypeKind::Byte:
            return {0, 255};
        case TTypeKind::Color:
            return {0, 0xFFFFFFFFLL};
        case TTypeKind::Enum:
            return {0, static_cast<std::int64_t>(Info.EnumNames.size()) - 1};
        default:
            return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
    }
}

namespace {

const char* KindName(TTypeKind Kind) {
    switch (Kind) {
        case TTypeKind::Boolean:
            return "Boolean";
        case TTypeKind::Integer:
            return "Integer";
        case TTypeKind::Byte:
            return "Byte";
        case TTypeKind::Color:
            return "TColor";
        case TTypeKind::Enum:
            return "enumeration";
        case TTypeKind::String:
            return "string";
        case TTypeKind::Component:
            return "component reference";
    }
    return "value";
}

}  // namespace

std::string TypeLabel(const TPropInfo& Info) {
    return Info.TypeName.empty() ? std::string(KindName(Info.Kind)) : std::string(Info.TypeName);
}

std::string Expected(const TPropInfo& Info) {
    switch (Info.Kind) {
        case TTypeKind::Boolean:
            return "True or False";
        case TTypeKind::Integer:
        case TTypeKind::Byte:
        case TTypeKind::Color: {
            const auto R = RangeOf(Info);
            return "an integer in " + std::to_string(R.Min) + ".." + std::to_string(R.Max) + " (" + TypeLabel(Info) +
                   ")";
        }
        case TTypeKind::Enum: {
            std::string Names;
            for (const auto& Name : Info.EnumNames) Names += (Names.empty() ? "" : ", ") + std::string(Name);
            return "one of " + Names;
        }
        case TTypeKind::String:
            return "a quoted string";
        case TTypeKind::Component:
            return "the name of a " + TypeLabel(Info) + " or nil";
    }
    return "a value";
}

}  // namespace formdetail
}  // namespace vyr::host
