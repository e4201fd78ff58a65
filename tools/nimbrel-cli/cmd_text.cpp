// nimbrel-cli text: shows a reading the way the program's to-text functions show it.
#include "presentation/formatting.h"
#include "tools/nimbrel-cli/commands.h"

#include <array>
#include <charconv>
#include <iostream>
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

bool parseScale(const std::string& text, float& scale) {
    const char* first = text.data();
    const char* last = first + text.size();
    const auto result = std::from_chars(first, last, scale);
    return result.ec == std::errc() && result.ptr == last;
}

} // namespace

int runText(const Arguments& args) {
    constexpr const char* usage = "usage: nimbrel-cli text KIND VALUE SCALE FROM TO";
    if (args.empty()) return fail(kExitBadInput, usage);
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds)
        if (k.name == args[0]) kind = &k;
    if (!kind)
        return fail(kExitBadInput, "text: unknown kind \"" + args[0] +
                                       "\" (temperature, humidity, pressure, wind, rain, dircode, dirname)");

    const bool direction = kind->units[0].empty();
    // A direction needs only its code; SCALE FROM TO may follow and are not used.
    if (direction ? (args.size() != 2 && args.size() != 5) : args.size() != 5)
        return fail(kExitBadInput, usage);

    float scale = 1.0f;
    if (args.size() == 5) {
        if (!parseScale(args[2], scale))
            return fail(kExitBadInput, "text: SCALE \"" + args[2] + "\" is not a number");
        if (!direction) {
            for (const std::string& unit : {args[3], args[4]})
                if (!knownUnit(*kind, unit))
                    return fail(kExitBadInput, "text: unit \"" + unit + "\" is not a " +
                                                   std::string(kind->name) + " unit (" + unitList(*kind) +
                                                   ")");
        }
    }
    const std::string from = args.size() == 5 ? args[3] : "";
    const std::string to = args.size() == 5 ? args[4] : "";
    std::cout << kind->text(args[1], scale, from, to) << '\n';
    return kExitOk;
}

} // namespace nimbrel::cli
