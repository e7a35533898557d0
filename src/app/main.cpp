#include <QApplication>
#include <QIcon>
#include <QTimer>

#include "app/SingleInstance.h"
#include "image/PictureDecoder.h"
#include "media/MusicHandlers.h"
#include "trace/StartupTrace.h"
#include "ui/PictureDecoding.h"
#include "ui/Program.h"
#include "windows/MainWindowHandlers.h"
#include "windows/Windows.h"

// The first of the program's own static initialisers: every library is
// loaded and initialised by now.
[[gnu::constructor(101)]] static void MarkLibrariesLoaded() {
    avatrix::trace::Mark("libraries loaded");
}

// The program reads no command line; argc and argv only reach the toolkit.
int main(int argc, char** argv) {
    using namespace avatrix;
    trace::Mark("main");
    if (!ui::InitToolkit(argc, argv)) {
        return 1;  // no display: the toolkit has said so on stderr
    }
    // A copy already runs on this display: it shows its windows, this one
    // ends before making any of its own.
    if (app::HandOverToRunningCopy()) {
        ui::EndProgram(0);
    }
    app::ListenForLaterStarts(windows::BringBackBothWindows);
    // The windows carry no icon of their own: they show the program's. It is
    // read once the event loop runs, so reading and handing it over do not
    // hold up the main window's first showing; the window manager takes it
    // up when it arrives.
    QTimer::singleShot(0, [] {
        trace::Span span("window icon");
        QApplication::setWindowIcon(QIcon(":/avatrix/avatrix.png"));
    });
    ui::SetPictureDecoder(image::DecodePictureBytes);
    ui::AddCleanup(media::RemoveLivePlayer);
    ui::LoadWindow(windows::MainWindowLayout());
    trace::Mark("message loop");
    ui::RunMessageLoop();
}
