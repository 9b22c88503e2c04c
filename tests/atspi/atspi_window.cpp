// The window the AT-SPI test reads (tests/atspi/atspi_test.py): a group box "Sign" holding a line
// edit and an LED display in edit mode (no name of its own, no label: it must not take the group
// box's title), and a labelled LED display scrolling a message with control codes. The edited
// display has the focus; its text starts empty. Prints "ready" once the window is shown.
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QVBoxLayout>
#include <cstdio>

#include "vyr/qt/QEditMatrix.h"

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    QApplication::setApplicationName("vyr-atspi-window");

    QWidget Window;
    Window.setWindowTitle("Vyr AT-SPI window");
    auto* Layout = new QVBoxLayout(&Window);
    auto* Sign = new QGroupBox("Sign");
    auto* SignLayout = new QVBoxLayout(Sign);
    auto* Line = new QLineEdit;
    SignLayout->addWidget(Line);
    auto* Edited = new vyr::QEditMatrix;
    Edited->setObjectName("edited");
    SignLayout->addWidget(Edited);
    Layout->addWidget(Sign);

    auto* Label = new QLabel("&Marquee");
    auto* Marquee = new vyr::QEditMatrix;
    Marquee->setObjectName("marquee");
    Label->setBuddy(Marquee);
    Marquee->setText("@20000FFVyr Components @200E000green @@ 2");
    Marquee->setScroll(true);
    Marquee->setDelay(20);
    Layout->addWidget(Label);
    Layout->addWidget(Marquee);

    Window.show();
    Window.activateWindow();
    Edited->setFocus();
    QTimer::singleShot(0, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return QApplication::exec();
}
