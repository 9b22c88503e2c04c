// The window the AT-SPI test reads (tests/atspi/atspi_test.py): a group box "Sign" holding a line
// edit and an LED display in edit mode (no name of its own, no label: it must not take the group
// box's title), and a labelled LED display scrolling a message with control codes. The edited
// display has the focus; its text starts empty. Beside it a Qt Quick window with two EditMatrix
// items made without any Accessible line in the QML: one in edit mode, named "Platform 3" through
// its Accessible attached object (as Accessible.name in QML sets it), one scrolling. Prints
// "ready" once the windows are shown.
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QVBoxLayout>
#include <cstdio>

#include "vyr/qt/QEditMatrix.h"

#if VYR_ATSPI_QUICK
#include <QtQml/QQmlComponent>
#include <QtQml/QQmlProperty>
#include <QtQml/qqml.h>
#include <QtQuick/QQuickItem>
#include <QtQuick/QQuickView>

#include "vyr/quick/QuickEditMatrix.h"
#endif

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

#if VYR_ATSPI_QUICK
    QQuickView Board;
    Board.setTitle("Vyr AT-SPI board");
    QQmlComponent Scene(Board.engine());
    Scene.setData(R"(import QtQuick
Rectangle { width: 300; height: 120; color: "black"; Accessible.name: "Board" })",
                  QUrl());
    auto* Root = qobject_cast<QQuickItem*>(Scene.create());
    if (Root == nullptr) {
        std::fprintf(stderr, "atspi_window: %s\n", qPrintable(Scene.errorString()));
        return 1;
    }
    Board.setContent(QUrl(), &Scene, Root);
    auto* Platform = new vyr::QuickEditMatrix(Root);
    Platform->setText("ON TIME");
    QQmlProperty::write(Platform, "Accessible.name", "Platform 3", qmlContext(Root));
    auto* Scrolling = new vyr::QuickEditMatrix(Root);
    Scrolling->setY(40);
    Scrolling->setText("@C00FF00Platform @@3");
    Scrolling->setScroll(true);
    Board.show();
#endif

    Window.show();
    Window.activateWindow();
    Edited->setFocus();
    QTimer::singleShot(0, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return QApplication::exec();
}
