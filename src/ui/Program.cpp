#include "ui/Program.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/BannerFont.h"
#include "trace/StartupTrace.h"
#include "ui/DialogStacking.h"
#include "ui/FontMapping.h"
#include "ui/Registry.h"
#include "ui/TestSeams.h"
#include "ui/platform/Platform.h"

namespace avatrix::ui {
namespace {

std::vector<std::function<void()>>& Cleanups() {
    static auto* cleanups = new std::vector<std::function<void()>>;
    return *cleanups;
}

}  // namespace

namespace detail {

void EnsureToolkitReady() {
    static bool ready = false;
    auto* app = qobject_cast<QApplication*>(QApplication::instance());
    if (ready || app == nullptr) {
        return;
    }
    ready = true;
    // Native windows only where one is asked for: making one unit native
    // leaves its siblings as they are.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    trace::Span span("fonts");
    // The program's default face has no file of that name here.
    render::InstallFaceSubstitutions();
    QApplication::setFont(InterfaceFont());
    // Only EndProgram ends the program; hiding every window does not.
    app->setQuitOnLastWindowClosed(false);
    // Qt's Chinese texts (edit menus, standard dialogs) once the program is
    // running rather than before its first window; a dialog that comes
    // sooner loads them itself.
    QTimer::singleShot(0, app, [] { LoadQtTranslations(); });
}

}  // namespace detail

bool InitToolkit(int& argc, char** argv) {
    if (QApplication::instance() == nullptr) {
        // X11 unless whoever started the program chose a platform already
        // (tests run offscreen).
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "xcb");
        }
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        const bool x11 = platform.startsWith("xcb") && !platform.contains(';');
        if (x11 && qEnvironmentVariableIsEmpty("DISPLAY")) {
            std::fprintf(stderr, "avatrix: no X display: DISPLAY is not set\n");
            return false;
        }
        if (x11) {
            // Qt gives up on a display it cannot open by aborting. With a
            // fallback it carries on instead, and the program can say what
            // went wrong and end cleanly, without opening a connection of
            // its own to find out first.
            qputenv("QT_QPA_PLATFORM", platform + ";offscreen");
        }
        {
            // Lives until the process ends: EndProgram never returns to unwind it.
            trace::Span span("toolkit start");
            new QApplication(argc, argv);
        }
        qputenv("QT_QPA_PLATFORM", platform);
        if (x11 && QGuiApplication::platformName() != QLatin1String("xcb")) {
            std::fprintf(stderr, "avatrix: cannot open the X display \"%s\"\n",
                         qgetenv("DISPLAY").constData());
            return false;
        }
    }
    detail::EnsureToolkitReady();
    return true;
}

void AddCleanup(std::function<void()> cleanup) {
    Cleanups().push_back(std::move(cleanup));
}

void RunMessageLoop() {
    if (QApplication::instance() == nullptr) {
        EndProgram(1);
    }
    // The loop only ends when something quits the application outright;
    // that too leaves through the one exit.
    EndProgram(QApplication::exec());
}

void EndProgram(int code) {
    // Taken out first, so a clean-up that ends the program itself does not
    // run the list again.
    std::vector<std::function<void()>> cleanups = std::move(Cleanups());
    Cleanups().clear();
    for (const auto& cleanup : cleanups) {
        if (cleanup) {
            cleanup();
        }
    }
    if (const auto& interceptor = detail::EndProgramInterceptor()) {
        interceptor(code);
    }
    if (QApplication::instance() != nullptr) {
        platform::Current().Flush();
    }
    std::fflush(nullptr);
    // No window is closed and no destructor runs: the process just ends.
    std::_Exit(code);
}

}  // namespace avatrix::ui
