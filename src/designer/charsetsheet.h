// What Designer's property editor shows for a charset on a form. A charset is a non-visual
// component: of everything a QWidget has, only its name (by which matrices refer to it) and its
// place on the form mean something. Designer ignores setVisible on the properties of its own
// property sheet, so the charset gets a sheet of its own: Designer's sheet, with every other
// property hidden and everything else passed through.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QStringList>
#include <QtCore/QVariant>
#include <QtDesigner/QDesignerPropertySheetExtension>
#include <QtDesigner/QExtensionFactory>

class QDesignerFormEditorInterface;

namespace vyr::designer {

// The properties a charset shows in Designer's property editor.
inline const QStringList CharSetProperties = {QStringLiteral("objectName"), QStringLiteral("geometry")};

// Designer's property sheet of one charset, with only CharSetProperties visible.
class TCharSetPropertySheet : public QObject, public QDesignerPropertySheetExtension {
    Q_OBJECT
    Q_INTERFACES(QDesignerPropertySheetExtension)
public:
    TCharSetPropertySheet(QDesignerPropertySheetExtension* Inner, QObject* Parent);

    [[nodiscard]] int count() const override { return FInner->count(); }
    [[nodiscard]] int indexOf(const QString& Name) const override { return FInner->indexOf(Name); }
    [[nodiscard]] QString propertyName(int Index) const override { return FInner->propertyName(Index); }
    [[nodiscard]] QString propertyGroup(int Index) const override { return FInner->propertyGroup(Index); }
    void setPropertyGroup(int Index, const QString& Group) override { FInner->setPropertyGroup(Index, Group); }
    [[nodiscard]] bool hasReset(int Index) const override { return FInner->hasReset(Index); }
    bool reset(int Index) override { return FInner->reset(Index); }
    [[nodiscard]] bool isVisible(int Index) const override;
    void setVisible(int Index, bool Visible) override { FInner->setVisible(Index, Visible); }
    [[nodiscard]] bool isAttribute(int Index) const override { return FInner->isAttribute(Index); }
    void setAttribute(int Index, bool Attribute) override { FInner->setAttribute(Index, Attribute); }
    [[nodiscard]] QVariant property(int Index) const override { return FInner->property(Index); }
    void setProperty(int Index, const QVariant& Value) override { FInner->setProperty(Index, Value); }
    [[nodiscard]] bool isChanged(int Index) const override { return FInner->isChanged(Index); }
    void setChanged(int Index, bool Changed) override { FInner->setChanged(Index, Changed); }
    [[nodiscard]] bool isEnabled(int Index) const override { return FInner->isEnabled(Index); }

private:
    QDesignerPropertySheetExtension* FInner;
};

// Makes a TCharSetPropertySheet for each vyr::QCharSet, around the sheet Designer makes for it.
class TCharSetSheetFactory : public QExtensionFactory {
    Q_OBJECT
public:
    explicit TCharSetSheetFactory(QExtensionManager* Manager) : QExtensionFactory(Manager) {}

    // Registers a factory with Core's extension manager, once per manager.
    static void Register(QDesignerFormEditorInterface* Core);

    QObject* extension(QObject* Object, const QString& Iid) const override;

protected:
    QObject* createExtension(QObject* Object, const QString& Iid, QObject* Parent) const override;

private:
    // Set while Designer's own sheet is asked for, so the manager passes over this factory.
    mutable bool FAskingDesigner = false;
};

}  // namespace vyr::designer
