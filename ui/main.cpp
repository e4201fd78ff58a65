// The desktop program: one main window over the station, or a word to the copy that already runs.
#include "app/program_help.h"
#include "nimbrel_version.h"
#include "ui/app_startup.h"
#include "ui/window_fit.h"

#include <QApplication>
#include <iostream>

int main(int argc, char* argv[]) {
    // Answered before Qt starts, so they work without a display.
    const nimbrel::WindowCommandLine commandLine = nimbrel::readWindowCommandLine(argc, argv);
    switch (commandLine.action) {
    case nimbrel::WindowCommandLine::Action::showHelp:
        std::cout << nimbrel::windowHelp();
        return 0;
    case nimbrel::WindowCommandLine::Action::showVersion:
        std::cout << nimbrel::versionLine("nimbrel") << '\n';
        return 0;
    case nimbrel::WindowCommandLine::Action::refuse:
        std::cerr << "nimbrel: " << commandLine.refusal << '\n';
        return 2;
    case nimbrel::WindowCommandLine::Action::run:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nimbrel"));
    QApplication::setApplicationVersion(QString::fromLatin1(nimbrel::kNimbrelVersion));
    // The desktop matches the window to its menu entry and icon by this name (on Wayland only by it).
    QGuiApplication::setDesktopFileName(QStringLiteral(NIMBREL_APP_ID));
    // Every window, the first message included, stays on the screen with its title bar and borders.
    nimbrel::keepWindowsOnScreen();
    nimbrel::AppStartup startup;
    if (!startup.start(argc, argv)) return startup.exitCode();
    return QApplication::exec();
}
