// Keyboard, focus and dialog integration: the key table, typed characters, the focus walk of
// Up and Down, focus colours, and the answers to three window messages.
//
// Every handler does its own work first and then runs the host's inherited handling with the
// same arguments; the host's handling cannot undo what the control has done. An exception from
// the control's own work (the focus walk's checked conversion) leaves the handler before the
// inherited handling runs and goes on to the host's message dispatch, which reports it.
#include "../host_names.h"
#include "vyr/EditMatrix.h"
#include "vyr/host/Types.h"

namespace vyr {

namespace vk = host::vk;

void TEditMatrix::KeyDown(Word& Key, TShiftState Shift) {
    // The shift state is ignored: Shift, Ctrl or Alt with a key act as the plain key.
    GetSpecialKey(Key);
    TCustomControl::KeyDown(Key, Shift);
}

void TEditMatrix::KeyPress(char& Key) {
    // Typed characters edit the text only in edit mode.
    if (!FScroll) GetCharKey(Key);
    TCustomControl::KeyPress(Key);
}

void TEditMatrix::Click() {
    SetFocus();
    TCustomControl::Click();
}

void TEditMatrix::DoEnter() {
    // In scroll mode the marquee keeps its colours whatever the focus does.
    if (!FScroll) FSetActiveLED(true);
    TCustomControl::DoEnter();
}

void TEditMatrix::DoExit() {
    if (!FScroll) FSetActiveLED(false);
    TCustomControl::DoExit();
}

void TEditMatrix::WndProc(host::TMessage& Message) {
    switch (Message.Msg) {
        case host::WM_ERASEBKGND:
            WMEraseBkgnd(Message);
            break;
        case host::WM_GETDLGCODE:
            WMGetDlgCode(Message);
            break;
        case host::WM_NEXTDLGCTL:
            WMNextDlgCtl(Message);
            break;
        default:
            TCustomControl::WndProc(Message);
            break;
    }
}

// Paint covers the whole control, so the background is never erased (no flicker).
void TEditMatrix::WMEraseBkgnd(host::TMessage&) {}

// The arrow keys belong to the control, not to the dialog navigation of the form.
void TEditMatrix::WMGetDlgCode(host::TMessage& Message) {
    DefaultHandler(Message);
    Message.Result |= host::DLGC_WANTARROWS;
}

void TEditMatrix::WMNextDlgCtl(host::TMessage& Message) { DefaultHandler(Message); }

void TEditMatrix::GetSpecialKey(int Key) {
    switch (Key) {
        case vk::Back:
            BackSpaceChar();
            break;
        case vk::Prior:
            GoPageUp();
            break;
        case vk::Next:
            GoPageDown();
            break;
        case vk::End:
            GoEnd();
            break;
        case vk::Home:
            GoHome();
            break;
        case vk::Left:
            GoLeft();
            break;
        case vk::Right:
            GoRight();
            break;
        case vk::Insert:
            // Only typing shows the difference; nothing is redrawn.
            FSetOverwrite(!FOverwrite);
            break;
        case vk::Delete:
            DeleteChar();
            break;
        default:
            // Up and Down move the focus; every other key is left to the host.
            ExitComp(Key);
            break;
    }
}

void TEditMatrix::GetCharKey(char Key) {
    // Control characters (Backspace, Tab, Enter, Escape...) are never stored.
    const auto Code = static_cast<Byte>(Key);
    if (Code >= 32) InsertChar(Code);
}

void TEditMatrix::InsertCharacter(char Key) { GetCharKey(Key); }

void TEditMatrix::ExitComp(int Key) {
    if (Key != vk::Up && Key != vk::Down) return;
    host::TWinControl* Owner = Parent();
    if (Owner == nullptr) return;
    const int n = Owner->ControlCount();
    if (n <= 1) return;

    // The previous or next tab order, wrapping at both ends. The parent numbers the tab orders
    // of its window controls 0..n-1 in order.
    const int t = TabOrder();
    int Wanted = 0;
    if (Key == vk::Up) {
        Wanted = t == 0 ? n - 1 : t - 1;
    } else {
        Wanted = t == n - 1 ? 0 : t + 1;
    }

    // The walk converts each child it passes with a checked conversion: a child that is not a
    // window control raises EInvalidCast here and the focus stays where it is.
    for (int i = 0; i < n; ++i) {
        host::TWinControl& Child = host::AsWinControl(Owner->Controls(i));
        if (Child.TabOrder() == Wanted || i == n - 1) {
            Child.SetFocus();
            return;
        }
    }
}

char TEditMatrix::UpcaseDK(char Key) {
    switch (static_cast<Byte>(Key)) {
        case 229:  // a with ring above
            return static_cast<char>(197);
        case 230:  // ae
            return static_cast<char>(198);
        case 248:  // o with stroke
            return static_cast<char>(216);
        default:
            return host::UpCase(Key);
    }
}

}  // namespace vyr
