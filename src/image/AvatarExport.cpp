#include "image/AvatarExport.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>

#include "image/AvatarUnits.h"
#include "image/FileSaving.h"
#include "render/AvatarComposer.h"
#include "text/Literal.h"
#include "text/Primitives.h"
#include "ui/AvatarScene.h"
#include "ui/Toolkit.h"

namespace avatrix::image {
namespace {

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    return writer.write(image) ? bytes : QByteArray();
}

ByteSet ToByteSet(const QByteArray& bytes) {
    return ByteSet(bytes.begin(), bytes.end());
}

Text SaveTitle() {
    return "另存为 PNG"_gbk;
}

}  // namespace

QImage ComposeShownAvatar(const AvatarUnits& units) {
    return ui::ComposeScene(ui::SceneOf(units.box.window, units.box.unit, units.bannerLabel.window,
                                        units.bannerLabel.unit));
}

bool CopyAvatar(const AvatarUnits& units) {
    const QImage avatar = ComposeShownAvatar(units);
    const QByteArray png = render::EncodePng(avatar);
    const QByteArray bmp = Encoded(avatar, "bmp");
    if (png.isEmpty() || bmp.isEmpty()) {
        return false;
    }
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png);
    data->setData(QStringLiteral("image/bmp"), bmp);
    QGuiApplication::clipboard()->setMimeData(data);
    ui::ShowNote(units.box, "已复制"_gbk);
    return true;
}

ui::FilePath PngFileName(const ui::FilePath& chosen) {
    const std::string_view name = chosen.bytes;
    const bool png =
        name.size() >= 4 && EqualIgnoringAsciiCase(name.substr(name.size() - 4), ".png");
    return png ? chosen : chosen + ".png";
}

void SaveAvatarAsPng(const AvatarUnits& units) {
    // Composed before the dialog opens, so the avatar is the one the user
    // asked to save even if the banner moves meanwhile.
    const ByteSet png = ToByteSet(render::EncodePng(ComposeShownAvatar(units)));
    const ui::FilePath chosen = ui::AskSaveFileName("PNG 图片|*.png|"_gbk, ui::DesktopDirectory());
    if (chosen.empty()) {
        return;
    }
    const ui::FilePath name = PngFileName(chosen);
    if (png.empty()) {
        ui::ShowMessage("无法保存"_gbk + QuotedName(name) + "。"_gbk, ui::kIconExclamation,
                        SaveTitle());
        return;
    }
    if (SaveChosenFile(name, png, SaveTitle())) {
        ui::ShowNote(units.box, "已保存"_gbk, name);
    }
}

}  // namespace avatrix::image
