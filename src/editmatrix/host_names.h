// The host's basic types under their short names, for the implementation's own files only (the
// public headers spell them host::Byte and so on, so that including them adds no names to vyr).
#pragma once

#include "vyr/host/Types.h"

namespace vyr {

using host::AnsiString;
using host::Byte;
using host::TColor;
using host::TShiftState;
using host::Word;

}  // namespace vyr
