// The library's entry point: registers the package's module record with the host when the
// library is loaded and unregisters it (releasing the resource module) when it is unloaded.
//
// The platform's loader has no entry point with reason codes; the constructor and destructor of
// the shared object call DllEntry with process attach and detach. DllEntry is exported so that a
// host can also deliver the thread notifications (which change nothing).
#include <cstdint>

#include "vyr/host/Module.h"

using vyr::host::HMODULE;

namespace {

// The package's module record, owned by the library for its whole life; all zero at load.
vyr::host::TLibModule LibModule;
// The library's own module handle.
HMODULE HInstance = 0;

}  // namespace

// Returns non-zero (success) for every reason code.
extern "C" __attribute__((visibility("default"))) int DllEntry(HMODULE Handle, std::uint32_t Reason,
                                                               void* /*Reserved*/) {
    using namespace vyr::host;
    HInstance = Handle;
    LibModule.Instance = Handle;
    LibModule.CodeInstance = 0;
    LibModule.DataInstance = 0;
    switch (Reason) {
        case DLL_PROCESS_ATTACH: {
            // The library's path, for finding a resource module next to it. The buffer holds 260
            // characters and the NUL; a longer path comes back cut short, would name another
            // file, and is not used: the library then supplies its own resources.
            char Path[261];
            const std::uint32_t Length = GetModuleFileNameA(Handle, Path, sizeof Path);
            HMODULE Resources = 0;
            if (Length > 0 && Length < sizeof Path) Resources = LoadResourceModule(Path);
            LibModule.ResInstance = Resources != 0 ? Resources : Handle;
            RegisterModule(&LibModule);
            break;
        }
        case DLL_PROCESS_DETACH:
            // The host must stop using the record before its resource module goes.
            UnregisterModule(&LibModule);
            if (LibModule.ResInstance != LibModule.Instance) {
                FreeLibrary(LibModule.ResInstance);
                // Released: a second detach must not release it again.
                LibModule.ResInstance = LibModule.Instance;
            }
            break;
        default:  // thread attach and detach: the library keeps no thread-local data
            break;
    }
    return 1;
}

namespace {

__attribute__((constructor)) void LibraryAttach() {
    DllEntry(vyr::host::ModuleOfAddress(&LibModule), vyr::host::DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) void LibraryDetach() { DllEntry(HInstance, vyr::host::DLL_PROCESS_DETACH, nullptr); }

}  // namespace
