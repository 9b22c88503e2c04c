// What assistive technology is told about an LED display, shared by the widget
// (vyr::QEditMatrix) and the Qt Quick item (EditMatrix): the text a reader speaks, the default
// name and description, the role and state, the text change events, and the text interfaces over
// a control. Header only, Qt GUI only (the Quick module links no widgets). Private: never
// installed.
#pragma once

#include <QtCore/QCoreApplication>
#include <QtCore/QRect>
#include <QtCore/QString>
#include <QtGui/QAccessible>
#include <algorithm>

#include "vyr/EditMatrix.h"
#include "vyr/qt/QtInput.h"

namespace vyr::qt {

// The text a screen reader is given for the control: in edit mode the text as it is; while
// scrolling the characters the marquee shows (codes removed, "@@" as "@"), as the scroll stream
// reads them.
inline QString AccessibleText(const TEditMatrix& Matrix) {
    const host::AnsiString Text = Matrix.FReadText();
    return FromAnsi(Matrix.Scroll() ? TEditMatrix::MarqueeText(Text) : Text);
}

// The name of an LED display that has no name of its own and no label.
inline QString DefaultAccessibleName() { return QCoreApplication::translate("vyr::EditMatrix", "LED display"); }

// What the display is, in the mode it is in.
inline QString DefaultAccessibleDescription(bool Scrolling) {
    return Scrolling ? QCoreApplication::translate("vyr::EditMatrix", "LED dot-matrix display, scrolling")
                     : QCoreApplication::translate("vyr::EditMatrix", "LED dot-matrix display, editable");
}

// Edit mode: an editable text line. Scrolling: a static text (what Qt offers a reader for a text
// that is read, not edited: AT-SPI "label", which Orca speaks whole), read-only and animated.
// QAccessible has no marquee role, and "animation" would make readers skip the text.
inline QAccessible::Role AccessibleRole(const TEditMatrix& Matrix) {
    return Matrix.Scroll() ? QAccessible::StaticText : QAccessible::EditableText;
}

inline void AddAccessibleState(const TEditMatrix& Matrix, QAccessible::State& State) {
    State.editable = !Matrix.Scroll();
    State.readOnly = Matrix.Scroll();
    State.animated = Matrix.Scroll();
    State.multiLine = false;
}

// The change from Old to Now as one edit: Position, the characters removed there and the ones
// inserted. The longest common start and end are left out; Cursor, the cursor after the change,
// picks among equally good places: an insertion or a removal is placed to end at the cursor (or
// start there for a removal after it) where it can be, so typing the second "l" of "Hel|lo" is
// an insertion at 3, not at 4.
struct TTextChange {
    int Position = 0;
    QString Removed;
    QString Inserted;
};

inline TTextChange DiffText(const QString& Old, const QString& Now, int Cursor) {
    const qsizetype Shorter = std::min(Old.size(), Now.size());
    qsizetype Prefix = 0;
    while (Prefix < Shorter && Old[Prefix] == Now[Prefix]) ++Prefix;
    // An insertion ends at the cursor; a removal (Backspace or Delete) starts at it.
    const qsizetype Grown = std::max<qsizetype>(0, Now.size() - Old.size());
    Prefix = std::min(Prefix, std::max<qsizetype>(0, Cursor - Grown));
    qsizetype Suffix = 0;
    while (Suffix < Shorter - Prefix && Old[Old.size() - 1 - Suffix] == Now[Now.size() - 1 - Suffix]) ++Suffix;
    return {static_cast<int>(Prefix), Old.mid(Prefix, Old.size() - Prefix - Suffix),
            Now.mid(Prefix, Now.size() - Prefix - Suffix)};
}

// A switch between editing and scrolling, through Send: the states that differ between the two
// roles changed, and the description too when it is the default one (which names the mode).
template <typename TSend>
void SendModeChange(QObject* Object, bool DefaultDescription, TSend&& Send) {
    QAccessible::State Changed;
    Changed.editable = true;
    Changed.readOnly = true;
    Changed.animated = true;
    QAccessibleStateChangeEvent State(Object, Changed);
    Send(State);
    if (DefaultDescription) {
        QAccessibleEvent Description(Object, QAccessible::DescriptionChanged);
        Send(Description);
    }
}

// The event a QLineEdit would send for the change (none for equal texts), given to Send.
template <typename TSend>
void SendTextChange(QObject* Object, const QString& Old, const QString& Now, int Cursor, TSend&& Send) {
    if (Old == Now) return;
    const TTextChange Change = DiffText(Old, Now, Cursor);
    if (Change.Removed.isEmpty()) {
        QAccessibleTextInsertEvent Event(Object, Change.Position, Change.Inserted);
        Send(Event);
    } else if (Change.Inserted.isEmpty()) {
        QAccessibleTextRemoveEvent Event(Object, Change.Position, Change.Removed);
        Send(Event);
    } else {
        QAccessibleTextUpdateEvent Event(Object, Change.Position, Change.Removed, Change.Inserted);
        Send(Event);
    }
}

// QAccessibleTextInterface and QAccessibleEditableTextInterface over the control of a widget or
// an item, for TOwner (the accessible interface class) which provides:
//   TEditMatrix& Control() const;              the control
//   QPoint ToScreen(QPoint) const;             the peer's coordinates to the screen's
//   QPoint FromScreen(QPoint) const;           and back
//   void MoveCursor(int Position);             as Left and Right keys would
//   void Edit(int Start, int End, QString);    replaces [Start, End) through the control's editing
// Offsets are character indices of AccessibleText. No selection: the control has none. While
// scrolling the text is read-only, has no cursor (0) and no character rectangles (the characters
// run past).
template <typename TOwner>
class TMatrixTextInterfaces : public QAccessibleTextInterface, public QAccessibleEditableTextInterface {
public:
    void selection(int /*SelectionIndex*/, int* StartOffset, int* EndOffset) const override {
        *StartOffset = 0;
        *EndOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int /*StartOffset*/, int /*EndOffset*/) override {}
    void removeSelection(int /*SelectionIndex*/) override {}
    void setSelection(int /*SelectionIndex*/, int /*StartOffset*/, int /*EndOffset*/) override {}

    int cursorPosition() const override { return M().Scroll() ? 0 : M().CursorPos(); }
    void setCursorPosition(int Position) override {
        if (!M().Scroll()) Self().MoveCursor(Position);
    }

    QString text(int StartOffset, int EndOffset) const override {
        const QString Text = AccessibleText(M());
        const auto Start = std::clamp<qsizetype>(StartOffset, 0, Text.size());
        const auto End = std::clamp<qsizetype>(EndOffset, Start, Text.size());
        return Text.mid(Start, End - Start);
    }
    int characterCount() const override {
        return M().Scroll() ? static_cast<int>(AccessibleText(M()).size()) : M().TextLength();
    }

    // The five lit columns and seven rows of the character's cell, in screen coordinates.
    QRect characterRect(int Offset) const override {
        const TEditMatrix& C = M();
        const int Cell = Offset - C.FirstVisible();
        if (C.Scroll() || Offset < 0 || Offset > C.TextLength() || Cell < 0 || Cell >= C.TotalVisible()) return {};
        const int D = C.LEDDistance();
        const int P = C.LEDSize() + D;
        const QRect Local(D + P * 6 * Cell, D, 5 * P - D, 7 * P - D);
        return {Self().ToScreen(Local.topLeft()), Local.size()};
    }
    int offsetAtPoint(const QPoint& Point) const override {
        const TEditMatrix& C = M();
        const QPoint Local = Self().FromScreen(Point);
        const int D = C.LEDDistance();
        const int P = C.LEDSize() + D;
        const int CellWidth = 6 * P;
        if (C.Scroll() || CellWidth <= 0 || Local.x() < D || Local.y() < 0 || Local.y() >= D + 9 * P) return -1;
        const int Cell = (Local.x() - D) / CellWidth;
        if (Cell >= C.TotalVisible()) return -1;
        const int Offset = C.FirstVisible() + Cell;
        return Offset < C.TextLength() ? Offset : -1;
    }
    // Moving the cursor there brings the start into view.
    void scrollToSubstring(int StartIndex, int /*EndIndex*/) override { setCursorPosition(StartIndex); }
    QString attributes(int /*Offset*/, int* StartOffset, int* EndOffset) const override {
        *StartOffset = 0;
        *EndOffset = characterCount();
        return {};
    }

    void deleteText(int StartOffset, int EndOffset) override { replaceText(StartOffset, EndOffset, {}); }
    void insertText(int Offset, const QString& Text) override { replaceText(Offset, Offset, Text); }
    void replaceText(int StartOffset, int EndOffset, const QString& Text) override {
        if (M().Scroll()) return;
        const int Length = M().TextLength();
        const int Start = std::clamp(StartOffset, 0, Length);
        const int End = std::clamp(EndOffset, Start, Length);
        if (Start == End && Text.isEmpty()) return;
        Self().Edit(Start, End, Text);
    }

private:
    [[nodiscard]] const TOwner& Self() const { return static_cast<const TOwner&>(*this); }
    [[nodiscard]] TOwner& Self() { return static_cast<TOwner&>(*this); }
    [[nodiscard]] const TEditMatrix& M() const { return Self().Control(); }
};

// The editing behind TMatrixTextInterfaces::replaceText, on the control itself (the caller
// brackets it as a call from Qt and holds the frames): the cursor goes to End, Backspace removes
// down to Start, and each character of Text is typed in insert mode, whatever the Insert key
// chose (as a line edit inserts text given to it); control characters become spaces, as in the
// text property. The cursor ends after the inserted text; the window follows as for keys.
inline void EditControlText(TEditMatrix& Matrix, int Start, int End, const QString& Text) {
    while (Matrix.CursorPos() > End) Matrix.GoLeft();
    while (Matrix.CursorPos() < End) Matrix.GoRight();
    while (Matrix.CursorPos() > Start) Matrix.BackSpaceChar();
    if (Text.isEmpty()) return;
    const bool Overwrite = Matrix.Overwrite();
    if (Overwrite) Matrix.FSetOverwrite(false);
    for (const char Ch : ToAnsi(Text)) {
        const auto Code = static_cast<host::Byte>(Ch);
        Matrix.InsertChar(Code < 32 ? host::Byte{' '} : Code);
    }
    if (Overwrite) Matrix.FSetOverwrite(true);
}

}  // namespace vyr::qt
