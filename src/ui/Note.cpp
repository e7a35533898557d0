// The short confirmation shown after a save or a copy.
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "ui/QtText.h"
#include "ui/Toolkit.h"
#include "ui/platform/Platform.h"

namespace avatrix::ui {
namespace {

constexpr int kNoteMilliseconds = 2000;
constexpr int kGap = 6;

// A tooltip-like window: the window manager leaves it alone, it never takes
// the focus, and its input shape is empty, so a click goes to whatever lies
// beneath it.
class NoteWindow final : public QLabel {
  public:
    NoteWindow()
        : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                              Qt::WindowTransparentForInput | Qt::BypassWindowManagerHint) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setTextFormat(Qt::PlainText);
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setMargin(4);
        setForegroundRole(QPalette::ToolTipText);
        setBackgroundRole(QPalette::ToolTipBase);
        setAutoFillBackground(true);
        timer_.setSingleShot(true);
        timer_.setInterval(kNoteMilliseconds);
        QObject::connect(&timer_, &QTimer::timeout, this, &QWidget::hide);
    }

    void showBeside(const QRect& area, const QString& text) {
        setText(text);
        // Its name is its text, so that whoever looks at the screen's windows
        // can tell it.
        setWindowTitle(text);
        adjustSize();
        QPoint at(area.center().x() - width() / 2, area.bottom() + 1 + kGap);
        const QScreen* screen = QGuiApplication::screenAt(area.center());
        if (screen == nullptr) {
            screen = QGuiApplication::primaryScreen();
        }
        if (screen != nullptr) {
            // Below the unit, or above it where the screen ends; never on it,
            // so a capture of the unit cannot hold the note.
            const QRect room = screen->availableGeometry();
            if (at.y() + height() > room.bottom() + 1) {
                at.setY(area.top() - kGap - height());
            }
            at.setX(
                std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - width())));
        }
        move(at);
        show();
        raise();
        platform::Current().Flush();
        timer_.start();
    }

  private:
    QTimer timer_;
};

QPointer<NoteWindow>& Note() {
    static QPointer<NoteWindow> note;
    return note;
}

}  // namespace

void ShowNote(UnitRef near, const Text& text, const FilePath& file) {
    if (QGuiApplication::instance() == nullptr) {
        return;
    }
    const ScreenRect area = ClientAreaOnScreen(near);
    QString shown = detail::ToQString(text);
    if (!file.empty()) {
        shown += QString::fromUtf8("“") + QFileInfo(detail::ToQPath(file)).fileName() +
                 QString::fromUtf8("”");
    }
    if (Note().isNull()) {
        Note() = new NoteWindow;  // lives until the process ends
    }
    Note()->showBeside(QRect(area.left, area.top, area.width, area.height), shown);
}

void ShowNote(UnitRef near, const Text& text) {
    ShowNote(near, text, FilePath{});
}

void HideNote() {
    if (!Note().isNull() && Note()->isVisible()) {
        Note()->hide();
        platform::Current().Flush();
    }
}

}  // namespace avatrix::ui
