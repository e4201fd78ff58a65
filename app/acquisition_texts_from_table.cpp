#include "app/acquisition_texts_from_table.h"

#include <cstdio>

namespace nimbrel {

AcquisitionTexts acquisitionTextsFrom(const LanguageTable& table) {
    AcquisitionTexts texts;
    texts.applicationTitle = table.text(0);
    texts.readDataFrom = table.text(144);
    texts.dataHasBeenRead = table.text(145);
    texts.computeHistoryRain = table.text(146);
    texts.dataHasBeenProcessed = table.text(147);
    texts.saveAllDataOnPc = table.text(148);
    texts.lastReadTime = table.text(149);
    texts.readRecords = table.text(150);
    texts.totalRecords = table.text(151);
    texts.saveFailed = table.text("acquisition.save_failed");
    texts.stationStopped = table.text("acquisition.station_stopped");
    return texts;
}

std::string noStationText(bool accessDenied, const Configuration& config, const LanguageTable& table,
                          StationSearch search) {
    if (accessDenied) return table.text("station.access_denied");
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04X:%04X", config.usbDeviceVid & 0xFFFF, config.usbDevicePid & 0xFFFF);
    return table.text(search == StationSearch::continues ? "station.not_found" : "station.not_found_given_up",
                      {ids});
}

} // namespace nimbrel
