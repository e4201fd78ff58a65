// nimbrel-cli text: shows a reading the way the program's to-text functions show it.
#include "presentation/formatting.h"
#include "tools/nimbrel-cli/commands.h"

#include <CLI/CLI.hpp>
#include <array>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel::cli {

namespace {

using TextFunction = std::string (*)(std::string_view, float, std::string_view, std::string_view);

struct Kind {
    std::string_view name;
    TextFunction text;                     // nullptr for the direction kinds
    std::array<std::string_view, 5> units; // the unit texts of this quantity ("" ends the list)
};

std::string directionCode(std::string_view reading, float, std::string_view, std::string_view) {
    return windDirectionCodeText(reading);
}
std::string directionName(std::string_view reading, float, std::string_view, std::string_view) {
    return windDirectionNameText(reading);
}

constexpr Kind kKinds[] = {
    {"temperature", temperatureText, {"°C", "°F"}},
    {"humidity", humidityText, {"%"}},
    {"pressure", pressureText, {"Hpa", "inHg", "mmHg"}},
    {"wind", windSpeedText, {"m/s", "km/h", "knot", "m/h", "bft"}},
    {"rain", rainText, {"mm", "inch"}},
    {"dircode", directionCode, {}},
    {"dirname", directionName, {}},
};

// An empty unit is legal (the station selected none); anything else must be one of the quantity's.
bool knownUnit(const Kind& kind, std::string_view unit) {
    if (unit.empty()) return true;
    for (std::string_view u : kind.units)
        if (!u.empty() && u == unit) return true;
    return false;
}

std::string unitList(const Kind& kind) {
    std::string list;
    for (std::string_view u : kind.units) {
        if (u.empty()) continue;
        if (!list.empty()) list += ", ";
        list += u;
    }
    return list;
}

struct TextOptions {
    std::string kind;
    std::string value;
    std::optional<float> scale;
    std::string from;
    std::string to;
};

int runText(const TextOptions& options) {
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds)
        if (k.name == options.kind) kind = &k;
    const bool direction = kind->units[0].empty();
    // A direction needs only its code; SCALE FROM TO may follow and are not used.
    if (!direction && !options.scale)
        return fail(kExitBadInput, "text",
                    std::string(kind->name) +
                        " needs SCALE FROM TO (usage: nimbrel-cli text KIND VALUE SCALE FROM TO)");
    if (!direction) {
        for (const std::string& unit : {options.from, options.to})
            if (!knownUnit(*kind, unit))
                return fail(kExitBadInput, "text",
                            "unit \"" + unit + "\" is not a " + std::string(kind->name) + " unit (" +
                                unitList(*kind) + ")");
    }
    std::cout << kind->text(options.value, options.scale.value_or(1.0f), options.from, options.to) << '\n';
    return kExitOk;
}

} // namespace

void addTextCommand(CLI::App& app) {
    auto options = std::make_shared<TextOptions>();
    CLI::App& command = *app.add_subcommand("text", "show a reading as the program does");
    command.footer("Example: nimbrel-cli text temperature 215 0.1 °C °F prints 70.7.");
    std::vector<std::string> kinds;
    for (const Kind& k : kKinds) kinds.emplace_back(k.name);
    command
        .add_option("KIND", options->kind,
                    "the quantity; dircode and dirname show a wind direction's code "
                    "and name")
        ->required()
        ->check(CLI::IsMember(kinds));
    command
        .add_option("VALUE", options->value, "the reading as the station gives it (a direction: its code)")
        ->required();
    CLI::Option* scale = command.add_option("SCALE", options->scale,
                                            "the factor that makes VALUE a value in FROM (0.1 for tenths)");
    command.add_option("FROM", options->from,
                       "the unit VALUE is in (°C °F, %, Hpa inHg mmHg, m/s km/h knot "
                       "m/h bft, mm inch; empty: none)");
    CLI::Option* to = command.add_option("TO", options->to, "the unit to show it in");
    scale->needs(to);
    setRun(command, [options] { return runText(*options); });
}

} // namespace nimbrel::cli
