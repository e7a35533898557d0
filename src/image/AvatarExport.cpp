#include "image/AvatarExport.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>

#include "image/AvatarUnits.h"
#include "render/AvatarComposer.h"
#include "text/Literal.h"
#include "text/Primitives.h"
#include "ui/AvatarScene.h"
#include "ui/Toolkit.h"

namespace avatrix::image {
namespace {

constexpr std::string_view kBannerWindow = "BannerWindow";
constexpr std::string_view kBannerLabel = "透明标签1";

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

QImage ComposeShownAvatar() {
    return ui::ComposeScene(ui::SceneOf(kMainWindow, kAvatarPicture, kBannerWindow, kBannerLabel));
}

bool CopyAvatar() {
    const QImage avatar = ComposeShownAvatar();
    const QByteArray png = render::EncodePng(avatar);
    const QByteArray bmp = Encoded(avatar, "bmp");
    if (png.isEmpty() || bmp.isEmpty()) {
        return false;
    }
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png);
    data->setData(QStringLiteral("image/bmp"), bmp);
    QGuiApplication::clipboard()->setMimeData(data);
    return true;
}

Text PngFileName(const Text& chosen) {
    // ".png" is plain ASCII and a GBK trail byte never follows a '.', so the
    // last four bytes decide.
    if (ToLowerAscii(RightText(chosen, 4)) == ".png"_gbk) {
        return chosen;
    }
    return chosen + ".png"_gbk;
}

void SaveAvatarAsPng() {
    // Composed before the dialog opens, so the avatar is the one the user
    // asked to save even if the banner moves meanwhile.
    const ByteSet png = ToByteSet(render::EncodePng(ComposeShownAvatar()));
    const Text chosen = ui::AskSaveFileName("PNG 图片|*.png|"_gbk, ui::DesktopDirectory());
    if (chosen.empty()) {
        return;
    }
    const Text name = PngFileName(chosen);
    if (ui::FileExists(name) &&
        ui::ShowMessage("文件“"_gbk + name + "”已存在，要替换它吗？"_gbk, 0x21, SaveTitle()) != 0) {
        return;
    }
    if (png.empty() || !ui::WriteWholeFileSafely(name, png)) {
        ui::ShowMessage("无法保存文件“"_gbk + name + "”。"_gbk, 0x30, SaveTitle());
    }
}

}  // namespace avatrix::image
