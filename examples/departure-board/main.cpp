// The departure board. Options:
//   --check            loads the board, lets the signs run for a moment, exits 0 when every
//                      sign was made (1 otherwise): for tests against an installed package
//   --screenshot FILE  the same, and writes the window's picture to FILE (PNG)
#include <QtCore/QCommandLineParser>
#include <QtCore/QTimer>
#include <QtCore/QUrl>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtQml/QQmlApplicationEngine>
#include <QtQuick/QQuickItem>
#include <QtQuick/QQuickWindow>
#include <cstdio>

namespace {

// The signs below Item: the items with an EditMatrix's properties.
int CountSigns(const QQuickItem* Item) {
    int Signs = Item->metaObject()->indexOfProperty("totalVisible") >= 0 ? 1 : 0;
    for (const QQuickItem* Child : Item->childItems()) Signs += CountSigns(Child);
    return Signs;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication App(argc, argv);
    QCommandLineParser Parser;
    Parser.setApplicationDescription("A departure board of LED signs (Vyr.Components)");
    Parser.addHelpOption();
    const QCommandLineOption Check("check", "Run for a moment and exit; 0 when every sign was made.");
    const QCommandLineOption Screenshot("screenshot", "Also write the window's picture to <file> (PNG).", "file");
    Parser.addOption(Check);
    Parser.addOption(Screenshot);
    Parser.process(App);

    QQmlApplicationEngine Engine;
    QObject::connect(
        &Engine, &QQmlApplicationEngine::objectCreationFailed, &App, [] { QCoreApplication::exit(1); },
        Qt::QueuedConnection);
    Engine.load(QUrl(QStringLiteral("qrc:/DepartureBoard/Main.qml")));
    if (Engine.rootObjects().isEmpty()) {
        std::fprintf(stderr,
                     "departure-board: the board could not be loaded (is Vyr.Components on the QML import path?)\n");
        return 1;
    }
    if (Parser.isSet(Check) || Parser.isSet(Screenshot)) {
        auto* Window = qobject_cast<QQuickWindow*>(Engine.rootObjects().constFirst());
        QTimer::singleShot(1500, &App, [&] {
            const int Signs = Window != nullptr ? CountSigns(Window->contentItem()) : 0;
            int Code = Signs > 0 ? 0 : 1;
            if (Parser.isSet(Screenshot) && Window != nullptr) {
                const QString File = Parser.value(Screenshot);
                if (!Window->grabWindow().save(File, "PNG")) {
                    std::fprintf(stderr, "departure-board: %s: cannot be written\n", qPrintable(File));
                    Code = 1;
                }
            }
            std::printf("departure-board: %d signs\n", Signs);
            QCoreApplication::exit(Code);
        });
    }
    return App.exec();
}
