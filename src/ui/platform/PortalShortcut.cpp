#include "ui/platform/PortalShortcut.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QThread>
#include <algorithm>
#include <memory>
#include <utility>

namespace {

// One shortcut as the portal takes and answers it: a(sa{sv}).
struct PortalShortcutEntry {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcutEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcutEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

}  // namespace

Q_DECLARE_METATYPE(PortalShortcutEntry)

namespace avatrix::ui::platform {
namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kRegistryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");

// Tokens name the program's request and session objects; the portal puts
// them after the caller's bus name, so they only need to differ from each
// other.
const QString kSessionToken = QStringLiteral("avatrix_shortcuts");
const QString kCreateToken = QStringLiteral("avatrix_create_session");
const QString kBindToken = QStringLiteral("avatrix_bind_shortcuts");

QString ObjectPathText(const QVariant& value) {
    // The portal answers the session handle as a string or as an object path.
    return value.metaType() == QMetaType::fromType<QDBusObjectPath>()
               ? value.value<QDBusObjectPath>().path()
               : value.toString();
}

}  // namespace

PortalShortcut::PortalShortcut(DesktopShortcut shortcut, std::function<void()> onBound,
                               std::function<void()> onActivated)
    : shortcut_(std::move(shortcut)),
      onBound_(std::move(onBound)),
      onActivated_(std::move(onActivated)),
      bus_(QString()) {}

void PortalShortcut::Start(QDBusConnection bus) {
    bus_ = std::move(bus);
    if (!bus_.isConnected()) {
        GiveUp();
        return;
    }
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
    // Presses are matched on the session they name, not on the sender:
    // naming the portal's service here would wait for the bus to say who
    // owns it.
    bus_.connect(QString(), kPortalPath, kShortcutsInterface, QStringLiteral("Activated"), this,
                 SLOT(OnActivated(QDBusMessage)));
    Register();
}

void PortalShortcut::Register() {
    // Without a registry (portals before 1.19), or when the desktop does not
    // know the app id, the portal goes on with the id it finds itself.
    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, kRegistryInterface, QStringLiteral("Register"));
    call << shortcut_.appId << QVariantMap();
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                if (done->isError() && done->error().type() == QDBusError::ServiceUnknown) {
                    GiveUp();  // no portal on this bus
                    return;
                }
                CreateSession();
            });
}

void PortalShortcut::CreateSession() {
    const QVariantMap options{{QStringLiteral("handle_token"), kCreateToken},
                              {QStringLiteral("session_handle_token"), kSessionToken}};
    Ask(Step::CreatingSession, kCreateToken, QStringLiteral("CreateSession"), {options});
}

void PortalShortcut::BindShortcut() {
    QVariantMap properties{{QStringLiteral("description"), shortcut_.description}};
    if (!shortcut_.preferredTrigger.isEmpty()) {
        properties.insert(QStringLiteral("preferred_trigger"), shortcut_.preferredTrigger);
    }
    const QList<PortalShortcutEntry> shortcuts{{shortcut_.id, properties}};
    const QVariantMap options{{QStringLiteral("handle_token"), kBindToken}};
    Ask(Step::Binding, kBindToken, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(sessionPath_)), QVariant::fromValue(shortcuts),
         shortcut_.parentWindow, options});
}

void PortalShortcut::Ask(Step step, const QString& handleToken, const QString& method,
                         const QVariantList& arguments) {
    step_ = step;
    // The request object's path is the portal's prefix, the caller's unique
    // name without its colon and with dots as underscores, and the token.
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    ListenForResponse(kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') +
                      handleToken);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, kShortcutsInterface, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, step](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                if (step_ != step) {
                    return;  // the answer came first and has moved things on
                }
                const QDBusPendingReply<QDBusObjectPath> reply = *done;
                if (reply.isError()) {
                    GiveUp();
                    return;
                }
                // A portal that names its request differently than predicted
                // answers there instead.
                if (reply.value().path() != requestPath_) {
                    ListenForResponse(reply.value().path());
                }
            });
}

void PortalShortcut::ListenForResponse(const QString& requestPath) {
    StopListening();
    requestPath_ = requestPath;
    bus_.connect(QString(), requestPath_, kRequestInterface, QStringLiteral("Response"), this,
                 SLOT(OnResponse(uint, QVariantMap)));
}

void PortalShortcut::StopListening() {
    if (!requestPath_.isEmpty()) {
        bus_.disconnect(QString(), requestPath_, kRequestInterface, QStringLiteral("Response"),
                        this, SLOT(OnResponse(uint, QVariantMap)));
        requestPath_.clear();
    }
}

void PortalShortcut::OnResponse(uint response, const QVariantMap& results) {
    if (message().path() != requestPath_) {
        return;
    }
    StopListening();
    // 0 is success; 1 the user cancelled; 2 anything else.
    if (response != 0) {
        GiveUp();
        return;
    }
    if (step_ == Step::CreatingSession) {
        sessionPath_ = ObjectPathText(results.value(QStringLiteral("session_handle")));
        if (sessionPath_.isEmpty()) {
            GiveUp();
            return;
        }
        BindShortcut();
    } else if (step_ == Step::Binding) {
        // The desktop answers the shortcuts it bound, each with the trigger
        // it chose; ours may be missing when the user declined it.
        const QVariant answered = results.value(QStringLiteral("shortcuts"));
        const auto bound = answered.canConvert<QDBusArgument>()
                               ? qdbus_cast<QList<PortalShortcutEntry>>(answered)
                               : QList<PortalShortcutEntry>();
        const bool ours = std::any_of(bound.begin(), bound.end(), [this](const auto& entry) {
            return entry.id == shortcut_.id;
        });
        step_ = Step::Bound;
        if (ours && onBound_) {
            onBound_();
        }
    }
}

void PortalShortcut::OnActivated(const QDBusMessage& signal) {
    // (session handle, shortcut id, timestamp, options)
    const QVariantList arguments = signal.arguments();
    if (step_ == Step::GivenUp || sessionPath_.isEmpty() || arguments.size() < 2 ||
        ObjectPathText(arguments.at(0)) != sessionPath_ ||
        arguments.at(1).toString() != shortcut_.id || !onActivated_) {
        return;
    }
    onActivated_();
}

void PortalShortcut::GiveUp() {
    StopListening();
    step_ = Step::GivenUp;
}

bool WaylandSession() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qgetenv("XDG_SESSION_TYPE") == "wayland";
}

void AskDesktopForShortcut(const DesktopShortcut& shortcut, std::function<void()> onBound,
                           std::function<void()> onActivated) {
    // Kept for the life of the process, like the shortcut it serves.
    auto* portal = new PortalShortcut(shortcut, std::move(onBound), std::move(onActivated));
    // Connecting to the bus waits for its greeting; a thread of its own does
    // that, so a slow or stuck bus never holds up the windows.
    auto bus = std::make_shared<QDBusConnection>(QString());
    QThread* connector = QThread::create([bus] { *bus = QDBusConnection::sessionBus(); });
    QObject::connect(connector, &QThread::finished, portal, [portal, bus] { portal->Start(*bus); });
    QObject::connect(connector, &QThread::finished, connector, &QObject::deleteLater);
    connector->start();
}

}  // namespace avatrix::ui::platform
