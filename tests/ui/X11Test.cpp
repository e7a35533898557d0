#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QRect>
#include <QRegularExpression>
#include <algorithm>
#include <vector>

#include "Scenarios.h"
#include "WaitUntil.h"

// The parts of the toolkit only a real X server shows: window-manager hints,
// stacking, dragging by hand, opacity, global hot keys and a missing display.
// Each test starts its own server, so no other test's input can interfere.
namespace avatrix::uitest {
namespace {

using test::WaitUntil;

// START_SERVER(server, windowManager[, compositor])
#define START_SERVER(var, ...)                               \
    std::string problem_;                                    \
    auto var = XServer::Start(problem_, __VA_ARGS__);        \
    if (!var) {                                              \
        GTEST_SKIP() << "no private X server: " << problem_; \
    }

QString WindowInfo(const XServer& server, const QString& id) {
    return server.Run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
}

// Geometry as xwininfo reports it: absolute position and size.
QRect GeometryIn(const QString& info) {
    auto field = [&](const char* name) {
        const QRegularExpression re(QString::fromLatin1(name) + QStringLiteral(":\\s+(-?\\d+)"));
        const auto match = re.match(info);
        return match.hasMatch() ? match.captured(1).toInt() : -99999;
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

QRect Geometry(const XServer& server, const QString& id) {
    return GeometryIn(WindowInfo(server, id));
}

// Mapped where the test expects it: a press sent before the window is viewable
// lands on the root window instead.
bool ShownAt(const XServer& server, const QString& id, QPoint topLeft) {
    const QString info = WindowInfo(server, id);
    return info.contains(QLatin1String("IsViewable")) && GeometryIn(info).topLeft() == topLeft;
}

QString Property(const XServer& server, const QString& id, const char* name) {
    return server.Run(QStringLiteral("xprop"),
                      {QStringLiteral("-id"), id, QString::fromLatin1(name)});
}

void Drag(const XServer& server, int x, int y, int dx, int dy) {
    // In steps, as a hand would, with the button held throughout.
    QStringList args{QStringLiteral("mousemove"), QString::number(x), QString::number(y),
                     QStringLiteral("mousedown"), QStringLiteral("1")};
    for (int step = 1; step <= 4; ++step) {
        args << QStringLiteral("mousemove") << QString::number(x + dx * step / 4)
             << QString::number(y + dy * step / 4);
    }
    args << QStringLiteral("mouseup") << QStringLiteral("1");
    server.Run(QStringLiteral("xdotool"), args);
}

QString ReadyId(Scenario& scenario) {
    const auto ready = scenario.Await(QStringLiteral("ready "));
    if (!ready) {
        ADD_FAILURE() << "the scenario did not come up: "
                      << scenario.process().readAllStandardError().toStdString();
    }
    return ready ? ready->section(QLatin1Char(' '), 1, 1) : QString();
}

TEST(BannerOnX11, AppearsAtItsPlaceOnTopWithoutTaskbarEntry) {
    START_SERVER(server, true);
    Scenario banner(server.get(), QStringLiteral("banner"));
    const QString id = ReadyId(banner);
    ASSERT_FALSE(id.isEmpty());
    EXPECT_TRUE(WaitUntil([&] { return Geometry(*server, id) == QRect(318, 500, 181, 51); }))
        << "geometry " << Geometry(*server, id).x() << "," << Geometry(*server, id).y();
    QString state;
    EXPECT_TRUE(WaitUntil([&] {
        state = Property(*server, id, "_NET_WM_STATE");
        return state.contains(QLatin1String("_NET_WM_STATE_ABOVE")) &&
               state.contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR"));
    })) << state.toStdString();
    // No decorations at all.
    EXPECT_TRUE(Property(*server, id, "_MOTIF_WM_HINTS").contains(QLatin1String("0x2, 0x1, 0x0")));
}

class BannerDrag : public ::testing::TestWithParam<bool> {};

TEST_P(BannerDrag, BackgroundAndLabelDragTheWindowAlsoWhenTheLabelCoversIt) {
    START_SERVER(server, GetParam());
    Scenario banner(server.get(), QStringLiteral("banner"));
    const QString id = ReadyId(banner);
    ASSERT_FALSE(id.isEmpty());
    ASSERT_TRUE(WaitUntil([&] { return ShownAt(*server, id, QPoint(318, 500)); }));

    // The strip below the label.
    Drag(*server, 400, 540, 50, 30);
    EXPECT_TRUE(WaitUntil([&] { return Geometry(*server, id).topLeft() == QPoint(368, 530); }))
        << Geometry(*server, id).x() << "," << Geometry(*server, id).y();

    // Sized as "调整尺寸" sizes it, the label covers the whole banner: a press
    // on the text drags it all the same.
    banner.Send(QStringLiteral("size 184 40"));
    ASSERT_TRUE(banner.Await(QStringLiteral("ok")));
    ASSERT_TRUE(WaitUntil([&] { return Geometry(*server, id) == QRect(368, 530, 184, 40); }));
    Drag(*server, 380, 538, 60, 70);
    EXPECT_TRUE(WaitUntil([&] { return Geometry(*server, id).topLeft() == QPoint(428, 600); }))
        << Geometry(*server, id).x() << "," << Geometry(*server, id).y();
    // The program learns where its window went from the server's notices, which
    // may still be on their way when the server already shows the end position.
    QString pos;
    EXPECT_TRUE(WaitUntil([&] {
        banner.Send(QStringLiteral("pos"));
        pos = banner.Await(QStringLiteral("pos ")).value_or(QString());
        return pos == QStringLiteral("pos 428 600");
    })) << pos.toStdString();
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutWindowManager, BannerDrag, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "openbox" : "bare"; });

// Top-level windows from bottom to top: the window manager's stacking list,
// or the root window's children where none runs.
std::vector<quint32> Stacking(const XServer& server, bool windowManager) {
    std::vector<quint32> ids;
    if (windowManager) {
        const QString listed =
            server.Run(QStringLiteral("xprop"),
                       {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
        const QRegularExpression hex(QStringLiteral("0x[0-9a-fA-F]+"));
        for (const auto& m : hex.globalMatch(listed.section(QLatin1Char('#'), 1))) {
            ids.push_back(m.captured(0).toUInt(nullptr, 16));
        }
        return ids;
    }
    const QString listed = server.Run(QStringLiteral("xwininfo"),
                                      {QStringLiteral("-root"), QStringLiteral("-children")});
    const QRegularExpression child(QStringLiteral("^\\s+(0x[0-9a-f]+)"),
                                   QRegularExpression::MultilineOption);
    for (const auto& m : child.globalMatch(listed)) {
        ids.push_back(m.captured(1).toUInt(nullptr, 16));
    }
    // xwininfo lists the children from the top down.
    std::reverse(ids.begin(), ids.end());
    return ids;
}

// Where `id` lies in the stacking order, -1 when it is not there.
long Level(const std::vector<quint32>& stacking, quint32 id) {
    const auto at = std::find(stacking.begin(), stacking.end(), id);
    return at == stacking.end() ? -1 : static_cast<long>(at - stacking.begin());
}

class DialogStacking : public ::testing::TestWithParam<bool> {};

TEST_P(DialogStacking, AMessageBoxLiesAboveTheBannerUntilItCloses) {
    const bool windowManager = GetParam();
    START_SERVER(server, windowManager);
    Scenario scenario(server.get(), QStringLiteral("dialogs"));
    const auto ready = scenario.Await(QStringLiteral("ready "));
    ASSERT_TRUE(ready) << scenario.process().readAllStandardError().toStdString();
    const quint32 banner = ready->section(QLatin1Char(' '), 1, 1).toUInt();
    const quint32 owner = ready->section(QLatin1Char(' '), 2, 2).toUInt();
    ASSERT_TRUE(WaitUntil([&] {
        return ShownAt(*server, QString::number(banner), QPoint(318, 500)) &&
               Level(Stacking(*server, windowManager), owner) >= 0;
    }));

    scenario.Send(QStringLiteral("message"));
    quint32 box = 0;
    std::vector<quint32> order;
    EXPECT_TRUE(WaitUntil([&] {
        const QString found = server->Run(
            QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), QStringLiteral("^信息：$")});
        box = found.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0).toUInt();
        order = Stacking(*server, windowManager);
        return box != 0 && Level(order, box) > Level(order, banner) &&
               Level(order, banner) > Level(order, owner);
    })) << "box "
        << box << " at " << Level(order, box) << ", banner at " << Level(order, banner);
    // It belongs to the program's main window.
    EXPECT_TRUE(Property(*server, QString::number(box), "WM_TRANSIENT_FOR")
                    .contains(QStringLiteral("0x%1").arg(owner, 0, 16)));

    scenario.Send(QStringLiteral("close"));
    ASSERT_TRUE(scenario.Await(QStringLiteral("answered")));
    // The box is gone and the banner still lies above the window.
    EXPECT_TRUE(WaitUntil([&] {
        order = Stacking(*server, windowManager);
        return Level(order, box) < 0 && Level(order, banner) > Level(order, owner);
    }));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutWindowManager, DialogStacking, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "openbox" : "bare"; });

TEST(BannerOnX11, StaysAboveNewWindowsWithoutAWindowManager) {
    START_SERVER(server, false);
    Scenario banner(server.get(), QStringLiteral("banner"));
    const QString id = ReadyId(banner);
    ASSERT_FALSE(id.isEmpty());
    XClient client(server->display());
    ASSERT_TRUE(client.ok());
    const xcb_window_t mine = id.toUInt();
    ASSERT_TRUE(WaitUntil([&] { return ShownAt(*server, id, QPoint(318, 500)); }));

    // Another program's window comes up over the banner.
    const xcb_window_t other = client.MapWindow(300, 480, 400, 200);
    auto bannerOnTop = [&] {
        const auto order = client.TopLevels();
        const auto b = std::find(order.begin(), order.end(), mine);
        const auto o = std::find(order.begin(), order.end(), other);
        return b != order.end() && o != order.end() && b > o;
    };
    EXPECT_TRUE(WaitUntil(bannerOnTop));
    // Raised once more, it is covered again only until the banner follows.
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(client.connection(), other, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(client.connection());
    EXPECT_TRUE(WaitUntil(bannerOnTop));
    // What the screen shows there is the banner, not the grey window, once the
    // banner has repainted the part it got back.
    EXPECT_TRUE(WaitUntil([&] { return client.Pixel(318 + 100, 500 + 40) != 0x808080u; }));
}

TEST(BannerOnX11, LabelShowsTheBannerColourAroundRealGlyphs) {
    START_SERVER(server, false);
    Scenario banner(server.get(), QStringLiteral("banner"));
    ASSERT_FALSE(ReadyId(banner).isEmpty());
    banner.Send(QStringLiteral("colour 00ffff"));  // 0x00BBGGRR: yellow
    ASSERT_TRUE(banner.Await(QStringLiteral("ok")).has_value());
    XClient client(server->display());
    ASSERT_TRUE(client.ok());
    // Inside the label's rectangle, right of the text: the banner's colour.
    EXPECT_TRUE(WaitUntil([&] { return client.Pixel(318 + 176, 500 + 3) == 0xFFFF00u; }));
    // Below the label: the banner's colour too.
    EXPECT_EQ(client.Pixel(318 + 90, 500 + 40), 0xFFFF00u);
    // The text itself: a good share of dark pixels where the glyphs are.
    int dark = 0;
    for (int x = 318; x < 318 + 160; x += 2) {
        for (int y = 500 + 2; y < 500 + 16; ++y) {
            const std::uint32_t p = client.Pixel(x, y);
            if (((p >> 16) & 0xFF) < 100 && ((p >> 8) & 0xFF) < 100) {
                ++dark;
            }
        }
    }
    EXPECT_GT(dark, 60);
}

TEST(BannerOnX11, OpacityReachesTheServerAndOutOfRangeIsOpaque) {
    START_SERVER(server, true);
    Scenario banner(server.get(), QStringLiteral("banner"));
    const QString id = ReadyId(banner);
    ASSERT_FALSE(id.isEmpty());
    auto opacity = [&] { return Property(*server, id, "_NET_WM_WINDOW_OPACITY"); };

    banner.Send(QStringLiteral("alpha 0"));
    ASSERT_TRUE(banner.Await(QStringLiteral("ok")).has_value());
    EXPECT_TRUE(WaitUntil([&] { return opacity().contains(QLatin1String("= 0\n")); }))
        << opacity().toStdString();
    banner.Send(QStringLiteral("alpha 128"));
    ASSERT_TRUE(banner.Await(QStringLiteral("ok")).has_value());
    EXPECT_TRUE(WaitUntil([&] { return opacity().contains(QLatin1String("2155905152")); }))
        << opacity().toStdString();
    for (const char* outside : {"alpha 256", "alpha -1"}) {
        banner.Send(QStringLiteral("alpha 0"));
        ASSERT_TRUE(banner.Await(QStringLiteral("ok")).has_value());
        banner.Send(QString::fromLatin1(outside));
        ASSERT_TRUE(banner.Await(QStringLiteral("ok")).has_value());
        // Fully opaque: the largest value, or no property at all.
        EXPECT_TRUE(WaitUntil([&] {
            const QString value = opacity();
            return value.contains(QLatin1String("4294967295")) ||
                   value.contains(QLatin1String("not found"));
        })) << outside
            << ": " << opacity().toStdString();
    }
}

TEST(BannerOnX11, ZeroOpacityHidesItUnderACompositorOpaqueShowsIt) {
    START_SERVER(server, false, true);
    Scenario banner(server.get(), QStringLiteral("banner"));
    const QString id = ReadyId(banner);
    ASSERT_FALSE(id.isEmpty());
    banner.Send(QStringLiteral("colour 00ffff"));
    ASSERT_TRUE(banner.Await(QStringLiteral("ok")).has_value());
    XClient client(server->display());
    ASSERT_TRUE(client.ok());
    const int x = 318 + 90, y = 500 + 40;
    EXPECT_TRUE(WaitUntil([&] { return client.Pixel(x, y) == 0xFFFF00u; }));

    banner.Send(QStringLiteral("alpha 0"));
    ASSERT_TRUE(banner.Await(QStringLiteral("ok")).has_value());
    EXPECT_TRUE(WaitUntil([&] { return client.Pixel(x, y) != 0xFFFF00u; }));
    // Still there: mapped and where it was.
    EXPECT_TRUE(ShownAt(*server, id, QPoint(318, 500)));

    banner.Send(QStringLiteral("alpha 300"));
    ASSERT_TRUE(banner.Await(QStringLiteral("ok")).has_value());
    EXPECT_TRUE(WaitUntil([&] { return client.Pixel(x, y) == 0xFFFF00u; }));
}

TEST(WindowOnX11, UnmovableWindowLosesMoveAndCarriesItsClassName) {
    START_SERVER(server, true);
    Scenario fixed(server.get(), QStringLiteral("fixed"));
    const QString id = ReadyId(fixed);
    ASSERT_FALSE(id.isEmpty());
    QString actions;
    EXPECT_TRUE(WaitUntil([&] {
        actions = Property(*server, id, "_NET_WM_ALLOWED_ACTIONS");
        return actions.contains(QLatin1String("_NET_WM_ACTION_CLOSE"));
    })) << actions.toStdString();
    EXPECT_FALSE(actions.contains(QLatin1String("_NET_WM_ACTION_MOVE")));
    EXPECT_TRUE(
        Property(*server, id, "WM_CLASS").contains(QLatin1String("\"Mirrowen\", \"Mirrowen\"")));

    // A drag on the title bar leaves the window where it is.
    const QRect before = Geometry(*server, id);
    Drag(*server, before.x() + 100, before.y() - 10, 120, 90);
    fixed.Send(QStringLiteral("ping"));
    ASSERT_TRUE(fixed.Await(QStringLiteral("pong")).has_value());
    EXPECT_EQ(Geometry(*server, id).topLeft(), before.topLeft());
}

TEST(HotKeyOnX11, AltF12RaisesFeedbackWhateverTheLockKeys) {
    START_SERVER(server, true);
    Scenario hotKey(server.get(), QStringLiteral("hotkey"));
    const auto registered = hotKey.Await(QStringLiteral("registered "));
    ASSERT_TRUE(registered.has_value());
    EXPECT_EQ(*registered, QStringLiteral("registered 33001"));

    auto press = [&](const char* keys) {
        server->Run(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(keys)});
    };
    press("alt+F12");
    EXPECT_EQ(hotKey.Await(QStringLiteral("feedback")).value_or(QString()),
              QStringLiteral("feedback 33001 0"));

    // Other combinations are not the hot key: only the final ALT+F12 counts.
    press("F12");
    press("ctrl+alt+F12");
    press("shift+alt+F12");
    press("alt+F12");
    EXPECT_TRUE(hotKey.Await(QStringLiteral("feedback")).has_value());
    hotKey.Send(QStringLiteral("ping"));
    ASSERT_TRUE(hotKey.Await(QStringLiteral("pong")).has_value());
    EXPECT_FALSE(hotKey.Await(QStringLiteral("feedback"), 300).has_value());

    press("Num_Lock");
    press("alt+F12");
    EXPECT_TRUE(hotKey.Await(QStringLiteral("feedback")).has_value()) << "with NumLock on";
    press("Num_Lock");
    press("Caps_Lock");
    press("alt+F12");
    EXPECT_TRUE(hotKey.Await(QStringLiteral("feedback")).has_value()) << "with CapsLock on";
    press("Caps_Lock");
}

TEST(HotKeyOnX11, KeyHeldByAnotherProgramGivesZeroAndTheProgramRunsOn) {
    START_SERVER(server, false);
    XClient other(server->display());
    ASSERT_TRUE(other.ok());
    ASSERT_TRUE(other.GrabKey(0xFFC9 /* F12 */, XCB_MOD_MASK_1));
    Scenario hotKey(server.get(), QStringLiteral("hotkey"));
    EXPECT_EQ(hotKey.Await(QStringLiteral("registered ")).value_or(QString()),
              QStringLiteral("registered 0"));
    hotKey.Send(QStringLiteral("ping"));
    EXPECT_TRUE(hotKey.Await(QStringLiteral("pong")).has_value());
}

TEST(ProgramOnX11, EndProgramEndsTheProcessWithItsCode) {
    START_SERVER(server, false);
    Scenario banner(server.get(), QStringLiteral("banner"));
    ASSERT_FALSE(ReadyId(banner).isEmpty());
    banner.Send(QStringLiteral("end"));
    ASSERT_TRUE(banner.process().waitForFinished(10000));
    EXPECT_EQ(banner.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(banner.process().exitCode(), 7);
}

TEST(ProgramWithoutDisplay, SaysSoAndFailsCleanly) {
    for (const char* display : {"", ":987"}) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (*display == '\0') {
            env.remove(QStringLiteral("DISPLAY"));
        } else {
            env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        }
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--scenario=probe")});
        ASSERT_TRUE(child.waitForFinished(20000));
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << display;
        EXPECT_EQ(child.exitCode(), 3) << display;
        const QString message = QString::fromLocal8Bit(child.readAllStandardError());
        EXPECT_TRUE(message.contains(QLatin1String("avatrix: ")) &&
                    (message.contains(QLatin1String("DISPLAY is not set")) ||
                     message.contains(QLatin1String("cannot open the X display"))))
            << message.toStdString();
    }
}

}  // namespace
}  // namespace avatrix::uitest
