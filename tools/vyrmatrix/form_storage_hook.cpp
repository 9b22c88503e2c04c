// The form options of `render` on the host's form storage.
//
// --load-form: the file must be readable when the arguments are checked (else it is a bad
// argument). Its first object is applied to the matrix (class TEditMatrix; it takes the
// object's name, then the properties through their setters, in file order); further objects,
// such as a TCharSet that Charset refers to, are created on the form. It is read right after
// the matrix is built, before the host's first paint, as a form is read before it is shown.
// A file the form storage rejects is reported like a bad argument (exit 2): nothing has been
// changed, printed or written by then. Running out of memory while reading it is no fault of
// the argument: it is reported as what it is (exit 1).
//
// --save-form: after the actions, the matrix and the component its Charset refers to (when the
// form owns one) are written, the matrix first, so that --load-form reads the file back.
#include "form_storage_hook.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "arguments.h"
#include "session.h"
#include "vyr/CharSet.h"
#include "vyr/host/FormStorage.h"

#include "vyr/Register.h"

namespace vyr::cli {

namespace {

// Form files name classes; the palette must know the two component classes.
void RegisterClasses() {
    static const bool Done = (RegisterComponentUnits(), true);
    (void)Done;
}

}  // namespace

void CheckFormStorageOptions(const std::optional<std::string>& LoadForm,
                             const std::optional<std::string>& /*SaveForm*/) {
    if (!LoadForm) return;
    // O_NONBLOCK: a FIFO is refused below instead of waiting for a writer.
    const int Handle = ::open(LoadForm->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (Handle < 0) {
        throw TBadArgument("--load-form " + *LoadForm,
                           std::string("cannot open the form file: ") + std::strerror(errno));
    }
    struct stat Info {};
    const bool Regular = ::fstat(Handle, &Info) == 0 && S_ISREG(Info.st_mode);
    ::close(Handle);
    if (!Regular) throw TBadArgument("--load-form " + *LoadForm, "cannot read the form file: not a regular file");
}

void LoadForm(TSession& Session, const std::string& Path) {
    RegisterClasses();
    try {
        host::LoadComponentFromFile(Session.Matrix(), Path);
    } catch (const std::bad_alloc&) {
        throw TRunError("--load-form " + Path + ": out of memory while reading the form");
    } catch (const std::exception& E) {
        throw TBadArgument("--load-form " + Path, E.what());
    }
}

void SaveForm(const TSession& Session, const std::string& Path) {
    std::vector<const host::TComponent*> Components{&Session.Matrix()};
    if (const TCharSet* Charset = Session.Matrix().Charset(); Charset && Charset->Owner() == &Session.Form()) {
        Components.push_back(Charset);
    }
    try {
        host::SaveComponentsToFile(Components, Path);
    } catch (const host::EFormError& E) {
        throw TRunError(std::string("--save-form: ") + E.what());
    } catch (const std::bad_alloc&) {
        throw TRunError("--save-form " + Path + ": out of memory while writing the form");
    }
}

}  // namespace vyr::cli
