// nimbrel-bench-graph: the Graph window's figures on one (ten-year) file, as ratios to `wc -l` of the
// file measured in the same run: ten years of one series searched and drawn to a 1024 x 768 JPEG, a
// redraw after the series, the type or 3D changed on a ten-year result, and a month anywhere.
#include "app/graph_data.h"
#include "bench/bench_support.h"
#include "chart/chart_file.h"
#include "chart/chart_painter.h"
#include "store/history_store.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace nimbrel::bench {
namespace {

void report(const char* what, double seconds, double baseline, double factor, double plus) {
    const double target = factor * baseline + plus;
    std::printf("%-66s %9.2f ms  target <= %.2f ms (%g x wc -l + %g s) %s\n", what, seconds * 1000,
                target * 1000, factor, plus, seconds <= target ? "ok" : "MISSED");
}

} // namespace
} // namespace nimbrel::bench

int main(int argc, char** argv) {
    using namespace nimbrel;
    using namespace nimbrel::bench;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    std::string file;
    const std::optional<double> baseline = wordCountBaseline(argc, argv, "nimbrel-bench-graph", file);
    if (!baseline) return 2;
    const double wc = *baseline;

    const std::optional<WeatherSample> last = newestRecord(file);
    if (!last) return 1;
    const std::string newest = last->text(WeatherSample::saveTime);
    HistoryStore store(file);
    const std::string tenYearsBack = secondsBefore(newest, 3660L * 86400);
    const LanguageTable texts(0);
    const std::string picture = (std::filesystem::path(file).parent_path() / "bench-graph.jpg").string();

    // What nimbrel-cli graph does: one series' fields read once, drawn, saved as JPEG.
    std::size_t records = 0;
    const double tenYears = timeBest(3, [&] {
        GraphData data(gridUnits(), 0, 0);
        records = data.load(store, tenYearsBack, newest);
        chart::saveChart(data.model({0, ChartType::line, false}, texts), QString::fromStdString(picture));
    });
    const double tenYearsMb = peakMegabytes();

    // The window holds every quantity's fields; a change of a box builds the model and paints it.
    GraphData all(gridUnits(), 0);
    all.load(store, tenYearsBack, newest);
    double redraw = 0;
    std::string slowest;
    for (int quantity = 0; quantity < kGraphQuantities; ++quantity)
        for (int type = 0; type < kChartTypes; ++type)
            for (bool view3D : {false, true}) {
                const GraphChoice choice{quantity, static_cast<ChartType>(type), view3D};
                const double t = timeBest(1, [&] { chart::renderChart(all.model(choice, texts)); });
                if (std::getenv("NIMBREL_BENCH_EACH"))
                    std::printf(
                        "  redraw %-20s %-9s %s %8.2f ms\n", std::string(graphQuantityName(quantity)).c_str(),
                        std::string(chartTypeName(choice.type)).c_str(), view3D ? "3D" : "2D", t * 1000);
                if (t > redraw) {
                    redraw = t;
                    slowest = std::string(graphQuantityName(quantity)) + " " +
                              std::string(chartTypeName(choice.type)) + (view3D ? " 3D" : "");
                }
            }
    const double windowMb = peakMegabytes();

    // "a month" ending at each whole year back from the newest record: the slowest of them.
    double month = 0;
    for (long years = 0; years < 10; ++years) {
        const std::string to = secondsBefore(newest, years * 31536000L);
        const std::string from = secondsBefore(to, 2592000);
        month = std::max(month, timeBest(3, [&] {
                             GraphData data(gridUnits(), 0);
                             data.load(store, from, to);
                             chart::renderChart(data.model({0, ChartType::line, false}, texts));
                         }));
    }
    std::filesystem::remove(picture);

    std::printf("file: %s (%.1f MB, %zu records in ten years)\n", file.c_str(),
                static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0), records);
    std::printf("%-66s %9.2f ms\n", "wc -l (baseline)", wc * 1000);
    report("ten years of one series searched and drawn to a 1024 x 768 JPEG", tenYears, wc, 15, 0.5);
    std::printf("%-66s %9.1f MB  target <= 150 %s\n", "peak memory after it", tenYearsMb,
                tenYearsMb <= 150 ? "ok" : "MISSED");
    std::printf("%-66s %9.2f ms  target <= 100 ms %s (slowest: %s)\n",
                "redraw after a series, type or 3D change, ten-year result", redraw * 1000,
                redraw <= 0.1 ? "ok" : "MISSED", slowest.c_str());
    std::printf("%-66s %9.1f MB\n", "peak memory holding every quantity of ten years (the window)", windowMb);
    report("a month anywhere in ten years, searched and drawn (slowest of 10)", month, wc, 0.5, 0.2);
    return 0;
}
