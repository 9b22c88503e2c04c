// vyr::QCharSet: the shared TCharSet of the widget's name, an icon at design time, hidden at run
// time.
#include <QtGui/QPainter>

#include "vyr/qt/QCharSet.h"
#include "vyr/qt/QEditMatrix.h"

namespace vyr {

namespace {
constexpr int IconSide = 32;
}

QCharSet::QCharSet(QWidget* Parent) : QWidget(Parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Explicitly hidden: showing the parent does not show it.
    QWidget::setVisible(false);
}

QCharSet::~QCharSet() = default;

void QCharSet::setDesignTime(bool DesignTime) {
    if (DesignTime == FDesignTime) return;
    FDesignTime = DesignTime;
    updateGeometry();
    QWidget::setVisible(DesignTime);
}

void QCharSet::setDesignIcon(const QPixmap& Icon) {
    FIcon = Icon;
    updateGeometry();
    update();
}

TCharSet* QCharSet::charSet() const { return QEditMatrix::sharedCharset(objectName()); }

void QCharSet::setVisible(bool Visible) { QWidget::setVisible(Visible && FDesignTime); }

QSize QCharSet::sizeHint() const {
    if (!FDesignTime) return {0, 0};
    return FIcon.isNull() ? QSize(IconSide, IconSide) : FIcon.deviceIndependentSize().toSize();
}

QSize QCharSet::minimumSizeHint() const { return sizeHint(); }

void QCharSet::paintEvent(QPaintEvent* /*Event*/) {
    QPainter Painter(this);
    if (!FIcon.isNull()) {
        Painter.drawPixmap(0, 0, FIcon);
        return;
    }
    const QRect Box = rect().adjusted(0, 0, -1, -1);
    Painter.fillRect(Box, palette().button());
    Painter.setPen(palette().color(QPalette::WindowText));
    Painter.drawRect(Box);
    Painter.drawText(Box, Qt::AlignCenter, QStringLiteral("CS"));
}

}  // namespace vyr
