#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>
#include <functional>

#include "ui/platform/DesktopShortcut.h"

namespace avatrix::ui::platform {

// One shortcut asked of the GlobalShortcuts portal of the session bus:
// register the program's app id where the portal has a registry for it,
// create a session, bind the shortcut in it, then pass on its presses. Each
// portal request answers through the Response signal of a request object
// whose path the caller can predict, so the program listens there before it
// asks, and no answer can slip by.
class PortalShortcut final : public QObject, protected QDBusContext {
    Q_OBJECT

  public:
    PortalShortcut(DesktopShortcut shortcut, std::function<void()> onBound,
                   std::function<void()> onActivated);

    // Starts the exchange on `bus`, a connection already made.
    void Start(QDBusConnection bus);

  private slots:
    void OnResponse(uint response, const QVariantMap& results);
    void OnActivated(const QDBusMessage& signal);

  private:
    enum class Step { Idle, CreatingSession, Binding, Bound, GivenUp };

    void Register();
    void CreateSession();
    void BindShortcut();
    void Ask(Step step, const QString& handleToken, const QString& method,
             const QVariantList& arguments);
    void ListenForResponse(const QString& requestPath);
    void StopListening();
    void GiveUp();

    DesktopShortcut shortcut_;
    std::function<void()> onBound_;
    std::function<void()> onActivated_;
    QDBusConnection bus_;
    Step step_ = Step::Idle;
    QString requestPath_;  // the request whose Response is awaited
    QString sessionPath_;
};

}  // namespace avatrix::ui::platform
