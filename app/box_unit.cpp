#include "app/box_unit.h"

namespace nimbrel {

std::string unitText(BoxUnit unit, const StationSettings& settings) {
    switch (unit) {
    case BoxUnit::humidity:
        return "%";
    case BoxUnit::indoorTemperature:
        return settings.indTempUnit;
    case BoxUnit::outdoorTemperature:
        return settings.outTempUnit;
    case BoxUnit::pressure:
        return settings.presUnit;
    case BoxUnit::wind:
        return settings.windUnit;
    case BoxUnit::rain:
        return settings.rainUnit;
    case BoxUnit::beaufort:
        return "bft";
    case BoxUnit::none:
        return {};
    }
    return {};
}

} // namespace nimbrel
