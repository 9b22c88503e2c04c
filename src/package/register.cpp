// The EditMatrix unit's palette registration, and both units together for programs that link
// the components statically.
#include "vyr/Register.h"
#include "vyr/EditMatrix.h"
#include "vyr/host/Registry.h"

namespace vyr {

void EditMatrixUnit::Register() {
    const host::TComponentClass Classes[] = {host::ComponentClassOf<TEditMatrix>("TEditMatrix")};
    host::RegisterComponents("Vyr-Components", Classes);
}

void RegisterComponentUnits() {
    CharSetUnit::Register();
    EditMatrixUnit::Register();
}

}  // namespace vyr
