// libnimbrel-chart-picture.so: nimbrel-cli graph's drawing, with Qt (see chart_picture.h).
#include "chart/chart_file.h"
#include "tools/nimbrel-cli/chart_picture.h"

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>

extern "C" __attribute__((visibility("default"))) bool nimbrel_save_chart_picture(const nimbrel::ChartModel* model,
                                                                                  const char* path, int width,
                                                                                  int height, char* error,
                                                                                  std::size_t errorSize) {
    // Fonts need a platform; without a display the offscreen one does.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "nimbrel-cli";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    QString why;
    if (nimbrel::chart::saveChart(*model, QString::fromUtf8(path), QSize(width, height), &why)) return true;
    if (errorSize > 0) {
        std::strncpy(error, why.toUtf8().constData(), errorSize - 1);
        error[errorSize - 1] = '\0';
    }
    return false;
}
