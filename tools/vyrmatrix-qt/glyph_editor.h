// The glyph editor of vyrmatrix-qt: a character picked by its code or typed (through the code
// page, which the editor sets on every matrix), its 35 LEDs on an enlarged
// grid that a click toggles, written at once into every matrix of the window through
// SetCharColumn (so both matrices show the change), a font imported from a file (each matrix's
// fontSource) and the edit matrix's glyph table exported as BDF.
#pragma once

#include <QtWidgets/QGroupBox>
#include <optional>
#include <vector>

#include "vyr/fonts/Fonts.h"
#include "vyr/qt/QEditMatrix.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace vyr::demo {

// The 5 x 7 LEDs of one glyph, enlarged: a click on an LED asks to toggle it.
class QGlyphGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int Cell = 22;  // pixels per LED, gap included

    explicit QGlyphGrid(QWidget* Parent = nullptr);
    void setGlyph(const std::array<host::Byte, 5>& Glyph);
    [[nodiscard]] QSize sizeHint() const override;
    // The centre of LED (Column, Row), for clicks from tests.
    [[nodiscard]] static QPoint centreOf(int Column, int Row);

signals:
    void toggled(int Column, int Row);

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;

private:
    std::array<host::Byte, 5> FGlyph{};
};

class QGlyphEditor : public QGroupBox {
    Q_OBJECT
public:
    // Edits the glyphs of Matrices (the first one is read, every one is written).
    QGlyphEditor(std::vector<QEditMatrix*> Matrices, QWidget* Parent = nullptr);

    [[nodiscard]] int code() const;
    void setCode(int Code);
    // Picks the code of the first character of Text in the code page; false when the page
    // cannot hold it.
    bool pickCharacter(const QString& Text);
    // Sets every matrix's codePage.
    void setCodePage(const QString& Name);
    [[nodiscard]] QGlyphGrid* grid() const { return FGrid; }
    // Toggles LED (Column, Row) of the current code in every matrix.
    void toggle(int Column, int Row);
    // Sets every matrix's fontSource to Path; false (and the message shown) when it failed.
    bool importFont(const QString& Path);
    // Writes the first matrix's glyph table to Path as BDF (named after its code page); false
    // (and the message shown) when it could not be written.
    bool exportBdf(const QString& Path);
    // The last message shown (imported, exported, or what went wrong).
    [[nodiscard]] QString message() const;

private:
    void Refresh();
    void Show(const QString& Message);

    std::vector<QEditMatrix*> FMatrices;
    QSpinBox* FCode = nullptr;
    QLineEdit* FTyped = nullptr;
    QComboBox* FPages = nullptr;
    QLabel* FCharacter = nullptr;
    QGlyphGrid* FGrid = nullptr;
    QLabel* FMessage = nullptr;
    QString FError;  // a fontError reported during importFont
    QString FPageName;
    std::optional<fonts::TCodePage> FPage;  // the code page of FPageName, for the character shown
};

}  // namespace vyr::demo
