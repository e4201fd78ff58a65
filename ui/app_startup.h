// AppStartup: brings the program up in order and owns what lives from start to end of the run.
#pragma once

#include "app/acquisition_session.h"

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

namespace nimbrel {

class MainFrame;
class QtTranslations;
class SingleInstance;

class AppStartup {
public:
    // The instance key, with the data folder added, keeps test runs apart from a copy the user runs.
    explicit AppStartup(QString instanceKey = QStringLiteral("Nimbrel Radio Controlled"));
    ~AppStartup();
    AppStartup(const AppStartup&) = delete;
    AppStartup& operator=(const AppStartup&) = delete;

    // Every start-up step in order: the data folder from --dir or the rules, the single-instance
    // check for that folder (a second copy on it asks the first to come forward), the working
    // directory, writer or reader of the folder (claimDataFolder), the configuration and its
    // language, the station with the USB library that the configuration names, the history file,
    // the main window, shown. False when the program is to end at once; exitCode() then says with
    // what (0 for a second copy, 1 for a failure the user was shown).
    bool start(int argc, char** argv);
    int exitCode() const { return exitCode_; }

    MainFrame* frame() const { return frame_.get(); }
    const Configuration& configuration() const { return session_->config(); }
    const std::filesystem::path& dataFolder() const { return session_->folder(); }
    FolderAccess access() const { return session_->access(); }

private:
    bool fail(const QString& message);

    QString instanceKey_;
    int exitCode_ = 0;
    std::unique_ptr<SingleInstance> instance_;
    // The folder's claim, configuration, station, history file and the threads that poll.
    std::unique_ptr<AcquisitionSession> session_;
    // Qt's own texts in the configured language, for as long as any window may show them.
    std::unique_ptr<QtTranslations> qtTranslations_;
    // Declared last so it goes first: the window stops the session's threads before it goes.
    std::unique_ptr<MainFrame> frame_;
};

} // namespace nimbrel
