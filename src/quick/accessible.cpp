// EditMatrix for assistive technology, as the widget is: in edit mode an editable text line with
// a cursor and no selection; while scrolling a read-only static text holding what the marquee
// shows. The name and description are the item's Accessible.name and Accessible.description when
// the QML sets them, else "LED display" and what the display is.
//
// Qt Quick lists an item in the accessibility tree only once it has an Accessible attached
// object; the item makes its own (MakeAccessible), so an EditMatrix is there without any
// Accessible line in the QML. The attached type is found through its registered meta type, as the
// QML engine finds it: Qt Quick has no public C++ API for it.
#include <QtCore/QMetaType>
#include <QtGui/QAccessibleObject>
#include <QtQml/qqml.h>
#include <QtQuick/QQuickWindow>

#include "../qt/accessible_text.h"
#include "vyr/quick/QuickEditMatrix.h"

namespace vyr::quick {

class TQuickEditMatrixAccessible final : public QAccessibleObject,
                                         public qt::TMatrixTextInterfaces<TQuickEditMatrixAccessible> {
public:
    explicit TQuickEditMatrixAccessible(QuickEditMatrix* Item) : QAccessibleObject(Item) {}

    void* interface_cast(QAccessible::InterfaceType Type) override {
        if (Type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (Type == QAccessible::EditableTextInterface && !Control().Scroll()) {
            return static_cast<QAccessibleEditableTextInterface*>(this);
        }
        return QAccessibleObject::interface_cast(Type);
    }

    QWindow* window() const override { return Item()->window(); }

    // The nearest ancestor in the tree (one Qt Quick lists), or the window for the root.
    QAccessibleInterface* parent() const override {
        QQuickWindow* Window = Item()->window();
        QQuickItem* Content = Window != nullptr ? Window->contentItem() : nullptr;
        for (QQuickItem* Up = Item()->parentItem(); Up != nullptr; Up = Up->parentItem()) {
            if (Up == Content || Up->parentItem() == nullptr) break;
            if (QAccessibleInterface* Iface = QAccessible::queryAccessibleInterface(Up)) return Iface;
        }
        return Window != nullptr ? QAccessible::queryAccessibleInterface(Window) : nullptr;
    }
    QAccessibleInterface* child(int /*Index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*Child*/) const override { return -1; }

    QRect rect() const override {
        const QQuickWindow* Window = Item()->window();
        if (Window == nullptr) return {};
        const QRectF Scene = Item()->mapRectToScene(QRectF(0, 0, Item()->width(), Item()->height()));
        return {Window->mapToGlobal(Scene.topLeft().toPoint()), Scene.size().toSize()};
    }

    QAccessible::Role role() const override { return qt::AccessibleRole(Control()); }

    QString text(QAccessible::Text Kind) const override {
        switch (Kind) {
            case QAccessible::Name: {
                const QString Name = Attached("name");
                return Name.isEmpty() ? qt::DefaultAccessibleName() : Name;
            }
            case QAccessible::Description: {
                const QString Description = Attached("description");
                return Description.isEmpty() ? qt::DefaultAccessibleDescription(Control().Scroll()) : Description;
            }
            case QAccessible::Value:
                return qt::AccessibleText(Control());
            default:
                return {};
        }
    }

    QAccessible::State state() const override {
        QAccessible::State State;
        State.focusable = Item()->activeFocusOnTab();
        State.focused = Item()->hasActiveFocus();
        State.invisible = !Item()->isVisible();
        State.disabled = !Item()->isEnabled();
        qt::AddAccessibleState(Control(), State);
        return State;
    }

    // For TMatrixTextInterfaces.
    [[nodiscard]] TEditMatrix& Control() const { return Item()->control(); }
    [[nodiscard]] QPoint ToScreen(QPoint Local) const { return Item()->mapToGlobal(QPointF(Local)).toPoint(); }
    [[nodiscard]] QPoint FromScreen(QPoint Global) const { return Item()->mapFromGlobal(QPointF(Global)).toPoint(); }
    void MoveCursor(int Position) { Item()->setCursorPosition(Position); }
    void Edit(int Start, int End, const QString& Text) { Item()->accessibleEdit(Start, End, Text); }

private:
    [[nodiscard]] QuickEditMatrix* Item() const { return static_cast<QuickEditMatrix*>(object()); }
    [[nodiscard]] QString Attached(const char* Property) const {
        const QObject* A = Item()->FAccessibleAttached;
        return A != nullptr ? A->property(Property).toString() : QString();
    }
};

namespace {

QAccessibleInterface* Factory(const QString& ClassName, QObject* Object) {
    if (ClassName != QLatin1String("vyr::QuickEditMatrix") || Object == nullptr) return nullptr;
    if (auto* Item = qobject_cast<QuickEditMatrix*>(Object)) return new TQuickEditMatrixAccessible(Item);
    return nullptr;
}

}  // namespace

}  // namespace vyr::quick

namespace vyr {

void QuickEditMatrix::InstallAccessibility() {
    static bool Installed = false;
    if (!Installed) {
        Installed = true;
        QAccessible::installFactory(&quick::Factory);
    }
}

void QuickEditMatrix::MakeAccessible() {
    if (!FAccessibleAttached.isNull()) return;
    // Registered with Qt Quick's QML types (when an engine imports QtQuick); until then there is
    // no tree to be listed in.
    const QMetaType Attached = QMetaType::fromName("QQuickAccessibleAttached*");
    const QMetaObject* Meta = Attached.isValid() ? Attached.metaObject() : nullptr;
    if (Meta == nullptr) return;
    FAccessibleAttached = qmlAttachedPropertiesObject(this, qmlAttachedPropertiesFunction(this, Meta), true);
}

void QuickEditMatrix::NotifySpokenText(bool ModeChanged) {
    if (ModeChanged) {
        qt::SendModeChange(
            this, FAccessibleAttached.isNull() || FAccessibleAttached->property("description").toString().isEmpty(),
            [](QAccessibleEvent& Event) { QAccessible::updateAccessibility(&Event); });
    }
    QString Now = qt::AccessibleText(*FMatrix);
    if (Now == FSpoken) return;
    const QString Old = std::exchange(FSpoken, Now);
    qt::SendTextChange(this, Old, Now, FMatrix->Scroll() ? static_cast<int>(Now.size()) : FMatrix->CursorPos(),
                       [](QAccessibleEvent& Event) { QAccessible::updateAccessibility(&Event); });
}

void QuickEditMatrix::NotifyCursor() {
    if (FMatrix->Scroll()) return;
    QAccessibleTextCursorEvent Event(this, FMatrix->CursorPos());
    QAccessible::updateAccessibility(&Event);
}

}  // namespace vyr
