// AcquisitionTexts: the localised texts that the acquisition thread and the history download show.
#pragma once

#include <string>

namespace nimbrel {

// Filled by the application from its language table (row numbers in brackets), so the
// acquisition layer never reaches up for it. The defaults are the English texts.
struct AcquisitionTexts {
    std::string applicationTitle = "Nimbrel Radio Controlled";     // row 0
    std::string readDataFrom = "Read data from";                   // row 144
    std::string dataHasBeenRead = "Data has been read.";           // row 145
    std::string computeHistoryRain = "Compute history rain data";  // row 146
    std::string dataHasBeenProcessed = "Data has been processed."; // row 147
    std::string saveAllDataOnPc = "Save all data on PC";           // row 148
    std::string lastReadTime = "Last Read Time";                   // row 149
    std::string readRecords = "Read Records";                      // row 150
    std::string totalRecords = "Total Records";                    // row 151
    std::string saveFailed =                                       // acquisition.save_failed
        "The new records could not be saved in the history file on the PC (is the disk full?). "
        "They stay on the station and are read again next time.";
    std::string stationStopped =                                   // acquisition.station_stopped
        "The station stopped answering. Unplug it, take out its batteries for a minute, put them back "
        "and plug it in again.";
};

} // namespace nimbrel
