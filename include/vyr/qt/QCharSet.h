/// @file
/// vyr::QCharSet: TCharSet, the non-visual component, as a widget that Qt Designer can put on a
/// form and a .ui file can store.
///
/// Which TCharSet: the widget's objectName is the charset's name. The widget stands for the
/// application's shared TCharSet of that name (QEditMatrix::sharedCharset), made on first use, so
/// a matrix whose charset property holds the same name refers to the very component this widget
/// shows; the widget owns nothing. An empty objectName stands for none (charSet() is null).
///
/// Design time and run time. A non-visual component has nothing to show in a running program, so
/// the widget is hidden at run time: it starts hidden and refuses to be shown (setVisible), and
/// takes no room in layouts. At design time it is a small icon (designIcon, the palette bitmap
/// the Designer plugin gives it, else a plain framed box), shown like any other widget so that it
/// can be selected, moved and named on the form. Design time is the property designTime, which
/// only the Designer plugin sets: true for a widget it makes on a form that Qt Designer is
/// editing, false everywhere else (QUiLoader, uic-generated code, Designer's preview). It is not
/// designable and not stored, so no form carries it.
///
/// Threads: GUI thread only.
#pragma once

#include <QtGui/QPixmap>
#include <QtWidgets/QWidget>

#include "vyr/CharSet.h"

namespace vyr {

/// TCharSet as a widget: hidden at run time, a small icon in Qt Designer (see the file's
/// description).
class QCharSet : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool designTime READ designTime WRITE setDesignTime DESIGNABLE false STORED false)

public:
    /// Makes the widget, hidden, with designTime false.
    explicit QCharSet(QWidget* Parent = nullptr);
    ~QCharSet() override;

    /** @{ */
    /// Whether the widget is shown as an icon (Designer's form editor) or hidden (run time).
    /// Default false. Setting it true shows the widget (with its parent); false hides it.
    [[nodiscard]] bool designTime() const { return FDesignTime; }
    void setDesignTime(bool DesignTime);
    /** @} */

    /** @{ */
    /// The picture shown at design time, drawn at its own size in the top-left corner. Default
    /// none: a framed box with "CS" is drawn instead.
    [[nodiscard]] QPixmap designIcon() const { return FIcon; }
    void setDesignIcon(const QPixmap& Icon);
    /** @} */

    /// The shared TCharSet named objectName() (made on first use), or null for an empty name.
    [[nodiscard]] TCharSet* charSet() const;

    /// At run time the widget cannot be shown: setVisible(true) keeps it hidden.
    void setVisible(bool Visible) override;
    /** @{ */
    /// 32 x 32, or the icon's size; at run time an empty size.
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;
    /** @} */

protected:
    /// Draws the design-time icon (or the framed box); nothing at run time.
    void paintEvent(QPaintEvent* Event) override;

private:
    bool FDesignTime = false;
    QPixmap FIcon;
};

}  // namespace vyr
