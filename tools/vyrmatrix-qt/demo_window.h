// The window of vyrmatrix-qt: an edit-mode QEditMatrix beside a QLineEdit, a marquee whose text
// runs its "@" control codes, the glyph editor acting on both, and the property panel acting on
// the selected matrix (chosen in the panel's combo box, or the matrix that takes the focus).
//
// Focus: Tab and Backtab follow Qt's chain (edit matrix, line edit, marquee, panel); Up and Down
// in the edit matrix run its own focus walk over its siblings (the line edit), and Up and Down
// in the line edit go back to the matrix.
#pragma once

#include <QtWidgets/QWidget>

#include "glyph_editor.h"
#include "options.h"
#include "property_panel.h"
#include "vyr/qt/QEditMatrix.h"

class QComboBox;
class QLineEdit;

namespace vyr::demo {

// The marquee's text without --text: colours, blinking, both LED shapes and letter codes that
// change properties (the panel's buttons follow them).
extern const char* const DemoMarqueeText;

class QDemoWindow : public QWidget {
    Q_OBJECT
public:
    explicit QDemoWindow(QWidget* Parent = nullptr);
    // Stops following the application's focus first: the children going away move the focus,
    // and QApplication::focusChanged must not reach a window that is half destroyed.
    ~QDemoWindow() override;

    [[nodiscard]] QEditMatrix* editMatrix() const { return FEdit; }
    [[nodiscard]] QLineEdit* lineEdit() const { return FLine; }
    [[nodiscard]] QEditMatrix* marquee() const { return FMarquee; }
    [[nodiscard]] QComboBox* target() const { return FTarget; }
    [[nodiscard]] QPropertyPanel* panel() const { return FPanel; }
    [[nodiscard]] QGlyphEditor* glyphEditor() const { return FGlyphs; }

    // The marquee's text, from UTF-8 (characters outside Latin-1 show as '?').
    void setMarqueeText(const std::string& Utf8);
    // Selects the matrix the panel edits (also done by focusing one).
    void select(QEditMatrix* Matrix);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void FocusChanged(QWidget* Old, QWidget* Now);

    QEditMatrix* FEdit = nullptr;
    QLineEdit* FLine = nullptr;
    QEditMatrix* FMarquee = nullptr;
    QComboBox* FTarget = nullptr;
    QPropertyPanel* FPanel = nullptr;
    QGlyphEditor* FGlyphs = nullptr;
    QMetaObject::Connection FFocusConnection;
};

// Shows the window for Options and runs Qt's event loop (a QApplication must exist): a
// screenshot is written after the settle time and ends the run, as does --quit-after. Returns
// the exit status; a screenshot that cannot be written is reported on stderr and gives 1.
int RunDemoWindow(const TDemoOptions& Options);

}  // namespace vyr::demo
