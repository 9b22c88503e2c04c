// The property panel of vyrmatrix-qt: one editor per published property of TEditMatrix, made
// from the control's property table in the table's order, acting on one QEditMatrix at a time.
//
// Editors by the table's type: a check box for Boolean, a spin box with the type's range for
// Integer and Byte, a colour button for TColor, a combo box with the enum's names for EShape, a
// line edit for String and for the Charset reference (the name of a shared TCharSet).
//
// Writing: an edit goes through the widget's Q_PROPERTY of the same name where there is one
// (so the widget's clamping and signals apply), else through the table's own setter; TabStop
// also sets the widget's focus policy, since Qt's focus chain stands for it. TabOrder is shown
// but not edited: Qt's tab chain decides it. After an edit every editor is read back, so a
// clamped value (LEDSize 4 with Circle is 3) or a side effect (StepToOutside re-clamped by
// TotalVisible) shows at once.
//
// Reading: the panel follows the matrix's NOTIFY signals, whatever changed the property (a key,
// the focus, a control code in a scroll frame). Editors are updated with their own signals
// blocked and only when the value shown differs, so an update never writes back to the matrix
// and never moves the cursor of a line edit that is being typed into.
#pragma once

#include <QtCore/QPointer>
#include <QtCore/QVariant>
#include <QtGui/QColor>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QWidget>
#include <memory>
#include <string_view>
#include <vector>

#include "vyr/host/Component.h"
#include "vyr/qt/QEditMatrix.h"

class QFormLayout;

namespace vyr::demo {

// A push button showing a colour (a swatch and #rrggbb); a click opens QColorDialog.
class QColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit QColorButton(QWidget* Parent = nullptr);

    [[nodiscard]] QColor color() const { return FColor; }
    // Shows Color; emits nothing.
    void setColor(const QColor& Color);
    // As if Color had been chosen in the dialog: shows it and emits colorPicked when it differs.
    void pick(const QColor& Color);

signals:
    void colorPicked(const QColor& color);

private:
    void OpenDialog();
    QColor FColor;
};

class QPropertyPanel : public QWidget {
    Q_OBJECT
public:
    // Table: the control's property table (TEditMatrix::Properties()), which must outlive the
    // panel (it is static).
    explicit QPropertyPanel(const host::TPropList& Table, QWidget* Parent = nullptr);
    ~QPropertyPanel() override;

    // The matrix edited (may be null: editors disabled).
    [[nodiscard]] QEditMatrix* matrix() const { return FMatrix; }
    void setMatrix(QEditMatrix* Matrix);

    // The editors in the table's order, and the one of a property by its table name.
    [[nodiscard]] int editorCount() const { return static_cast<int>(FRows.size()); }
    [[nodiscard]] QWidget* editorAt(int Index) const;
    [[nodiscard]] QWidget* editor(std::string_view Name) const;
    [[nodiscard]] std::string_view propertyNameAt(int Index) const;

    // Reads every property of the matrix into its editor.
    void refresh();

private slots:
    // A NOTIFY signal of the matrix: its row is found by the signal's index.
    void onNotify();

private:
    struct TRow;

    void AddRow(QFormLayout& Form, const host::TPropInfo& Info);
    void Write(TRow& Row, const QVariant& Value);
    void RefreshRow(TRow& Row);
    void RefreshUnsignalled();
    void Connect();
    void Disconnect();

    const host::TPropList& FTable;
    std::vector<std::unique_ptr<TRow>> FRows;
    QPointer<QEditMatrix> FMatrix;
    std::vector<QMetaObject::Connection> FConnections;
    bool FWriting = false;
};

}  // namespace vyr::demo
