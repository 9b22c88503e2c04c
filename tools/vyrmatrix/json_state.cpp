#include "json_state.h"

#include <set>
#include <variant>

namespace vyr::cli {

using host::AnsiString;
using host::Byte;

namespace {

void AppendEscape(std::string& Out, unsigned Code) {
    static constexpr char Hex[] = "0123456789abcdef";
    Out += "\\u00";
    Out += Hex[(Code >> 4) & 15];
    Out += Hex[Code & 15];
}

// Builds the object key by key; every value is already JSON.
class TJsonObject {
public:
    void Add(std::string_view Key, const std::string& Json) {
        FText += FText.empty() ? "{" : ",";
        FText += JsonStringUtf8(Key);
        FText += ':';
        FText += Json;
        FKeys.insert(std::string(Key));
    }
    [[nodiscard]] bool Has(std::string_view Key) const { return FKeys.count(std::string(Key)) != 0; }
    [[nodiscard]] std::string Close() const { return FText.empty() ? "{}" : FText + "}"; }

private:
    std::string FText;
    std::set<std::string> FKeys;
};

std::string Bool(bool Value) { return Value ? "true" : "false"; }
template <typename T>
std::string Number(T Value) {
    return std::to_string(Value);
}

std::string CharTableHex(const TEditMatrix& Matrix) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string Out;
    Out.reserve(2 + Matrix.CharTable().size() * 2);
    Out += '"';
    for (const Byte B : Matrix.CharTable()) {
        Out += Hex[B >> 4];
        Out += Hex[B & 15];
    }
    Out += '"';
    return Out;
}

std::string PropertyJson(const host::TPropInfo& Info, const host::TPropValue& Value) {
    using host::TTypeKind;
    if (const auto* B = std::get_if<bool>(&Value)) return Bool(*B);
    if (const auto* S = std::get_if<AnsiString>(&Value)) return JsonString8Bit(*S);
    if (const auto* C = std::get_if<host::TComponent*>(&Value)) {
        // A component name is 8-bit text like the "Name" property itself, written the same way.
        return *C ? JsonString8Bit((*C)->Name()) : "null";
    }
    const auto N = std::get<std::int64_t>(Value);
    if (Info.Kind == TTypeKind::Enum && N >= 0 && static_cast<std::size_t>(N) < Info.EnumNames.size()) {
        return JsonStringUtf8(Info.EnumNames[static_cast<std::size_t>(N)]);
    }
    return Number(N);
}

}  // namespace

std::string JsonString8Bit(std::string_view Codes) {
    std::string Out = "\"";
    for (const char Ch : Codes) {
        const auto C = static_cast<unsigned char>(Ch);
        if (C == '"') {
            Out += "\\\"";
        } else if (C == '\\') {
            Out += "\\\\";
        } else if (C < 0x20 || (C >= 0x7F && C < 0xA0)) {
            AppendEscape(Out, C);
        } else if (C < 0x80) {
            Out += Ch;
        } else {
            Out += static_cast<char>(0xC0 | (C >> 6));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        }
    }
    Out += '"';
    return Out;
}

std::string JsonStringUtf8(std::string_view Text) {
    std::string Out = "\"";
    for (const char Ch : Text) {
        const auto C = static_cast<unsigned char>(Ch);
        if (C == '"') {
            Out += "\\\"";
        } else if (C == '\\') {
            Out += "\\\\";
        } else if (C < 0x20 || C == 0x7F) {
            AppendEscape(Out, C);
        } else {
            Out += Ch;
        }
    }
    Out += '"';
    return Out;
}

std::string JsonStringCodePage(std::string_view Codes, const fonts::TCodePage& Page) {
    std::string Out = "\"";
    for (const char Ch : Codes) {
        const char32_t C = Page.CharOf(static_cast<std::uint8_t>(Ch)).value_or(0xFFFD);
        if (C < 0xA0) {
            const std::string One = JsonString8Bit(std::string(1, static_cast<char>(C)));
            Out += One.substr(1, One.size() - 2);
        } else {
            Out += Page.Decode(std::string(1, Ch));
        }
    }
    Out += '"';
    return Out;
}

std::string StateJson(const TEditMatrix& Matrix, const host::TForm& Form, const fonts::TCodePage* Page) {
    TJsonObject J;
    J.Add("Text", Page ? JsonStringCodePage(Matrix.Text(), *Page) : JsonString8Bit(Matrix.Text()));
    J.Add("FCursorPos", Number(Matrix.CursorPos()));
    J.Add("FFirstVisible", Number(Matrix.FirstVisible()));
    J.Add("FTextLength", Number(Matrix.TextLength()));
    J.Add("Width", Number(Matrix.Width()));
    J.Add("Height", Number(Matrix.Height()));
    J.Add("FTotalRefresh", Bool(Matrix.TotalRefresh()));
    J.Add("FMiniRefresh", Bool(Matrix.MiniRefresh()));
    J.Add("FGeometryChanged", Bool(Matrix.GeometryChanged()));
    J.Add("FOnColor", Number(Matrix.OnColor()));
    J.Add("FOffColor", Number(Matrix.OffColor()));
    J.Add("FScrollOnColor", Number(Matrix.ScrollOnColor()));
    J.Add("FScrollOffColor", Number(Matrix.ScrollOffColor()));
    J.Add("FScrollBlinkOffColor", Number(Matrix.ScrollBlinkOffColor()));
    J.Add("FBlinking", Bool(Matrix.Blinking()));
    J.Add("FBlinkState", Bool(Matrix.BlinkState()));
    J.Add("FScrollHalted", Bool(Matrix.ScrollHalted()));
    const TMatrixDiagnostics Stream = Matrix.Diagnostics();
    J.Add("StreamHeads", Number(Stream.Heads));
    J.Add("ScrollPos", Stream.ScrollIndex < 0 ? "null" : Number(Stream.ScrollIndex));
    J.Add("Focused", Bool(Matrix.Focused()));
    const host::TWinControl* Active = Form.ActiveControl();
    J.Add("FocusedTabOrder", Active ? Number(Active->TabOrder()) : "null");
    J.Add("CharTable", CharTableHex(Matrix));
    for (const auto& Info : Matrix.Properties()) {
        if (J.Has(Info.Name) || !Info.Get) continue;
        J.Add(Info.Name, PropertyJson(Info, Info.Get(Matrix)));
    }
    return J.Close();
}

}  // namespace vyr::cli
