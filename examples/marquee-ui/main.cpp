// A scrolling LED marquee whose window is a Qt Designer form (marquee.ui, compiled by uic): the
// text's "@" control codes switch colours and blinking as they pass.
//   marquee-ui            the window, until closed
//   marquee-ui --check    lets it run for a moment and checks that it moved (for tests)
#include <QtCore/QElapsedTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>
#include <cstdio>
#include <cstring>

#include "ui_marquee.h"

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    const bool CheckOnly = argc > 1 && std::strcmp(argv[1], "--check") == 0;

    QWidget Window;
    Ui::MarqueeWindow Form;
    Form.setupUi(&Window);
    Window.show();
    if (!CheckOnly) return QApplication::exec();

    // The worker threads step the marquee through the event loop: after a few steps the
    // picture differs.
    QApplication::processEvents();
    const QImage Before = Form.marquee->grab().toImage();
    QElapsedTimer Clock;
    Clock.start();
    while (Clock.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 20);
    const QImage After = Form.marquee->grab().toImage();
    if (!Form.marquee->scroll() || Before == After) {
        std::fprintf(stderr, "marquee-ui: the marquee does not move\n");
        return 1;
    }
    std::printf("marquee-ui: %d x %d, scrolling\n", After.width(), After.height());
    return 0;
}
