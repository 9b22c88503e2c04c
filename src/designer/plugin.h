// The Qt Designer plugin: the host's form designer for Qt. It installs the package
// VyrComponents.bpl the way the host's designer does (LoadPackage, then every unit's Register
// through InstallPackage) and offers each class the package registered on the palette page
// "Vyr-Components" in Designer's widget box group of that name, as the Qt widget that shows it:
//   TEditMatrix  -> vyr::QEditMatrix  (include file vyr/qt/QEditMatrix.h)
//   TCharSet     -> vyr::QCharSet     (include file vyr/qt/QCharSet.h)
// Each entry's icon is drawn for the widget box at 16, 22 and 32 pixels (icons/*.txt, built into
// the plugin), each size shown as drawn; a class without such pictures gets the package's bitmap
// resource named after it in upper case ("TEDITMATRIX"), its bottom-left colour transparent as on
// the host's palette. A class on the page without a Qt widget here is reported and left out.
// In Designer's property editor a charset shows only its name and geometry (charsetsheet.h).
//
// The plugin carries its own copy of the widgets (and of the component) with hidden symbols, so
// that it cannot clash with an application's copy in the same process; the host library
// (libvyrhost) is shared with the package. A consequence: in a process that links vyr::qt too,
// qobject_cast of the plugin's widgets to the application's vyr::QEditMatrix fails (two
// meta-objects of one name); go through QMetaObject and properties instead.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtGui/QIcon>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <functional>

#include "vyr/host/Module.h"

namespace vyr::designer {

// What the widget box knows of one class.
struct TWidgetKind {
    QString PaletteClass;  // the class on the host's palette ("TEditMatrix")
    QString QtClass;       // the widget's class as .ui files and uic name it ("vyr::QEditMatrix")
    QString IncludeFile;
    QString ToolTip;
    QString WhatsThis;
    QString DomXml;
    std::function<QWidget*(QWidget* Parent)> Create;
};

// One entry of the widget box.
class TCustomWidget : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)
public:
    TCustomWidget(TWidgetKind Kind, QIcon Icon, QObject* Parent);

    [[nodiscard]] QString name() const override { return FKind.QtClass; }
    [[nodiscard]] QString group() const override;
    [[nodiscard]] QString toolTip() const override { return FKind.ToolTip; }
    [[nodiscard]] QString whatsThis() const override { return FKind.WhatsThis; }
    [[nodiscard]] QString includeFile() const override { return FKind.IncludeFile; }
    [[nodiscard]] QIcon icon() const override { return FIcon; }
    [[nodiscard]] bool isContainer() const override { return false; }
    // Makes the widget and nothing else (no show, no palette or package change).
    QWidget* createWidget(QWidget* Parent) override;
    [[nodiscard]] bool isInitialized() const override { return FInitialized; }
    // Designer calls this with its core; QUiLoader never does.
    void initialize(QDesignerFormEditorInterface* Core) override;
    [[nodiscard]] QString domXml() const override { return FKind.DomXml; }

private:
    TWidgetKind FKind;
    QIcon FIcon;
    QDesignerFormEditorInterface* FCore = nullptr;
    bool FInitialized = false;
};

// The collection: installs the package when the plugin is made, releases it when it goes.
class TVyrComponentsPlugin : public QObject, public QDesignerCustomWidgetCollectionInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)
public:
    explicit TVyrComponentsPlugin(QObject* Parent = nullptr);
    ~TVyrComponentsPlugin() override;

    // Empty when the package could not be found or installed (reported with qWarning).
    [[nodiscard]] QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return FWidgets; }

private:
    void Install(const QString& PackageFile);

    host::HMODULE FPackage = 0;
    QList<QDesignerCustomWidgetInterface*> FWidgets;
};

// The package file the plugin installs, or an empty string (Why then says where it looked).
[[nodiscard]] QString FindPackage(QString& Why);
// A palette bitmap as an icon: the colour of its bottom-left pixel becomes transparent. Null for
// an empty bitmap.
[[nodiscard]] QIcon PaletteIcon(const host::TBitmap& Bitmap);

}  // namespace vyr::designer
