#include <QApplication>
#include <QIcon>

#include "image/PictureDecoder.h"
#include "media/MusicHandlers.h"
#include "ui/PictureDecoding.h"
#include "ui/Program.h"
#include "windows/Windows.h"

// The program reads no command line; argc and argv only reach the toolkit.
int main(int argc, char** argv) {
    using namespace avatrix;
    if (!ui::InitToolkit(argc, argv)) {
        return 1;  // no display: the toolkit has said so on stderr
    }
    // The windows carry no icon of their own: they show the program's.
    QApplication::setWindowIcon(QIcon(":/avatrix/avatrix.png"));
    ui::SetPictureDecoder(image::DecodePictureBytes);
    ui::AddCleanup(media::RemoveLivePlayer);
    ui::LoadWindow(windows::MainWindowLayout());
    ui::RunMessageLoop();
}
