#include "ui/app_startup.h"

#include "app/data_folder.h"
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
    std::filesystem::path folder;
    try {
        folder = chooseDataFolder(programDir, dirOption(argc, argv));
    } catch (const DataFolderError& error) {
        // No configuration is in use yet: the folder's own, if it can be read, says the language.
        return fail(QString::fromStdString(error.text(LanguageTable(startupLanguageIndex(error.folder())))));
    }
    // One window per data folder: a second window on this folder brings the first forward; a window
    // on another folder runs beside it.
    instance_ = std::make_unique<SingleInstance>(folderInstanceKey(instanceKey_, folder));
    if (!instance_->claim()) {
        exitCode_ = 0;
        return false;
    }
    std::error_code ec;
    std::filesystem::current_path(folder, ec);

    // A folder that the logger holds, or that this user may only read, is shown read-only.
    AcquisitionSession::Opening opening = AcquisitionSession::open(folder, FolderUse::writerOrReader);
    if (!opening.session) return fail(QString::fromStdString(opening.message));
    session_ = std::move(opening.session);
    // From here on message boxes and file dialogs speak the configured language too.
    qtTranslations_ = std::make_unique<QtTranslations>(session_->config().languageIndex);

    QApplication::setWindowIcon(icon(QStringLiteral("nimbrel")));
    frame_ = std::make_unique<MainFrame>(contextOf(*session_));
    QObject::connect(instance_.get(), &SingleInstance::raiseRequested, frame_.get(), &MainFrame::comeForward);
    // The window's size and place are the user's own, kept in the user's configuration folder;
    // Nimbrel.ini belongs to the station's settings and is never rewritten for them.
    frame_->rememberWindowIn(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                             QStringLiteral("/nimbrel/window.ini"));
    frame_->show();
    return true;
}

} // namespace nimbrel
