// Form storage, reading: the parse phase. The whole text is checked (syntax, classes, property
// names, value types and ranges, names given once) against the property tables of the classes
// involved, read from a prototype of each class; nothing is created or changed. References to
// other components are kept by name; the reader resolves them.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formlexer.h"
#include "vyr/host/Component.h"
#include "vyr/host/Registry.h"

namespace vyr::host::formdetail {

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

// The prototypes, and so the property tables the parsed form points into, live as long as the
// parser.
class TFormParser {
public:
    // Target: when not null, the first object must be of its class and is checked against its
    // property table.
    TFormParser(std::string_view Text, std::string_view FileName, const TComponent* Target)
        : FText(Text), FFile(FileName), FTarget(Target) {}

    TParsedForm Parse();

private:
    bool NextLine(std::string_view& Line, int& LineNo);
    void ExpectEnd(TLexer& Lex, const std::string& Where);
    TParsedObject ObjectHeader(TLexer& Lex, int LineNo, bool IsFirst);
    static std::optional<TPaletteEntry> FindClass(std::string_view Name);
    const TPropList& PropertiesOf(const TParsedObject& Object, bool IsFirst);
    TParsedProp Property(TLexer& Lex, int LineNo, const TParsedObject& Object, const TPropList& Props,
                         const std::string& Name);

    std::string_view FText;
    std::string FFile;
    const TComponent* FTarget;
    std::size_t FPos = 0;
    std::map<std::string, std::string> FNames;  // upper-case name -> class, of the file's objects
    std::map<std::string, std::unique_ptr<TComponent>> FPrototypes;
};

}  // namespace vyr::host::formdetail
