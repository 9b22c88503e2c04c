// The Qt Designer plugin: package search and installation, the widget box entries.
#include "plugin.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QtGlobal>
#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <algorithm>
#include <exception>

#include "charsetsheet.h"
#include "vyr/Register.h"
#include "vyr/host/Graphics.h"
#include "vyr/host/Package.h"
#include "vyr/host/Registry.h"
#include "vyr/qt/QCharSet.h"
#include "vyr/qt/QEditMatrix.h"

#ifndef VYR_PACKAGE_FROM_PLUGIN
#error "VYR_PACKAGE_FROM_PLUGIN (the package folder relative to the installed plugin) is not defined"
#endif

namespace vyr::designer {

namespace {

constexpr const char* PackageFileName = "VyrComponents.bpl";

// The colours of the palette bitmaps' letters ('-' transparent); Unknown for any other letter.
constexpr QRgb Unknown = 0x00FFFFFFu;
QRgb LetterColour(char Letter) {
    switch (Letter) {
        case 'K':
            return qRgb(0x00, 0x00, 0x00);
        case 'r':
            return qRgb(0x80, 0x00, 0x00);
        case 'g':
            return qRgb(0x00, 0x80, 0x00);
        case 'o':
            return qRgb(0x80, 0x80, 0x00);
        case 'n':
            return qRgb(0x00, 0x00, 0x80);
        case 'p':
            return qRgb(0x80, 0x00, 0x80);
        case 't':
            return qRgb(0x00, 0x80, 0x80);
        case 's':
            return qRgb(0xC0, 0xC0, 0xC0);
        case 'd':
            return qRgb(0x80, 0x80, 0x80);
        case 'R':
            return qRgb(0xFF, 0x00, 0x00);
        case 'G':
            return qRgb(0x00, 0xFF, 0x00);
        case 'Y':
            return qRgb(0xFF, 0xFF, 0x00);
        case 'B':
            return qRgb(0x00, 0x00, 0xFF);
        case 'M':
            return qRgb(0xFF, 0x00, 0xFF);
        case 'C':
            return qRgb(0x00, 0xFF, 0xFF);
        case 'W':
            return qRgb(0xFF, 0xFF, 0xFF);
        case '-':
            return qRgba(0, 0, 0, 0);
        default:
            return Unknown;
    }
}

QString Group() { return QString::fromLatin1(PalettePage.data(), static_cast<qsizetype>(PalettePage.size())); }

// Whether Widget is, or lies inside, a form window of Designer's form editor (by class name: the
// form window's class is Designer's own, not part of its public library).
bool InFormWindow(const QWidget* Widget) {
    for (; Widget != nullptr; Widget = Widget->parentWidget()) {
        if (Widget->inherits("QDesignerFormWindowInterface")) return true;
    }
    return false;
}

// The folder of this plugin's own file.
QString PluginFolder() {
    static const int Anchor = 0;
    const std::string File = host::ModuleFileName(host::ModuleOfAddress(&Anchor));
    return QFileInfo(QString::fromStdString(File)).absolutePath();
}

// One picture of an icon, drawn at its size: rows of one letter per pixel after '#' comment lines,
// in the letters of the palette bitmaps (K black, r dark red, R red, W white, ... and '-'
// transparent). Null, with Why set, when a row is not as wide as the picture is high or a letter
// is unknown.
QImage PixelPicture(const QByteArray& Text, QString& Why) {
    QList<QByteArray> Rows;
    for (const QByteArray& Line : Text.split('\n')) {
        const QByteArray Row = Line.trimmed();
        if (!Row.isEmpty() && !Row.startsWith('#')) Rows << Row;
    }
    const auto Size = static_cast<int>(Rows.size());
    QImage Image(Size, Size, QImage::Format_ARGB32);
    for (int Y = 0; Y < Size; ++Y) {
        if (Rows[Y].size() != Size) {
            Why = QStringLiteral("row %1 has %2 pixels, not %3").arg(Y + 1).arg(Rows[Y].size()).arg(Size);
            return {};
        }
        for (int X = 0; X < Size; ++X) {
            const QRgb Pixel = LetterColour(Rows[Y][X]);
            if (Pixel == Unknown) {
                Why = QStringLiteral("row %1 has the unknown letter '%2'").arg(Y + 1).arg(QLatin1Char(Rows[Y][X]));
                return {};
            }
            Image.setPixel(X, Y, Pixel);
        }
    }
    return Image;
}

// The icon of a class, from the pictures drawn for it at 16, 22 and 32 pixels (the sizes of
// Designer's widget box and form at 1x and of its larger views), built into the plugin as
// :/vyrdesigner/<class in lower case>-<size>.txt. Each size is shown as drawn, never scaled, so
// it stays sharp; null when the class has no pictures.
QIcon DrawnIcon(const QString& PaletteClass) {
    QIcon Icon;
    for (const int Size : {16, 22, 32}) {
        QFile File(QStringLiteral(":/vyrdesigner/%1-%2.txt").arg(PaletteClass.toLower()).arg(Size));
        if (!File.open(QIODevice::ReadOnly)) continue;
        QString Why;
        const QImage Image = PixelPicture(File.readAll(), Why);
        if (Image.isNull() || Image.width() != Size) {
            qWarning("vyrdesigner: %s: %s", qPrintable(File.fileName()),
                     Why.isEmpty() ? "not the size its name gives" : qPrintable(Why));
            continue;
        }
        Icon.addPixmap(QPixmap::fromImage(Image));
    }
    return Icon;
}

// The widget box entries by palette class. The default properties in domXml are the control's
// own defaults, so a dropped widget stores nothing beyond its geometry. displayname, the name the
// widget box shows (the class's name on the host's palette), is an attribute of the <ui>
// element: Designer 6.4 reads it there and ignores it on <widget>.
QList<TWidgetKind> Kinds() {
    TWidgetKind Matrix;
    Matrix.PaletteClass = QStringLiteral("TEditMatrix");
    Matrix.QtClass = QStringLiteral("vyr::QEditMatrix");
    Matrix.IncludeFile = QStringLiteral("vyr/qt/QEditMatrix.h");
    Matrix.ToolTip = QStringLiteral("LED dot-matrix display: an edit field or a scrolling marquee");
    Matrix.WhatsThis = QStringLiteral(
        "TEditMatrix shows a line of 8-bit text as 5 x 7 LED glyphs. Edited from the keyboard, or, "
        "with scroll set, running from right to left with its @ control codes.");
    Matrix.DomXml = QStringLiteral(
        "<ui language=\"c++\" displayname=\"TEditMatrix\">\n"
        " <widget class=\"vyr::QEditMatrix\" name=\"editMatrix\">\n"
        "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>181</width><height>28</height></rect>"
        "</property>\n"
        " </widget>\n"
        // text is a string of control codes, charset the name of a charset on the form, fontSource
        // a file or resource and codePage the name of a code page: none is words to translate, so Designer stores them with notr="true" and uic does
        // not pass them through QCoreApplication::translate.
        " <customwidgets>\n"
        "  <customwidget>\n"
        "   <class>vyr::QEditMatrix</class>\n"
        "   <propertyspecifications>\n"
        "    <stringpropertyspecification name=\"text\" notr=\"true\" type=\"singleline\"/>\n"
        "    <stringpropertyspecification name=\"charset\" notr=\"true\" type=\"singleline\"/>\n"
        "    <stringpropertyspecification name=\"fontSource\" notr=\"true\" type=\"url\"/>\n"
        "    <stringpropertyspecification name=\"codePage\" notr=\"true\" type=\"singleline\"/>\n"
        "   </propertyspecifications>\n"
        "  </customwidget>\n"
        " </customwidgets>\n"
        "</ui>\n");
    Matrix.Create = [](QWidget* Parent) -> QWidget* { return new QEditMatrix(Parent); };

    TWidgetKind CharSet;
    CharSet.PaletteClass = QStringLiteral("TCharSet");
    CharSet.QtClass = QStringLiteral("vyr::QCharSet");
    CharSet.IncludeFile = QStringLiteral("vyr/qt/QCharSet.h");
    CharSet.ToolTip = QStringLiteral("Character set (non-visual): an icon here, hidden when the program runs");
    CharSet.WhatsThis = QStringLiteral(
        "TCharSet is a non-visual component. Its object name is its name: a matrix's charset "
        "property refers to it by that name.");
    CharSet.DomXml = QStringLiteral(
        "<ui language=\"c++\" displayname=\"TCharSet\">\n"
        " <widget class=\"vyr::QCharSet\" name=\"charSet\">\n"
        "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>32</width><height>32</height></rect>"
        "</property>\n"
        " </widget>\n"
        "</ui>\n");
    CharSet.Create = [](QWidget* Parent) -> QWidget* { return new QCharSet(Parent); };
    return {Matrix, CharSet};
}

}  // namespace

// Where the package is looked for, first match only:
//   1. $VYR_PACKAGE_DIR, when set (and nothing else then, so a wrong setting is not hidden);
//   2. the installed package folder, relative to the plugin's own file: the path from Qt's
//      designer plugin folder to LIBDIR/vyrcomponents under the same prefix, worked out when the
//      build was configured (VYR_PACKAGE_FROM_PLUGIN), so an installed tree can be moved or
//      unpacked anywhere;
//   3. the build tree: ../../lib relative to the plugin (build/plugins/designer -> build/lib).
QString FindPackage(QString& Why) {
    const QByteArray FromEnvironment = qgetenv("VYR_PACKAGE_DIR");
    QStringList Folders;
    if (!FromEnvironment.isEmpty()) {
        Folders << QString::fromLocal8Bit(FromEnvironment);
    } else {
        const QDir Plugin(PluginFolder());
        Folders << Plugin.filePath(QStringLiteral(VYR_PACKAGE_FROM_PLUGIN))
                << Plugin.filePath(QStringLiteral("../../lib"));
    }
    QStringList Tried;
    for (const QString& Folder : Folders) {
        QString File = QDir::cleanPath(QDir(Folder).filePath(QLatin1String(PackageFileName)));
        if (QFileInfo(File).isFile()) return File;
        Tried << File;
    }
    Why = (FromEnvironment.isEmpty() ? QStringLiteral("looked for ")
                                     : QStringLiteral("VYR_PACKAGE_DIR is set; looked for ")) +
          Tried.join(QStringLiteral(", "));
    return {};
}

QIcon PaletteIcon(const host::TBitmap& Bitmap) {
    if (Bitmap.Width() <= 0 || Bitmap.Height() <= 0) return {};
    QImage Image(Bitmap.Width(), Bitmap.Height(), QImage::Format_ARGB32);
    const std::uint8_t* Corner = Bitmap.ScanLine(Bitmap.Height() - 1);
    const QRgb Transparent = qRgb(Corner[2], Corner[1], Corner[0]);
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        const std::uint8_t* Row = Bitmap.ScanLine(Y);
        auto* Out = reinterpret_cast<QRgb*>(Image.scanLine(Y));
        for (int X = 0; X < Bitmap.Width(); ++X) {
            const QRgb Pixel = qRgb(Row[3 * X + 2], Row[3 * X + 1], Row[3 * X]);
            Out[X] = Pixel == Transparent ? qRgba(0, 0, 0, 0) : Pixel;
        }
    }
    return QIcon(QPixmap::fromImage(Image));
}

// ---- Widget box entries -----------------------------------------------------------------------

TCustomWidget::TCustomWidget(TWidgetKind Kind, QIcon Icon, QObject* Parent)
    : QObject(Parent), FKind(std::move(Kind)), FIcon(std::move(Icon)) {}

QString TCustomWidget::group() const { return Group(); }

void TCustomWidget::initialize(QDesignerFormEditorInterface* Core) {
    if (FInitialized) return;
    FInitialized = true;
    FCore = Core;
    if (FKind.QtClass == QLatin1String("vyr::QCharSet")) TCharSetSheetFactory::Register(Core);
}

QWidget* TCustomWidget::createWidget(QWidget* Parent) {
    // Design time: Designer is running (it gave us its core) and the widget goes onto a form it
    // edits. Designer's preview, QUiLoader and generated code make run-time widgets.
    const bool DesignTime = FCore != nullptr && InFormWindow(Parent);
    QWidget* Widget = FKind.Create ? FKind.Create(Parent) : nullptr;
    if (auto* CharSet = qobject_cast<QCharSet*>(Widget)) {
        CharSet->setDesignIcon(FIcon.pixmap(32, 32));
        CharSet->setDesignTime(DesignTime);
    }
    return Widget;
}

// ---- The collection ---------------------------------------------------------------------------

TVyrComponentsPlugin::TVyrComponentsPlugin(QObject* Parent) : QObject(Parent) {
    QString Why;
    const QString File = FindPackage(Why);
    if (File.isEmpty()) {
        qWarning("vyrdesigner: the package %s was not found (%s); no Vyr components are offered", PackageFileName,
                 qPrintable(Why));
        return;
    }
    Install(File);
}

void TVyrComponentsPlugin::Install(const QString& PackageFile) {
    try {
        FPackage = host::LoadPackage(PackageFile.toStdString());
        host::InstallPackage(FPackage);
    } catch (const std::exception& E) {
        qWarning("vyrdesigner: %s; no Vyr components are offered", E.what());
        if (FPackage != 0) {
            try {
                host::UnloadPackage(FPackage);
            } catch (const std::exception& Unload) {
                qWarning("vyrdesigner: %s", Unload.what());
            }
            FPackage = 0;
        }
        return;
    }
    const QList<TWidgetKind> Known = Kinds();
    for (const std::string& Class : host::PaletteClasses(PalettePage)) {
        const QString Name = QString::fromStdString(Class);
        const auto It = std::find_if(Known.begin(), Known.end(),
                                     [&](const TWidgetKind& Kind) { return Kind.PaletteClass == Name; });
        if (It == Known.end()) {
            qWarning("vyrdesigner: %s is on the page %s but has no Qt widget; left out", Class.c_str(),
                     PalettePage.data());
            continue;
        }
        host::TBitmap Bitmap;
        if (!host::LoadBitmapResource(FPackage, Name.toUpper().toStdString(), Bitmap)) {
            qWarning("vyrdesigner: %s has no palette bitmap %s", qPrintable(PackageFile), qPrintable(Name.toUpper()));
        }
        // The pictures drawn for the widget box; the palette bitmap (32 pixels) for a class
        // without them.
        QIcon Icon = DrawnIcon(Name);
        if (Icon.isNull()) Icon = PaletteIcon(Bitmap);
        FWidgets.append(new TCustomWidget(*It, Icon, this));
    }
}

TVyrComponentsPlugin::~TVyrComponentsPlugin() {
    qDeleteAll(FWidgets);
    FWidgets.clear();
    if (FPackage == 0) return;
    try {
        host::UnloadPackage(FPackage);
    } catch (const std::exception& E) {
        qWarning("vyrdesigner: %s", E.what());
    }
}

}  // namespace vyr::designer
