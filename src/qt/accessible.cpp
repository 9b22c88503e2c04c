// QEditMatrix for assistive technology: in edit mode an editable text line with a cursor and no
// selection; while scrolling a read-only static text holding what the marquee shows. Offsets are
// character indices of that text; a character has a rectangle while its cell is in view.
#include "accessible.h"

#include <QtGui/QAccessible>
#include <QtWidgets/QAccessibleWidget>
#include <QtWidgets/QLabel>

#include "accessible_text.h"
#include "vyr/qt/QEditMatrix.h"

namespace vyr::qt {

class TEditMatrixAccessible final : public QAccessibleWidget, public TMatrixTextInterfaces<TEditMatrixAccessible> {
public:
    explicit TEditMatrixAccessible(QEditMatrix* Widget) : QAccessibleWidget(Widget, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType Type) override {
        if (Type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (Type == QAccessible::EditableTextInterface && !Control().Scroll()) {
            return static_cast<QAccessibleEditableTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(Type);
    }

    QAccessible::Role role() const override { return AccessibleRole(Control()); }

    // The name: the widget's accessibleName, else the text of a label whose buddy it is, else
    // "LED display". Not the title of the group box around it (Qt's default for a widget without
    // a label), which names the group and would give the same name to everything in it.
    QString text(QAccessible::Text Kind) const override {
        switch (Kind) {
            case QAccessible::Name: {
                if (!widget()->accessibleName().isEmpty()) return widget()->accessibleName();
                const QString Label = BuddyLabelText();
                return Label.isEmpty() ? DefaultAccessibleName() : Label;
            }
            case QAccessible::Description:
                if (!widget()->accessibleDescription().isEmpty()) return widget()->accessibleDescription();
                return DefaultAccessibleDescription(Control().Scroll());
            case QAccessible::Value:
                return AccessibleText(Control());
            default:
                return QAccessibleWidget::text(Kind);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State State = QAccessibleWidget::state();
        AddAccessibleState(Control(), State);
        return State;
    }

    // For TMatrixTextInterfaces.
    [[nodiscard]] TEditMatrix& Control() const { return Matrix()->control(); }
    [[nodiscard]] QPoint ToScreen(QPoint Local) const { return Matrix()->mapToGlobal(Local); }
    [[nodiscard]] QPoint FromScreen(QPoint Global) const { return Matrix()->mapFromGlobal(Global); }
    void MoveCursor(int Position) { Matrix()->setCursorPosition(Position); }
    void Edit(int Start, int End, const QString& Text) { Matrix()->accessibleEdit(Start, End, Text); }

private:
    [[nodiscard]] QEditMatrix* Matrix() const { return static_cast<QEditMatrix*>(widget()); }

    // The text of a label in the same window whose buddy is the widget, its mnemonic marks
    // removed ("&&" stays one "&").
    [[nodiscard]] QString BuddyLabelText() const {
        for (const QLabel* Label : widget()->window()->findChildren<QLabel*>()) {
            if (Label->buddy() != widget()) continue;
            QString Text;
            const QString Raw = Label->text();
            for (qsizetype i = 0; i < Raw.size(); ++i) {
                if (Raw[i] == u'&' && i + 1 < Raw.size()) ++i;
                Text.append(Raw[i]);
            }
            return Text;
        }
        return {};
    }
};

namespace {

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

void NotifyTextChange(QObject* Object, const QString& Old, const QString& Now, int Cursor) {
    SendTextChange(Object, Old, Now, Cursor, [](QAccessibleEvent& Event) { NotifyAccessibility(Event); });
}

void InstallEditMatrixAccessibility() {
    static bool Installed = false;
    if (Installed) return;
    Installed = true;
    QAccessible::installFactory(&Factory);
}

}  // namespace vyr::qt
