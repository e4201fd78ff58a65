// libnimbrel-notify.so: the desktop notifier behind C entry points, for nimbrel-cli, which loads it only
// when a command shows alerts, so that nimbrel-cli itself starts without Qt. No Qt here.
#pragma once

namespace nimbrel {

class AlertSink;

// The library's file, beside the USB libraries (the program's folder in a build, the private library
// folder when installed), and its two entry points.
inline constexpr const char* kDesktopNotifierLibrary = "libnimbrel-notify.so";
inline constexpr const char* kMakeDesktopNotifier = "nimbrel_make_desktop_notifier";
inline constexpr const char* kDestroyDesktopNotifier = "nimbrel_destroy_desktop_notifier";

// Receives the notifier's status-line texts (UTF-8), on the notifier's thread, with the context given
// at the start.
using DesktopNotifierStatusFn = void (*)(const char* text, void* context);
// Starts a notifier for the program "Nimbrel"; null when it could not be started. `status` and
// `context` must stay valid until the notifier is destroyed.
using MakeDesktopNotifierFn = AlertSink* (*)(DesktopNotifierStatusFn status, void* context);
// Ends a notifier that the library made (see DesktopNotifier's destructor).
using DestroyDesktopNotifierFn = void (*)(AlertSink* notifier);

} // namespace nimbrel
