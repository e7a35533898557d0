#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <optional>

#include "XServer.h"

// Child-process scenarios: this test program started again on a real X
// server (`--scenario=<name>`), driven from outside with xdotool, xprop and
// xwininfo, and reporting on stdout.
namespace avatrix::uitest {

using test::XClient;
using test::XServer;

// A scenario running in a child process on `server`.
class Scenario {
  public:
    Scenario(const XServer* server, const QString& name, const QStringList& extra = {});
    ~Scenario();

    // The next output line that starts with `prefix`, within `ms`.
    std::optional<QString> Await(const QString& prefix, int ms = 10000);
    void Send(const QString& line);
    QProcess& process() { return process_; }

  private:
    QProcess process_;
    QStringList lines_;
    QByteArray pending_;
};

}  // namespace avatrix::uitest
