// World: what a main window borrows over the simulated station, with every wait of the program a
// hundred times shorter.
#pragma once

#include "app/configuration.h"
#include "app/language_table.h"
#include "station/station_access.h"
#include "station/usb_library.h"
#include "store/history_store.h"
#include "tests/support/temp_dir.h"
#include "ui/app_context.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace nimbrel::testing {

inline const std::string kSimLibrary = std::string(NIMBREL_BIN_DIR) + "/libnimbrel-sim.so";

// The real time, with every wait of the program a hundred times shorter: the acquisition thread
// runs its cycles at once, yet still yields to the window while it waits.
class QuickClock final : public Clock {
public:
    TimePoint now() override { return std::chrono::system_clock::now(); }
    void sleepFor(std::chrono::milliseconds duration) override {
        std::this_thread::sleep_for(duration / 100);
    }
};

// One window's world: configuration, texts, the station over the simulator, a history file.
struct World {
    explicit World(int language = english, bool searchData = true) : texts(language) {
        config.languageIndex = language;
        config.searchData = searchData ? "true" : "false";
        config.usbLibrary = kSimulatedUsbLibrary;
        station = std::make_unique<StationAccess>(loadUsbLibrary(kSimLibrary), clock, false);
        store = std::make_unique<HistoryStore>((folder / "Nimbrel.dat").string(), clock);
        store->open();
    }
    AppContext context() { return AppContext{config, texts, *station, *store, clock, folder.path()}; }

    TempDir folder;
    Configuration config;
    LanguageTable texts;
    QuickClock clock;
    std::unique_ptr<StationAccess> station;
    std::unique_ptr<HistoryStore> store;
};

} // namespace nimbrel::testing
