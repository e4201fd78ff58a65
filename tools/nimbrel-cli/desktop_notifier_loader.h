// The desktop notifier for nimbrel-cli's alerts, loaded from libnimbrel-notify.so: showing a notification
// needs Qt, which only that library brings, so that nimbrel-cli itself starts without Qt.
#pragma once

#include "outputs/alert_sink.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace nimbrel::cli {

// The notifier of the library beside the USB libraries (the program's folder in a build, the private
// library folder when installed). `status` receives its status-line texts, on the notifier's thread.
// Null, with why, when the library or one of its entry points is missing or no notifier could be
// started. The library stays loaded for the rest of the program.
std::unique_ptr<AlertSink> loadDesktopNotifier(std::function<void(const std::string&)> status,
                                               std::string& why);
// The same from the library file at `library`.
std::unique_ptr<AlertSink> loadDesktopNotifier(const std::filesystem::path& library,
                                               std::function<void(const std::string&)> status,
                                               std::string& why);

} // namespace nimbrel::cli
