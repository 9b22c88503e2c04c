// Form storage, reading: the parser (see formparser.h).
#include "formparser.h"

#include <algorithm>

#include "formcommon.h"
#include "vyr/host/FormStorage.h"
#include "vyr/host/Text.h"

namespace vyr::host::formdetail {

TParsedForm TFormParser::Parse() {
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
        if (First.Kind != TTok::Ident) Lex.Fail("expected a line 'PROPERTY = VALUE' or 'end', found " + Found(First));
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

bool TFormParser::NextLine(std::string_view& Line, int& LineNo) {
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

void TFormParser::ExpectEnd(TLexer& Lex, const std::string& Where) {
    const TToken T = Lex.Next();
    if (T.Kind != TTok::End) Lex.Fail("found " + Found(T) + " " + Where + ": expected the end of the line");
}

TParsedObject TFormParser::ObjectHeader(TLexer& Lex, int LineNo, bool IsFirst) {
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

std::optional<TPaletteEntry> TFormParser::FindClass(std::string_view Name) {
    for (auto& E : PaletteEntries()) {
        if (SameText(E.ClassName, Name)) return E;
    }
    return std::nullopt;
}

const TPropList& TFormParser::PropertiesOf(const TParsedObject& Object, bool IsFirst) {
    if (IsFirst && FTarget != nullptr) return FTarget->Properties();
    auto& Prototype = FPrototypes[Object.ClassName];
    if (!Prototype) Prototype.reset(Object.Create(nullptr));
    return Prototype->Properties();
}

TParsedProp TFormParser::Property(TLexer& Lex, int LineNo, const TParsedObject& Object, const TPropList& Props,
                                  const std::string& Name) {
    TParsedProp Prop;
    Prop.Line = LineNo;
    for (const auto& Info : Props) {
        if (SameText(Info.Name, Name)) Prop.Info = &Info;
    }
    if (Prop.Info == nullptr) {
        std::string Known;
        for (const auto& Info : Props) {
            if (Info.Set && !SameText(Info.Name, "Name")) Known += (Known.empty() ? "" : ", ") + std::string(Info.Name);
        }
        Lex.Fail("unknown property '" + Name + "' of " + Object.ClassName + ": expected one of " + Known);
    }
    const TPropInfo& Info = *Prop.Info;
    if (SameText(Info.Name, "Name")) Lex.Fail("the name is given on the object line: expected any property but Name");
    if (!Info.Set) Lex.Fail("the property " + std::string(Info.Name) + " is read-only");
    if (const TToken Eq = Lex.Next(); Eq.Kind != TTok::Equals) {
        Lex.Fail("expected '=' after " + std::string(Info.Name) + ", found " + Found(Eq));
    }
    const TToken V = Lex.Next();
    auto Wrong = [&]() {
        Lex.Fail("wrong value for " + std::string(Info.Name) + ": expected " + Expected(Info) + ", found " + Found(V));
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

}  // namespace vyr::host::formdetail
