#include "tools/nimbrel-cli/desktop_notifier_loader.h"

#include "app/data_folder.h"
#include "notify/desktop_notifier_library.h"

#include <dlfcn.h>
#include <utility>

namespace nimbrel::cli {
namespace {

// The library's notifier as an AlertSink the command owns: it is ended by the library's own entry point,
// and the status function lives as long as the notifier may call it.
class LoadedNotifier final : public AlertSink {
public:
    LoadedNotifier(std::function<void(const std::string&)> status, DestroyDesktopNotifierFn destroy)
        : status_(std::move(status)), destroy_(destroy) {}
    ~LoadedNotifier() override {
        if (notifier_) destroy_(notifier_);
    }
    LoadedNotifier(const LoadedNotifier&) = delete;
    LoadedNotifier& operator=(const LoadedNotifier&) = delete;

    bool start(MakeDesktopNotifierFn make) {
        notifier_ = make(&LoadedNotifier::relay, this);
        return notifier_ != nullptr;
    }
    void alert(const Alert& alert) override { notifier_->alert(alert); }

private:
    static void relay(const char* text, void* context) {
        const auto* self = static_cast<const LoadedNotifier*>(context);
        if (self->status_) self->status_(text);
    }

    std::function<void(const std::string&)> status_;
    DestroyDesktopNotifierFn destroy_;
    AlertSink* notifier_ = nullptr;
};

} // namespace

std::unique_ptr<AlertSink> loadDesktopNotifier(std::function<void(const std::string&)> status,
                                               std::string& why) {
#ifdef NIMBREL_HAVE_NOTIFY
    return loadDesktopNotifier(usbLibraryFolder(programDirectory()) / kDesktopNotifierLibrary,
                               std::move(status), why);
#else
    (void)status;
    why = "this nimbrel-cli was built without desktop notifications (Qt 6 DBus)";
    return nullptr;
#endif
}

std::unique_ptr<AlertSink> loadDesktopNotifier(const std::filesystem::path& library,
                                               std::function<void(const std::string&)> status,
                                               std::string& why) {
    // Never closed again: Qt, once loaded, keeps threads of its own running until the program ends.
    void* module = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* error = dlerror();
        why =
            "cannot load the desktop notification library: " + std::string(error ? error : library.string());
        return nullptr;
    }
    const auto make = reinterpret_cast<MakeDesktopNotifierFn>(dlsym(module, kMakeDesktopNotifier));
    const auto destroy = reinterpret_cast<DestroyDesktopNotifierFn>(dlsym(module, kDestroyDesktopNotifier));
    if (!make || !destroy) {
        why = library.string() + " lacks the entry point " +
              (make ? kDestroyDesktopNotifier : kMakeDesktopNotifier);
        return nullptr;
    }
    auto notifier = std::make_unique<LoadedNotifier>(std::move(status), destroy);
    if (!notifier->start(make)) {
        why = "the desktop notifier could not be started";
        return nullptr;
    }
    return notifier;
}

} // namespace nimbrel::cli
