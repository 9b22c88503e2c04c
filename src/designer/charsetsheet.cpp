// A charset's property sheet in Designer: Designer's own, with only its name and geometry shown.
#include "charsetsheet.h"

#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QExtensionManager>

namespace vyr::designer {

TCharSetPropertySheet::TCharSetPropertySheet(QDesignerPropertySheetExtension* Inner, QObject* Parent)
    : QObject(Parent), FInner(Inner) {}

bool TCharSetPropertySheet::isVisible(int Index) const {
    return FInner->isVisible(Index) && CharSetProperties.contains(FInner->propertyName(Index));
}

void TCharSetSheetFactory::Register(QDesignerFormEditorInterface* Core) {
    QExtensionManager* Manager = Core == nullptr ? nullptr : Core->extensionManager();
    if (Manager == nullptr || Manager->findChild<TCharSetSheetFactory*>() != nullptr) return;
    // The manager asks the factories registered last first, so this one comes before Designer's.
    Manager->registerExtensions(new TCharSetSheetFactory(Manager), Q_TYPEID(QDesignerPropertySheetExtension));
}

QObject* TCharSetSheetFactory::extension(QObject* Object, const QString& Iid) const {
    // Designer also asks for no object at all (its property editor with nothing selected).
    if (FAskingDesigner || Object == nullptr || Iid != QLatin1String(Q_TYPEID(QDesignerPropertySheetExtension)) ||
        !Object->inherits("vyr::QCharSet")) {
        return nullptr;
    }
    return QExtensionFactory::extension(Object, Iid);
}

QObject* TCharSetSheetFactory::createExtension(QObject* Object, const QString& Iid, QObject* Parent) const {
    FAskingDesigner = true;
    QObject* Designers = extensionManager()->extension(Object, Iid);
    FAskingDesigner = false;
    auto* Inner = qobject_cast<QDesignerPropertySheetExtension*>(Designers);
    return Inner == nullptr ? nullptr : new TCharSetPropertySheet(Inner, Parent);
}

}  // namespace vyr::designer
