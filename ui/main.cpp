// The desktop program: one main window over the station, or a word to the copy that already runs.
#include "ui/app_startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nimbrel"));
    nimbrel::AppStartup startup;
    if (!startup.start(argc, argv)) return startup.exitCode();
    return QApplication::exec();
}
