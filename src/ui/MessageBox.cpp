#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "text/Literal.h"
#include "ui/QtText.h"
#include "ui/TestSeams.h"
#include "ui/Toolkit.h"

namespace avatrix::ui {
namespace {

// MessageBox style bits.
constexpr int kButtonMask = 0x0F;
constexpr int kIconMask = 0xF0;
constexpr int kDefaultButtonMask = 0xF00;
constexpr int kTopmost = 0x40000;

enum Code { kOk = 0, kCancel = 1, kAbort = 2, kRetry = 3, kIgnore = 4, kYes = 5, kNo = 6 };

struct Choice {
    QMessageBox::StandardButton button;
    int code;
};

std::vector<Choice> ChoicesOf(int flags) {
    switch (flags & kButtonMask) {
        case 1:
            return {{QMessageBox::Ok, kOk}, {QMessageBox::Cancel, kCancel}};
        case 2:
            return {{QMessageBox::Abort, kAbort},
                    {QMessageBox::Retry, kRetry},
                    {QMessageBox::Ignore, kIgnore}};
        case 3:
            return {
                {QMessageBox::Yes, kYes}, {QMessageBox::No, kNo}, {QMessageBox::Cancel, kCancel}};
        case 4:
            return {{QMessageBox::Yes, kYes}, {QMessageBox::No, kNo}};
        case 5:
            return {{QMessageBox::Retry, kRetry}, {QMessageBox::Cancel, kCancel}};
        case 6:
            // Cancel, Try Again, Continue: answered as Cancel, Retry, Ignore.
            return {{QMessageBox::Cancel, kCancel},
                    {QMessageBox::Retry, kRetry},
                    {QMessageBox::Ignore, kIgnore}};
        default:
            return {{QMessageBox::Ok, kOk}};
    }
}

QMessageBox::Icon IconOf(int flags) {
    switch (flags & kIconMask) {
        case 0x10:
            return QMessageBox::Critical;
        case 0x20:
            return QMessageBox::Question;
        case 0x30:
            return QMessageBox::Warning;
        case 0x40:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// A box without Cancel and with more than one button cannot be closed other
// than by a button: its close box and Esc do nothing.
class Unclosable final : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            return true;
        }
        return false;
    }
};

}  // namespace

int ShowMessage(const Text& text, int flags, std::optional<Text> title) {
    const Text caption = title.has_value() ? *title : "信息："_gbk;
    if (const auto& responder = detail::MessageResponder()) {
        return responder(testing::MessageRecord{text, flags, caption});
    }
    if (QApplication::instance() == nullptr) {
        return kCancel;
    }

    const std::vector<Choice> choices = ChoicesOf(flags);
    QMessageBox box(IconOf(flags), detail::ToQString(caption), detail::ToQString(text),
                    QMessageBox::NoButton);
    // Texts can come from outside (a notice page): never read them as markup,
    // so no link or tag in them comes alive.
    box.setTextFormat(Qt::PlainText);
    // No owner window; the box holds the whole program until answered.
    box.setWindowModality(Qt::ApplicationModal);
    if (flags & kTopmost) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    std::vector<QAbstractButton*> buttons;
    QAbstractButton* cancel = nullptr;
    for (const Choice& choice : choices) {
        QAbstractButton* button = box.addButton(choice.button);
        buttons.push_back(button);
        if (choice.code == kCancel) {
            cancel = button;
        }
    }
    const std::size_t defaultIndex = static_cast<std::size_t>((flags & kDefaultButtonMask) >> 8);
    box.setDefaultButton(
        qobject_cast<QPushButton*>(buttons[defaultIndex < buttons.size() ? defaultIndex : 0]));
    Unclosable unclosable;
    if (cancel != nullptr) {
        box.setEscapeButton(cancel);
    } else if (buttons.size() == 1) {
        box.setEscapeButton(buttons.front());
    } else {
        box.installEventFilter(&unclosable);
    }

    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == clicked) {
            return choices[i].code;
        }
    }
    return cancel != nullptr ? kCancel : choices.front().code;
}

}  // namespace avatrix::ui
