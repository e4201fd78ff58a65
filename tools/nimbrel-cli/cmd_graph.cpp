// nimbrel-cli graph: the Graph window's chart of a range of the history, saved as a picture, or its
// model printed as text.
#include "tools/nimbrel-cli/commands.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#ifdef NIMBREL_HAVE_CHART
#include "app/data_folder.h"
#include "app/graph_data.h"
#include "tools/nimbrel-cli/chart_picture.h"
#include "tools/nimbrel-cli/history_source.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <dlfcn.h>
#endif

namespace nimbrel::cli {

namespace {

constexpr const char* kName = "graph";

struct GraphOptions {
#ifdef NIMBREL_HAVE_CHART
    HistoryOptions history;
#endif
    std::string series;
    std::string type;
    bool view3D = false;
    std::string size = "1024x768";
    std::optional<std::string> out;
    bool describe = false;
};

#ifdef NIMBREL_HAVE_CHART

std::string namesOf(std::string_view (*name)(int), int count) {
    std::string all;
    for (int i = 0; i < count; ++i) all += (i ? ", " : "") + std::string(name(i));
    return all;
}

std::string_view typeNameAt(int i) {
    return chartTypeName(static_cast<ChartType>(i));
}

// "%Y-%m-%d %H:%M:%S" of a time axis value (wall-clock seconds, no zone).
std::string wallClockText(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e13) return "---";
    const std::time_t t = static_cast<std::time_t>(std::floor(seconds));
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

void printModel(const ChartModel& m) {
    std::printf("Title: %s\n", m.title.c_str());
    std::printf("Type: %s\n", std::string(chartTypeName(m.type)).c_str());
    std::printf("3D: %s\n", m.view3D ? "on" : "off");
    std::printf("Time axis: %s\n", m.time.caption.c_str());
    std::printf("Time range: %s to %s\n", wallClockText(m.time.min).c_str(),
                wallClockText(m.time.max).c_str());
    std::printf("Time labels: %s\n", timeLabelFormat(m.time).c_str());
    std::printf("Value axis: %s\n", m.value.caption.c_str());
    std::printf("Value range: %.7g to %.7g\n", m.value.min, m.value.max);
    for (const ChartSeries& s : m.series) {
        std::printf("Series: %s\n", s.name.c_str());
        std::printf("Colour: 0x%06X\n", static_cast<unsigned>(s.colour));
        std::printf("Line width: %d\n", s.lineWidth);
        for (std::size_t i = 0; i < s.size(); ++i) {
            const float y = (*s.y)[i];
            if (std::isnan(y))
                std::printf("Point: %s ---\n", wallClockText((*s.x)[i]).c_str());
            else
                std::printf("Point: %s %.7g\n", wallClockText((*s.x)[i]).c_str(), static_cast<double>(y));
        }
    }
}

struct PictureSize {
    int width = 0, height = 0;
};

bool parseSize(const std::string& text, PictureSize& size) {
    int w = 0, h = 0;
    char x = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X'))
        return false;
    if (w < 64 || h < 48 || w > 8192 || h > 8192) return false;
    size = {w, h};
    return true;
}

int runGraph(const GraphOptions& options) {
    const std::optional<int> quantity = graphQuantityNamed(options.series);
    if (!quantity)
        return fail(kExitBadInput, kName,
                    "--series \"" + options.series + "\" is none of " +
                        namesOf(graphQuantityName, kGraphQuantities));
    const std::optional<ChartType> type = chartTypeNamed(options.type);
    if (!type)
        return fail(kExitBadInput, kName,
                    "--type \"" + options.type + "\" is none of " + namesOf(typeNameAt, kChartTypes));
    PictureSize size;
    if (!parseSize(options.size, size))
        return fail(kExitBadInput, kName,
                    "--size \"" + options.size + "\" is not WIDTHxHEIGHT (64x48 to 8192x8192)");
    if (!options.describe && !options.out)
        return fail(kExitBadInput, kName, "--out FILE or --describe is needed");

    HistorySource source;
    if (const int status = openHistorySource(kName, options.history, source); status != kExitOk)
        return status;
    // Only the chosen quantity's fields are kept: ten years of one series stay small.
    GraphData data(source.units, source.axisClockIndex, *quantity);
    data.setRange(options.history.from.value_or(""), options.history.to.value_or(""));
    const bool read = source.rows.visit(0, source.rows.size(), [&](const WeatherSample& record, std::size_t) {
        data.add(record);
        return true;
    });
    if (!read) return fail(kExitUnreachable, kName, "the history file could not be read to its end");
    const ChartModel model = data.model({*quantity, *type, options.view3D}, source.texts);

    if (options.describe) {
        printModel(model);
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            return fail(kExitUnreachable, kName, "cannot write");
        return kExitOk;
    }

    // Drawing needs Qt, which only this command loads: every other command starts without it.
    const std::string library = (usbLibraryFolder(programDirectory()) / kChartPictureLibrary).string();
    void* module = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto save = module ? reinterpret_cast<SaveChartPictureFn>(dlsym(module, kSaveChartPicture)) : nullptr;
    if (!save) {
        const char* why = dlerror();
        return fail(kExitUnreachable, kName, "cannot load the chart drawing library: " + std::string(why ? why : library));
    }
    char error[512] = {};
    if (!save(&model, options.out->c_str(), size.width, size.height, error, sizeof error))
        return fail(kExitUnreachable, kName, "cannot save " + *options.out + ": " + error);
    return kExitOk;
}

#endif

} // namespace

void addGraphCommand(CLI::App& app) {
    auto options = std::make_shared<GraphOptions>();
    CLI::App& command = *app.add_subcommand(
        kName, "draw the Graph window's chart of a range of save times into a picture (.jpg, .png, .svg)");
    command.footer("SERIES is one of the window's series box entries (Humidity, \"Indoor Temperature\", "
                   "\"Outdoor Temperature\", \"Wind Chill\", Pressure, Wind, Rain), TYPE one of its types "
                   "(Line, Bar, HorizBar, Area, Point, FastLine, Arrow, Volume, Bezier, Point3D, Bar3D). "
                   "Without --from and --to the whole history is drawn. Values are in the units of "
                   "--settings, else of the station when one answers, else the history file's own. "
                   "--describe prints the chart instead: title, axes, and each series with its points "
                   "(\"---\" for a gap). Needs no display. Exits 2 for refused input, 1 when the history "
                   "could not be read or the picture not saved (an old file is then kept).");
#ifdef NIMBREL_HAVE_CHART
    addHistoryOptions(command, options->history);
#endif
    command.add_option("--series", options->series, "the quantity, as the series box names it")->required();
    command.add_option("--type", options->type, "the chart type, as the type box names it")->required();
    command.add_flag("--3d", options->view3D, "the 3D view");
    command.add_option("--size", options->size, "the picture's size in pixels (default 1024x768)");
    command.add_option("--out", options->out,
                       "the picture to write: .png, .svg, or a JPEG (quality 100) for any other name");
    command.add_flag("--describe", options->describe, "print the chart's model instead of drawing it");
    setRun(command, [options] {
#ifdef NIMBREL_HAVE_CHART
        return runGraph(*options);
#else
            return fail(kExitUnreachable, kName,
                        "this nimbrel-cli was built without Qt 6 Gui and cannot draw charts");
#endif
    });
}

} // namespace nimbrel::cli
