/// @file
/// What the Qt backends (Widgets and Quick) share: conversions between Qt's and the host's keys,
/// text and colours, and the one rule that routes a Qt key press to a host window control. Both
/// backends use these functions, so a key behaves the same in a QWidget and in a QQuickItem.
/// Header only (Qt GUI and the host interface): neither backend links the other.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtGui/QColor>
#include <algorithm>

#include "vyr/host/Controls.h"
#include "vyr/host/Types.h"

namespace vyr::qt {

/// The virtual-key code of a named Qt key (Qt::Key_Left -> 37, Qt::Key_PageUp -> 33), or 0 for a
/// key without one. Keys that type a character have none (Qt::Key_Exclam is 0x21, the code of
/// Page Up): their character reaches the control as a key-press only. Named keys: Backspace, Tab,
/// Return and Enter, Escape, Space, Page Up/Down, End, Home, the four arrows, Insert, Delete and
/// F1 to F24.
[[nodiscard]] inline host::Word VirtualKey(int QtKey) {
    namespace vk = host::vk;
    switch (QtKey) {
        case Qt::Key_Backspace:
            return vk::Back;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return vk::Tab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return vk::Return;
        case Qt::Key_Escape:
            return vk::Escape;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return vk::Prior;
        case Qt::Key_PageDown:
            return vk::Next;
        case Qt::Key_End:
            return vk::End;
        case Qt::Key_Home:
            return vk::Home;
        case Qt::Key_Left:
            return vk::Left;
        case Qt::Key_Up:
            return vk::Up;
        case Qt::Key_Right:
            return vk::Right;
        case Qt::Key_Down:
            return vk::Down;
        case Qt::Key_Insert:
            return vk::Insert;
        case Qt::Key_Delete:
            return vk::Delete;
        default:
            break;
    }
    /// F1..F24 are 112..135.
    if (QtKey >= Qt::Key_F1 && QtKey <= Qt::Key_F24) {
        return static_cast<host::Word>(112 + (QtKey - Qt::Key_F1));
    }
    return 0;
}

/// Shift, Ctrl and Alt as the host's shift state.
[[nodiscard]] inline host::TShiftState ShiftState(Qt::KeyboardModifiers Modifiers) {
    host::TShiftState Shift = 0;
    if (Modifiers.testFlag(Qt::ShiftModifier)) Shift |= host::ssShift;
    if (Modifiers.testFlag(Qt::ControlModifier)) Shift |= host::ssCtrl;
    if (Modifiers.testFlag(Qt::AltModifier)) Shift |= host::ssAlt;
    return Shift;
}

/// 8-bit text from a QString: every character outside Latin-1 becomes '?'.
[[nodiscard]] inline host::AnsiString ToAnsi(const QString& Text) {
    const QByteArray Latin1 = Text.toLatin1();  // '?' for what Latin-1 lacks
    return host::AnsiString(Latin1.constData(), static_cast<std::size_t>(Latin1.size()));
}

/// A QString from 8-bit text, each code read as the Latin-1 character of the same number.
[[nodiscard]] inline QString FromAnsi(const host::AnsiString& Text) {
    return QString::fromLatin1(Text.data(), static_cast<qsizetype>(Text.size()));
}

/// Colours: red, green and blue carry over; the alpha channel and the top byte of a TColor do not.
/// An invalid QColor is black.
[[nodiscard]] inline host::TColor ToTColor(const QColor& Color) {
    if (!Color.isValid()) return 0;
    const QRgb Rgb = Color.rgb();
    return static_cast<host::TColor>(qRed(Rgb)) | (static_cast<host::TColor>(qGreen(Rgb)) << 8) |
           (static_cast<host::TColor>(qBlue(Rgb)) << 16);
}

/// The opaque QColor of a TColor's red, green and blue bytes.
[[nodiscard]] inline QColor ToQColor(host::TColor Color) {
    return QColor(static_cast<int>(Color & 0xFF), static_cast<int>((Color >> 8) & 0xFF),
                  static_cast<int>((Color >> 16) & 0xFF));
}

/// Where one Qt key press goes.
struct TKeyRoute {
    host::Word Key = 0;           ///< the key-down's virtual key; 0: no key-down
    host::TShiftState Shift = 0;  ///< the key-down's shift state
    host::AnsiString Chars;       ///< the key-presses, in order
    bool Delivered = false;       ///< the control gets the key-down and key-presses at all
    bool Taken = false;           ///< the Qt event is accepted (it does not go on to the parents)
};

/// The route of a key press (Qt key code, modifiers, its text) to Control. Named keys reach the
/// key-down as virtual keys; the text of keys that type (character keys, Space, and Backspace, Tab,
/// Return and Escape with their control characters) reaches the key-press as Latin-1 characters,
/// so '!' is a key-press only and never Page Up. The arrow keys are the control's only when its
/// answer to WM_GETDLGCODE has DLGC_WANTARROWS, as a dialog asks. Return, Escape and keys the
/// control neither handles nor types reach the control and then go on to the parents (a dialog's
/// default and cancel buttons).
/// Encode turns the typed text into the control's 8-bit codes (Latin-1 in the overload without it:
/// a window whose control reads another code page passes its own).
template <class TEncode>
[[nodiscard]] inline TKeyRoute RouteKey(host::TWinControl& Control, int QtKey, Qt::KeyboardModifiers Modifiers,
                                        const QString& Text, const TEncode& Encode) {
    namespace vk = host::vk;
    TKeyRoute Route;
    Route.Key = VirtualKey(QtKey);
    Route.Shift = ShiftState(Modifiers);
    const host::Word Key = Route.Key;
    /// Of the named keys only these type a character (the others' text, such as the DEL that
    /// Delete carries on X11, is not a typed character).
    const bool Types =
        Key == 0 || Key == vk::Back || Key == vk::Tab || Key == vk::Return || Key == vk::Escape || Key == 32;
    if (Types) Route.Chars = Encode(Text);
    const bool Arrow = Key == vk::Left || Key == vk::Right || Key == vk::Up || Key == vk::Down;
    bool WantsArrows = false;
    if (Arrow) {
        host::TMessage DlgCode{host::WM_GETDLGCODE, 0, 0, 0};
        Control.Perform(DlgCode);
        WantsArrows = (DlgCode.Result & host::DLGC_WANTARROWS) != 0;
    }
    Route.Delivered = Arrow ? WantsArrows : (Key != 0 || !Route.Chars.empty());
    const bool Typed =
        std::any_of(Route.Chars.begin(), Route.Chars.end(), [](char Ch) { return static_cast<host::Byte>(Ch) >= 32; });
    Route.Taken = Route.Delivered && Key != vk::Return && Key != vk::Escape && (Key != 0 || Typed);
    return Route;
}

/// RouteKey with typed text as Latin-1 (characters outside it become '?').
[[nodiscard]] inline TKeyRoute RouteKey(host::TWinControl& Control, int QtKey, Qt::KeyboardModifiers Modifiers,
                                        const QString& Text) {
    return RouteKey(Control, QtKey, Modifiers, Text, [](const QString& Typed) { return ToAnsi(Typed); });
}

}  // namespace vyr::qt
