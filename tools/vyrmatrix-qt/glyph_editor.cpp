#include "glyph_editor.h"

#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QVBoxLayout>

#include "vyr/fonts/Fonts.h"

namespace vyr::demo {

// ---- Grid --------------------------------------------------------------------------------------

QGlyphGrid::QGlyphGrid(QWidget* Parent) : QWidget(Parent) {
    setObjectName("glyphGrid");
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void QGlyphGrid::setGlyph(const std::array<host::Byte, 5>& Glyph) {
    if (Glyph == FGlyph) return;
    FGlyph = Glyph;
    update();
}

QSize QGlyphGrid::sizeHint() const { return {5 * Cell + 2, 7 * Cell + 2}; }

QPoint QGlyphGrid::centreOf(int Column, int Row) { return {1 + Column * Cell + Cell / 2, 1 + Row * Cell + Cell / 2}; }

void QGlyphGrid::paintEvent(QPaintEvent* /*Event*/) {
    QPainter Painter(this);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.fillRect(rect(), QColor(12, 12, 12));
    for (int Column = 0; Column < 5; ++Column) {
        for (int Row = 0; Row < 7; ++Row) {
            const bool Lit = (FGlyph[static_cast<std::size_t>(Column)] >> (6 - Row)) & 1;
            Painter.setPen(Qt::NoPen);
            Painter.setBrush(Lit ? QColor(255, 176, 0) : QColor(58, 40, 0));
            Painter.drawEllipse(QRect(1 + Column * Cell + 2, 1 + Row * Cell + 2, Cell - 4, Cell - 4));
        }
    }
}

void QGlyphGrid::mousePressEvent(QMouseEvent* Event) {
    const QPoint At = Event->position().toPoint() - QPoint(1, 1);
    const int Column = At.x() / Cell;
    const int Row = At.y() / Cell;
    if (At.x() < 0 || At.y() < 0 || Column > 4 || Row > 6) return;
    emit toggled(Column, Row);
}

// ---- Editor ------------------------------------------------------------------------------------

QGlyphEditor::QGlyphEditor(std::vector<QEditMatrix*> Matrices, QWidget* Parent)
    : QGroupBox("Glyphs", Parent), FMatrices(std::move(Matrices)) {
    auto* Layout = new QHBoxLayout(this);
    FGrid = new QGlyphGrid(this);
    Layout->addWidget(FGrid, 0, Qt::AlignTop);

    auto* Side = new QVBoxLayout;
    auto* CodeRow = new QHBoxLayout;
    FCode = new QSpinBox(this);
    FCode->setObjectName("glyphCode");
    FCode->setRange(0, 255);
    FCode->setValue('A');
    FCode->setPrefix("code ");
    FCharacter = new QLabel(this);
    FCharacter->setObjectName("glyphCharacter");
    FTyped = new QLineEdit(this);
    FTyped->setObjectName("glyphTyped");
    FTyped->setPlaceholderText("or type it");
    FTyped->setMaxLength(1);
    FTyped->setMaximumWidth(80);
    CodeRow->addWidget(FCode);
    CodeRow->addWidget(FTyped);
    CodeRow->addWidget(FCharacter, 1);
    Side->addLayout(CodeRow);
    FPages = new QComboBox(this);
    FPages->setObjectName("codePage");
    FPages->setEditable(true);
    FPages->addItems(
        {"ISO-8859-1", "WINDOWS-1252", "ISO-8859-2", "ISO-8859-5", "ISO-8859-7", "ISO-8859-15", "KOI8-R", "CP437"});
    FPages->setCurrentText(FMatrices.front()->codePage());
    Side->addWidget(FPages);
    auto* Import = new QPushButton("Import font...", this);
    Import->setObjectName("importFont");
    auto* Export = new QPushButton("Export BDF...", this);
    Export->setObjectName("exportBdf");
    Side->addWidget(Import);
    Side->addWidget(Export);
    FMessage = new QLabel("Click an LED to toggle it.", this);
    FMessage->setObjectName("glyphMessage");
    FMessage->setWordWrap(true);
    Side->addWidget(FMessage);
    Side->addStretch(1);
    Layout->addLayout(Side, 1);

    connect(FCode, &QSpinBox::valueChanged, this, [this] { Refresh(); });
    connect(FTyped, &QLineEdit::textEdited, this, [this](const QString& Text) { pickCharacter(Text); });
    connect(FPages, &QComboBox::textActivated, this, &QGlyphEditor::setCodePage);
    connect(FGrid, &QGlyphGrid::toggled, this, &QGlyphEditor::toggle);
    connect(Import, &QPushButton::clicked, this, [this] {
        const QString Path = QFileDialog::getOpenFileName(this, "Import a bitmap font", "/usr/share/fonts/X11/misc",
                                                          "Bitmap fonts (*.bdf *.pcf *.psf *.gz);;All files (*)");
        if (!Path.isEmpty()) importFont(Path);
    });
    connect(Export, &QPushButton::clicked, this, [this] {
        const QString Path = QFileDialog::getSaveFileName(this, "Export the glyph table", "glyphs.bdf", "BDF (*.bdf)");
        if (!Path.isEmpty()) exportBdf(Path);
    });
    for (QEditMatrix* Matrix : FMatrices) {
        connect(Matrix, &QEditMatrix::fontError, this, [this](const QString& Message) { FError = Message; });
        connect(Matrix, &QEditMatrix::codePageChanged, this, [this] { Refresh(); });
        connect(Matrix, &QEditMatrix::fontSourceChanged, this, [this] { Refresh(); });
    }
    Refresh();
}

int QGlyphEditor::code() const { return FCode->value(); }
void QGlyphEditor::setCode(int Code) { FCode->setValue(Code); }
QString QGlyphEditor::message() const { return FMessage->text(); }

bool QGlyphEditor::pickCharacter(const QString& Text) {
    const QList<uint> Chars = Text.toUcs4();
    if (Chars.isEmpty()) return false;
    Refresh();  // the code page in force
    const auto Code = FPage ? FPage->CodeOf(static_cast<char32_t>(Chars.front())) : std::nullopt;
    if (!Code) {
        Show("'" + Text.left(2) + "' is not in " + FPageName);
        return false;
    }
    setCode(*Code);
    return true;
}

void QGlyphEditor::setCodePage(const QString& Name) {
    FError.clear();
    for (QEditMatrix* Matrix : FMatrices) Matrix->setCodePage(Name);
    if (!FError.isEmpty()) Show(FError);
    if (FPages->currentText() != FMatrices.front()->codePage()) FPages->setCurrentText(FMatrices.front()->codePage());
    Refresh();
}

void QGlyphEditor::toggle(int Column, int Row) {
    if (Column < 0 || Column > 4 || Row < 0 || Row > 6) return;
    const auto Code = static_cast<host::Byte>(code());
    const auto Col = static_cast<host::Byte>(Column);
    const auto Bit = static_cast<host::Byte>(1u << (6 - Row));
    for (QEditMatrix* Matrix : FMatrices) {
        TEditMatrix& M = Matrix->control();
        M.SetCharColumn(Code, Col, static_cast<host::Byte>(M.GetCharColumn(Code, Col) ^ Bit));
    }
    Refresh();
}

bool QGlyphEditor::importFont(const QString& Path) {
    FError.clear();
    for (QEditMatrix* Matrix : FMatrices) {
        // Setting the same source again imports it again (edits made since are replaced).
        if (Matrix->fontSource() == Path) Matrix->setFontSource(QString());
        Matrix->setFontSource(Path);
    }
    Refresh();
    if (!FError.isEmpty()) {
        Show(FError);
        return false;
    }
    Show("Imported " + Path);
    return true;
}

bool QGlyphEditor::exportBdf(const QString& Path) {
    const QEditMatrix& First = *FMatrices.front();
    try {
        fonts::WriteFontFile(QFile::encodeName(Path).toStdString(),
                             fonts::WriteBdf(fonts::TableOf(First.control()), First.codePage().toStdString()));
    } catch (const fonts::TFontError& Error) {
        Show(QString::fromUtf8(Error.what()));
        return false;
    }
    Show("Exported " + Path);
    return true;
}

void QGlyphEditor::Refresh() {
    const QEditMatrix& First = *FMatrices.front();
    const auto Code = static_cast<host::Byte>(code());
    std::array<host::Byte, 5> Glyph{};
    for (int Column = 0; Column < 5; ++Column)
        Glyph[static_cast<std::size_t>(Column)] = First.control().GetCharColumn(Code, static_cast<host::Byte>(Column));
    FGrid->setGlyph(Glyph);
    // The character the code stands for in the edit matrix's code page (opened once per name).
    if (First.codePage() != FPageName) {
        FPageName = First.codePage();
        try {
            FPage = fonts::TCodePage::Open(FPageName.toStdString());
        } catch (const fonts::TFontError&) {
            FPage.reset();
        }
    }
    const auto Char = FPage ? FPage->CharOf(Code) : std::nullopt;
    const char32_t Shown[1] = {Char && *Char >= 0x20 ? *Char : char32_t{0xFFFD}};
    FCharacter->setText(QString("'%1' in %2").arg(QString::fromUcs4(Shown, 1), First.codePage()));
}

void QGlyphEditor::Show(const QString& Message) { FMessage->setText(Message); }

}  // namespace vyr::demo
