#include "demo_window.h"

#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtGui/QPixmap>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QVBoxLayout>
#include <iostream>

namespace vyr::demo {

const char* const DemoMarqueeText =
    "@20000FFVyr Components   @200E000green @20090FFamber @2FFB040blue   "
    "@20000FF@0010000blinking@0000000   @S000000square @S000001round   "
    "@CFFFFFFletter codes set properties@C0000FF   ";

namespace {

// A scroll area as large as what it shows, up to a sensible window size: a matrix made very
// large from the panel (255 cells of 255-pixel LEDs) scrolls instead of growing the window.
class QFitScrollArea final : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    [[nodiscard]] QSize sizeHint() const override {
        const int Frame = 2 * frameWidth();
        QSize Size = widget() == nullptr ? QSize() : widget()->sizeHint();
        return (Size + QSize(Frame, Frame)).boundedTo(QSize(1100, 900));
    }
};

QLabel* Hint(const QString& Text, QWidget* Parent) {
    auto* Label = new QLabel(Text, Parent);
    Label->setWordWrap(true);
    QPalette P = Label->palette();
    P.setColor(QPalette::WindowText, P.color(QPalette::PlaceholderText));
    Label->setPalette(P);
    return Label;
}

}  // namespace

QDemoWindow::QDemoWindow(QWidget* Parent) : QWidget(Parent) {
    setWindowTitle("vyrmatrix-qt");
    auto* Columns = new QHBoxLayout(this);

    // Left: the two matrices, in a scroll area.
    auto* Scroll = new QFitScrollArea(this);
    Scroll->setFrameShape(QFrame::NoFrame);
    Scroll->setWidgetResizable(true);
    auto* Left = new QWidget(Scroll);
    auto* LeftLayout = new QVBoxLayout(Left);
    LeftLayout->setContentsMargins(0, 0, 0, 0);

    // The edit matrix and the line edit share a parent with no other focusable child, so the
    // matrix's Up/Down walk moves between the two.
    auto* EditBox = new QGroupBox("Edit mode", Left);
    auto* EditLayout = new QVBoxLayout(EditBox);
    auto* EditRow = new QHBoxLayout;
    FEdit = new QEditMatrix(EditBox);
    FEdit->setObjectName("editMatrix");
    FEdit->setTotalVisible(14);
    FEdit->setLedSize(4);
    FEdit->setBackgroundColor(QColor(12, 12, 12));
    FEdit->setActiveLedOnColor(QColor(255, 176, 0));
    FEdit->setActiveLedOffColor(QColor(58, 40, 0));
    FEdit->setInactiveLedOnColor(QColor(150, 150, 150));
    FEdit->setInactiveLedOffColor(QColor(36, 36, 36));
    FEdit->setText("Type here: 5x7 LEDs");
    FEdit->setCursorPosition(0);
    FLine = new QLineEdit("a QLineEdit", EditBox);
    FLine->setObjectName("lineEdit");
    FLine->installEventFilter(this);
    EditRow->addWidget(FEdit);
    EditRow->addWidget(FLine, 1);
    EditLayout->addLayout(EditRow);
    EditLayout->addWidget(
        Hint("Type into the matrix; Insert toggles overwrite. Tab, Up and Down move the focus "
             "between the matrix and the line edit; the matrix shows grey without the focus.",
             EditBox));
    LeftLayout->addWidget(EditBox);

    auto* MarqueeBox = new QGroupBox("Marquee", Left);
    auto* MarqueeLayout = new QVBoxLayout(MarqueeBox);
    FMarquee = new QEditMatrix(MarqueeBox);
    FMarquee->setObjectName("marquee");
    FMarquee->setTotalVisible(18);
    FMarquee->setLedShape(QEditMatrix::Circle);
    FMarquee->setLedSize(5);
    FMarquee->setBackgroundColor(QColor(8, 8, 8));
    FMarquee->setActiveLedOffColor(QColor(40, 0, 0));
    FMarquee->setBlinkOffColor(QColor(40, 0, 0));
    FMarquee->setDelay(30);
    FMarquee->setBlinkDelay(300);
    FMarquee->setText(DemoMarqueeText);
    FMarquee->setScroll(true);
    MarqueeLayout->addWidget(FMarquee);
    MarqueeLayout->addWidget(
        Hint("Control codes: \"@\", a code character and six hex digits (BBGGRR). "
             "Letters act on the whole frame: A ActiveLED, B/C off/on colour, D Delay, "
             "E/F inactive colours, I LEDDistance, L LEDSize, S LEDShape. Digits act to "
             "their right: 0 blink, 1 blink-off colour, 2 on colour, 3 off colour; 4-8 "
             "halt. \"@@\" shows \"@\".",
             MarqueeBox));
    LeftLayout->addWidget(MarqueeBox);
    FGlyphs = new QGlyphEditor({FEdit, FMarquee}, Left);
    FGlyphs->setObjectName("glyphEditor");
    LeftLayout->addWidget(FGlyphs);
    LeftLayout->addStretch(1);
    Scroll->setWidget(Left);
    Columns->addWidget(Scroll, 1);

    // Right: the property panel.
    auto* PanelBox = new QGroupBox("Properties", this);
    auto* PanelLayout = new QVBoxLayout(PanelBox);
    auto* TargetRow = new QFormLayout;
    FTarget = new QComboBox(PanelBox);
    FTarget->setObjectName("target");
    FTarget->addItem("Edit matrix");
    FTarget->addItem("Marquee");
    TargetRow->addRow("Matrix", FTarget);
    PanelLayout->addLayout(TargetRow);
    FPanel = new QPropertyPanel(FEdit->control().Properties(), PanelBox);
    PanelLayout->addWidget(FPanel);
    PanelLayout->addStretch(1);
    Columns->addWidget(PanelBox, 0);

    setTabOrder(FEdit, FLine);
    setTabOrder(FLine, FMarquee);
    setTabOrder(FMarquee, FTarget);

    connect(FTarget, &QComboBox::currentIndexChanged, this,
            [this](int Index) { FPanel->setMatrix(Index == 1 ? FMarquee : FEdit); });
    FFocusConnection = connect(qApp, &QApplication::focusChanged, this, &QDemoWindow::FocusChanged);
    FPanel->setMatrix(FEdit);
    // Its own size, not one limited by the screen (Qt keeps a new window within 2/3 of it).
    resize(sizeHint());
}

QDemoWindow::~QDemoWindow() { disconnect(FFocusConnection); }

void QDemoWindow::setMarqueeText(const std::string& Utf8) {
    FMarquee->setText(QString::fromUtf8(Utf8.data(), static_cast<qsizetype>(Utf8.size())));
}

void QDemoWindow::select(QEditMatrix* Matrix) {
    if (Matrix == FEdit) FTarget->setCurrentIndex(0);
    if (Matrix == FMarquee) FTarget->setCurrentIndex(1);
}

void QDemoWindow::FocusChanged(QWidget* /*Old*/, QWidget* Now) {
    if (Now == FEdit || Now == FMarquee) select(static_cast<QEditMatrix*>(Now));
    // The focus walk renumbers the host's tab orders; the panel shows them.
    FPanel->refresh();
}

bool QDemoWindow::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == FLine && Event->type() == QEvent::KeyPress) {
        const int Key = static_cast<QKeyEvent*>(Event)->key();
        if (Key == Qt::Key_Up || Key == Qt::Key_Down) {
            FEdit->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

int RunDemoWindow(const TDemoOptions& Options) {
    QDemoWindow Window;
    if (Options.Text) Window.setMarqueeText(*Options.Text);
    Window.show();
    Window.editMatrix()->setFocus();

    int Status = ExitOk;
    if (Options.Screenshot) {
        const QString File = QString::fromLocal8Bit(Options.Screenshot->c_str());
        QTimer::singleShot(Options.SettleMs, &Window, [&Window, &Status, File, &Options] {
            if (!Window.grab().save(File, "PNG")) {
                std::cerr << "vyrmatrix-qt: cannot write the screenshot to '" << *Options.Screenshot << "'\n";
                Status = ExitFailure;
            }
            QApplication::quit();
        });
    }
    if (Options.QuitAfterMs) QTimer::singleShot(*Options.QuitAfterMs, &Window, [] { QApplication::quit(); });
    const int Loop = QApplication::exec();
    return Status != ExitOk ? Status : Loop;
}

}  // namespace vyr::demo
