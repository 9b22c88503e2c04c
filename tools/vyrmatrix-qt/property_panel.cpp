#include "property_panel.h"

#include <QtCore/QMetaProperty>
#include <QtCore/QSignalBlocker>
#include <QtGui/QPainter>
#include <QtGui/QPixmap>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QSpinBox>
#include <algorithm>
#include <exception>
#include <limits>
#include <string>

#include "vyr/qt/QtBackend.h"

namespace vyr::demo {

using host::TTypeKind;

// ---- Colour button ---------------------------------------------------------------------------

QColorButton::QColorButton(QWidget* Parent) : QPushButton(Parent) {
    setIconSize(QSize(28, 14));
    connect(this, &QPushButton::clicked, this, &QColorButton::OpenDialog);
    setColor(Qt::black);
}

void QColorButton::setColor(const QColor& Color) {
    FColor = Color;
    QPixmap Swatch(iconSize());
    Swatch.fill(Color);
    QPainter Frame(&Swatch);
    Frame.setPen(palette().color(QPalette::Mid));
    Frame.drawRect(Swatch.rect().adjusted(0, 0, -1, -1));
    Frame.end();
    setIcon(QIcon(Swatch));
    setText(Color.name());
}

void QColorButton::pick(const QColor& Color) {
    if (!Color.isValid() || Color.rgb() == FColor.rgb()) return;
    setColor(Color);
    emit colorPicked(Color);
}

void QColorButton::OpenDialog() {
    // A closed dialog gives an invalid colour: nothing changes.
    pick(QColorDialog::getColor(FColor, this, toolTip()));
}

// ---- Panel -----------------------------------------------------------------------------------

struct QPropertyPanel::TRow {
    const host::TPropInfo* Info = nullptr;
    QWidget* Editor = nullptr;
    QMetaProperty QtProperty;  // the widget's property of the same name, if any
    int NotifyIndex = -1;      // its NOTIFY signal's method index
};

namespace {

// The Q_PROPERTY of QEditMatrix itself (not QWidget's) whose name matches the table's name
// without regard to case ("LEDSize" and "ledSize", "ActiveLED" and "activeLed").
QMetaProperty WidgetProperty(std::string_view TableName) {
    const QMetaObject& Meta = QEditMatrix::staticMetaObject;
    const QString Wanted = QString::fromLatin1(TableName.data(), static_cast<qsizetype>(TableName.size()));
    for (int i = Meta.propertyOffset(); i < Meta.propertyCount(); ++i) {
        const QMetaProperty P = Meta.property(i);
        if (QString::fromLatin1(P.name()).compare(Wanted, Qt::CaseInsensitive) == 0) return P;
    }
    return {};
}

QString ValueText(const host::TPropInfo& Info, const host::TPropValue& Value) {
    if (const bool* B = std::get_if<bool>(&Value)) return *B ? "true" : "false";
    if (const std::int64_t* N = std::get_if<std::int64_t>(&Value)) {
        if (Info.Kind == TTypeKind::Color) return "$" + QString::number(*N, 16).toUpper().rightJustified(6, '0');
        if (Info.Kind == TTypeKind::Enum && *N >= 0 && static_cast<std::size_t>(*N) < Info.EnumNames.size()) {
            const std::string_view E = Info.EnumNames[static_cast<std::size_t>(*N)];
            return QString::fromLatin1(E.data(), static_cast<qsizetype>(E.size()));
        }
        return QString::number(*N);
    }
    if (const host::AnsiString* S = std::get_if<host::AnsiString>(&Value)) return "'" + qt::FromAnsi(*S) + "'";
    return "none";
}

QString Latin1(std::string_view Text) { return QString::fromLatin1(Text.data(), static_cast<qsizetype>(Text.size())); }

int ClampInt(std::int64_t Value) {
    return static_cast<int>(
        std::clamp<std::int64_t>(Value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

QPropertyPanel::QPropertyPanel(const host::TPropList& Table, QWidget* Parent) : QWidget(Parent), FTable(Table) {
    auto* Form = new QFormLayout(this);
    Form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    Form->setVerticalSpacing(4);
    for (const host::TPropInfo& Info : FTable) AddRow(*Form, Info);
    setMatrix(nullptr);
}

QPropertyPanel::~QPropertyPanel() { Disconnect(); }

void QPropertyPanel::AddRow(QFormLayout& Form, const host::TPropInfo& Info) {
    auto Row = std::make_unique<TRow>();
    TRow* R = Row.get();
    R->Info = &Info;
    R->QtProperty = WidgetProperty(Info.Name);
    if (R->QtProperty.isValid() && R->QtProperty.hasNotifySignal()) R->NotifyIndex = R->QtProperty.notifySignalIndex();

    switch (Info.Kind) {
        case TTypeKind::Boolean: {
            auto* Box = new QCheckBox(this);
            connect(Box, &QCheckBox::toggled, this, [this, R](bool On) { Write(*R, On); });
            R->Editor = Box;
            break;
        }
        case TTypeKind::Integer:
        case TTypeKind::Byte: {
            auto* Spin = new QSpinBox(this);
            Spin->setRange(ClampInt(Info.Min), ClampInt(Info.Max));
            // Typing "250" must not set 2 and 25 on the way: the value goes on Return, on
            // leaving the box and on the arrows.
            Spin->setKeyboardTracking(false);
            connect(Spin, &QSpinBox::valueChanged, this, [this, R](int V) { Write(*R, V); });
            R->Editor = Spin;
            break;
        }
        case TTypeKind::Color: {
            auto* Button = new QColorButton(this);
            Button->setToolTip(Latin1(Info.Name));
            connect(Button, &QColorButton::colorPicked, this, [this, R](const QColor& C) { Write(*R, C); });
            R->Editor = Button;
            break;
        }
        case TTypeKind::Enum: {
            auto* Combo = new QComboBox(this);
            for (std::string_view Name : Info.EnumNames) Combo->addItem(Latin1(Name));
            connect(Combo, &QComboBox::currentIndexChanged, this, [this, R](int I) { Write(*R, I); });
            R->Editor = Combo;
            break;
        }
        case TTypeKind::String:
        case TTypeKind::Component: {
            auto* Line = new QLineEdit(this);
            if (Info.Name == "Text") {
                // The text follows every key, as the marquee's own text would.
                connect(Line, &QLineEdit::textEdited, this, [this, R](const QString& T) { Write(*R, T); });
            } else {
                // A name (a component's, a shared TCharSet's) is taken once it is complete.
                connect(Line, &QLineEdit::editingFinished, this, [this, R, Line] { Write(*R, Line->text()); });
            }
            if (Info.Kind == TTypeKind::Component) Line->setPlaceholderText("(none)");
            Line->setMinimumWidth(220);
            R->Editor = Line;
            break;
        }
    }
    R->Editor->setObjectName(Latin1(Info.Name));
    // TabOrder follows Qt's tab chain (the focus walk numbers the siblings before each Up and
    // Down key); shown, not edited.
    if (Info.Name == "TabOrder") R->Editor->setProperty("readOnlyProperty", true);

    QString Tip = Latin1(Info.TypeName);
    if (Info.Default) Tip += ", default " + ValueText(Info, *Info.Default);
    if (!Info.Setter.empty()) Tip += "; setter " + Latin1(Info.Setter);
    auto* Label = new QLabel(Latin1(Info.Name), this);
    Label->setToolTip(Tip);
    Label->setBuddy(R->Editor);
    if (Info.Kind != TTypeKind::Color) R->Editor->setToolTip(Tip);
    Form.addRow(Label, R->Editor);
    FRows.push_back(std::move(Row));
}

QWidget* QPropertyPanel::editorAt(int Index) const {
    if (Index < 0 || Index >= editorCount()) return nullptr;
    return FRows[static_cast<std::size_t>(Index)]->Editor;
}

QWidget* QPropertyPanel::editor(std::string_view Name) const {
    for (const auto& Row : FRows) {
        if (Row->Info->Name == Name) return Row->Editor;
    }
    return nullptr;
}

std::string_view QPropertyPanel::propertyNameAt(int Index) const {
    if (Index < 0 || Index >= editorCount()) return {};
    return FRows[static_cast<std::size_t>(Index)]->Info->Name;
}

void QPropertyPanel::setMatrix(QEditMatrix* Matrix) {
    Disconnect();
    FMatrix = Matrix;
    for (const auto& Row : FRows) {
        const bool ReadOnly = Row->Editor->property("readOnlyProperty").toBool();
        Row->Editor->setEnabled(Matrix != nullptr && !ReadOnly);
    }
    if (Matrix == nullptr) return;
    Connect();
    refresh();
}

void QPropertyPanel::Connect() {
    const QMetaMethod Slot = staticMetaObject.method(staticMetaObject.indexOfSlot("onNotify()"));
    for (const auto& Row : FRows) {
        if (Row->NotifyIndex < 0) continue;
        FConnections.push_back(connect(FMatrix, FMatrix->metaObject()->method(Row->NotifyIndex), this, Slot));
    }
    // A matrix destroyed while shown leaves the panel without one.
    FConnections.push_back(connect(FMatrix, &QObject::destroyed, this, [this] { setMatrix(nullptr); }));
}

void QPropertyPanel::Disconnect() {
    for (const QMetaObject::Connection& C : FConnections) disconnect(C);
    FConnections.clear();
}

void QPropertyPanel::onNotify() {
    if (FMatrix == nullptr || sender() != FMatrix) return;
    const int Signal = senderSignalIndex();
    for (const auto& Row : FRows) {
        if (Row->NotifyIndex == Signal) RefreshRow(*Row);
    }
    RefreshUnsignalled();
}

void QPropertyPanel::refresh() {
    for (const auto& Row : FRows) RefreshRow(*Row);
}

void QPropertyPanel::RefreshUnsignalled() {
    for (const auto& Row : FRows) {
        if (Row->NotifyIndex < 0) RefreshRow(*Row);
    }
}

void QPropertyPanel::Write(TRow& Row, const QVariant& Value) {
    if (FMatrix == nullptr || FWriting) return;
    FWriting = true;
    const QPointer<QEditMatrix> Matrix(FMatrix);
    if (Row.QtProperty.isValid()) {
        Row.QtProperty.write(Matrix, Value);
    } else {
        // Through the table's own setter; the value's type is the table's.
        host::TPropValue V;
        switch (Row.Info->Kind) {
            case TTypeKind::Boolean:
                V = Value.toBool();
                break;
            case TTypeKind::String:
                V = qt::ToAnsi(Value.toString());
                break;
            default:
                V = static_cast<std::int64_t>(Value.toLongLong());
                break;
        }
        try {
            Row.Info->Set(Matrix->control(), V);
        } catch (const std::exception& E) {
            qWarning("vyrmatrix-qt: %s: %s", std::string(Row.Info->Name).c_str(), E.what());
        }
        // Qt's focus chain is what makes a widget a tab stop.
        if (Row.Info->Name == "TabStop") Matrix->setFocusPolicy(Value.toBool() ? Qt::StrongFocus : Qt::ClickFocus);
    }
    FWriting = false;
    // The matrix may be gone (a slot of another signal) or may have clamped the value.
    if (!Matrix.isNull()) refresh();
}

void QPropertyPanel::RefreshRow(TRow& Row) {
    if (FMatrix == nullptr) return;
    const host::TPropInfo& Info = *Row.Info;
    QVariant Value;
    if (Row.QtProperty.isValid()) {
        Value = Row.QtProperty.read(FMatrix);
    } else {
        const host::TPropValue V = Info.Get(FMatrix->control());
        if (const bool* B = std::get_if<bool>(&V)) Value = *B;
        if (const std::int64_t* N = std::get_if<std::int64_t>(&V)) Value = static_cast<qlonglong>(*N);
        if (const host::AnsiString* S = std::get_if<host::AnsiString>(&V)) Value = qt::FromAnsi(*S);
    }
    const QSignalBlocker Blocker(Row.Editor);
    switch (Info.Kind) {
        case TTypeKind::Boolean: {
            auto* Box = static_cast<QCheckBox*>(Row.Editor);
            if (Box->isChecked() != Value.toBool()) Box->setChecked(Value.toBool());
            break;
        }
        case TTypeKind::Integer:
        case TTypeKind::Byte: {
            auto* Spin = static_cast<QSpinBox*>(Row.Editor);
            const int V = ClampInt(Value.toLongLong());
            if (Spin->value() != V) Spin->setValue(V);
            break;
        }
        case TTypeKind::Color: {
            auto* Button = static_cast<QColorButton*>(Row.Editor);
            const QColor C = Value.value<QColor>();
            if (Button->color().rgb() != C.rgb()) Button->setColor(C);
            break;
        }
        case TTypeKind::Enum: {
            auto* Combo = static_cast<QComboBox*>(Row.Editor);
            const int I = Value.toInt();
            if (Combo->currentIndex() != I) Combo->setCurrentIndex(I);
            break;
        }
        case TTypeKind::String:
        case TTypeKind::Component: {
            auto* Line = static_cast<QLineEdit*>(Row.Editor);
            const QString T = Value.toString();
            // Equal text is left alone: the cursor of a line edit being typed into stays.
            if (Line->text() != T) Line->setText(T);
            break;
        }
    }
}

}  // namespace vyr::demo
