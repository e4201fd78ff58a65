// The desktop program's entry point.
#include "ui/gui_resources.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nimbrel"));
    QApplication::setWindowIcon(nimbrel::icon(QStringLiteral("nimbrel")));

    // Stands in until the main frame with its view is wired up here.
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Nimbrel Radio Controlled"));
    window.setCentralWidget(new QLabel(QStringLiteral("Nimbrel"), &window));
    window.resize(800, 600);
    window.show();
    return app.exec();
}
