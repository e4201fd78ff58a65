// libnimbrel-notify.so: the entry points of desktop_notifier_library.h.
#include "notify/desktop_notifier_library.h"

#include "notify/desktop_notifier.h"

#include <string>
#include <type_traits>

extern "C" __attribute__((visibility("default"))) nimbrel::AlertSink*
nimbrel_make_desktop_notifier(nimbrel::DesktopNotifierStatusFn status, void* context) {
    try {
        return new nimbrel::DesktopNotifier(
            [status, context](const std::string& text) {
                if (status) status(text.c_str(), context);
            },
            "Nimbrel");
    } catch (...) { // no thread could be started; nothing may cross into the C caller
        return nullptr;
    }
}

extern "C" __attribute__((visibility("default"))) void
nimbrel_destroy_desktop_notifier(nimbrel::AlertSink* notifier) {
    delete notifier;
}

static_assert(std::is_same_v<decltype(&nimbrel_make_desktop_notifier), nimbrel::MakeDesktopNotifierFn>);
static_assert(std::is_same_v<decltype(&nimbrel_destroy_desktop_notifier), nimbrel::DestroyDesktopNotifierFn>);
