// Loads the Qt Designer plugin from one folder only, the way an application with QUiLoader
// does, and checks what a form needs from it: both widget classes, and a form that uses the
// matrix loading with its properties.
//   uiloader_probe DESIGNER_PLUGIN_DIR
#include <QtCore/QBuffer>
#include <QtUiTools/QUiLoader>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: uiloader_probe DESIGNER_PLUGIN_DIR\n");
        return 2;
    }
    QUiLoader Loader;
    Loader.clearPluginPaths();
    Loader.addPluginPath(QString::fromLocal8Bit(argv[1]));
    const QStringList Classes = Loader.availableWidgets();
    for (const char* Class : {"vyr::QEditMatrix", "vyr::QCharSet"}) {
        if (!Classes.contains(QLatin1String(Class))) {
            std::fprintf(stderr, "uiloader_probe: %s is not offered by the plugins in %s\n", Class, argv[1]);
            return 1;
        }
    }
    QByteArray Form(R"(<ui version="4.0"><widget class="vyr::QEditMatrix" name="m">
<property name="totalVisible"><number>7</number></property>
<property name="text"><string>deb</string></property>
</widget></ui>)");
    QBuffer Buffer(&Form);
    Buffer.open(QIODevice::ReadOnly);
    QWidget* Widget = Loader.load(&Buffer);
    if (Widget == nullptr || Widget->property("totalVisible").toInt() != 7 ||
        Widget->property("text").toString() != "deb") {
        std::fprintf(stderr, "uiloader_probe: the form did not load with its properties: %s\n",
                     Loader.errorString().toLocal8Bit().constData());
        return 1;
    }
    std::printf("uiloader_probe: %s offers %s; the form loads\n", argv[1],
                Classes.filter("vyr::").join(", ").toLocal8Bit().constData());
    delete Widget;
    return 0;
}
