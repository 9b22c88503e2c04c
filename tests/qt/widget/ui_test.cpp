// .ui forms: a form written by QFormBuilder::save, with its properties in meta-object order as
// Qt Designer writes them, and read by QUiLoader making vyr::QEditMatrix, comes back with every
// property; and, loading in that order, stepToOutside is clamped against the totalVisible in
// force when it is read.
#include <gtest/gtest.h>

#include <QtCore/QBuffer>
#include <QtCore/QMetaProperty>
#include <QtCore/QTemporaryDir>
#include <QtDesigner/QFormBuilder>
#include <QtTest/QTest>
#include <QtUiTools/QUiLoader>
#include <QtWidgets/QVBoxLayout>
#include <QtXml/QDomDocument>
#include <algorithm>
#include <memory>

#include "support/font_setting_cases.h"
#include "support/qt_support.h"

namespace vyr::test {
namespace {

// QUiLoader that makes the widget itself (as the Designer plugin's factory will).
class TMatrixLoader : public QUiLoader {
public:
    QWidget* createWidget(const QString& ClassName, QWidget* Parent, const QString& Name) override {
        if (ClassName == QLatin1String("vyr::QEditMatrix")) {
            auto* W = new QEditMatrix(Parent);
            W->setObjectName(Name);
            ++Made;
            return W;
        }
        return QUiLoader::createWidget(ClassName, Parent, Name);
    }
    int Made = 0;
};

// QFormBuilder::save lists a widget's properties in hash order; Designer writes them in
// meta-object order, base classes first. This puts each widget's <property> elements in that
// order, as Designer would have saved the form.
QByteArray InDesignerOrder(const QByteArray& Ui, const QWidget& Form) {
    QDomDocument Doc;
    EXPECT_TRUE(static_cast<bool>(Doc.setContent(Ui)));
    const QDomNodeList Widgets = Doc.elementsByTagName("widget");
    for (int w = 0; w < Widgets.size(); ++w) {
        QDomElement Widget = Widgets.at(w).toElement();
        if (Widget.attribute("class") != QLatin1String("vyr::QEditMatrix")) continue;
        const auto* Live = Form.findChild<const QEditMatrix*>(Widget.attribute("name"));
        if (Live == nullptr) continue;
        std::vector<QDomElement> Properties;
        for (QDomElement P = Widget.firstChildElement("property"); !P.isNull(); P = P.nextSiblingElement("property")) {
            Properties.push_back(P);
        }
        const QMetaObject& Meta = QEditMatrix::staticMetaObject;
        // QFormBuilder of Qt 6.4 cannot write a property of a custom enum type; Designer writes
        // it as the enumerator's scoped name.
        for (int i = Meta.propertyOffset(); i < Meta.propertyCount(); ++i) {
            const QMetaProperty Property = Meta.property(i);
            if (!Property.isEnumType()) continue;
            const bool Written = std::any_of(Properties.begin(), Properties.end(), [&](const QDomElement& P) {
                return P.attribute("name") == QLatin1String(Property.name());
            });
            if (Written) continue;
            QDomElement P = Doc.createElement("property");
            P.setAttribute("name", Property.name());
            QDomElement Enum = Doc.createElement("enum");
            const char* Key = Property.enumerator().valueToKey(Property.read(Live).toInt());
            Enum.appendChild(Doc.createTextNode(QString("vyr::QEditMatrix::") + Key));
            P.appendChild(Enum);
            Properties.push_back(P);
        }
        std::stable_sort(Properties.begin(), Properties.end(), [&](const QDomElement& A, const QDomElement& B) {
            // The analyzer loses track of the captured meta-object inside stable_sort's buffer.
            // NOLINTNEXTLINE(clang-analyzer-core.CallAndMessage)
            return Meta.indexOfProperty(A.attribute("name").toLatin1()) <
                   Meta.indexOfProperty(B.attribute("name").toLatin1());
        });
        for (const QDomElement& P : Properties) {
            if (!P.parentNode().isNull()) Widget.removeChild(P);
        }
        for (auto It = Properties.rbegin(); It != Properties.rend(); ++It)
            Widget.insertBefore(*It, Widget.firstChild());
    }
    return Doc.toByteArray();
}

QByteArray Save(QWidget& Form) {
    QBuffer Buffer;
    Buffer.open(QIODevice::WriteOnly);
    QFormBuilder Builder;
    Builder.save(&Buffer, &Form);
    return InDesignerOrder(Buffer.data(), Form);
}

struct TLoaded {
    std::unique_ptr<QWidget> Form;
    QEditMatrix* Matrix = nullptr;
};

TLoaded Load(const QByteArray& Ui) {
    QBuffer Buffer;
    Buffer.setData(Ui);
    Buffer.open(QIODevice::ReadOnly);
    TMatrixLoader Loader;
    TLoaded L;
    L.Form.reset(Loader.load(&Buffer));
    EXPECT_EQ(Loader.Made, 1) << Loader.errorString().toStdString();
    if (L.Form) L.Matrix = L.Form->findChild<QEditMatrix*>("matrix");
    return L;
}

struct TForm {
    TForm() : Top(std::make_unique<QWidget>()) {
        Top->setObjectName("form");
        auto* Layout = new QVBoxLayout(Top.get());
        Matrix = new QEditMatrix(Top.get());
        Matrix->setObjectName("matrix");
        Layout->addWidget(Matrix);
    }
    std::unique_ptr<QWidget> Top;
    QEditMatrix* Matrix;
};

TEST(QEditMatrixUi, ARoundTripKeepsEveryProperty) {
    TForm Original;
    QEditMatrix& M = *Original.Matrix;
    M.setDelay(600'000);
    M.setBlinkDelay(500'000);
    M.setBlinkOffColor(QColor(1, 2, 3));
    M.setActiveLedOnColor(QColor(0, 255, 0));
    M.setActiveLedOffColor(QColor(0, 60, 0));
    M.setBackgroundColor(QColor(9, 9, 9));
    M.setCharset("Danish");
    M.setInactiveLedOnColor(QColor(0, 0, 255));
    M.setInactiveLedOffColor(QColor(0, 0, 50));
    M.setLedShape(QEditMatrix::Circle);
    M.setLedSize(5);
    M.setLedDistance(2);
    M.setStepActive(true);
    M.setTotalVisible(12);
    M.setStepToOutside(4);  // within the default width's limit of 5, so it loads as it is
    M.setText(QString::fromLatin1("Hej p\xe5 dig @C00FF00"));
    M.setOverwrite(true);
    M.setActiveLed(false);
    M.setScroll(true);  // its setter makes activeLed true again
    const QByteArray Ui = Save(*Original.Top);

    TLoaded Loaded = Load(Ui);
    ASSERT_NE(Loaded.Matrix, nullptr);
    const QMetaObject& Meta = QEditMatrix::staticMetaObject;
    for (int i = Meta.propertyOffset(); i < Meta.propertyCount(); ++i) {
        const QMetaProperty P = Meta.property(i);
        EXPECT_EQ(P.read(Loaded.Matrix), P.read(&M)) << P.name();
    }
    EXPECT_EQ(Loaded.Matrix->charsetComponent(), M.charsetComponent());
}

TEST(QEditMatrixUi, StepToOutsideIsReadBeforeTotalVisibleAndClampedAgainstTheDefaultWidth) {
    TForm Original;
    Original.Matrix->setTotalVisible(20);
    Original.Matrix->setStepToOutside(8);
    ASSERT_EQ(Original.Matrix->stepToOutside(), 8);
    const QByteArray Ui = Save(*Original.Top);
    ASSERT_LT(Ui.indexOf("name=\"stepToOutside\""), Ui.indexOf("name=\"totalVisible\""));

    TLoaded Loaded = Load(Ui);
    ASSERT_NE(Loaded.Matrix, nullptr);
    EXPECT_EQ(Loaded.Matrix->totalVisible(), 20);
    EXPECT_EQ(Loaded.Matrix->stepToOutside(), 5);
}

// The widget's own two come after the control's properties, so a form sets text before its code
// page; the text still loads with its characters, and the font through that page.
TEST(QEditMatrixUi, AFormKeepsItsFontCodePageAndTextInAnotherCodePage) {
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    fontcases::WriteFiles(Dir.path());
    TForm Original;
    QEditMatrix& M = *Original.Matrix;
    M.setCodePage("ISO-8859-5");
    M.setFontSource(Dir.path() + "/unicode.bdf");
    const QString Text = QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82");  // Привет
    M.setText(Text);
    const QByteArray Ui = Save(*Original.Top);
    const qsizetype Overwrite = Ui.indexOf("name=\"overwrite\"");
    ASSERT_GT(Overwrite, 0);
    EXPECT_LT(Overwrite, Ui.indexOf("name=\"fontSource\""));
    EXPECT_LT(Ui.indexOf("name=\"text\""), Ui.indexOf("name=\"fontSource\""));
    EXPECT_LT(Ui.indexOf("name=\"fontSource\""), Ui.indexOf("name=\"codePage\""));

    TLoaded Loaded = Load(Ui);
    ASSERT_NE(Loaded.Matrix, nullptr);
    EXPECT_EQ(Loaded.Matrix->text(), Text);
    EXPECT_EQ(Loaded.Matrix->codePage(), "ISO-8859-5");
    EXPECT_EQ(fonts::TableOf(Loaded.Matrix->control()), fonts::TableOf(M.control()));
    EXPECT_EQ(fontcases::GlyphAt(Loaded.Matrix->control(), 0xBF), fontcases::GlyphOf(fontcases::Pe));
}

TEST(QEditMatrixUi, AFormWrittenByHandInDesignersOrderLoads) {
    const QByteArray Ui = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Form</class>
 <widget class="QWidget" name="Form">
  <widget class="vyr::QEditMatrix" name="matrix">
   <property name="ledShape"><enum>vyr::QEditMatrix::Circle</enum></property>
   <property name="ledSize"><number>4</number></property>
   <property name="stepToOutside"><number>8</number></property>
   <property name="text"><string>Hi</string></property>
   <property name="totalVisible"><number>20</number></property>
  </widget>
 </widget>
</ui>
)";
    TLoaded Loaded = Load(Ui);
    ASSERT_NE(Loaded.Matrix, nullptr);
    EXPECT_EQ(Loaded.Matrix->ledShape(), QEditMatrix::Circle);
    EXPECT_EQ(Loaded.Matrix->ledSize(), 3) << "even sizes become one less while round";
    EXPECT_EQ(Loaded.Matrix->stepToOutside(), 5);
    EXPECT_EQ(Loaded.Matrix->text(), "Hi");
    EXPECT_EQ(Loaded.Matrix->size(), QSize(1 + 4 * 6 * 20, 1 + 4 * 9));
}

TEST(QEditMatrixUi, AnUnknownLedShapeEnumeratorLoadsAsASquare) {
    const QByteArray Ui = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Form</class>
 <widget class="QWidget" name="Form">
  <widget class="vyr::QEditMatrix" name="matrix">
   <property name="ledShape"><enum>vyr::QEditMatrix::Hexagon</enum></property>
   <property name="text"><string>Hi</string></property>
  </widget>
 </widget>
</ui>
)";
    TLoaded Loaded = Load(Ui);
    ASSERT_NE(Loaded.Matrix, nullptr);
    EXPECT_EQ(Loaded.Matrix->ledShape(), QEditMatrix::Square);
    EXPECT_EQ(Loaded.Matrix->text(), "Hi");
}

}  // namespace
}  // namespace vyr::test
