#include "ui/app_startup.h"

#include "app/data_folder.h"
#include "app/folder_access.h"
#include "station/station_access.h"
#include "station/usb_library.h"
#include "store/history_store.h"
#include "ui/gui_resources.h"
#include "ui/main_frame.h"
#include "ui/qt_translations.h"
#include "ui/single_instance.h"

#include <QApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <system_error>

namespace nimbrel {

AppStartup::AppStartup(QString instanceKey) : instanceKey_(std::move(instanceKey)) {}

AppStartup::~AppStartup() = default;

bool AppStartup::fail(const QString& message) {
    QMessageBox::critical(nullptr, QStringLiteral("Nimbrel"), message);
    exitCode_ = 1;
    return false;
}

bool AppStartup::start(int argc, char** argv) {
    const std::filesystem::path programDir = programDirectory();
    try {
        dataFolder_ = chooseDataFolder(programDir, dirOption(argc, argv));
    } catch (const DataFolderError& error) {
        // No configuration is in use yet: the folder's own, if it can be read, says the language.
        return fail(QString::fromStdString(error.text(LanguageTable(startupLanguageIndex(error.folder())))));
    }
    // One window per data folder: a second window on this folder brings the first forward; a window
    // on another folder runs beside it.
    instance_ = std::make_unique<SingleInstance>(folderInstanceKey(instanceKey_, dataFolder_));
    if (!instance_->claim()) {
        exitCode_ = 0;
        return false;
    }
    std::error_code ec;
    std::filesystem::current_path(dataFolder_, ec);

    // A folder that the logger holds, or that this user may only read, is shown read-only.
    FolderClaim claim = claimDataFolder(dataFolder_);
    access_ = claim.access;
    folderLock_ = std::move(claim.lock);
    const bool reader = access_ != FolderAccess::writer;
    config_ = reader ? readConfiguration(dataFolder_) : loadConfiguration(dataFolder_);
    texts_.emplace(config_.languageIndex);
    // From here on message boxes and file dialogs speak the configured language too.
    qtTranslations_ = std::make_unique<QtTranslations>(config_.languageIndex);

    // The USB library comes from the program's own folder (installed: its private library folder), never
    // from the data folder.
    station_ = std::make_unique<StationAccess>(loadUsbLibrary(usbLibraryPath(config_.usbLibrary).string()),
                                               systemClock(), config_.testMode(),
                                               StationIds{config_.usbDeviceVid, config_.usbDevicePid});
    store_ = std::make_unique<HistoryStore>((dataFolder_ / "Nimbrel.dat").string(), station_->clock());
    store_->setDebugFlag(config_.debugMode());
    // Only the folder's writer makes the file and clears what an interrupted rewrite left; a reader
    // takes a missing file as an empty history.
    if (!reader) store_->open();

    QApplication::setWindowIcon(icon(QStringLiteral("nimbrel")));
    frame_ = std::make_unique<MainFrame>(
        AppContext{config_, *texts_, *station_, *store_, station_->clock(), dataFolder_, access_});
    QObject::connect(instance_.get(), &SingleInstance::raiseRequested, frame_.get(), &MainFrame::comeForward);
    // The window's size and place are the user's own, kept in the user's configuration folder;
    // Nimbrel.ini belongs to the station's settings and is never rewritten for them.
    frame_->rememberWindowIn(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                             QStringLiteral("/nimbrel/window.ini"));
    frame_->show();
    return true;
}

} // namespace nimbrel
