#include <gtest/gtest.h>

#include <png.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include "MainWindowFixture.h"
#include "TestPictures.h"
#include "WaitUntil.h"
#include "image/AvatarExport.h"
#include "image/BmpImage.h"
#include "image/FileSaving.h"
#include "image/JpegDecoder.h"
#include "render/NameAvatar.h"
#include "render/Palette.h"
#include "text/Codepage.h"
#include "text/Literal.h"
#include "text/Primitives.h"
#include "ui/TestHooks.h"
#include "windows/AvatarMenu.h"
#include "windows/BuiltInPictures.h"

namespace avatrix {
namespace {

struct Result {
    int code = -1;
    QString out;
    QString errors;
};

// Where a run may find or start a render helper; none by default, so every
// other test measures and exercises the renderer drawing in its own process.
struct Helper {
    QString runtimeFolder;
    QString workingFolder;
};

// The renderer as a user runs it, with no display to lean on: no DISPLAY,
// and a platform choice it has to override.
QProcessEnvironment RenderEnvironment(const Helper& helper) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb");
    if (helper.runtimeFolder.isEmpty()) {
        env.insert("AVATRIX_RENDER_SERVER", "0");
    } else {
        env.insert("XDG_RUNTIME_DIR", helper.runtimeFolder);
        env.remove("AVATRIX_RENDER_SERVER");
    }
    return env;
}

Result RunRender(const QStringList& arguments, const Helper& helper = {}) {
    QProcess process;
    process.setProcessEnvironment(RenderEnvironment(helper));
    process.setWorkingDirectory(helper.workingFolder);
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

// The largest resident set of any finished child of this test, in MB.
long LargestChildMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024;
}

// Under AddressSanitizer a process's resident set holds the sanitizer's own
// shadow memory and quarantine, so its peak says nothing of the program's.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeaksAreThePrograms = false;
#else
constexpr bool kPeaksAreThePrograms = true;
#endif

void ExpectChildPeakBelow(long megabytes) {
    if (kPeaksAreThePrograms) {
        EXPECT_LT(LargestChildMegabytes(), megabytes);
    }
}

// A `side` x `side` PNG of dark cyan with a red first pixel, written a row at
// a time: this process never holds the picture, so its children, forked from
// it, start small and their peak memory is their own.
void WriteHugePng(const QString& path, int side) {
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(side), static_cast<png_uint_32>(side), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(side) * 3);
    for (std::size_t x = 0; x < row.size(); x += 3) {
        row[x] = 0x00;
        row[x + 1] = 0x80;
        row[x + 2] = 0x80;
    }
    for (int y = 0; y < side; ++y) {
        row[0] = y == 0 ? 0xFF : 0x00;
        row[1] = y == 0 ? 0x00 : 0x80;
        row[2] = y == 0 ? 0x00 : 0x80;
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    ASSERT_EQ(std::fclose(file), 0);
}

// Fills a small file system to its last two blocks, so that an avatar larger
// than that runs out of room part way through.
void FillAllButTwoBlocks(const QString& filler) {
    QFile file(filler);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (file.write(block) == block.size()) {
    }
    const qint64 size = file.size();
    file.close();
    ASSERT_TRUE(QFile::resize(filler, std::max<qint64>(0, size - 2 * block.size())));
}

TEST(RenderCommand, AFullDiskLeavesEveryOldFileAsItWas) {
    QTemporaryDir dir;
    const QString disk = dir.filePath("disk");
    ASSERT_TRUE(QDir().mkpath(disk));
    // A small file system of this test's own, seen by it and its children
    // only, where the system lets it mount one.
    const bool mounted = unshare(CLONE_NEWNS) == 0 &&
                         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         mount("tmpfs", QFile::encodeName(disk), "tmpfs", 0, "size=256k") == 0;
    const QString picture = dir.filePath("photo.jpg");
    WriteFile(picture, image::testing::EncodeTestJpeg(image::testing::QuadrantPicture(200, 200)));
    const QString old = disk + "/old.bmp";
    ASSERT_EQ(RunRender({picture, "-t", "旧", "-o", old}).code, 0);
    const ByteSet before = ReadFile(old);
    ASSERT_EQ(before.size(), 67770u);
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    if (mounted) {
        FillAllButTwoBlocks(disk + "/filler");
    } else {
        // Elsewhere a file size limit, inherited by the renderer, makes
        // writes fail part way the same way.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = unlimited;
        small.rlim_cur = 8192;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    const QString reason = QString::fromLocal8Bit(std::strerror(mounted ? ENOSPC : EFBIG));
    const QStringList listing = QDir(disk).entryList(QDir::Files | QDir::Hidden);

    const Result forced = RunRender({picture, "-t", "新", "-o", old, "--force"});
    EXPECT_EQ(forced.code, 1);
    EXPECT_TRUE(forced.errors.contains(old + ": " + reason)) << forced.errors.toStdString();
    const Result fresh = RunRender({picture, "-t", "新", "-o", disk + "/new.bmp"});
    EXPECT_EQ(fresh.code, 1);
    EXPECT_TRUE(fresh.errors.contains(disk + "/new.bmp: " + reason)) << fresh.errors.toStdString();

    // The program's own saver, replacing after the user's Yes and writing anew.
    std::vector<ui::testing::MessageRecord> boxes;
    ui::testing::SetMessageResponder([&](const ui::testing::MessageRecord& box) {
        boxes.push_back(box);
        return ui::kAnswerYes;
    });
    const ByteSet avatar(67770, 7);
    EXPECT_FALSE(image::SaveChosenFile(ui::FilePath{old.toStdString()}, avatar));
    EXPECT_FALSE(image::SaveChosenFile(ui::FilePath{(disk + "/new.jpg").toStdString()}, avatar));
    ui::testing::SetMessageResponder({});
    setrlimit(RLIMIT_FSIZE, &unlimited);
    ASSERT_EQ(boxes.size(), 3u);  // the question, then two failures
    EXPECT_EQ(boxes[1].text,
              "无法保存“"_gbk + Text(old.toStdString()) + "”："_gbk + Text(reason.toStdString()));
    EXPECT_EQ(boxes[2].text, "无法保存“"_gbk + Text((disk + "/new.jpg").toStdString()) + "”："_gbk +
                                 Text(reason.toStdString()));
    EXPECT_EQ(boxes[2].flags, ui::kIconExclamation);

    EXPECT_EQ(ReadFile(old), before);
    EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden), listing);
    if (mounted) {
        umount2(QFile::encodeName(disk), MNT_DETACH);
    }
}

TEST(RenderCommand, NothingIsWrittenThroughLinksOrOverThePictures) {
    QTemporaryDir dir;
    const QDir out(dir.filePath("out"));
    const QDir outside(dir.filePath("outside"));
    ASSERT_TRUE(QDir().mkpath(out.path()) && QDir().mkpath(outside.path()));
    const ByteSet photo = image::testing::EncodeTestJpeg(image::testing::QuadrantPicture(200, 200));
    WriteFile(out.filePath("photo.jpg"), photo);
    WriteFile(outside.filePath("target.png"), ByteSet{'k', 'e', 'e', 'p'});
    ASSERT_EQ(
        symlink(outside.filePath("target.png").toLocal8Bit(), out.filePath("a.png").toLocal8Bit()),
        0);
    ASSERT_EQ(
        symlink(outside.filePath("new.png").toLocal8Bit(), out.filePath("b.png").toLocal8Bit()), 0);
    // Another name of the picture itself.
    ASSERT_EQ(link(out.filePath("photo.jpg").toLocal8Bit(), out.filePath("d.jpg").toLocal8Bit()),
              0);
    QFile jobs(out.filePath("jobs.tsv"));
    ASSERT_TRUE(jobs.open(QIODevice::WriteOnly));
    jobs.write(
        "photo.jpg\ta\ta.png\n"      // line 1: a link to a file outside
        "photo.jpg\tb\tb.png\n"      // line 2: a dangling link
        "photo.jpg\tp\tphoto.jpg\n"  // line 3: the picture itself
        "photo.jpg\td\td.jpg\n"      // line 4: the picture by another name
        "photo.jpg\tc\tc.png\n"      // line 5: fine
        "photo.jpg\tc\tc.png\n");    // line 6: line 5's output again
    jobs.close();

    const Result batch =
        RunRender({"--batch", jobs.fileName(), "--out-dir", out.path(), "--force", "-j", "2"});
    EXPECT_EQ(batch.code, 1);
    for (const char* what : {"jobs.tsv:1: ", "jobs.tsv:2: ", "jobs.tsv:3: ", "jobs.tsv:4: ",
                             "jobs.tsv:6: ", "a.png is a symbolic link", "b.png is a symbolic link",
                             "photo.jpg is a picture this run reads", "is already line 5's"}) {
        EXPECT_TRUE(batch.errors.contains(QString::fromUtf8(what))) << what << "\n"
                                                                    << batch.errors.toStdString();
    }
    EXPECT_FALSE(batch.errors.contains(QStringLiteral("jobs.tsv:5:")));
    const Result single = RunRender(
        {out.filePath("photo.jpg"), "-t", "x", "-o", out.filePath("photo.jpg"), "--force"});
    EXPECT_EQ(single.code, 1);
    EXPECT_TRUE(single.errors.contains(QStringLiteral("a picture this run reads")));

    // The program's own saver refuses the link too, before asking anything.
    std::vector<ui::testing::MessageRecord> boxes;
    ui::testing::SetMessageResponder([&](const ui::testing::MessageRecord& box) {
        boxes.push_back(box);
        return ui::kAnswerYes;
    });
    EXPECT_FALSE(image::SaveChosenFile(ui::FilePath{out.filePath("a.png").toStdString()},
                                       ByteSet{'n', 'e', 'w'}));
    ui::testing::SetMessageResponder({});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(FindText(boxes[0].text, "链接"_gbk), -1);
    EXPECT_EQ(boxes[0].flags, ui::kIconExclamation);

    EXPECT_EQ(ReadFile(out.filePath("photo.jpg")), photo);
    EXPECT_EQ(ReadFile(outside.filePath("target.png")), (ByteSet{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(outside.entryList(QDir::Files | QDir::Hidden), QStringList{"target.png"});
    EXPECT_EQ(QImage(out.filePath("c.png")).size(), QSize(184, 184));
    EXPECT_EQ(out.entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{"a.png", "b.png", "c.png", "d.jpg", "jobs.tsv", "photo.jpg"}));
}

TEST(RenderCommand, HugeInputsStayInBoundedMemory) {
    QTemporaryDir dir;
    // A batch's memory follows its jobs, with no copy of the settings, the
    // names or the file's bytes for each: 200,000 lines, some with options of
    // their own, one taking an earlier line's output. Their pictures do not
    // exist, so they fail at once, and in line order.
    QFile many(dir.filePath("many.tsv"));
    ASSERT_TRUE(many.open(QIODevice::WriteOnly));
    for (int line = 1; line <= 200000; ++line) {
        const int output = line == 100000 ? 7 : line;
        many.write(QStringLiteral("photos/p%1.jpg\t名字 %1\tout%2.png%3\n")
                       .arg(line)
                       .arg(output)
                       .arg(line % 10 == 0 ? QStringLiteral("\tsize=12") : QString())
                       .toUtf8());
    }
    many.close();
    const Result batch = RunRender({"--batch", many.fileName(), "--out-dir", dir.filePath("o")});
    EXPECT_EQ(batch.code, 1);
    const qsizetype taken = batch.errors.indexOf(
        QStringLiteral("many.tsv:100000: output \"out7.png\" is already line 7's\n"));
    EXPECT_LT(batch.errors.indexOf(QStringLiteral("many.tsv:99999: ")), taken);
    EXPECT_LT(taken, batch.errors.indexOf(QStringLiteral("many.tsv:100001: ")));
    EXPECT_TRUE(batch.errors.endsWith(QStringLiteral(": 0 written, 200000 failed\n")));
    ExpectChildPeakBelow(80);

    // Names from the jobs file reach the terminal escaped, NULs included.
    QFile jobs(dir.filePath("jobs.tsv"));
    ASSERT_TRUE(jobs.open(QIODevice::WriteOnly));
    jobs.write(QByteArray("no\x1b[2Jsuch\0.jpg\tx\n", 18));
    jobs.close();
    const Result escaped = RunRender({"--batch", jobs.fileName(), "--out-dir", dir.filePath("o")});
    EXPECT_EQ(escaped.code, 1);
    EXPECT_TRUE(escaped.errors.contains(QStringLiteral("no\\x1b[2Jsuch\\x00")))
        << escaped.errors.toStdString();
    EXPECT_FALSE(escaped.errors.contains(QChar(0x1b)));

    // A jobs file that never ends is cut at its limit.
    const Result endless = RunRender({"--batch", "/dev/zero", "--out-dir", dir.filePath("o")});
    EXPECT_EQ(endless.code, 2);
    EXPECT_TRUE(endless.errors.contains(QStringLiteral("too large")));
    ExpectChildPeakBelow(200);

    // An 8192 x 8192 picture for a 184 x 184 avatar, laid at natural size
    // and scaled to cover, and a label far larger than its strip with a shadow.
    const QString png = dir.filePath("huge.png");
    WriteHugePng(png, 8192);
    const Result natural = RunRender({png, "-t", "大", "-o", dir.filePath("n.png")});
    EXPECT_EQ(natural.code, 0) << natural.errors.toStdString();
    EXPECT_EQ(QImage(dir.filePath("n.png")).pixel(0, 0), qRgb(255, 0, 0));
    const Result cover = RunRender({png, "-t", "大", "-o", dir.filePath("c.png"), "--fill"});
    EXPECT_EQ(cover.code, 0) << cover.errors.toStdString();
    EXPECT_EQ(QImage(dir.filePath("c.png")).pixel(92, 60), qRgb(0x00, 0x80, 0x80));
    ExpectChildPeakBelow(150);
    const Result label = RunRender({png, "-t", "大字", "-o", dir.filePath("l.png"), "--label",
                                    "0,0,4096,4096", "--scale", "4", "--shadow", "--size", "40"});
    EXPECT_EQ(label.code, 0) << label.errors.toStdString();
    EXPECT_EQ(QImage(dir.filePath("l.png")).size(), QSize(736, 736));
    ExpectChildPeakBelow(200);
}

// The render helper's process number, from its lock in `runtime`; 0 while
// there is none ready.
pid_t HelperIn(const QString& runtime) {
    const QDir folder(runtime + "/avatrix-render");
    for (const QString& name : folder.entryList({"*.sock"}, QDir::System)) {
        QFile lock(folder.filePath(QString(name).replace(".sock", ".lock")));
        if (lock.open(QIODevice::ReadOnly)) {
            const pid_t pid = lock.readAll().trimmed().toInt();
            if (pid > 0 && ::kill(pid, 0) == 0) {
                return pid;
            }
        }
    }
    return 0;
}

// Runs that follow one another are drawn by the helper the second starts:
// each with its own folder, umask, streams and status, giving the bytes a run
// drawing itself gives; an interrupted run ends the helper with it.
TEST(RenderCommand, RunsThatFollowOneAnotherShareAHelper) {
    QTemporaryDir runtime;  // made for this user alone
    QTemporaryDir dir;
    const QString picture = dir.filePath("photo.jpg");
    WriteFile(picture, image::testing::EncodeTestJpeg(image::testing::QuadrantPicture(240, 200)));
    const Helper helper{runtime.path(), dir.path()};
    const QStringList look = {"-t", "文字 Ab", "--fill", "--outline"};
    for (const char* name : {"first.png", "second.png"}) {
        ASSERT_EQ(RunRender(QStringList{"photo.jpg", "-o", name} + look, helper).code, 0);
    }
    ASSERT_TRUE(
        test::WaitUntil([&] { return HelperIn(runtime.path()) != 0; }, std::chrono::seconds(60)));
    const pid_t pid = HelperIn(runtime.path());
    // However the test ends, no helper outlives it.
    const std::unique_ptr<const pid_t, void (*)(const pid_t*)> stop(
        &pid, [](const pid_t* helper) { ::kill(*helper, SIGTERM); });

    const mode_t mask = ::umask(077);
    const Result served = RunRender(QStringList{"photo.jpg", "-o", "served.png"} + look, helper);
    ::umask(mask);
    EXPECT_EQ(served.code, 0) << served.errors.toStdString();
    EXPECT_EQ(HelperIn(runtime.path()), pid);
    EXPECT_EQ(RunRender(QStringList{picture, "-o", dir.filePath("own.png")} + look).code, 0);
    EXPECT_EQ(ReadFile(dir.filePath("served.png")), ReadFile(dir.filePath("own.png")));
    EXPECT_EQ(QFileInfo(dir.filePath("served.png")).permissions() & 0x0077, 0);

    const Result missing = RunRender({"nothing.jpg", "-t", "x", "-o", "m.png"}, helper);
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.errors.contains("cannot open picture nothing.jpg"))
        << missing.errors.toStdString();
    const Result usage = RunRender({"--no-such-option"}, helper);
    EXPECT_EQ(usage.code, 2);
    EXPECT_TRUE(usage.errors.contains("no-such-option")) << usage.errors.toStdString();
    EXPECT_EQ(HelperIn(runtime.path()), pid);

    // Ctrl-C on a long run: the helper drawing it ends, and so does the run,
    // by the same signal.
    const QString huge = dir.filePath("huge.png");
    WriteHugePng(huge, 8192);
    QProcess process;
    process.setProcessEnvironment(RenderEnvironment(helper));
    process.start(QStringLiteral(AVATRIX_RENDER_PATH),
                  {huge, "-t", "x", "-o", dir.filePath("never.png")});
    ASSERT_TRUE(process.waitForStarted());
    // The helper holds the run's standard error while it draws.
    const QString helperErrors = QStringLiteral("/proc/%1/fd/2").arg(pid);
    ASSERT_TRUE(test::WaitUntil(
        [&] { return QFile::symLinkTarget(helperErrors) != QStringLiteral("/dev/null"); },
        std::chrono::seconds(30)));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(test::WaitUntil([&] { return ::kill(pid, 0) != 0; }));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("never.png")));
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
        {picture, "-o", out, "--scale", "0.001"},
        {picture, "-o", out, "-j", "64"},
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
