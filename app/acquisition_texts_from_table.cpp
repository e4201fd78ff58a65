#include "app/acquisition_texts_from_table.h"

#include <cstdio>

namespace nimbrel {

AcquisitionTexts acquisitionTextsFrom(const LanguageTable& table) {
    AcquisitionTexts texts;
    texts.applicationTitle = table.text(TextRow::applicationTitle);
    texts.readDataFrom = table.text(TextRow::readDataFrom);
    texts.dataHasBeenRead = table.text(TextRow::dataHasBeenRead);
    texts.computeHistoryRain = table.text(TextRow::computeHistoryRain);
    texts.dataHasBeenProcessed = table.text(TextRow::dataHasBeenProcessed);
    texts.saveAllDataOnPc = table.text(TextRow::saveAllDataOnPc);
    texts.lastReadTime = table.text(TextRow::lastReadTime);
    texts.readRecords = table.text(TextRow::readRecords);
    texts.totalRecords = table.text(TextRow::totalRecords);
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
