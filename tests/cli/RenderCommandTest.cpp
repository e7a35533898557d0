#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "MainWindowFixture.h"
#include "TestPictures.h"
#include "image/AvatarExport.h"
#include "image/BmpImage.h"
#include "image/JpegDecoder.h"
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
        const Result run = RunRender(QStringList{picture, "-t", text, "-o", out} + options);
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
