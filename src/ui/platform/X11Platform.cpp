#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "ui/Toolkit.h"
#include "ui/platform/Platform.h"
#include "ui/platform/X11Keys.h"

namespace avatrix::ui::platform {
namespace {

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter<T>>;

struct SymbolsDeleter {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
constexpr std::uint32_t kMwmHintsFunctions = 1;
constexpr std::uint32_t kMwmFuncAll = 1;
constexpr std::uint32_t kMwmFuncResize = 2;
constexpr std::uint32_t kMwmFuncMove = 4;
constexpr std::uint32_t kMwmFuncMinimize = 8;
constexpr std::uint32_t kMwmFuncMaximize = 16;
constexpr std::uint32_t kMwmFuncClose = 32;

// EWMH client message actions.
constexpr std::uint32_t kNetWmStateRemove = 0;
constexpr std::uint32_t kNetWmStateAdd = 1;

// Modifiers a hot key is compared on; the lock keys are left out.
constexpr std::uint16_t kCompared =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

struct HotKey {
    xcb_keycode_t keycode;
    std::uint16_t modifiers;
    std::function<void()> onPress;
};

class X11Platform final : public Platform, public QAbstractNativeEventFilter {
  public:
    X11Platform() {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        connection_ = x11 != nullptr ? x11->connection() : nullptr;
        if (connection_ != nullptr) {
            const xcb_setup_t* setup = xcb_get_setup(connection_);
            root_ = xcb_setup_roots_iterator(setup).data->root;
        }
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    void PrepareWindow(QWidget* window, const WindowTraits& traits) override {
        if (connection_ == nullptr) {
            return;
        }
        const auto id = static_cast<xcb_window_t>(window->winId());
        setMoveFunction(id, traits.movable, window->windowFlags());
        setStateFlag(id, atom("_NET_WM_STATE_SKIP_TASKBAR"), !traits.showInTaskbar);
        if (!traits.className.isEmpty()) {
            QByteArray wmClass = traits.className;
            wmClass.append('\0').append(traits.className).append('\0');
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS,
                                XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(wmClass.size()),
                                wmClass.constData());
        }
        xcb_flush(connection_);
    }

    void KeepOnTop(QWidget* window, bool on) override {
        if (connection_ == nullptr) {
            return;
        }
        std::erase_if(topmost_, [window](const QPointer<QWidget>& w) {
            return w.isNull() || w.data() == window;
        });
        if (!on) {
            return;
        }
        topmost_.emplace_back(window);
        watchRoot();
        raiseTopmost();
    }

    bool WindowManagerRunning() override {
        if (connection_ == nullptr) {
            return false;
        }
        const std::vector<std::uint32_t> check =
            windowProperty(root_, atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
        if (check.empty()) {
            return false;
        }
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, check.front()), nullptr));
        return attributes != nullptr;
    }

    bool CompositorRunning() override {
        if (connection_ == nullptr) {
            return true;
        }
        // A compositing manager owns the selection _NET_WM_CM_S<screen>; the
        // screen here is the first, whose root the backend works on.
        Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            connection_, xcb_get_selection_owner(connection_, atom("_NET_WM_CM_S0")), nullptr));
        return owner != nullptr && owner->owner != XCB_WINDOW_NONE;
    }

    bool GrabHotKey(int modifiers, int virtualKey, std::function<void()> onPress) override {
        if (connection_ == nullptr) {
            return false;
        }
        const std::uint32_t keysym = KeysymOfVirtualKey(virtualKey);
        if (keysym == 0) {
            return false;
        }
        std::unique_ptr<xcb_key_symbols_t, SymbolsDeleter> symbols(
            xcb_key_symbols_alloc(connection_));
        std::unique_ptr<xcb_keycode_t, FreeDeleter<xcb_keycode_t>> codes(
            xcb_key_symbols_get_keycode(symbols.get(), keysym));
        if (codes == nullptr || codes.get()[0] == XCB_NO_SYMBOL) {
            return false;
        }
        const xcb_keycode_t keycode = codes.get()[0];
        std::uint16_t mask = 0;
        if (modifiers & kModifierCtrl) {
            mask |= XCB_MOD_MASK_CONTROL;
        }
        if (modifiers & kModifierShift) {
            mask |= XCB_MOD_MASK_SHIFT;
        }
        if (modifiers & kModifierAlt) {
            mask |= XCB_MOD_MASK_1;
        }
        // The key must work whatever the lock keys say, so it is grabbed once
        // for each combination of them.
        const std::uint16_t numLock = numLockMask();
        const std::uint16_t locks[] = {0, XCB_MOD_MASK_LOCK, numLock,
                                       static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock)};
        std::vector<std::uint16_t> grabbed;
        for (std::uint16_t lock : locks) {
            const std::uint16_t combined = mask | lock;
            if (std::find(grabbed.begin(), grabbed.end(), combined) != grabbed.end()) {
                continue;
            }
            Reply<xcb_generic_error_t> error(xcb_request_check(
                connection_, xcb_grab_key_checked(connection_, 1, root_, combined, keycode,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
            if (error != nullptr) {
                // BadAccess: another client holds the key.
                for (std::uint16_t undo : grabbed) {
                    xcb_ungrab_key(connection_, keycode, root_, undo);
                }
                xcb_flush(connection_);
                return false;
            }
            grabbed.push_back(combined);
        }
        hotKeys_.push_back(HotKey{keycode, mask, std::move(onPress)});
        return true;
    }

    std::optional<QPoint> WindowOrigin(const QWidget* window) override {
        if (connection_ == nullptr || window == nullptr || window->internalWinId() == 0) {
            return std::nullopt;
        }
        const auto id = static_cast<xcb_window_t>(window->internalWinId());
        Reply<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(
            connection_, xcb_translate_coordinates(connection_, id, root_, 0, 0), nullptr));
        if (reply == nullptr) {
            return std::nullopt;
        }
        return QPoint(reply->dst_x, reply->dst_y);
    }

    void Flush() override {
        if (connection_ != nullptr) {
            xcb_flush(connection_);
        }
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") {
            return false;
        }
        auto* event = static_cast<xcb_generic_event_t*>(message);
        switch (event->response_type & 0x7F) {
            case XCB_KEY_PRESS: {
                auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
                if (key->event != root_) {
                    return false;
                }
                for (const HotKey& hotKey : hotKeys_) {
                    if (hotKey.keycode == key->detail &&
                        (key->state & kCompared) == hotKey.modifiers) {
                        hotKey.onPress();
                        return true;
                    }
                }
                return false;
            }
            case XCB_MAP_NOTIFY: {
                auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                if (map->event == root_ && map->window != root_) {
                    otherWindowMoved(map->window, map->override_redirect != 0, true);
                    return true;
                }
                return false;
            }
            case XCB_CONFIGURE_NOTIFY: {
                auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
                if (configure->event == root_ && configure->window != root_) {
                    otherWindowMoved(configure->window, configure->override_redirect != 0, false);
                    return true;
                }
                return false;
            }
            default:
                return false;
        }
    }

  private:
    xcb_atom_t atom(const char* name) {
        auto it = atoms_.find(name);
        if (it != atoms_.end()) {
            return it->second;
        }
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr));
        const xcb_atom_t value =
            reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        atoms_[name] = value;
        return value;
    }

    std::vector<std::uint32_t> windowProperty(xcb_window_t window, xcb_atom_t property,
                                              xcb_atom_t type) {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, window, property, type, 0, 64), nullptr));
        if (reply == nullptr || reply->format != 32) {
            return {};
        }
        const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        const int count = xcb_get_property_value_length(reply.get()) / 4;
        return std::vector<std::uint32_t>(values, values + count);
    }

    // A window that must not move loses the move function, and the window
    // manager then offers no Move and lets no title-bar drag move it.
    void setMoveFunction(xcb_window_t id, bool movable, Qt::WindowFlags flags) {
        const xcb_atom_t hintsAtom = atom("_MOTIF_WM_HINTS");
        std::vector<std::uint32_t> hints = windowProperty(id, hintsAtom, hintsAtom);
        hints.resize(5, 0);
        if (movable) {
            // Only a list without Move, as written here before, needs it back.
            if ((hints[0] & kMwmHintsFunctions) && !(hints[1] & kMwmFuncAll) &&
                !(hints[1] & kMwmFuncMove)) {
                hints[1] |= kMwmFuncMove;
                xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, id, hintsAtom, hintsAtom,
                                    32, 5, hints.data());
            }
            return;
        }
        std::uint32_t functions = hints[1];
        if (!(hints[0] & kMwmHintsFunctions) || (functions & kMwmFuncAll)) {
            // "All functions" or none listed: spell out the set the window's
            // own buttons allow, so that dropping Move adds no minimise or
            // maximise box the window does not have.
            functions = kMwmFuncResize | kMwmFuncMove;
            if (flags & Qt::WindowMinimizeButtonHint) {
                functions |= kMwmFuncMinimize;
            }
            if (flags & Qt::WindowMaximizeButtonHint) {
                functions |= kMwmFuncMaximize;
            }
            if (flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)) {
                functions |= kMwmFuncClose;
            }
        }
        hints[0] |= kMwmHintsFunctions;
        hints[1] = functions & ~kMwmFuncMove;
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, id, hintsAtom, hintsAtom, 32, 5,
                            hints.data());
    }

    bool mapped(xcb_window_t id) {
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, id), nullptr));
        return attributes != nullptr && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    }

    // On an unmapped window the state list is written directly (the window
    // manager drops it whenever the window is withdrawn, so this is redone
    // before every showing); a mapped one asks the window manager.
    void setStateFlag(xcb_window_t id, xcb_atom_t flag, bool on) {
        const xcb_atom_t stateAtom = atom("_NET_WM_STATE");
        if (mapped(id) && WindowManagerRunning()) {
            xcb_client_message_event_t message{};
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 32;
            message.window = id;
            message.type = stateAtom;
            message.data.data32[0] = on ? kNetWmStateAdd : kNetWmStateRemove;
            message.data.data32[1] = flag;
            message.data.data32[3] = 1;  // from an application
            xcb_send_event(
                connection_, 0, root_,
                XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                reinterpret_cast<const char*>(&message));
            return;
        }
        std::vector<std::uint32_t> states = windowProperty(id, stateAtom, XCB_ATOM_ATOM);
        const bool present = std::find(states.begin(), states.end(), flag) != states.end();
        if (present == on) {
            return;
        }
        if (on) {
            states.push_back(flag);
        } else {
            std::erase(states, flag);
        }
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, id, stateAtom, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(states.size()), states.data());
    }

    std::uint16_t numLockMask() {
        std::unique_ptr<xcb_key_symbols_t, SymbolsDeleter> symbols(
            xcb_key_symbols_alloc(connection_));
        std::unique_ptr<xcb_keycode_t, FreeDeleter<xcb_keycode_t>> numLock(
            xcb_key_symbols_get_keycode(symbols.get(), 0xFF7F));  // Num_Lock
        Reply<xcb_get_modifier_mapping_reply_t> mapping(xcb_get_modifier_mapping_reply(
            connection_, xcb_get_modifier_mapping(connection_), nullptr));
        if (numLock == nullptr || mapping == nullptr) {
            return XCB_MOD_MASK_2;
        }
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping.get());
        const int perModifier = mapping->keycodes_per_modifier;
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t code = codes[modifier * perModifier + i];
                for (const xcb_keycode_t* n = numLock.get(); *n != XCB_NO_SYMBOL; ++n) {
                    if (code != 0 && code == *n) {
                        return static_cast<std::uint16_t>(1u << modifier);
                    }
                }
            }
        }
        return XCB_MOD_MASK_2;
    }

    // Window comings and goings on the screen, to put the topmost windows
    // back on top where no window manager does.
    void watchRoot() {
        if (watchingRoot_) {
            return;
        }
        watchingRoot_ = true;
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, root_), nullptr));
        const std::uint32_t mask = (attributes != nullptr ? attributes->your_event_mask : 0) |
                                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }

    bool isTopmost(xcb_window_t id) const {
        for (const QPointer<QWidget>& w : topmost_) {
            if (!w.isNull() && static_cast<xcb_window_t>(w->internalWinId()) == id) {
                return true;
            }
        }
        return false;
    }

    // The program's own dialogs and message boxes that are open, the active
    // modal one last.
    static std::vector<QWidget*> openDialogs() {
        std::vector<QWidget*> dialogs;
        QWidget* modal = QApplication::activeModalWidget();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != modal && w->windowType() == Qt::Dialog && w->isVisible() &&
                w->internalWinId() != 0) {
                dialogs.push_back(w);
            }
        }
        if (modal != nullptr && modal->isVisible() && modal->internalWinId() != 0) {
            dialogs.push_back(modal);
        }
        return dialogs;
    }

    static bool isOpenDialog(xcb_window_t id) {
        for (QWidget* w : openDialogs()) {
            if (static_cast<xcb_window_t>(w->internalWinId()) == id) {
                return true;
            }
        }
        return false;
    }

    // The program's own pop-ups (menus, drop-down lists, notes: windows that
    // bypass the window manager) are left above for the moment they are up.
    // Restacking the topmost windows and the dialogs reports their own
    // changes again: those need nothing more, but a dialog newly shown must
    // come up above the topmost windows.
    void otherWindowMoved(xcb_window_t id, bool overrideRedirect, bool mapped) {
        if (topmost_.empty() || isTopmost(id) || WindowManagerRunning()) {
            return;
        }
        if (overrideRedirect && QWidget::find(static_cast<WId>(id)) != nullptr) {
            return;
        }
        if (!mapped && isOpenDialog(id)) {
            return;
        }
        raiseTopmost();
    }

    void raiseTopmost() {
        if (WindowManagerRunning()) {
            return;  // the window manager keeps them above
        }
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        for (const QPointer<QWidget>& w : topmost_) {
            if (!w.isNull() && w->isVisible()) {
                xcb_configure_window(connection_, static_cast<xcb_window_t>(w->internalWinId()),
                                     XCB_CONFIG_WINDOW_STACK_MODE, &above);
            }
        }
        // The program's open dialogs stay above its topmost windows: the user
        // must see what is being asked.
        for (QWidget* dialog : openDialogs()) {
            xcb_configure_window(connection_, static_cast<xcb_window_t>(dialog->internalWinId()),
                                 XCB_CONFIG_WINDOW_STACK_MODE, &above);
        }
        xcb_flush(connection_);
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    std::map<std::string, xcb_atom_t> atoms_;
    std::vector<HotKey> hotKeys_;
    std::vector<QPointer<QWidget>> topmost_;
    bool watchingRoot_ = false;
};

}  // namespace

std::unique_ptr<Platform> MakeX11Platform() {
    return std::make_unique<X11Platform>();
}

}  // namespace avatrix::ui::platform
