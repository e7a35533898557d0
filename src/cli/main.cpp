#include <cstdio>
#include <cstring>

#include <malloc.h>

#include <QGuiApplication>

#include "cli/AvatarRendering.h"
#include "cli/Commands.h"
#include "cli/RenderServer.h"

namespace {

// The renderer reports its own failures; Qt's chatter about the desktop it
// is not using (no runtime folder, no display) would only bury them.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "avatrix-render: %s\n", message.toUtf8().constData());
    }
}

// Every avatar allocates a few images of a hundred kilobytes and more. By
// default each such block is mapped on its own and handed back when freed, so
// every avatar pays page faults and TLB flushes for fresh memory (about half
// a batch's processor time went there); kept in the heap, the blocks are
// reused from one avatar to the next. A run is short, so holding on to the
// memory until it ends costs nothing.
void KeepImageMemory() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

void StartToolkit() {
    // No display is ever needed, whatever the environment names, nor a
    // desktop theme that could bring in a toolkit of its own; and Qt sees
    // none of the arguments, which are all ours.
    KeepImageMemory();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_QPA_PLATFORMTHEME");
    qInstallMessageHandler(QuietMessages);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace avatrix::cli;
    if (argc == 4 && std::strcmp(argv[1], server::kServeArgument) == 0) {
        // A second helper for the same socket ends before loading anything.
        if (!TakeHelperLock(argv[3])) {
            return 0;
        }
        StartToolkit();
        int qtArgc = 1;
        QGuiApplication app(qtArgc, argv);
        PrepareRendering();
        return ServeRenders(argv[2]);
    }
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const std::optional<Invocation> run = ParseArguments(arguments);
    if (!run) {
        return kBadUsage;
    }
    // Texts alone need no toolkit.
    if (run->mode == Mode::Help || run->mode == Mode::Version) {
        return RunInvocation(*run);
    }
    StartToolkit();
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    PrepareRendering();
    return RunInvocation(*run);
}
