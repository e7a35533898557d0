#include <cstdio>

#include <malloc.h>

#include <QGuiApplication>

#include "cli/AvatarRendering.h"
#include "cli/Commands.h"

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

}  // namespace

int main(int argc, char** argv) {
    using namespace avatrix::cli;
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QString error;
    const std::optional<Invocation> run = ParseCommandLine(arguments, error);
    if (!run) {
        std::fprintf(stderr, "avatrix-render: %s\nTry 'avatrix-render --help'.\n",
                     error.toUtf8().constData());
        return kBadUsage;
    }
    if (run->mode == Mode::Help || run->mode == Mode::Version) {
        std::fputs((run->mode == Mode::Help ? HelpText() : VersionText()).toUtf8().constData(),
                   stdout);
        return kAllWritten;
    }

    // No display is ever needed, whatever the environment names, nor a
    // desktop theme that could bring in a toolkit of its own; and Qt sees
    // none of the arguments, which are all ours.
    KeepImageMemory();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_QPA_PLATFORMTHEME");
    qInstallMessageHandler(QuietMessages);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    PrepareRendering();
    return run->mode == Mode::Batch ? RunBatch(*run) : RunSingle(*run);
}
