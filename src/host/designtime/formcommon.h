// Form storage, the pieces the writer, the lexer, the parser and the reader share: what a name
// may be, how a byte is shown in a message, and what each kind of property value accepts.
// Internal to the host library (the public interface is vyr/host/FormStorage.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vyr/host/Component.h"

namespace vyr::host::formdetail {

bool IsIdentStart(char C);
bool IsIdentChar(char C);
bool IsSpace(char C);
// A name written without quotes: a letter or '_', then letters, digits and '_'.
bool IsIdentifier(std::string_view S);

// How a byte is shown in a message: 'c' when printable ASCII, else 0xHH.
std::string ShowByte(unsigned char C);

// The values an ordinal property takes: its declared range, else its type's.
struct TRange {
    std::int64_t Min;
    std::int64_t Max;
};
TRange RangeOf(const TPropInfo& Info);

// The property's type as messages name it.
std::string TypeLabel(const TPropInfo& Info);
// What a property expects, for messages.
std::string Expected(const TPropInfo& Info);

}  // namespace vyr::host::formdetail
