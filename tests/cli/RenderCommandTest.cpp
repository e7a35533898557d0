#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include "MainWindowFixture.h"
#include "TestPictures.h"
#include "image/AvatarExport.h"
#include "image/BmpImage.h"
#include "image/JpegDecoder.h"
#include "render/NameAvatar.h"
#include "render/Palette.h"
#include "text/Codepage.h"
#include "windows/AvatarMenu.h"
#include "windows/BuiltInPictures.h"

namespace avatrix {
namespace {

struct Result {
    int code = -1;
    QString out;
    QString errors;
};

// The renderer as a user runs it, with no display to lean on: no DISPLAY,
// and a platform choice it has to override.
Result RunRender(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb");
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(AVATRIX_RENDER_PATH), arguments);
    Result result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.code = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void WriteFile(const QString& path, const ByteSet& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())),
        static_cast<qint64>(bytes.size()));
}

ByteSet ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = file.readAll();
    return ByteSet(data.begin(), data.end());
}

int DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return -1;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            count += x.pixel(col, row) != y.pixel(col, row) ? 1 : 0;
        }
    }
    return count;
}

double MeanChannelDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

TEST(RenderCommand, WritesOneAvatarInEachFormat) {
    QTemporaryDir dir;
    const QString picture = dir.filePath("photo.jpg");
    WriteFile(picture, image::testing::EncodeTestJpeg(image::testing::QuadrantPicture(240, 200)));
    const QStringList look = {"-t",      "文字 Avatar",    "--fill", "--outline", "--text-colour",
                              "#FFFFFF", "--strip-colour", "#204080"};
    for (const char* name : {"a.png", "a.bmp", "a.jpg"}) {
        const Result run = RunRender(QStringList{picture, "-o", dir.filePath(name)} + look);
        EXPECT_EQ(run.code, 0) << name << ": " << run.errors.toStdString();
    }
    EXPECT_EQ(
        RunRender(QStringList{picture, "-o", dir.filePath("a2.png"), "--scale", "2"} + look).code,
        0);

    const QImage png(dir.filePath("a.png"));
    ASSERT_EQ(png.size(), QSize(184, 184));
    EXPECT_EQ(QImage(dir.filePath("a2.png")).size(), QSize(368, 368));
    // The picture covers the box (its red quarter at the top left), the strip
    // lies along the bottom and the white text is on it.
    EXPECT_GT(qRed(png.pixel(20, 20)), 200);
    EXPECT_LT(qGreen(png.pixel(20, 20)), 50);
    EXPECT_EQ(png.pixel(180, 180), qRgb(0x20, 0x40, 0x80));
    int light = 0;
    for (int x = 0; x < 184; ++x) {
        for (int y = 133; y < 184; ++y) {
            light += qGreen(png.pixel(x, y)) > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(light, 20);

    // The bytes "保存头像" writes for these same pixels.
    EXPECT_EQ(ReadFile(dir.filePath("a.bmp")), image::EncodeBmpImage(png, 16));

    const QImage jpeg = image::DecodeJpeg(ReadFile(dir.filePath("a.jpg")));
    ASSERT_EQ(jpeg.size(), QSize(184, 184));
    EXPECT_LT(MeanChannelDifference(jpeg, png), 6.0);
}

// "横批放到头像底部" puts the banner where the renderer's default strip is;
// from there the windows' composed export and the renderer with the same
// settings must give the same pixels.
TEST(RenderCommand, DrawsWhatTheWindowsExport) {
    using namespace windows;
    using namespace windows::test;
    EnsureMainWindow();
    EnsureBannerWindow();
    SnapBannerToAvatarBottom();
    const ui::ScreenRect box = ui::ClientAreaOnScreen(units::kAvatarBox);
    ASSERT_TRUE(WaitUntil([&] {
        const ui::ScreenRect strip = ui::ClientAreaOnScreen(kBannerWindow);
        return strip.left == box.left && strip.width == box.width &&
               strip.top + strip.height == box.top + box.height;
    }));
    QTemporaryDir dir;
    const QString picture = dir.filePath("avatar.jpg");
    WriteFile(picture, DefaultAvatarPicture());
    const QString text = QString::fromStdString(
        GbkToUtf8(ui::GetText(kBannerWindow, kBannerLabel, ui::Prop::Caption)));
    ASSERT_FALSE(text.isEmpty());
    // The banner's text area as the window lays it out: given as --label, the
    // renderer keeps the window's own layout rather than fitting the text.
    const QString label = QStringLiteral("%1,%2,%3,%4")
                              .arg(ui::GetInt(kBannerWindow, kBannerLabel, ui::Prop::Left))
                              .arg(ui::GetInt(kBannerWindow, kBannerLabel, ui::Prop::Top))
                              .arg(ui::GetInt(kBannerWindow, kBannerLabel, ui::Prop::Width))
                              .arg(ui::GetInt(kBannerWindow, kBannerLabel, ui::Prop::Height));

    // The window's state at start, then with the picture fitted and the text
    // outlined and shadowed.
    const QStringList states[] = {{}, {"--fill", "--outline", "--shadow"}};
    for (const QStringList& options : states) {
        const bool changed = !options.isEmpty();
        ui::SetProperty(units::kAvatarBox, ui::Prop::DisplayMode,
                        changed ? ui::kDisplayCover : ui::kDisplayTiled);
        ui::SetProperty(kBannerWindow, kBannerLabel, ui::Prop::TextOutline, changed);
        ui::SetProperty(kBannerWindow, kBannerLabel, ui::Prop::TextShadow, changed);
        const QImage shown = image::ComposeShownAvatar(units::kAvatarUnits);

        const QString out = dir.filePath(changed ? "changed.png" : "start.png");
        const Result run =
            RunRender(QStringList{picture, "-t", text, "--label", label, "-o", out} + options);
        ASSERT_EQ(run.code, 0) << run.errors.toStdString();
        EXPECT_EQ(DifferingPixels(QImage(out), shown), 0) << options.join(' ').toStdString();
    }
}

struct FileState {
    ByteSet bytes;
    ino_t inode = 0;
    long long modified = 0;
    bool operator==(const FileState&) const = default;
};

std::map<QString, FileState> Outputs(const QDir& dir) {
    std::map<QString, FileState> files;
    for (const QString& name : dir.entryList(QDir::Files)) {
        struct stat info {};
        stat(QFile::encodeName(dir.filePath(name)).constData(), &info);
        files[name] = {ReadFile(dir.filePath(name)), info.st_ino,
                       info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec};
    }
    return files;
}

// The line numbers of a batch's failure messages, in the order printed.
std::vector<int> ReportedLines(const QString& errors) {
    static const QRegularExpression where(QStringLiteral("^\\S*jobs\\.tsv:(\\d+): "),
                                          QRegularExpression::MultilineOption);
    std::vector<int> lines;
    for (auto it = where.globalMatch(errors); it.hasNext();) {
        lines.push_back(it.next().captured(1).toInt());
    }
    return lines;
}

TEST(RenderCommand, BatchSkipsBadLinesAndKeepsWhatExists) {
    QTemporaryDir dir;
    WriteFile(dir.filePath("photo.jpg"),
              image::testing::EncodeTestJpeg(image::testing::QuadrantPicture(200, 200)));
    // Line 1 is a comment; job i is on line i + 2.
    QStringList lines{"# club members"};
    for (int i = 0; i < 50; ++i) {
        lines << QStringLiteral("photo.jpg\t成员%1\tm%1.png").arg(i);
    }
    lines[7] = "photo.jpg 成员 without a tab";    // line 8
    lines[11] += "\tstrip-colour=#FF0000\tbold";  // line 12
    lines[23] += "\topacity=300";                 // line 24
    lines[40] = "missing.jpg\t成员\tm39.png";     // line 41
    QFile jobs(dir.filePath("jobs.tsv"));
    ASSERT_TRUE(jobs.open(QIODevice::WriteOnly));
    jobs.write((lines.join('\n') + '\n').toUtf8());
    jobs.close();
    const QDir out(dir.filePath("out"));
    const QStringList batch{"--batch", jobs.fileName(), "--out-dir", out.path(), "-j", "2"};

    const Result first = RunRender(batch);
    EXPECT_EQ(first.code, 1);
    for (const char* where : {"jobs.tsv:8:", "jobs.tsv:24:", "jobs.tsv:41:"}) {
        EXPECT_TRUE(first.errors.contains(QLatin1String(where))) << first.errors.toStdString();
    }
    const auto written = Outputs(out);
    EXPECT_EQ(written.size(), 47u);
    // A line's own settings apply to that line only.
    EXPECT_EQ(QImage(out.filePath("m10.png")).pixel(2, 182), qRgb(255, 0, 0));
    EXPECT_EQ(QImage(out.filePath("m11.png")).pixel(2, 182), qRgb(0xEF, 0xEF, 0xEF));
    // Drawn on worker threads, an avatar is the one a single run draws.
    ASSERT_EQ(
        RunRender({dir.filePath("photo.jpg"), "-t", "成员0", "-o", dir.filePath("one.png")}).code,
        0);
    EXPECT_EQ(ReadFile(dir.filePath("one.png")), written.at("m0.png").bytes);

    const Result again = RunRender(batch);
    EXPECT_EQ(again.code, 1);
    EXPECT_EQ(again.errors.count(QStringLiteral("exists")), 47) << again.errors.toStdString();
    // Jobs finish in any order on two threads; their failures and the bad
    // lines' come out in line order all the same.
    for (const Result* run : {&first, &again}) {
        const std::vector<int> lines = ReportedLines(run->errors);
        EXPECT_EQ(lines.size(), run == &first ? 3u : 50u);
        EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()) &&
                    std::adjacent_find(lines.begin(), lines.end()) == lines.end())
            << run->errors.toStdString();
    }
    EXPECT_TRUE(Outputs(out) == written);

    const Result forced = RunRender(batch + QStringList{"--force"});
    EXPECT_EQ(forced.code, 1);
    EXPECT_FALSE(forced.errors.contains(QStringLiteral("exists")));
    EXPECT_NE(Outputs(out).at("m0.png").inode, written.at("m0.png").inode);
}

// The box around every pixel of `image` inside `area` that is not `background`.
QRect InkBox(const QImage& image, const QRect& area, QRgb background) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) != background) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

TEST(RenderCommand, FitsAndCentresTheTextWithoutALabel) {
    QTemporaryDir dir;
    const QString picture = dir.filePath("plain.png");
    QImage plain(200, 200, QImage::Format_RGB32);
    plain.fill(qRgb(0x30, 0x60, 0x30));
    ASSERT_TRUE(plain.save(picture));
    const QRect strip(0, 133, 184, 51);
    const QRgb stripColour = qRgb(0xEF, 0xEF, 0xEF);
    const auto ink = [&](const QString& text, const QStringList& more = {}) {
        const QString out = dir.filePath(QString::number(qHash(text + more.join(' '))) + ".png");
        const Result run = RunRender(QStringList{picture, "-t", text, "-o", out} + more);
        EXPECT_EQ(run.code, 0) << run.errors.toStdString();
        return InkBox(QImage(out), strip, stripColour);
    };

    const QRect name = ink(QStringLiteral("王小明"));
    ASSERT_FALSE(name.isEmpty());
    // Centred both ways within a pixel, and far larger than the window's
    // 12-pixel text.
    EXPECT_LE(std::abs((name.left() + name.right() + 1) - 184), 2);
    EXPECT_LE(std::abs((name.top() + name.bottom() + 1) - (133 + 184)), 2);
    EXPECT_GT(name.height(), 18);
    const QRect left = ink(QStringLiteral("王小明"), {"--align", "left"});
    EXPECT_LT(left.left(), name.left() - 20);

    // A long name shrinks to the strip's width instead of running off it.
    const QRect longName = ink(QStringLiteral("王小明 Xiaoming Wang-Lindqvist"));
    EXPECT_LE(longName.width(), 184 - 2 * 6);
    EXPECT_LT(longName.height(), name.height());

    // What cannot fit fails with the reason, and writes nothing.
    const QStringList tooLong[] = {
        {"-t", QString(60, QChar(u'字'))},
        {"-t", QStringLiteral("王小明 Xiaoming"), "--size", "20", "--bold"},
    };
    for (const QStringList& arguments : tooLong) {
        const QString out = dir.filePath("cut.png");
        const Result run = RunRender(QStringList{picture, "-o", out} + arguments);
        EXPECT_EQ(run.code, 1);
        EXPECT_TRUE(run.errors.contains(QStringLiteral("does not fit")))
            << run.errors.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST(RenderCommand, DrawsEveryScriptOrSaysWhatIsMissing) {
    QTemporaryDir dir;
    const QRgb grey = qRgb(0x80, 0x80, 0x80);
    const auto draw = [&](const QString& text, const QStringList& more = {}) {
        const QString out = dir.filePath(QString::number(qHash(text)) + ".png");
        const Result run =
            RunRender(QStringList{"-t", text, "--background", "grey", "-o", out} + more);
        EXPECT_EQ(run.code, 0) << text.toStdString() << ": " << run.errors.toStdString();
        return QImage(out).convertToFormat(QImage::Format_RGB32);
    };
    const char* names[] = {"Zoë Ångström", "王小明", "김민준", "สมชาย", "देवनागरी", "محمد", "שלום"};
    for (const char* name : names) {
        const QImage avatar = draw(QString::fromUtf8(name));
        ASSERT_FALSE(avatar.isNull()) << name;
        EXPECT_GT(InkBox(avatar, avatar.rect(), grey).width(), 20) << name;
    }

    // Right to left: the tall alef, written first, stands right of the low beh.
    const QImage arabic = draw(QStringLiteral("اب"));
    const QRect box = InkBox(arabic, arabic.rect(), grey);
    ASSERT_FALSE(box.isEmpty());
    int tallest = box.left();
    for (int x = box.left(); x <= box.right(); ++x) {
        if (InkBox(arabic, QRect(x, box.top(), 1, 2), grey).isValid()) {
            tallest = x;
        }
    }
    EXPECT_GT(tallest, box.center().x());

    // Emoji in colour: the yellow of a smiling face.
    const QImage emoji = draw(QStringLiteral("😀👍🏽🇯🇵"));
    int yellow = 0;
    for (int y = 0; y < emoji.height(); ++y) {
        for (int x = 0; x < emoji.width(); ++x) {
            const QRgb p = emoji.pixel(x, y);
            yellow += qRed(p) > 200 && qGreen(p) > 150 && qBlue(p) < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(yellow, 100);

    // A character no font has fails by its code point, unless allowed.
    const QString missing = QStringLiteral("A") + QString::fromUcs4(U"\U0010FFFD");
    const Result refused = RunRender({"-t", missing, "-o", dir.filePath("missing.png")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.errors.contains(QStringLiteral("U+10FFFD")))
        << refused.errors.toStdString();
    EXPECT_EQ(
        RunRender({"-t", missing, "-o", dir.filePath("allowed.png"), "--allow-missing-glyphs"})
            .code,
        0);

    const Result font =
        RunRender({"-t", "x", "--font", "DejaVu Sanz", "-o", dir.filePath("f.png")});
    EXPECT_EQ(font.code, 1);
    EXPECT_TRUE(font.errors.contains(QStringLiteral("\"DejaVu Sans\"")))
        << font.errors.toStdString();

    for (const char* colour : {"rebeccapurple", "#F80", "#80FF8800", "RoyalBlue"}) {
        EXPECT_EQ(RunRender({"-t", "x", "--text-colour", colour, "-o",
                             dir.filePath(QString::fromLatin1(colour).remove('#') + ".png")})
                      .code,
                  0)
            << colour;
    }
    const Result badColour = RunRender({"-t", "x", "--strip-colour", "#12345", "-o", "x.png"});
    EXPECT_EQ(badColour.code, 2);
    EXPECT_TRUE(badColour.errors.contains(QStringLiteral("#AARRGGBB")))
        << badColour.errors.toStdString();
}

TEST(RenderCommand, MakesNameAvatarsWithoutAPicture) {
    QTemporaryDir dir;
    // The colour of a name is fixed for good: these are written down, not
    // computed, so a change of hash or palette shows here. Anagrams differ.
    const std::pair<const char*, QRgb> colours[] = {
        {"Ada Lovelace", qRgb(0x00, 0x83, 0x8F)}, {"王小明", qRgb(0x45, 0x27, 0xA0)},
        {"김민준", qRgb(0x6A, 0x1B, 0x9A)},       {"محمد", qRgb(0xD8, 0x1B, 0x60)},
        {"Amy", qRgb(0x00, 0x83, 0x8F)},          {"May", qRgb(0x02, 0x77, 0xBD)},
    };
    for (const auto& [name, colour] : colours) {
        const QString out = dir.filePath(QString::number(qHash(QString::fromUtf8(name))) + ".png");
        const Result run = RunRender({"-t", QString::fromUtf8(name), "--initials", "-o", out});
        ASSERT_EQ(run.code, 0) << run.errors.toStdString();
        const QImage avatar(out);
        EXPECT_EQ(avatar.size(), QSize(184, 184));
        EXPECT_EQ(avatar.pixel(3, 3), colour) << name;
    }
    for (const QColor& colour : render::NamePalette()) {
        EXPECT_GE(render::ContrastRatio(colour, Qt::white), 4.5) << colour.name().toStdString();
    }
    EXPECT_EQ(render::Initials(QStringLiteral("ada de la lovelace")), QStringLiteral("AL"));
    EXPECT_EQ(render::Initials(QStringLiteral("王小明")), QStringLiteral("小明"));
    EXPECT_EQ(render::Initials(QStringLiteral(" Émile ")), QStringLiteral("É"));

    // A circle, at the size asked for, is transparent in its corners.
    const QString circle = dir.filePath("circle.png");
    ASSERT_EQ(RunRender({"-t", "Ada Lovelace", "--shape", "circle", "--avatar-size", "256",
                         "--gradient", "#FF8800,#3366CC", "-o", circle})
                  .code,
              0);
    const QImage round(circle);
    ASSERT_EQ(round.size(), QSize(256, 256));
    for (const QPoint corner : {QPoint(0, 0), QPoint(255, 0), QPoint(0, 255), QPoint(255, 255)}) {
        EXPECT_EQ(qAlpha(round.pixel(corner)), 0);
    }
    EXPECT_EQ(qAlpha(round.pixel(128, 4)), 255);
    // The gradient runs from orange at the top left to blue at the bottom right.
    EXPECT_GT(qRed(round.pixel(60, 60)), qRed(round.pixel(196, 196)));
    EXPECT_EQ(RunRender({"-t", "Ada", "--shape", "circle", "-o", dir.filePath("c.jpg")}).code, 1);

    // SVG through the same painter: it parses and draws the same avatar.
    const QString svg = dir.filePath("name.svg");
    ASSERT_EQ(RunRender({"-t", "王小明", "--shape", "rounded", "-o", svg}).code, 0);
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    QImage drawn(184, 184, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    renderer.render(&painter);
    painter.end();
    EXPECT_EQ(qAlpha(drawn.pixel(0, 0)), 0);
    EXPECT_EQ(drawn.pixel(20, 92), qRgb(0x45, 0x27, 0xA0));
    EXPECT_GT(
        InkBox(drawn, drawn.rect().adjusted(20, 20, -20, -20), qRgb(0x45, 0x27, 0xA0)).width(), 40);

    // A batch line with no picture is a name avatar too.
    QFile jobs(dir.filePath("names.tsv"));
    ASSERT_TRUE(jobs.open(QIODevice::WriteOnly));
    jobs.write("\tAda Lovelace\tada.png\tshape=circle\n\tNo output\n");
    jobs.close();
    const Result batch =
        RunRender({"--batch", jobs.fileName(), "--out-dir", dir.filePath("out"), "--initials"});
    EXPECT_EQ(batch.code, 1);
    EXPECT_TRUE(batch.errors.contains(QStringLiteral("names.tsv:2:")))
        << batch.errors.toStdString();
    EXPECT_EQ(qAlpha(QImage(dir.filePath("out/ada.png")).pixel(0, 0)), 0);
}

TEST(RenderCommand, RefusesBadUsage) {
    QTemporaryDir dir;
    const QString picture = dir.filePath("photo.jpg");
    WriteFile(picture, image::testing::EncodeTestJpeg(image::testing::QuadrantPicture(64, 64)));
    const QString out = dir.filePath("x.png");
    const QStringList bad[] = {
        {picture, "-o", out, "--opacity", "300"},
        {picture, "-o", dir.filePath("x.gif")},
        {picture, "-o", out, "--strip", "0,0,184"},
        {picture, "-o", out, "--no-such-option"},
        {picture},
        {"--batch", dir.filePath("jobs.tsv")},
    };
    for (const QStringList& arguments : bad) {
        EXPECT_EQ(RunRender(arguments).code, 2) << arguments.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
    const Result version = RunRender({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, QStringLiteral("avatrix-render " AVATRIX_PROJECT_VERSION "\n"));
}

}  // namespace
}  // namespace avatrix
