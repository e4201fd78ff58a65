#include "notify/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <atomic>
#include <cstdint>
#include <map>
#include <utility>

namespace nimbrel {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// The notification's urgency, as the desktop's notification service reads its "urgency" hint.
constexpr unsigned char kNormal = 1;
constexpr unsigned char kCritical = 2;

constexpr const char* kNoService =
    "Desktop notifications: no notification service on the session bus; alerts are not shown on the desktop";

// Every notifier has a bus connection of its own, so one that ends never closes another's.
QString newConnectionName() {
    static std::atomic<unsigned> count{0};
    return QStringLiteral("nimbrel-notifier-%1").arg(++count);
}

std::string reasonOf(const QDBusMessage& reply) {
    const QDBusError::ErrorType type = QDBusError(reply).type();
    if (type == QDBusError::NoReply || type == QDBusError::Timeout)
        return "it did not answer within " + std::to_string(DesktopNotifier::kCallTimeoutMs / 1000) + " s";
    return reply.errorMessage().toStdString();
}

// The notifier thread's side of the session bus: its connection, and the notification each alert id
// has on the desktop. Used on that thread only.
class NotificationService {
public:
    explicit NotificationService(QString appName) : appName_(std::move(appName)) {}
    ~NotificationService() { QDBusConnection::disconnectFromBus(connectionName_); }
    NotificationService(const NotificationService&) = delete;
    NotificationService& operator=(const NotificationService&) = delete;

    // Shows the alert; false with why (which may be empty) when there is no service to show it.
    bool show(const Alert& alert, std::string& why) {
        if (!connect(why)) return false;
        // Ids are the service's own: a service started again (or another that took the name over) would
        // take a kept id for a notification of some other program's and replace that one.
        if (ownerNow() != owner_) shown_.clear();
        const auto kept = shown_.find(alert.id);
        QVariantMap hints;
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(alert.on ? kCritical : kNormal));
        hints.insert(QStringLiteral("desktop-entry"), QStringLiteral(NIMBREL_APP_ID));
        QDBusMessage notify =
            QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
        // A notification that stays until the user closes it: nobody may be at the desk when it comes.
        notify << appName_ << static_cast<uint>(kept == shown_.end() ? 0 : kept->second)
               << QStringLiteral(NIMBREL_APP_ID) << QString::fromStdString(alert.title)
               << QString::fromStdString(alert.message) << QStringList() << hints << -1;
        const QDBusMessage reply = bus_.call(notify, QDBus::Block, DesktopNotifier::kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            why = reasonOf(reply);
            return false;
        }
        owner_ = reply.service();
        shown_[alert.id] = reply.arguments().value(0).toUInt();
        return true;
    }

private:
    bool connect(std::string& why) {
        if (bus_.isConnected()) return true;
        // A connection that failed or was lost stays registered under its name; asked for again, it
        // would be handed back as it is.
        QDBusConnection::disconnectFromBus(connectionName_);
        bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_);
        if (bus_.isConnected()) return true;
        why = bus_.lastError().message().toStdString();
        return false;
    }

    // The unique bus name of the service's present owner; "" when nobody owns it (a service that the
    // bus starts on demand is then started by the Notify call).
    QString ownerNow() {
        QDBusMessage ask = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
        ask << kService;
        const QDBusMessage reply = bus_.call(ask, QDBus::Block, DesktopNotifier::kCallTimeoutMs);
        return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toString() : QString();
    }

    QString appName_;
    QString connectionName_ = newConnectionName();
    QDBusConnection bus_{connectionName_};
    QString owner_; // the service that gave the ids below
    std::map<std::string, std::uint32_t> shown_;
};

} // namespace

DesktopNotifier::DesktopNotifier(std::function<void(const std::string&)> status, std::string appName)
    : status_(std::move(status)), appName_(std::move(appName)), thread_([this] { run(); }) {}

DesktopNotifier::~DesktopNotifier() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true; // what is still queued is dropped
    }
    wake_.notify_all();
    thread_.join();
}

void DesktopNotifier::alert(const Alert& alert) {
    if (alert.initial) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.size() >= kQueueLimit) queue_.pop_front();
        queue_.push_back(alert);
    }
    wake_.notify_one();
}

void DesktopNotifier::run() {
    NotificationService service(QString::fromStdString(appName_));
    bool told = false;
    for (;;) {
        Alert alert;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            alert = std::move(queue_.front());
            queue_.pop_front();
        }
        std::string why;
        if (service.show(alert, why) || told) continue;
        // Said once: without a service every alert fails alike. Each later alert tries again quietly, as
        // the desktop may start its service after this program.
        told = true;
        if (status_) status_(std::string(kNoService) + (why.empty() ? "" : " (" + why + ")"));
    }
}

} // namespace nimbrel
