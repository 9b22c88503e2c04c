// The Qt Designer plugin as Designer and QUiLoader see it, loaded from the build tree's plugin
// folder: what the widget box shows (group, names, icons, domXml), forms that use the widgets,
// and a plugin without its package. This process does not link vyr::qt: the plugin's widgets are
// reached through their meta-objects and properties only.
#include <gtest/gtest.h>

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QPluginLoader>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QXmlStreamReader>
#include <QtDesigner/QDesignerComponents>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowCursorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QDesignerFormWindowManagerInterface>
#include <QtDesigner/QDesignerIntegration>
#include <QtDesigner/QDesignerPropertyEditorInterface>
#include <QtDesigner/QDesignerPropertySheetExtension>
#include <QtDesigner/QDesignerWidgetBoxInterface>
#include <QtDesigner/QExtensionManager>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QTreeWidget>

#include <QtTest/QTest>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <QtUiTools/QUiLoader>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>
#include <cstdio>
#include <memory>

#include "vyr/host/Package.h"
#include "vyr/host/Registry.h"

namespace {

const QString PluginDir = QStringLiteral(VYR_DESIGNER_PLUGIN_DIR);
const QString PluginFile = QStringLiteral(VYR_DESIGNER_PLUGIN_FILE);
constexpr const char* ChildVariable = "VYR_DESIGNER_TEST_CHILD";

QDesignerCustomWidgetCollectionInterface* Collection() {
    static QPluginLoader Loader(PluginFile);
    return qobject_cast<QDesignerCustomWidgetCollectionInterface*>(Loader.instance());
}

QDesignerCustomWidgetInterface* Entry(const QString& Name) {
    auto* Plugins = Collection();
    if (Plugins == nullptr) return nullptr;
    for (auto* W : Plugins->customWidgets()) {
        if (W->name() == Name) return W;
    }
    return nullptr;
}

std::unique_ptr<QUiLoader> Loader() {
    auto L = std::make_unique<QUiLoader>();
    L->clearPluginPaths();
    L->addPluginPath(PluginDir);
    return L;
}

std::unique_ptr<QWidget> Load(QUiLoader& L, QByteArray Ui) {
    QBuffer Buffer(&Ui);
    Buffer.open(QIODevice::ReadOnly);
    return std::unique_ptr<QWidget>(L.load(&Buffer));
}

// The attributes of an element of domXml (the first of its name).
QXmlStreamAttributes ElementOf(const QString& DomXml, const char* Name) {
    QXmlStreamReader Reader(DomXml);
    while (Reader.readNextStartElement()) {
        if (Reader.name() == QLatin1String(Name)) return Reader.attributes();
    }
    return {};
}

bool ChildRun(const char* Role) { return qgetenv(ChildVariable) == Role; }

TEST(DesignerPlugin, QUiLoaderOffersBothWidgets) {
    if (qEnvironmentVariableIsSet(ChildVariable)) GTEST_SKIP();
    const QStringList Classes = Loader()->availableWidgets();
    EXPECT_TRUE(Classes.contains("vyr::QEditMatrix")) << Classes.join(", ").toStdString();
    EXPECT_TRUE(Classes.contains("vyr::QCharSet")) << Classes.join(", ").toStdString();
}

// Both classes the package registers, in its palette order (CharSet's unit first), each with
// the group, include file and display name a .ui file and uic rely on.
TEST(DesignerPlugin, WidgetBoxEntriesFollowThePalette) {
    if (qEnvironmentVariableIsSet(ChildVariable)) GTEST_SKIP();
    auto* Plugins = Collection();
    ASSERT_NE(Plugins, nullptr);
    QStringList Names;
    for (auto* W : Plugins->customWidgets()) Names << W->name();
    EXPECT_EQ(Names, (QStringList{"vyr::QCharSet", "vyr::QEditMatrix"}));
    QStringList Palette;
    for (const auto& Class : vyr::host::PaletteClasses("Vyr-Components")) Palette << QString::fromStdString(Class);
    EXPECT_EQ(Palette, (QStringList{"TCharSet", "TEditMatrix"}));

    struct TExpected {
        const char* Name;
        const char* Include;
        const char* DisplayName;
    };
    for (const TExpected& E : {TExpected{"vyr::QEditMatrix", "vyr/qt/QEditMatrix.h", "TEditMatrix"},
                               TExpected{"vyr::QCharSet", "vyr/qt/QCharSet.h", "TCharSet"}}) {
        SCOPED_TRACE(E.Name);
        auto* W = Entry(E.Name);
        ASSERT_NE(W, nullptr);
        EXPECT_EQ(W->group(), "Vyr-Components");
        EXPECT_EQ(W->includeFile(), E.Include);
        EXPECT_FALSE(W->isContainer());
        EXPECT_FALSE(W->toolTip().isEmpty());
        // Designer takes the widget box's display name from the <ui> element.
        EXPECT_EQ(ElementOf(W->domXml(), "ui").value("displayname"), QLatin1String(E.DisplayName));
        const QXmlStreamAttributes Widget = ElementOf(W->domXml(), "widget");
        EXPECT_EQ(Widget.value("class"), QLatin1String(E.Name));
        EXPECT_FALSE(Widget.value("name").isEmpty());
    }
}

// The icons at 32 pixels: a transparent bottom-left corner, no magenta, the matrix's black panel
// and bright red LEDs.
TEST(DesignerPlugin, IconsAreThePaletteBitmapsWithATransparentCorner) {
    if (qEnvironmentVariableIsSet(ChildVariable)) GTEST_SKIP();
    for (const char* Name : {"vyr::QEditMatrix", "vyr::QCharSet"}) {
        SCOPED_TRACE(Name);
        auto* W = Entry(Name);
        ASSERT_NE(W, nullptr);
        ASSERT_FALSE(W->icon().isNull());
        const QImage Image = W->icon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(Image.size(), QSize(32, 32));
        EXPECT_EQ(qAlpha(Image.pixel(0, 31)), 0);
        EXPECT_EQ(qAlpha(Image.pixel(9, 16)), 255);  // the panel's / the letter's black
    }
    const QImage Matrix =
        Entry("vyr::QEditMatrix")->icon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    int BrightRed = 0;
    int Magenta = 0;
    for (int Y = 0; Y < 32; ++Y) {
        for (int X = 0; X < 32; ++X) {
            const QRgb P = Matrix.pixel(X, Y);
            if (qAlpha(P) == 255 && qRed(P) > 200 && qGreen(P) < 60 && qBlue(P) < 60) ++BrightRed;
            if (qAlpha(P) == 255 && qRed(P) > 200 && qBlue(P) > 200 && qGreen(P) < 60) ++Magenta;
        }
    }
    EXPECT_GT(BrightRed, 0);
    EXPECT_EQ(Magenta, 0);
}

// Each icon is drawn at 16, 22 and 32 pixels and shown at those sizes as drawn: every pixel fully
// opaque or fully transparent (a 32-pixel picture shrunk to 16 has half-transparent, blended
// edges), and no grey or white edge around the picture, which showed on the form's background.
TEST(DesignerPlugin, IconsAreSharpAtEverySize) {
    if (qEnvironmentVariableIsSet(ChildVariable)) GTEST_SKIP();
    for (const char* Name : {"vyr::QEditMatrix", "vyr::QCharSet"}) {
        auto* W = Entry(Name);
        ASSERT_NE(W, nullptr) << Name;
        EXPECT_EQ(W->icon().availableSizes(), (QList<QSize>{{16, 16}, {22, 22}, {32, 32}})) << Name;
        for (const int Size : {16, 22, 32}) {
            SCOPED_TRACE(QStringLiteral("%1 at %2").arg(Name).arg(Size).toStdString());
            const QImage Image = W->icon().pixmap(Size, Size).toImage().convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(Image.size(), QSize(Size, Size));
            int Blended = 0;
            int GreyOnEdge = 0;
            for (int Y = 0; Y < Size; ++Y) {
                for (int X = 0; X < Size; ++X) {
                    const QRgb P = Image.pixel(X, Y);
                    if (qAlpha(P) != 0 && qAlpha(P) != 255) ++Blended;
                    // An opaque pixel next to a transparent one (or the picture's border) is
                    // on the edge; there it is black, never grey or white.
                    if (qAlpha(P) != 255) continue;
                    const bool Edge = X == 0 || Y == 0 || X == Size - 1 || Y == Size - 1 ||
                                      qAlpha(Image.pixel(X - 1, Y)) == 0 || qAlpha(Image.pixel(X + 1, Y)) == 0 ||
                                      qAlpha(Image.pixel(X, Y - 1)) == 0 || qAlpha(Image.pixel(X, Y + 1)) == 0;
                    if (Edge && (qRed(P) | qGreen(P) | qBlue(P)) != 0) ++GreyOnEdge;
                }
            }
            EXPECT_EQ(Blended, 0);
            EXPECT_EQ(GreyOnEdge, 0);
        }
    }
}

// createWidget makes a widget and nothing else: not shown, no parent, no other window, the
// palette and the loaded packages as they were.
TEST(DesignerPlugin, CreateWidgetHasNoSideEffects) {
    if (qEnvironmentVariableIsSet(ChildVariable)) GTEST_SKIP();
    ASSERT_NE(Collection(), nullptr);
    for (const char* Name : {"vyr::QEditMatrix", "vyr::QCharSet"}) {
        SCOPED_TRACE(Name);
        auto* W = Entry(Name);
        ASSERT_NE(W, nullptr);
        const auto Palette = vyr::host::PaletteEntries().size();
        const auto Packages = vyr::host::LoadedPackages();
        const auto TopLevels = QApplication::topLevelWidgets().size();
        std::unique_ptr<QWidget> Made(W->createWidget(nullptr));
        ASSERT_NE(Made, nullptr);
        EXPECT_STREQ(Made->metaObject()->className(), Name);
        EXPECT_EQ(Made->parentWidget(), nullptr);
        EXPECT_FALSE(Made->isVisible());
        EXPECT_TRUE(Made->objectName().isEmpty());
        EXPECT_EQ(QApplication::topLevelWidgets().size(), TopLevels + 1);
        EXPECT_EQ(vyr::host::PaletteEntries().size(), Palette);
        EXPECT_EQ(vyr::host::LoadedPackages(), Packages);
    }
    // Outside Designer (no core given) a charset is a run-time one.
    std::unique_ptr<QWidget> CharSet(Entry("vyr::QCharSet")->createWidget(nullptr));
    EXPECT_EQ(CharSet->property("designTime"), QVariant(false));
}

// Properties are set in file order: stepToOutside 8 is read before totalVisible 20 and clamped
// against the default width of 10. A charset on the form stays hidden when the form is shown.
TEST(DesignerPlugin, FormLoadsWithPropertiesInFileOrder) {
    if (qEnvironmentVariableIsSet(ChildVariable)) GTEST_SKIP();
    auto L = Loader();
    auto Form = Load(*L, R"(<ui version="4.0"><widget class="QWidget" name="form">
 <widget class="vyr::QCharSet" name="glyphs"/>
 <widget class="vyr::QEditMatrix" name="matrix">
  <property name="charset"><string>glyphs</string></property>
  <property name="ledShape"><enum>vyr::QEditMatrix::Circle</enum></property>
  <property name="stepToOutside"><number>8</number></property>
  <property name="text"><string>Designer</string></property>
  <property name="totalVisible"><number>20</number></property>
 </widget>
</widget></ui>)");
    ASSERT_NE(Form, nullptr) << L->errorString().toStdString();
    auto* Matrix = Form->findChild<QWidget*>("matrix");
    auto* CharSet = Form->findChild<QWidget*>("glyphs");
    ASSERT_NE(Matrix, nullptr);
    ASSERT_NE(CharSet, nullptr);
    EXPECT_STREQ(Matrix->metaObject()->className(), "vyr::QEditMatrix");
    EXPECT_STREQ(CharSet->metaObject()->className(), "vyr::QCharSet");
    EXPECT_EQ(Matrix->property("totalVisible").toInt(), 20);
    EXPECT_EQ(Matrix->property("stepToOutside").toInt(), 5);
    EXPECT_EQ(Matrix->property("text").toString(), "Designer");
    EXPECT_EQ(Matrix->property("ledShape").toInt(), 1);
    EXPECT_EQ(Matrix->property("ledSize").toInt(), 3);  // a round LED is odd and at least 3
    EXPECT_EQ(Matrix->property("charset").toString(), "glyphs");
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    EXPECT_TRUE(Matrix->isVisible());
    EXPECT_FALSE(CharSet->isVisible());
    EXPECT_EQ(CharSet->property("designTime"), QVariant(false));
}

// A matrix loaded with scroll set runs its marquee once shown (as in Designer's preview).
TEST(DesignerPlugin, LoadedMarqueeRunsWhenShown) {
    if (qEnvironmentVariableIsSet(ChildVariable)) GTEST_SKIP();
    auto L = Loader();
    auto Matrix = Load(*L, R"(<ui version="4.0"><widget class="vyr::QEditMatrix" name="m">
 <property name="scroll"><bool>true</bool></property>
 <property name="delay"><number>10</number></property>
 <property name="text"><string>Marquee running </string></property>
</widget></ui>)");
    ASSERT_NE(Matrix, nullptr) << L->errorString().toStdString();
    Matrix->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Matrix.get()));
    QTest::qWait(50);
    const QImage First = Matrix->grab().toImage();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Matrix->grab().toImage() != First; }, 3000));
}

// Without its package the plugin reports it and offers nothing. Runs in a child process, since a
// plugin is made once per process.
TEST(DesignerPlugin, MissingPackageGivesAnEmptyCollection) {
    if (qEnvironmentVariableIsSet(ChildVariable)) GTEST_SKIP();
    QTemporaryDir Empty;
    ASSERT_TRUE(Empty.isValid());
    QProcess Child;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert(ChildVariable, "missing-package");
    Env.insert("VYR_PACKAGE_DIR", Empty.path());
    Child.setProcessEnvironment(Env);
    Child.setProcessChannelMode(QProcess::MergedChannels);
    Child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=DesignerPluginChild.WithoutPackage", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(Child.waitForFinished(60000));
    const QString Output = QString::fromLocal8Bit(Child.readAll());
    EXPECT_EQ(Child.exitStatus(), QProcess::NormalExit) << Output.toStdString();
    EXPECT_EQ(Child.exitCode(), 0) << Output.toStdString();
    EXPECT_TRUE(Output.contains("[  PASSED  ] 1 test")) << Output.toStdString();
    EXPECT_TRUE(Output.contains(Empty.path() + "/VyrComponents.bpl")) << Output.toStdString();
}

// Qt Designer itself (its form editor and widget box, made as Designer makes them, with only this
// plugin): the widget box shows the entries with their icons, tool tips and What's This texts; a
// charset on a form shows only its name and geometry in the property editor, a matrix all its
// properties; and its text of control codes is never translated in
// uic's code. Runs in a child process, since Designer initializes the plugin with its core.
TEST(DesignerPlugin, InQtDesigner) {
    if (qEnvironmentVariableIsSet(ChildVariable)) GTEST_SKIP();
    QTemporaryDir Scratch;
    ASSERT_TRUE(Scratch.isValid());
    QProcess Child;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert(ChildVariable, "designer");
    Env.insert("HOME", Scratch.path());  // Designer's settings start empty
    Env.insert("XDG_CONFIG_HOME", Scratch.path());
    Env.insert("VYR_SCRATCH", Scratch.path());
    Child.setProcessEnvironment(Env);
    Child.setProcessChannelMode(QProcess::MergedChannels);
    Child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=DesignerPluginChild.InDesigner", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(Child.waitForFinished(120000));
    const QString Output = QString::fromLocal8Bit(Child.readAll());
    EXPECT_EQ(Child.exitCode(), 0) << Output.toStdString();
    EXPECT_TRUE(Output.contains("[  PASSED  ] 1 test")) << Output.toStdString();
}

TEST(DesignerPluginChild, InDesigner) {
    if (!ChildRun("designer")) GTEST_SKIP() << "runs as the child of InQtDesigner";
    // This plugin only: the build tree's plugins folder, not Qt's own.
    QCoreApplication::setLibraryPaths({QDir(PluginDir).absoluteFilePath("..")});
    QDesignerComponents::initializeResources();
    std::unique_ptr<QDesignerFormEditorInterface> Core(QDesignerComponents::createFormEditor(nullptr));
    ASSERT_NE(Core, nullptr);
    QDesignerComponents::initializePlugins(Core.get());
    std::unique_ptr<QWidget> Box(QDesignerComponents::createWidgetBox(Core.get(), nullptr));
    Core->setWidgetBox(static_cast<QDesignerWidgetBoxInterface*>(Box.get()));
    std::unique_ptr<QDesignerPropertyEditorInterface> Editor(
        QDesignerComponents::createPropertyEditor(Core.get(), nullptr));
    Core->setPropertyEditor(Editor.get());
    QDesignerIntegration Integration(Core.get());

    // The widget box: each entry by its display name, with the entry's tool tip and What's This.
    for (const char* Name : {"vyr::QEditMatrix", "vyr::QCharSet"}) {
        auto* W = Entry(Name);
        ASSERT_NE(W, nullptr) << Name;
        const QString Shown = ElementOf(W->domXml(), "ui").value("displayname").toString();
        QModelIndex Found;
        for (auto* View : Box->findChildren<QAbstractItemView*>()) {
            const QModelIndexList Hits =
                View->model()->match(View->model()->index(0, 0), Qt::DisplayRole, Shown, 1, Qt::MatchExactly);
            if (!Hits.isEmpty()) Found = Hits.first();
        }
        ASSERT_TRUE(Found.isValid()) << Name;
        EXPECT_TRUE(Found.data(Qt::ToolTipRole).toString().contains(W->toolTip())) << Name;
        EXPECT_EQ(Found.data(Qt::WhatsThisRole).toString(), W->whatsThis()) << Name;
        EXPECT_FALSE(Found.data(Qt::DecorationRole).value<QIcon>().isNull()) << Name;
    }

    // A form with both, as dropped from the widget box (the entries' domXml).
    auto* Form = Core->formWindowManager()->createFormWindow(nullptr);
    ASSERT_NE(Form, nullptr);
    Form->setContents(QStringLiteral(R"(<ui version="4.0"><class>Form</class>
<widget class="QWidget" name="Form">
 <property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>100</height></rect></property>
 <widget class="vyr::QCharSet" name="charSet"/>
 <widget class="vyr::QEditMatrix" name="editMatrix"/>
</widget></ui>)"));
    auto* CharSet = Form->mainContainer()->findChild<QWidget*>("charSet");
    auto* Matrix = Form->mainContainer()->findChild<QWidget*>("editMatrix");
    ASSERT_NE(CharSet, nullptr);
    ASSERT_NE(Matrix, nullptr);
    auto Shown = [&](QWidget* W) {
        auto* Sheet = qt_extension<QDesignerPropertySheetExtension*>(Core->extensionManager(), W);
        QStringList Names;
        for (int I = 0; Sheet != nullptr && I < Sheet->count(); ++I) {
            if (Sheet->isVisible(I)) Names << Sheet->propertyName(I);
        }
        return Names;
    };
    EXPECT_EQ(Shown(CharSet).join(' ').toStdString(), "objectName geometry");
    // The property editor, as it lists them: one row per property under its class's row.
    auto Rows = [&](QWidget* W) {
        Editor->setObject(W);
        QStringList Names;
        for (auto* View : Editor->findChildren<QTreeWidget*>()) {
            for (int I = 0; I < View->topLevelItemCount(); ++I) {
                for (int J = 0; J < View->topLevelItem(I)->childCount(); ++J) {
                    Names << View->topLevelItem(I)->child(J)->text(0);
                }
            }
        }
        return Names;
    };
    EXPECT_EQ(Rows(CharSet).join(' ').toStdString(), "objectName geometry");
    EXPECT_GT(Rows(Matrix).size(), 20);
    // Designer asks for the sheet of no object when nothing is selected (it crashed Designer on
    // start-up once).
    EXPECT_EQ(Core->extensionManager()->extension(nullptr, Q_TYPEID(QDesignerPropertySheetExtension)), nullptr);
    Editor->setObject(nullptr);
    const QStringList MatrixShows = Shown(Matrix);
    for (const char* Name : {"objectName", "geometry", "text", "charset", "scroll", "ledShape", "totalVisible",
                             "fontSource", "codePage"}) {
        EXPECT_TRUE(MatrixShows.contains(Name)) << Name;
    }
    // The widget's own two come after the control's properties, as forms store them.
    EXPECT_LT(MatrixShows.indexOf("overwrite"), MatrixShows.indexOf("fontSource"));
    EXPECT_LT(MatrixShows.indexOf("fontSource"), MatrixShows.indexOf("codePage"));

    delete Form;

    // The matrix's text and charset are declared untranslatable in the entry, so Designer saves
    // them with notr="true"; from such a form uic sets the codes as they are instead of passing
    // them through QCoreApplication::translate.
    QStringList Untranslated;
    QXmlStreamReader Reader(Entry("vyr::QEditMatrix")->domXml());
    while (!Reader.atEnd()) {
        if (Reader.readNext() == QXmlStreamReader::StartElement &&
            Reader.name() == QLatin1String("stringpropertyspecification") &&
            Reader.attributes().value("notr") == QLatin1String("true")) {
            Untranslated << Reader.attributes().value("name").toString();
        }
    }
    EXPECT_EQ(Untranslated.join(' ').toStdString(), "text charset fontSource codePage");
    const QString Codes = QStringLiteral("@2FF0000Hot @D@@");
    const QString UiFile = qEnvironmentVariable("VYR_SCRATCH") + "/form.ui";
    QFile Out(UiFile);
    ASSERT_TRUE(Out.open(QIODevice::WriteOnly));
    Out.write(QStringLiteral(R"(<ui version="4.0"><class>Form</class>
<widget class="QWidget" name="Form">
 <widget class="vyr::QEditMatrix" name="editMatrix">
  <property name="charset"><string notr="true">charSet</string></property>
  <property name="text"><string notr="true">%1</string></property>
 </widget>
</widget>
<customwidgets><customwidget><class>vyr::QEditMatrix</class><extends>QWidget</extends>
<header>vyr/qt/QEditMatrix.h</header></customwidget></customwidgets></ui>)")
                  .arg(Codes)
                  .toUtf8());
    Out.close();
    QProcess Uic;
    Uic.start(QStringLiteral(VYR_UIC), {UiFile});
    ASSERT_TRUE(Uic.waitForFinished(60000));
    const QString Code = QString::fromUtf8(Uic.readAllStandardOutput());
    ASSERT_EQ(Uic.exitCode(), 0) << Uic.readAllStandardError().toStdString();
    EXPECT_TRUE(Code.contains(QStringLiteral("editMatrix->setText(QString::fromUtf8(\"%1\"));").arg(Codes)))
        << Code.toStdString();
    EXPECT_FALSE(Code.contains(QStringLiteral("QCoreApplication::translate"))) << Code.toStdString();
}

QStringList Warnings;

TEST(DesignerPluginChild, WithoutPackage) {
    if (!ChildRun("missing-package")) GTEST_SKIP() << "runs as the child of MissingPackageGivesAnEmptyCollection";
    qInstallMessageHandler([](QtMsgType Type, const QMessageLogContext&, const QString& Message) {
        if (Type == QtWarningMsg) Warnings << Message;
        std::fprintf(stderr, "%s\n", qPrintable(Message));
    });
    auto* Plugins = Collection();
    ASSERT_NE(Plugins, nullptr);
    EXPECT_TRUE(Plugins->customWidgets().isEmpty());
    EXPECT_TRUE(Loader()->availableWidgets().filter("vyr::").isEmpty());
    EXPECT_TRUE(vyr::host::LoadedPackages().empty());
    ASSERT_EQ(Warnings.size(), 1) << Warnings.join("\n").toStdString();
    EXPECT_TRUE(Warnings[0].contains("VYR_PACKAGE_DIR")) << Warnings[0].toStdString();
    qInstallMessageHandler(nullptr);
}

}  // namespace
