#include "vyr/CharSet.h"

#include "vyr/Register.h"
#include "vyr/host/Registry.h"

namespace vyr {

TCharSet::TCharSet(host::TComponent* AOwner) : host::TComponent(AOwner) {}

TCharSet::~TCharSet() = default;

Byte TCharSet::GetCharColumn(Byte /*Character*/, Byte /*Column*/) const { return 0; }

void TCharSet::SetCharcolumn(Byte /*Character*/, Byte /*Column*/, Byte /*Value*/) {}

void CharSetUnit::Register() {
    const host::TComponentClass Classes[] = {host::ComponentClassOf<TCharSet>("TCharSet")};
    host::RegisterComponents("Vyr-Components", Classes);
}

}  // namespace vyr
