// Form storage: writing and reading text form files (format: docs/form-format.md).
//
// Reading runs in two phases. The parse phase checks the whole text (syntax, classes, property
// names, value types and ranges, references, names) against the property tables of the classes
// involved, read from a prototype of each class that is freed again; it changes nothing. Only
// then does the apply phase create the components and call the setters.
#include "vyr/host/FormStorage.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <sstream>

#include "vyr/host/Controls.h"
#include "vyr/host/FileIo.h"
#include "vyr/host/Registry.h"
#include "vyr/host/Text.h"

namespace vyr::host {

EFormError::EFormError(std::string FileName, int Line, std::string Message)
    : std::runtime_error(FileName + ":" + std::to_string(Line) + ": " + Message),
      FFileName(std::move(FileName)),
      FLine(Line),
      FMessage(std::move(Message)) {}

namespace {

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

// How a byte is shown in a message.
std::string ShowByte(unsigned char C) {
    char Buffer[8];
    if (C >= 32 && C < 127) {
        std::snprintf(Buffer, sizeof Buffer, "'%c'", C);
    } else {
        std::snprintf(Buffer, sizeof Buffer, "0x%02X", C);
    }
    return Buffer;
}

// ---- The kinds of property values ---------------------------------------------------------------

struct TRange {
    std::int64_t Min;
    std::int64_t Max;
};

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

std::string TypeLabel(const TPropInfo& Info) {
    return Info.TypeName.empty() ? std::string(KindName(Info.Kind)) : std::string(Info.TypeName);
}

// What a property expects, for messages.
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

// ---- Writing ------------------------------------------------------------------------------------

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

// A form file larger than this is refused before it is read: a form holds a few components, and
// even a text of millions of characters stays far below it. It keeps a device such as /dev/zero
// or a runaway file from being read without bound.
constexpr std::uint64_t MaxFormFileSize = 64ULL * 1024 * 1024;

void WriteFile(const std::string& Path, const AnsiString& Text) {
    try {
        WriteWholeFile(Path, Text);
    } catch (const EFileError& E) {
        throw EFormError(Path, 0, "cannot write the file: " + E.Reason());
    }
}

std::string ReadFile(const std::string& Path) {
    try {
        return ReadWholeFile(Path, MaxFormFileSize);
    } catch (const EFileError& E) {
        throw EFormError(Path, 0, "cannot read the file: " + E.Reason());
    }
}

// ---- Reading: tokens ----------------------------------------------------------------------------

enum class TTok { Ident, Integer, String, Colon, Equals, End };

struct TToken {
    TTok Kind = TTok::End;
    std::string Text;       // identifier, string contents, or the number as written
    std::int64_t Int = 0;   // Integer
    bool Overflow = false;  // Integer: beyond 64 bits
};

const char* TokName(TTok Kind) {
    switch (Kind) {
        case TTok::Ident:
            return "a name";
        case TTok::Integer:
            return "an integer";
        case TTok::String:
            return "a string";
        case TTok::Colon:
            return "':'";
        case TTok::Equals:
            return "'='";
        case TTok::End:
            return "the end of the line";
    }
    return "something";
}

std::string Found(const TToken& T) {
    switch (T.Kind) {
        case TTok::Ident:
            return "'" + T.Text + "'";
        case TTok::Integer:
            return "the number " + T.Text;
        case TTok::String:
            return "a string";
        default:
            return TokName(T.Kind);
    }
}

class TLexer {
public:
    TLexer(std::string_view Line, const std::string& File, int LineNo) : FLine(Line), FFile(File), FLineNo(LineNo) {}

    [[noreturn]] void Fail(const std::string& Message) const { throw EFormError(FFile, FLineNo, Message); }

    TToken Next() {
        while (FPos < FLine.size() && IsSpace(FLine[FPos])) ++FPos;
        TToken T;
        if (FPos >= FLine.size()) return T;
        const char C = FLine[FPos];
        if (IsIdentStart(C)) {
            const auto Start = FPos;
            while (FPos < FLine.size() && IsIdentChar(FLine[FPos])) ++FPos;
            T.Kind = TTok::Ident;
            T.Text = std::string(FLine.substr(Start, FPos - Start));
            return T;
        }
        if (C == ':' || C == '=') {
            ++FPos;
            T.Kind = C == ':' ? TTok::Colon : TTok::Equals;
            return T;
        }
        if (C == '"') return String();
        if (C == '-' || C == '+' || C == '$' || (C >= '0' && C <= '9')) return Number();
        Fail("unexpected character " + ShowByte(static_cast<unsigned char>(C)) +
             ": expected a name, a number or a quoted string");
    }

private:
    TToken String() {
        TToken T;
        T.Kind = TTok::String;
        ++FPos;  // opening quote
        for (;;) {
            if (FPos >= FLine.size()) Fail("unterminated string: expected a closing '\"' before the end of the line");
            const auto C = static_cast<unsigned char>(FLine[FPos]);
            if (C == '"') {
                ++FPos;
                return T;
            }
            if (C == '\\') {
                if (FPos + 1 >= FLine.size())
                    Fail("unterminated string: expected a closing '\"' before the end of the line");
                const char E = FLine[FPos + 1];
                if (E == '"' || E == '\\') {
                    T.Text += E;
                    FPos += 2;
                    continue;
                }
                if (E == 'x') {
                    const int Hi = FPos + 2 < FLine.size() ? HexValue(FLine[FPos + 2]) : -1;
                    const int Lo = FPos + 3 < FLine.size() ? HexValue(FLine[FPos + 3]) : -1;
                    if (Hi < 0 || Lo < 0) Fail("malformed escape in a string: expected \\x and two hexadecimal digits");
                    T.Text += static_cast<char>(Hi * 16 + Lo);
                    FPos += 4;
                    continue;
                }
                Fail("unknown escape \\" + std::string(1, E) + " in a string: expected \\\", \\\\ or \\xHH");
            }
            if (C < 32 || C > 126) {
                Fail("the byte " + ShowByte(C) +
                     " in a string: expected printable ASCII, other codes written as \\xHH");
            }
            T.Text += static_cast<char>(C);
            ++FPos;
        }
    }

    TToken Number() {
        TToken T;
        T.Kind = TTok::Integer;
        const auto Start = FPos;
        bool Negative = false;
        if (FLine[FPos] == '-' || FLine[FPos] == '+') {
            Negative = FLine[FPos] == '-';
            ++FPos;
        }
        int Base = 10;
        if (FPos < FLine.size() && FLine[FPos] == '$') {
            Base = 16;
            ++FPos;
        } else if (FPos + 1 < FLine.size() && FLine[FPos] == '0' &&
                   (FLine[FPos + 1] == 'x' || FLine[FPos + 1] == 'X')) {
            Base = 16;
            FPos += 2;
        }
        const auto DigitsAt = FPos;
        std::uint64_t Value = 0;
        while (FPos < FLine.size()) {
            const int D = HexValue(FLine[FPos]);
            if (D < 0 || D >= Base) break;
            if (Value > (std::numeric_limits<std::uint64_t>::max() >> 5)) T.Overflow = true;
            if (!T.Overflow) Value = Value * static_cast<std::uint64_t>(Base) + static_cast<std::uint64_t>(D);
            ++FPos;
        }
        const auto End = FPos;
        while (FPos < FLine.size() && !IsSpace(FLine[FPos])) ++FPos;
        T.Text = std::string(FLine.substr(Start, FPos - Start));
        if (DigitsAt == End || End != FPos)
            Fail("malformed number '" + T.Text + "': expected decimal digits or $ and hexadecimal digits");
        if (Value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) T.Overflow = true;
        if (!T.Overflow) T.Int = Negative ? -static_cast<std::int64_t>(Value) : static_cast<std::int64_t>(Value);
        return T;
    }

    std::string_view FLine;
    std::size_t FPos = 0;
    const std::string& FFile;
    int FLineNo;
};

// ---- Reading: the parsed form -------------------------------------------------------------------

struct TParsedProp {
    int Line = 0;
    const TPropInfo* Info = nullptr;
    TPropValue Value;
    bool IsReference = false;  // Value is filled in when the references are resolved
    std::string Reference;     // the name referred to
};

struct TParsedObject {
    int Line = 0;
    std::string Name;
    std::string ClassName;  // as registered (or Target's)
    TComponentFactory Create = nullptr;
    std::vector<TParsedProp> Props;
};

struct TParsedForm {
    std::vector<TParsedObject> Objects;
};

class TFormParser {
public:
    // Target: when not null, the first object must be of its class and is checked against its
    // property table.
    TFormParser(std::string_view Text, std::string_view FileName, const TComponent* Target)
        : FText(Text), FFile(FileName), FTarget(Target) {}

    TParsedForm Parse() {
        TParsedForm Form;
        std::string_view Line;
        int LineNo = 0;
        TParsedObject* Open = nullptr;
        const TPropList* Props = nullptr;
        while (NextLine(Line, LineNo)) {
            TLexer Lex(Line, FFile, LineNo);
            const TToken First = Lex.Next();
            if (First.Kind == TTok::End) continue;
            if (Open == nullptr) {
                if (First.Kind != TTok::Ident || !SameText(First.Text, "object")) {
                    Lex.Fail("expected 'object NAME: CLASS', found " + Found(First));
                }
                Form.Objects.push_back(ObjectHeader(Lex, LineNo, Form.Objects.empty()));
                Open = &Form.Objects.back();
                Props = &PropertiesOf(*Open, Form.Objects.size() == 1);
                continue;
            }
            if (First.Kind == TTok::Ident && SameText(First.Text, "end")) {
                ExpectEnd(Lex, "after 'end'");
                Open = nullptr;
                continue;
            }
            if (First.Kind == TTok::Ident && SameText(First.Text, "object")) {
                Lex.Fail("expected 'end' to close object " + Open->Name + " (line " + std::to_string(Open->Line) +
                         ") before the next object");
            }
            if (First.Kind != TTok::Ident)
                Lex.Fail("expected a line 'PROPERTY = VALUE' or 'end', found " + Found(First));
            Open->Props.push_back(Property(Lex, LineNo, *Open, *Props, First.Text));
        }
        const int LastLine = std::max(LineNo, 1);
        if (Open != nullptr) {
            throw EFormError(FFile, LastLine,
                             "unexpected end of file: expected 'end' to close object " + Open->Name + " (line " +
                                 std::to_string(Open->Line) + ")");
        }
        if (Form.Objects.empty())
            throw EFormError(FFile, LastLine, "unexpected end of file: expected 'object NAME: CLASS'");
        return Form;
    }

private:
    bool NextLine(std::string_view& Line, int& LineNo) {
        if (FPos >= FText.size()) return false;
        const auto Eol = FText.find('\n', FPos);
        Line = FText.substr(FPos, Eol == std::string_view::npos ? std::string_view::npos : Eol - FPos);
        FPos = Eol == std::string_view::npos ? FText.size() : Eol + 1;
        if (!Line.empty() && Line.back() == '\r') Line.remove_suffix(1);
        ++LineNo;
        // A comment line: '#' as its first non-blank character.
        const auto First = Line.find_first_not_of(" \t");
        if (First != std::string_view::npos && Line[First] == '#') Line = {};
        return true;
    }

    void ExpectEnd(TLexer& Lex, const std::string& Where) {
        const TToken T = Lex.Next();
        if (T.Kind != TTok::End) Lex.Fail("found " + Found(T) + " " + Where + ": expected the end of the line");
    }

    TParsedObject ObjectHeader(TLexer& Lex, int LineNo, bool IsFirst) {
        TParsedObject Object;
        Object.Line = LineNo;
        TToken Name = Lex.Next();
        if (Name.Kind != TTok::Ident && Name.Kind != TTok::String) {
            Lex.Fail("expected the component's name after 'object', found " + Found(Name));
        }
        Object.Name = Name.Text;
        if (const TToken Colon = Lex.Next(); Colon.Kind != TTok::Colon) {
            Lex.Fail("expected ':' and the class after the name " + Object.Name + ", found " + Found(Colon));
        }
        const TToken Class = Lex.Next();
        if (Class.Kind != TTok::Ident) Lex.Fail("expected a class name after ':', found " + Found(Class));
        ExpectEnd(Lex, "after the class name");

        if (IsFirst && FTarget != nullptr) {
            if (!SameText(Class.Text, FTarget->ClassName())) {
                Lex.Fail("the object is a " + Class.Text + ": expected a " + std::string(FTarget->ClassName()));
            }
            Object.ClassName = std::string(FTarget->ClassName());
        } else {
            const auto Entry = FindClass(Class.Text);
            if (!Entry) {
                std::string Known;
                for (const auto& E : PaletteEntries()) Known += (Known.empty() ? "" : ", ") + E.ClassName;
                Lex.Fail("unknown class '" + Class.Text + "': expected a registered component class" +
                         (Known.empty() ? std::string(" (none are registered)") : " (" + Known + ")"));
            }
            Object.ClassName = Entry->ClassName;
            Object.Create = Entry->Create;
        }
        if (!Object.Name.empty()) {
            auto [It, New] = FNames.emplace(UpperCase(Object.Name), Object.ClassName);
            if (!New) Lex.Fail("a second component named " + Object.Name + ": expected every name once");
        }
        return Object;
    }

    static std::optional<TPaletteEntry> FindClass(std::string_view Name) {
        for (auto& E : PaletteEntries()) {
            if (SameText(E.ClassName, Name)) return E;
        }
        return std::nullopt;
    }

    const TPropList& PropertiesOf(const TParsedObject& Object, bool IsFirst) {
        if (IsFirst && FTarget != nullptr) return FTarget->Properties();
        auto& Prototype = FPrototypes[Object.ClassName];
        if (!Prototype) Prototype.reset(Object.Create(nullptr));
        return Prototype->Properties();
    }

    TParsedProp Property(TLexer& Lex, int LineNo, const TParsedObject& Object, const TPropList& Props,
                         const std::string& Name) {
        TParsedProp Prop;
        Prop.Line = LineNo;
        for (const auto& Info : Props) {
            if (SameText(Info.Name, Name)) Prop.Info = &Info;
        }
        if (Prop.Info == nullptr) {
            std::string Known;
            for (const auto& Info : Props) {
                if (Info.Set && !SameText(Info.Name, "Name"))
                    Known += (Known.empty() ? "" : ", ") + std::string(Info.Name);
            }
            Lex.Fail("unknown property '" + Name + "' of " + Object.ClassName + ": expected one of " + Known);
        }
        const TPropInfo& Info = *Prop.Info;
        if (SameText(Info.Name, "Name"))
            Lex.Fail("the name is given on the object line: expected any property but Name");
        if (!Info.Set) Lex.Fail("the property " + std::string(Info.Name) + " is read-only");
        if (const TToken Eq = Lex.Next(); Eq.Kind != TTok::Equals) {
            Lex.Fail("expected '=' after " + std::string(Info.Name) + ", found " + Found(Eq));
        }
        const TToken V = Lex.Next();
        auto Wrong = [&]() {
            Lex.Fail("wrong value for " + std::string(Info.Name) + ": expected " + Expected(Info) + ", found " +
                     Found(V));
        };
        auto InRange = [&]() {
            const auto R = RangeOf(Info);
            if (V.Overflow || V.Int < R.Min || V.Int > R.Max) {
                Lex.Fail("the value " + V.Text + " is out of range for " + std::string(Info.Name) + ": expected " +
                         Expected(Info));
            }
            return V.Int;
        };
        switch (Info.Kind) {
            case TTypeKind::Boolean:
                if (V.Kind != TTok::Ident || (!SameText(V.Text, "True") && !SameText(V.Text, "False"))) Wrong();
                Prop.Value = SameText(V.Text, "True");
                break;
            case TTypeKind::Integer:
            case TTypeKind::Byte:
            case TTypeKind::Color:
                if (V.Kind != TTok::Integer) Wrong();
                Prop.Value = InRange();
                break;
            case TTypeKind::Enum:
                if (V.Kind == TTok::Integer) {
                    Prop.Value = InRange();
                } else if (V.Kind == TTok::Ident) {
                    bool Matched = false;
                    for (std::size_t I = 0; I < Info.EnumNames.size(); ++I) {
                        if (SameText(Info.EnumNames[I], V.Text)) {
                            Prop.Value = static_cast<std::int64_t>(I);
                            Matched = true;
                        }
                    }
                    if (!Matched) Wrong();
                } else {
                    Wrong();
                }
                break;
            case TTypeKind::String:
                if (V.Kind != TTok::String) Wrong();
                Prop.Value = AnsiString(V.Text);
                break;
            case TTypeKind::Component:
                if (V.Kind == TTok::Ident && SameText(V.Text, "nil")) {
                    Prop.Value = static_cast<TComponent*>(nullptr);
                } else if (V.Kind == TTok::Ident || V.Kind == TTok::String) {
                    if (V.Text.empty()) Wrong();
                    Prop.IsReference = true;
                    Prop.Reference = V.Text;
                    Prop.Value = static_cast<TComponent*>(nullptr);
                } else {
                    Wrong();
                }
                break;
        }
        ExpectEnd(Lex, "after the value of " + std::string(Info.Name));
        return Prop;
    }

    std::string_view FText;
    std::string FFile;
    const TComponent* FTarget;
    std::size_t FPos = 0;
    std::map<std::string, std::string> FNames;  // upper-case name -> class, of the file's objects
    std::map<std::string, std::unique_ptr<TComponent>> FPrototypes;
};

bool ClassFits(const TPropInfo& Info, std::string_view ClassName) {
    return Info.TypeName.empty() || SameText(Info.TypeName, "TComponent") || SameText(Info.TypeName, ClassName);
}

// One published property's value, kept to undo a load that failed.
struct TSavedValue {
    const TPropInfo* Info;
    TPropValue Value;
};

std::vector<TSavedValue> SaveValues(const TComponent& Component) {
    std::vector<TSavedValue> Values;
    for (const auto& Info : Component.Properties()) {
        if (Info.Get && Info.Set && !SameText(Info.Name, "Name")) Values.push_back({&Info, Info.Get(Component)});
    }
    return Values;
}

// Sets back, in declared order, every saved property whose value differs now. A setter may
// change another property (a shape that rounds the LED size), so a second pass catches what the
// first one left different. A setter that raises here is passed over: the error being reported
// is the one that made the load fail.
void RestoreValues(TComponent& Component, const std::vector<TSavedValue>& Values) {
    for (int Pass = 0; Pass < 2; ++Pass) {
        for (const auto& Saved : Values) {
            try {
                if (Saved.Info->Get(Component) != Saved.Value) Saved.Info->Set(Component, Saved.Value);
            } catch (...) {}
        }
    }
}

// Reads Text. Target (may be null) takes the first object; the others are created owned by
// Owner and placed on Parent. Existing components of Owner may be referred to.
std::vector<TComponent*> ReadForm(std::string_view Text, std::string_view FileName, TComponent* Target,
                                  TComponent* Owner, TWinControl* Parent, bool SingleObject) {
    const std::string File(FileName);
    // The parser keeps the prototypes (and so the property tables) alive until the end.
    TFormParser Parser(Text, FileName, Target);
    TParsedForm Form = Parser.Parse();
    if (SingleObject && Form.Objects.size() > 1) {
        throw EFormError(File, Form.Objects[1].Line,
                         "a second object: expected one object, as no owner takes the others");
    }

    // Names: a new component may not take the name of one its owner already has; references
    // go to the file's objects first, then to the owner's components (Target aside).
    std::map<std::string, TComponent*> Existing;
    if (Owner != nullptr) {
        for (int I = 0; I < Owner->ComponentCount(); ++I) {
            TComponent* C = Owner->Components(I);
            if (C != Target && !C->Name().empty()) Existing.emplace(UpperCase(C->Name()), C);
        }
    }
    std::map<std::string, std::size_t> FileNames;
    for (std::size_t I = 0; I < Form.Objects.size(); ++I) {
        const auto& Object = Form.Objects[I];
        if (Object.Name.empty()) continue;
        if (Existing.count(UpperCase(Object.Name)) != 0) {
            throw EFormError(File, Object.Line,
                             "a component named " + Object.Name + " already exists: expected a new name");
        }
        FileNames.emplace(UpperCase(Object.Name), I);
    }
    for (const auto& Object : Form.Objects) {
        for (const auto& Prop : Object.Props) {
            if (!Prop.IsReference) continue;
            const auto Key = UpperCase(Prop.Reference);
            std::string RefClass;
            if (auto It = FileNames.find(Key); It != FileNames.end()) {
                RefClass = Form.Objects[It->second].ClassName;
            } else if (auto Ex = Existing.find(Key); Ex != Existing.end()) {
                RefClass = std::string(Ex->second->ClassName());
            } else {
                throw EFormError(File, Prop.Line,
                                 "unknown component '" + Prop.Reference + "' for " + std::string(Prop.Info->Name) +
                                     ": expected the name of a " + TypeLabel(*Prop.Info) +
                                     " in this file or on the form");
            }
            if (!ClassFits(*Prop.Info, RefClass)) {
                throw EFormError(File, Prop.Line,
                                 "wrong component for " + std::string(Prop.Info->Name) + ": expected a " +
                                     TypeLabel(*Prop.Info) + ", " + Prop.Reference + " is a " + RefClass);
            }
        }
    }

    // Apply. Nothing below fails on sound input. Should a constructor, SetName or a setter raise
    // all the same, the load is undone: the target's published properties are set back to what
    // they were, the components created so far are freed, and the target gets its name back.
    // Every new component is made before the target is touched, so a constructor that raises
    // leaves the target as it was.
    std::vector<TComponent*> Created;
    std::vector<TComponent*> Components;
    Created.reserve(Form.Objects.size());  // so that recording a new component cannot fail
    Components.reserve(Form.Objects.size());
    const AnsiString TargetName = Target != nullptr ? Target->Name() : AnsiString();
    const std::vector<TSavedValue> TargetValues = Target != nullptr ? SaveValues(*Target) : std::vector<TSavedValue>();
    int FailedLine = 0;  // where the apply phase is, for the message if it fails
    std::string Doing;
    try {
        for (std::size_t I = 0; I < Form.Objects.size(); ++I) {
            if (I == 0 && Target != nullptr) {
                Components.push_back(Target);
                continue;
            }
            const auto& Object = Form.Objects[I];
            FailedLine = Object.Line;
            Doing = "cannot create " + Object.Name + " (" + Object.ClassName + ")";
            TComponent* C = Object.Create(Owner);
            Created.push_back(C);
            Components.push_back(C);
            if (auto* Control = dynamic_cast<TControl*>(C); Control != nullptr && Parent != nullptr)
                Control->SetParent(Parent);
        }
        for (std::size_t I = 0; I < Form.Objects.size(); ++I) {
            FailedLine = Form.Objects[I].Line;
            Doing = "cannot name the component " + Form.Objects[I].Name;
            Components[I]->SetName(Form.Objects[I].Name);
        }
        for (std::size_t I = 0; I < Form.Objects.size(); ++I) {
            for (auto& Prop : Form.Objects[I].Props) {
                if (Prop.IsReference) {
                    const auto Key = UpperCase(Prop.Reference);
                    auto It = FileNames.find(Key);
                    Prop.Value = It != FileNames.end() ? Components[It->second] : Existing.at(Key);
                }
                // The setter of the component's own table (the one checked against may be a
                // prototype's).
                const TPropInfo* Info = Components[I]->FindProperty(Prop.Info->Name);
                if (Info == nullptr || !Info->Set) continue;
                FailedLine = Prop.Line;
                Doing = "the value of " + std::string(Info->Name) + " was refused";
                Info->Set(*Components[I], Prop.Value);
            }
        }
    } catch (...) {
        if (Target != nullptr) RestoreValues(*Target, TargetValues);
        for (auto It = Created.rbegin(); It != Created.rend(); ++It) delete *It;
        if (Target != nullptr) {
            try {
                Target->SetName(TargetName);
            } catch (...) {
                // The name it had was accepted before; nothing better can be done here.
            }
        }
        try {
            throw;
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& E) {
            throw EFormError(File, FailedLine, Doing + ": " + E.what());
        }
    }
    return Created;
}

}  // namespace

// ---- Public -------------------------------------------------------------------------------------

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

std::vector<TComponent*> ReadFormObjects(std::string_view Text, std::string_view FileName, TComponent* Owner,
                                         TWinControl* Parent) {
    return ReadForm(Text, FileName, nullptr, Owner, Parent, Owner == nullptr);
}

TComponent* ReadFormText(std::string_view Text, std::string_view FileName, TComponent* Owner, TWinControl* Parent) {
    return ReadFormObjects(Text, FileName, Owner, Parent).front();
}

TComponent* ReadComponentFromFile(const std::string& Path, TComponent* Owner, TWinControl* Parent) {
    const std::string Text = ReadFile(Path);
    return ReadFormText(Text, Path, Owner, Parent);
}

void LoadComponentText(TComponent& Target, std::string_view Text, std::string_view FileName) {
    auto* Control = dynamic_cast<TControl*>(&Target);
    ReadForm(Text, FileName, &Target, Target.Owner(), Control != nullptr ? Control->Parent() : nullptr,
             Target.Owner() == nullptr);
}

void LoadComponentFromFile(TComponent& Target, const std::string& Path) {
    const std::string Text = ReadFile(Path);
    LoadComponentText(Target, Text, Path);
}

}  // namespace vyr::host
