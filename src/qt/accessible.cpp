// QEditMatrix for assistive technology: an editable text with a cursor and no selection. Offsets
// are character indices of the text; a character has a rectangle while its cell is in view.
#include <QtGui/QAccessible>
#include <QtWidgets/QAccessibleWidget>
#include <algorithm>

#include "accessible.h"
#include "vyr/qt/QEditMatrix.h"

namespace vyr::qt {

namespace {

class TEditMatrixAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TEditMatrixAccessible(QEditMatrix* Widget) : QAccessibleWidget(Widget, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType Type) override {
        if (Type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(Type);
    }

    QString text(QAccessible::Text Kind) const override {
        if (Kind == QAccessible::Value) return Matrix()->text();
        return QAccessibleWidget::text(Kind);
    }

    QAccessible::State state() const override {
        QAccessible::State State = QAccessibleWidget::state();
        State.editable = true;
        return State;
    }

    // No selection: the control has none.
    void selection(int /*SelectionIndex*/, int* StartOffset, int* EndOffset) const override {
        *StartOffset = 0;
        *EndOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int /*StartOffset*/, int /*EndOffset*/) override {}
    void removeSelection(int /*SelectionIndex*/) override {}
    void setSelection(int /*SelectionIndex*/, int /*StartOffset*/, int /*EndOffset*/) override {}

    int cursorPosition() const override { return Matrix()->cursorPosition(); }
    void setCursorPosition(int Position) override { Matrix()->setCursorPosition(Position); }

    QString text(int StartOffset, int EndOffset) const override {
        const QString Text = Matrix()->text();
        const auto Start = std::clamp<qsizetype>(StartOffset, 0, Text.size());
        const auto End = std::clamp<qsizetype>(EndOffset, Start, Text.size());
        return Text.mid(Start, End - Start);
    }
    int characterCount() const override { return static_cast<int>(Matrix()->text().size()); }

    // The five lit columns and seven rows of the character's cell, in screen coordinates.
    QRect characterRect(int Offset) const override {
        const TEditMatrix& M = Matrix()->control();
        const int Cell = Offset - M.FirstVisible();
        if (Offset < 0 || Offset > M.TextLength() || Cell < 0 || Cell >= M.TotalVisible()) return {};
        const int D = M.LEDDistance();
        const int P = M.LEDSize() + D;
        const QRect Local(D + P * 6 * Cell, D, 5 * P - D, 7 * P - D);
        return QRect(Matrix()->mapToGlobal(Local.topLeft()), Local.size());
    }
    int offsetAtPoint(const QPoint& Point) const override {
        const TEditMatrix& M = Matrix()->control();
        const QPoint Local = Matrix()->mapFromGlobal(Point);
        const int D = M.LEDDistance();
        const int CellWidth = 6 * (M.LEDSize() + D);
        if (CellWidth <= 0 || Local.x() < D || Local.y() < 0 || Local.y() >= Matrix()->height()) return -1;
        const int Cell = (Local.x() - D) / CellWidth;
        if (Cell >= M.TotalVisible()) return -1;
        const int Offset = M.FirstVisible() + Cell;
        return Offset < M.TextLength() ? Offset : -1;
    }
    // Moving the cursor there brings the start into view.
    void scrollToSubstring(int StartIndex, int /*EndIndex*/) override { Matrix()->setCursorPosition(StartIndex); }
    QString attributes(int /*Offset*/, int* StartOffset, int* EndOffset) const override {
        *StartOffset = 0;
        *EndOffset = characterCount();
        return {};
    }

private:
    [[nodiscard]] QEditMatrix* Matrix() const { return static_cast<QEditMatrix*>(widget()); }
};

QAccessibleInterface* Factory(const QString& ClassName, QObject* Object) {
    if (ClassName != QLatin1String("vyr::QEditMatrix") || Object == nullptr || !Object->isWidgetType()) {
        return nullptr;
    }
    if (auto* Matrix = qobject_cast<QEditMatrix*>(Object)) return new TEditMatrixAccessible(Matrix);
    return nullptr;
}

}  // namespace

std::function<void(const QAccessibleEvent&)>& AccessibilityTap() {
    static std::function<void(const QAccessibleEvent&)> Tap;
    return Tap;
}

void NotifyAccessibility(QAccessibleEvent& Event) {
    if (AccessibilityTap()) AccessibilityTap()(Event);
    QAccessible::updateAccessibility(&Event);
}

void InstallEditMatrixAccessibility() {
    static bool Installed = false;
    if (Installed) return;
    Installed = true;
    QAccessible::installFactory(&Factory);
}

}  // namespace vyr::qt
