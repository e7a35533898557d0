#include "ui/Toolkit.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <set>
#include <utility>

#include "trace/StartupTrace.h"
#include "ui/FormWindow.h"
#include "ui/Kinds.h"
#include "ui/QtText.h"
#include "ui/Registry.h"
#include "ui/Values.h"
#include "ui/platform/DesktopShortcut.h"
#include "ui/platform/Platform.h"

namespace avatrix::ui {

using detail::FindUnit;
using detail::FormWindow;
using detail::Unit;

bool LoadWindow(const WindowLayout& layout) {
    if (QApplication::instance() == nullptr || detail::FindForm(layout.name) != nullptr) {
        return false;
    }
    detail::EnsureToolkitReady();
    const char* name = layout.name.c_str();
    auto* form = new FormWindow(layout);
    detail::AddForm(form);
    {
        trace::Span span("build", name);
        form->build(layout);
    }
    {
        trace::Span span("show", name);
        form->showAsLaidOut();
    }
    trace::Span span("Created", name);
    form->fire(Event::Created);
    return true;
}

bool IsWindowLoaded(std::string_view window) {
    return detail::FindForm(window) != nullptr;
}

Value GetProperty(std::string_view window, std::string_view unit, Prop prop) {
    const Unit* u = FindUnit(window, unit);
    return u != nullptr ? u->get(prop) : detail::EmptyValue(prop);
}

void SetProperty(std::string_view window, std::string_view unit, Prop prop, const Value& value) {
    if (Unit* u = FindUnit(window, unit)) {
        u->set(prop, value);
    }
}

void SetFontMember(std::string_view window, std::string_view unit, FontMember member,
                   const Value& value) {
    if (Unit* u = FindUnit(window, unit)) {
        u->setFontMember(member, value);
    }
}

int GetInt(std::string_view window, std::string_view unit, Prop prop) {
    return detail::AsInt(GetProperty(window, unit, prop));
}

bool GetBool(std::string_view window, std::string_view unit, Prop prop) {
    return detail::AsBool(GetProperty(window, unit, prop));
}

Text GetText(std::string_view window, std::string_view unit, Prop prop) {
    return detail::AsText(GetProperty(window, unit, prop));
}

Colour GetColour(std::string_view window, std::string_view unit, Prop prop) {
    return detail::AsColour(GetProperty(window, unit, prop));
}

ByteSet GetPicture(std::string_view window, std::string_view unit, Prop prop) {
    return detail::AsPicture(GetProperty(window, unit, prop));
}

FontRecord GetFont(std::string_view window, std::string_view unit) {
    return detail::AsFont(GetProperty(window, unit, Prop::Font));
}

std::uint32_t GetWindowHandle(std::string_view window, std::string_view unit) {
    const Unit* u = FindUnit(window, unit);
    if (u == nullptr || u->widget() == nullptr) {
        return 0;
    }
    return static_cast<std::uint32_t>(u->widget()->winId());
}

bool ShowCommonDialog(std::string_view window, std::string_view unit) {
    Unit* u = FindUnit(window, unit);
    return u != nullptr && detail::RunCommonDialog(u);
}

FilePath ExactPath(std::string_view window, std::string_view unit, const Text& name) {
    const Unit* u = FindUnit(window, unit);
    return u != nullptr ? detail::ExactPathOf(u, name) : PathOfText(name);
}

bool RegisterDropTarget(std::string_view window, std::string_view dropUnit,
                        std::uint32_t nativeHandle) {
    Unit* u = FindUnit(window, dropUnit);
    QWidget* target = nativeHandle != 0 ? QWidget::find(nativeHandle) : nullptr;
    return u != nullptr && target != nullptr && detail::ServeDrops(u, target);
}

bool ScreenShowsOpacity() {
    return QApplication::instance() == nullptr || platform::Current().CompositorRunning();
}

void SetWindowAlpha(std::uint32_t nativeHandle, std::optional<int> alpha) {
    QWidget* w = nativeHandle != 0 ? QWidget::find(nativeHandle) : nullptr;
    if (w == nullptr || !w->isWindow()) {
        return;
    }
    const int level = alpha.has_value() && *alpha >= 0 && *alpha <= 255 ? *alpha : 255;
    w->setWindowOpacity(level / 255.0);
    platform::Current().Flush();
}

namespace {

// Raises the label's Feedback event from the event loop rather than inside
// the native or bus event handling, so the handler may open boxes and
// dialogs.
void PostFeedback(std::uint32_t labelHandle, int id) {
    QTimer::singleShot(0, qApp, [id, labelHandle] {
        Unit* label = detail::FindUnitByHandle(labelHandle);
        if (label != nullptr && label->kind() == Kind::Label) {
            EventArgs args;
            args.param1 = id;
            args.param2 = 0;
            label->fire(Event::Feedback, args);
        }
    });
}

// A key as desktop portals write shortcut triggers ("ALT+F12"); empty
// for a key it has no name for here.
QString TriggerText(int modifiers, int keyCode) {
    QString key;
    if (keyCode >= kKeyF1 && keyCode < kKeyF1 + 24) {
        key = QStringLiteral("F%1").arg(keyCode - kKeyF1 + 1);
    } else if ((keyCode >= '0' && keyCode <= '9') || (keyCode >= 'A' && keyCode <= 'Z')) {
        key = QChar(keyCode).toLower();
    } else {
        return QString();
    }
    QString trigger;
    if ((modifiers & kModifierCtrl) != 0) {
        trigger += QStringLiteral("CTRL+");
    }
    if ((modifiers & kModifierShift) != 0) {
        trigger += QStringLiteral("SHIFT+");
    }
    if ((modifiers & kModifierAlt) != 0) {
        trigger += QStringLiteral("ALT+");
    }
    return trigger + key;
}

}  // namespace

int RegisterFeedbackHotKey(std::uint32_t windowHandle, std::uint32_t labelHandle, int modifiers,
                           int keyCode) {
    static int nextId = 33001;
    static auto* registered = new std::set<std::pair<int, int>>;
    if (windowHandle == 0 || QWidget::find(windowHandle) == nullptr) {
        return 0;
    }
    const int mask = modifiers & (kModifierCtrl | kModifierShift | kModifierAlt);
    const int id = nextId++;
    if (registered->count({mask, keyCode}) != 0) {
        return 0;  // one program holds a key only once
    }
    const bool grabbed = platform::Current().GrabHotKey(
        mask, keyCode, [id, labelHandle] { PostFeedback(labelHandle, id); });
    if (!grabbed) {
        return 0;
    }
    registered->insert({mask, keyCode});
    return id;
}

bool RequestDesktopFeedbackHotKey(std::uint32_t windowHandle, std::uint32_t labelHandle,
                                  int modifiers, int keyCode, std::string_view appId,
                                  std::string_view shortcutId, const Text& description,
                                  std::function<void()> onBound) {
    if (!platform::WaylandSession() || QWidget::find(windowHandle) == nullptr) {
        return false;
    }
    platform::DesktopShortcut shortcut;
    shortcut.appId = QString::fromLatin1(appId.data(), static_cast<qsizetype>(appId.size()));
    shortcut.id = QString::fromLatin1(shortcutId.data(), static_cast<qsizetype>(shortcutId.size()));
    shortcut.description = detail::ToQString(description);
    shortcut.preferredTrigger = TriggerText(modifiers, keyCode);
    shortcut.parentWindow = QStringLiteral("x11:%1").arg(windowHandle, 0, 16);
    platform::AskDesktopForShortcut(shortcut, std::move(onBound),
                                    [labelHandle] { PostFeedback(labelHandle, 0); });
    return true;
}

}  // namespace avatrix::ui
