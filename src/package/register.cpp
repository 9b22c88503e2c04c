// The palette registration of both units, side by side: each unit's Register puts its own class
// on the one palette page, and a program that links the components statically runs both.
#include "vyr/Register.h"

#include "vyr/CharSet.h"
#include "vyr/EditMatrix.h"
#include "vyr/host/Registry.h"

namespace vyr {

void CharSetUnit::Register() {
    const host::TComponentClass Classes[] = {host::ComponentClassOf<TCharSet>("TCharSet")};
    host::RegisterComponents(PalettePage, Classes);
}

void EditMatrixUnit::Register() {
    const host::TComponentClass Classes[] = {host::ComponentClassOf<TEditMatrix>("TEditMatrix")};
    host::RegisterComponents(PalettePage, Classes);
}

void RegisterComponentUnits() {
    CharSetUnit::Register();
    EditMatrixUnit::Register();
}

}  // namespace vyr
