#include "vyr/CharSet.h"

namespace vyr {

using host::Byte;

TCharSet::TCharSet(host::TComponent* AOwner) : host::TComponent(AOwner) {}

TCharSet::~TCharSet() = default;

Byte TCharSet::GetCharColumn(Byte /*Character*/, Byte /*Column*/) const { return 0; }

void TCharSet::SetCharcolumn(Byte /*Character*/, Byte /*Column*/, Byte /*Value*/) {}

}  // namespace vyr
