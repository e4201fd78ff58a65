#include "app/program_help.h"

#include "nimbrel_version.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace nimbrel {
namespace {

struct HelpRow {
    std::string_view term;
    std::string_view text;
    bool windowOnly = false;
};

// Columns on a terminal: a UTF-8 character (the degree sign of a unit) takes one, whatever its bytes.
std::size_t shownWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Appends `line` and then `text`'s words to `out`, breaking before kHelpWidth; each further line starts
// `indent` blanks in. `line` is at least `indent` wide already.
void appendWords(std::string& out, std::string line, std::size_t indent, std::string_view text) {
    std::size_t used = shownWidth(line);
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        if (used > indent && used + 1 + shownWidth(word) > kHelpWidth) {
            out += line + '\n';
            line.assign(indent, ' ');
            used = indent;
        }
        if (used > indent) {
            line += ' ';
            ++used;
        }
        line += word;
        used += shownWidth(word);
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    out += line + '\n';
}

std::string block(std::string_view heading, const HelpRow* rows, std::size_t count, HelpFor program) {
    std::string out = std::string(heading) + ":\n";
    for (std::size_t i = 0; i < count; ++i)
        if (program == HelpFor::window || !rows[i].windowOnly) out += helpRow(rows[i].term, rows[i].text);
    return out;
}

constexpr HelpRow kEnvironment[] = {
    {"XDG_DATA_HOME",
     "the default data folder is $XDG_DATA_HOME/nimbrel when the program is installed "
     "or its own folder is not writable; when it is unset or not an absolute path, ~/.local/share/nimbrel"},
    {"HOME", "the home folder, for the default data folder"},
    {"XDG_CONFIG_HOME", "window.ini lives in $XDG_CONFIG_HOME/nimbrel (by default ~/.config/nimbrel)", true},
    {"LC_ALL, LC_MESSAGES, LANG", "the first one set chooses the language of a message about a data folder "
                                  "that cannot be used, when no Nimbrel.ini there names one"},
    {"QT_QPA_PLATFORM", "Qt's display platform: offscreen runs the window without a screen", true},
    {"NIMBREL_SIM_SEED", "simulated station (UsbLibrary=libnimbrel-sim.so in Nimbrel.ini): the seed of its "
                         "weather and faults, decimal or 0x hex (default 1)"},
    {"NIMBREL_SIM_START", "simulated station: its clock at start, seconds since the epoch, or now (default)"},
    {"NIMBREL_SIM_SPEED", "simulated station: simulated seconds per real second, 0 to 1000000 (default 1; "
                          "300 makes a 5-minute record a second)"},
    {"NIMBREL_SIM_ACK_FAULTS",
     "simulated station: the rate (0 to 1) of refused acknowledgements (default 0)"},
    {"NIMBREL_SIM_SILENT_FAULTS", "simulated station: the rate of answers that never come (default 0)"},
    {"NIMBREL_SIM_UNPLUG_FAULTS", "simulated station: the rate of unplugging at a command (default 0)"},
    {"NIMBREL_SIM_VID", "simulated station: the USB vendor id it answers to (default 0x0713)"},
    {"NIMBREL_SIM_PID", "simulated station: the USB product id it answers to (default 0x0818)"},
    {"NIMBREL_SIM_DENIED", "simulated station: 1 makes it attached but not to be opened by this user, as a "
                           "station without the udev rule (default 0)"},
    {"NIMBREL_SIM_STATE", "simulated station: the file that keeps it between runs (default: not kept)"},
    {"NIMBREL_SIM_INTERVAL", "simulated station: its logging interval in minutes, 1 to 240 (default 5)"},
    {"NIMBREL_SIM_SENSOR_PHASE", "simulated station: seconds from its start to its first sensor message, "
                                 "0 to under 48 (default: its seed's)"},
    {"NIMBREL_SIM_LOG_PHASE", "simulated station: seconds from its start to its first logging moment, 0 to "
                              "under one interval (default: its seed's)"},
    {"NIMBREL_SIM_DRIFT",
     "simulated station: seconds a day its clock runs fast, or slow when negative, up to "
     "864 (default 0)"},
    {"NIMBREL_SIM_HAZARDS", "simulated station: on makes it stop answering when a command comes within "
                            "NIMBREL_SIM_LOCKUP_MARGIN seconds (default 1.5) of a sensor message or a "
                            "logging moment, as a real one may (only at speed 1; default off); "
                            "NIMBREL_SIM_LOCKUP_CHANCE, NIMBREL_SIM_LOCKUP_AFTER, NIMBREL_SIM_STATS and "
                            "NIMBREL_SIM_CONTROL as its README says"},
    {"NIMBREL_TIMING_DIR", "where the programs on one station share when it takes its sensor messages and "
                           "logs its records (default /run/nimbrel when writable, else "
                           "$XDG_RUNTIME_DIR/nimbrel)"},
};

constexpr HelpRow kFiles[] = {
    {"Nimbrel.ini",
     "the configuration, in the data folder: section config (language), section "
     "communication (UsbDeviceVid, UsbDevicePid, SearchData, TestFlag, DebugFlag, Margin, UsbLibrary), section "
     "ui (tray), the outputs: section mqtt (host, port, user, password, password_file, tls, ca_file, topic_prefix, "
     "client_id, discovery, discovery_prefix, catchup_days) and section upload (url, id, password, password_file, "
     "interval, catchup_days); an empty host or url leaves that output off; and section alerts (notify, "
     "command, stale_minutes)"},
    {"Nimbrel.dat", "the history copied from the station, one record a line, in the data folder"},
    {"AboutWeather.ini", "in the data folder: a one-time update of the About texts, merged into Nimbrel.ini "
                         "at start and then deleted"},
    {"Nimbrel.bmp", "in the data folder: your own picture of the station, shown instead of ours", true},
    {".nimbrel.lock", "in the data folder: held by the window and by nimbrel-cli sync and log, so only one "
                      "program at a time downloads into a history file"},
    {"~/.config/nimbrel/window.ini",
     "the window's size and place and whether its toolbar and status bar "
     "show; delete it to start from the defaults",
     true},
    {"libnimbrel.so",
     "the USB library that reaches the station through hidraw, beside the program in a build "
     "and in /usr/lib/<arch>/nimbrel when installed"},
    {"libnimbrel-sim.so", "the simulated station, in the same folder; UsbLibrary=libnimbrel-sim.so in "
                          "Nimbrel.ini loads it instead of the real one"},
    {"libnimbrel-sim.ini",
     "beside libnimbrel-sim.so: key=value lines (seed, start, speed, ...) that override "
     "the NIMBREL_SIM_* variables"},
    {"~/.local/state/nimbrel/",
     "where the MQTT and upload outputs keep the last stored record each has sent, one file per output and data "
     "folder ($XDG_STATE_HOME/nimbrel; the logger service's is /var/lib/nimbrel); delete one to start from the "
     "newest record"},
    {"/var/lib/nimbrel", "the data folder of the background logger, the service nimbrel-logger.service that "
                         "runs nimbrel-cli log"},
    {"60-nimbrel.rules", "the udev rule that lets the user logged in at the machine and the members of group "
                         "nimbrel open the station: /usr/lib/udev/rules.d when installed, copied to "
                         "/etc/udev/rules.d by hand for a build"},
};

// Qt's own options, which QApplication takes off the command line: those with a value, and switches.
constexpr std::array<std::string_view, 15> kQtOptionsWithValue = {"platform",
                                                                  "platformpluginpath",
                                                                  "platformtheme",
                                                                  "plugin",
                                                                  "qwindowgeometry",
                                                                  "geometry",
                                                                  "qwindowtitle",
                                                                  "title",
                                                                  "qwindowicon",
                                                                  "icon",
                                                                  "session",
                                                                  "display",
                                                                  "name",
                                                                  "style",
                                                                  "stylesheet"};
constexpr std::array<std::string_view, 6> kQtSwitches = {"reverse", "widgetcount", "nograb",
                                                         "dograb",  "sync",        "testability"};
constexpr std::array<std::string_view, 4> kQtOptionsJoined = {
    "style=", "stylesheet=", "qmljsdebugger=", "dialogs="};

template <std::size_t N> bool listed(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::string versionLine(const std::string& program) {
    return program + " " + kNimbrelVersion;
}

std::string helpRow(std::string_view term, std::string_view text) {
    std::string out;
    std::string line = "  " + std::string(term);
    if (text.empty()) return line + '\n';
    if (shownWidth(line) + 2 > kHelpTextColumn) {
        out += line + '\n';
        line.clear();
    }
    line.append(kHelpTextColumn - shownWidth(line), ' ');
    // Each of the text's own lines starts at the column.
    for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1)) {
        appendWords(out, line, kHelpTextColumn, text.substr(0, end));
        line.assign(kHelpTextColumn, ' ');
    }
    appendWords(out, line, kHelpTextColumn, text);
    return out;
}

std::string wrapHelpText(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (shownWidth(line) <= kHelpWidth) {
            out += line;
            out += '\n';
        } else {
            const std::size_t indent = std::min(line.find_first_not_of(' '), line.size());
            appendWords(out, std::string(indent, ' '), indent, line.substr(indent));
        }
        if (end == std::string_view::npos) {
            out.pop_back(); // the text's last line had no line end
            break;
        }
        text.remove_prefix(end + 1);
    }
    return out;
}

std::string environmentHelp(HelpFor program) {
    return block("Environment", kEnvironment, std::size(kEnvironment), program);
}

std::string filesHelp(HelpFor program) {
    return block("Files", kFiles, std::size(kFiles), program);
}

std::string windowHelp() {
    std::string out =
        "Usage: nimbrel [OPTIONS]\n"
        "The desktop companion of a USB home weather station: it finds the station, shows the current\n"
        "conditions live, copies every new history record into Nimbrel.dat with a time stamp and rain\n"
        "totals, and shows the station's minimum and maximum records.\n"
        "\n"
        "The data folder holds Nimbrel.ini, Nimbrel.dat and AboutWeather.ini: the program's own folder when\n"
        "it is writable and the program is not installed, otherwise $XDG_DATA_HOME/nimbrel\n"
        "(~/.local/share/nimbrel); --dir chooses another. One copy runs per data folder: a second copy on\n"
        "the same folder brings the first window forward and ends. A window on a folder that another\n"
        "program logs (the background logger), or that you may not write, only reads it: it shows the\n"
        "newest stored record and the history, and leaves the station and the folder's files alone.\n"
        "\n"
        "Exit status: 0 when the window was closed or a copy already ran, 1 when it could not start (the\n"
        "window said why), 2 for an option it does not know.\n"
        "\n"
        "Options:\n";
    out += helpRow("--dir DIR", "the data folder, created when it is missing");
    out += helpRow("-h, --help", "print this help and exit");
    out += helpRow("--version", "print the version and exit");
    out += helpRow("-platform NAME, -style NAME, -reverse, ...", "Qt's own options, passed on to Qt");
    out += '\n';
    return out + environmentHelp(HelpFor::window) + '\n' + filesHelp(HelpFor::window);
}

WindowCommandLine readWindowCommandLine(int argc, char** argv) {
    using Action = WindowCommandLine::Action;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") return {Action::showHelp, {}};
        if (arg == "--version") return {Action::showVersion, {}};
        if (arg == "--dir") {
            ++i; // its folder, checked with the data folder's rules
            continue;
        }
        if (arg.starts_with("--dir=")) continue;
        if (!arg.starts_with('-') || arg == "-" || arg == "--")
            return {Action::refuse, "unexpected argument \"" + std::string(arg) + "\" (try nimbrel --help)"};
        // Qt takes its options with one dash or two.
        const std::string_view name = arg.substr(arg.starts_with("--") ? 2 : 1);
        if (listed(kQtOptionsWithValue, name)) {
            ++i;
            continue;
        }
        if (listed(kQtSwitches, name) ||
            std::any_of(kQtOptionsJoined.begin(), kQtOptionsJoined.end(),
                        [&](std::string_view prefix) { return name.starts_with(prefix); }))
            continue;
        return {Action::refuse, "unknown option \"" + std::string(arg) + "\" (try nimbrel --help)"};
    }
    return {Action::run, {}};
}

} // namespace nimbrel
