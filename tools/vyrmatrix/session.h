// The host setup every command shares: a shown headless form with one TEditMatrix on it (tab
// order 0, so it has its window from the start) and optional plain focusable siblings after it.
#pragma once

#include <memory>
#include <stdexcept>
#include <vector>

#include "host/headless/CountingPeer.h"
#include "values.h"
#include "vyr/EditMatrix.h"
#include "vyr/headless/Headless.h"
#include "vyr/host/Controls.h"

namespace vyr::cli {

// A failure while running a command (an unwritable file, a property the control does not
// publish); the message is the whole line to show.
class TRunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSession {
public:
    // Siblings: further plain focusable controls (tab orders 1..Siblings). Nothing has the
    // focus and nothing has been painted yet.
    explicit TSession(int Siblings);
    ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    [[nodiscard]] headless::THeadlessWidgetSet& WidgetSet() { return FWidgetSet; }
    [[nodiscard]] host::TForm& Form() const { return *FForm; }
    [[nodiscard]] TEditMatrix& Matrix() const { return *FMatrix; }
    [[nodiscard]] const std::vector<host::TCustomControl*>& Siblings() const { return FSiblings; }
    // The matrix's window, counting the frames copied onto it.
    [[nodiscard]] headless::TCountingPeer& Peer() const;

    // The first paint, as a form being shown would do it.
    void PaintOnce();
    // Sets a published property of the matrix through its setter (the control's property
    // table), with every effect the setter has.
    void Apply(const TAssignment& Assignment);

private:
    headless::TCountingWidgetSet FWidgetSet;
    std::unique_ptr<host::TForm> FForm;  // destroyed before the widget set
    TEditMatrix* FMatrix = nullptr;      // owned by the form
    std::vector<host::TCustomControl*> FSiblings;
};

}  // namespace vyr::cli
