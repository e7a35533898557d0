#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <vector>

#include "text/Literal.h"
#include "ui/DialogStacking.h"
#include "ui/QtText.h"
#include "ui/TestSeams.h"
#include "ui/Toolkit.h"

namespace avatrix::ui {
namespace {

// Room a box's text leaves for the icon beside it and the box's margins,
// and a little more for the text than its advance, for rounding.
constexpr int kIconAndMargins = 120;
constexpr int kSlack = 4;

// MessageBox style bits.
constexpr int kButtonMask = 0x0F;
constexpr int kIconMask = 0xF0;
constexpr int kDefaultButtonMask = 0xF00;

struct Choice {
    QMessageBox::StandardButton button;
    int code;
};

constexpr Choice kOk{QMessageBox::Ok, kAnswerOk};
constexpr Choice kCancel{QMessageBox::Cancel, kAnswerCancel};
constexpr Choice kAbort{QMessageBox::Abort, kAnswerAbort};
constexpr Choice kRetry{QMessageBox::Retry, kAnswerRetry};
constexpr Choice kIgnore{QMessageBox::Ignore, kAnswerIgnore};
constexpr Choice kYes{QMessageBox::Yes, kAnswerYes};
constexpr Choice kNo{QMessageBox::No, kAnswerNo};

std::vector<Choice> ChoicesOf(int flags) {
    switch (flags & kButtonMask) {
        case kButtonsOkCancel:
            return {kOk, kCancel};
        case kButtonsAbortRetryIgnore:
            return {kAbort, kRetry, kIgnore};
        case kButtonsYesNoCancel:
            return {kYes, kNo, kCancel};
        case kButtonsYesNo:
            return {kYes, kNo};
        case kButtonsRetryCancel:
            return {kRetry, kCancel};
        case kButtonsCancelRetryContinue:
            // Cancel, Try Again, Continue: answered as Cancel, Retry, Ignore.
            return {kCancel, kRetry, kIgnore};
        default:
            return {kOk};
    }
}

QMessageBox::Icon IconOf(int flags) {
    switch (flags & kIconMask) {
        case kIconStop:
            return QMessageBox::Critical;
        case kIconQuestion:
            return QMessageBox::Question;
        case kIconExclamation:
            return QMessageBox::Warning;
        case kIconInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// Qt wraps a box's text at 500 pixels, or at half a narrow screen, and its
// breaks can leave the last words of a short text on a line of their own.
// The text keeps its lines as written while the screen has room for them.
void KeepLinesWhole(QMessageBox& box) {
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (label == nullptr || box.screen() == nullptr) {
        return;
    }
    // Qt's own widest box on this screen, less the icon and the margins.
    const int screenWidth = box.screen()->availableGeometry().width();
    const int widest = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
    const int room = widest - kIconAndMargins;
    int longest = 0;
    for (const QString& line : label->text().split(QLatin1Char('\n'))) {
        longest = std::max(longest, label->fontMetrics().horizontalAdvance(line) + kSlack);
    }
    label->setMinimumWidth(std::min(longest, room));
}

// A box without Cancel and with more than one button cannot be closed other
// than by a button: its close box does nothing, and nor does Esc, except on
// a yes-or-no question, where it answers No.
class Unclosable final : public QObject {
  public:
    explicit Unclosable(bool escapeAnswers) : escapeAnswers_(escapeAnswers) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && !escapeAnswers_ &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            return true;
        }
        return false;
    }

  private:
    bool escapeAnswers_;
};

}  // namespace

int ShowMessage(const Text& text, int flags, std::optional<Text> title) {
    const Text caption = title.has_value() ? *title : "信息："_gbk;
    if (const auto& responder = detail::MessageResponder()) {
        return responder(testing::MessageRecord{text, flags, caption});
    }
    if (QApplication::instance() == nullptr) {
        return kAnswerCancel;
    }

    const std::vector<Choice> choices = ChoicesOf(flags);
    // Before the buttons are made: their texts are translated as they are.
    detail::LoadQtTranslations();
    QMessageBox box(IconOf(flags), detail::ToQString(caption), detail::ToQString(text),
                    QMessageBox::NoButton);
    // Texts can come from outside (a notice page): never read them as markup,
    // so no link or tag in them comes alive.
    box.setTextFormat(Qt::PlainText);
    KeepLinesWhole(box);
    // The box holds the whole program until answered.
    box.setWindowModality(Qt::ApplicationModal);
    detail::PrepareDialog(box);
    std::vector<QAbstractButton*> buttons;
    QAbstractButton* cancel = nullptr;
    QAbstractButton* no = nullptr;
    for (const Choice& choice : choices) {
        QAbstractButton* button = box.addButton(choice.button);
        buttons.push_back(button);
        if (choice.code == kAnswerCancel) {
            cancel = button;
        } else if (choice.code == kAnswerNo) {
            no = button;
        }
    }
    const std::size_t defaultIndex = static_cast<std::size_t>((flags & kDefaultButtonMask) >> 8);
    box.setDefaultButton(
        qobject_cast<QPushButton*>(buttons[defaultIndex < buttons.size() ? defaultIndex : 0]));
    // Backing out of a yes-or-no question is the safe answer.
    Unclosable unclosable(no != nullptr);
    if (cancel != nullptr) {
        box.setEscapeButton(cancel);
    } else if (buttons.size() == 1) {
        box.setEscapeButton(buttons.front());
    } else {
        if (no != nullptr) {
            box.setEscapeButton(no);
        }
        box.installEventFilter(&unclosable);
    }

    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == clicked) {
            return choices[i].code;
        }
    }
    return cancel != nullptr ? kAnswerCancel : choices.front().code;
}

}  // namespace avatrix::ui
