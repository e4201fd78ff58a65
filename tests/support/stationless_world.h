// StationlessWorld: what a main window borrows, in a language, without any station: every station call
// fails as if none were plugged in, SearchData is off, and the history file lives in a folder of its own.
#pragma once

#include "app/configuration.h"
#include "app/language_table.h"
#include "station/station_access.h"
#include "station/usb_library.h"
#include "store/history_store.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_dir.h"
#include "ui/app_context.h"

#include <memory>

namespace nimbrel::testing {

struct StationlessWorld {
    explicit StationlessWorld(int language) : texts(language) {
        config.languageIndex = language;
        config.searchData = "false";
        station = std::make_unique<StationAccess>(noUsbLibrary("no station in this test"), clock, false);
        store = std::make_unique<HistoryStore>((folder / "Nimbrel.dat").string(), clock);
    }
    AppContext context() { return AppContext{config, texts, *station, *store, clock, folder.path()}; }

    TempDir folder;
    Configuration config;
    LanguageTable texts;
    FakeClock clock;
    std::unique_ptr<StationAccess> station;
    std::unique_ptr<HistoryStore> store;
};

} // namespace nimbrel::testing
