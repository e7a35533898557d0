#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <utility>

#include "Support.h"
#include "WaitUntil.h"
#include "image/AvatarUnits.h"
#include "ui/TestHooks.h"
#include "ui/Toolkit.h"

// The real standard dialogs and message boxes, answered from a timer inside
// their own event loops: their language, their owner and how they answer.
namespace avatrix::uitest {
namespace {

using ui::Kind;
using ui::Prop;

// While alive: runs `inspect` on the modal dialog once it is open, then
// closes it with `key` (or rejects it); the test checks what `inspect` kept.
class WhenOpen {
  public:
    explicit WhenOpen(std::function<void(QWidget*)> inspect, Qt::Key key = Qt::Key_unknown)
        : inspect_(std::move(inspect)), key_(key) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

  private:
    void poll() {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        timer_.stop();
        inspect_(dialog);
        if (key_ != Qt::Key_unknown) {
            QTest::keyClick(dialog, key_);
        } else if (auto* d = qobject_cast<QDialog*>(dialog)) {
            d->reject();
        }
    }

    std::function<void(QWidget*)> inspect_;
    Qt::Key key_;
    QTimer timer_;
};

QStringList ButtonTexts(QWidget* dialog) {
    QStringList texts;
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
        if (qobject_cast<QDialogButtonBox*>(b->parentWidget()) != nullptr) {
            texts << b->text();
        }
    }
    return texts;
}

class Dialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        ui::testing::SetMessageResponder(nullptr);
        ui::testing::SetDialogResponder(nullptr);
        // An English desktop: the dialogs must not follow it.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_F(Dialogs, ColourDialogAndMessageBoxesSpeakChineseAndBelongToTheMainWindow) {
    const std::string window = FreshName("Colours");
    ASSERT_TRUE(
        ui::LoadWindow(Plain(window, {Row("颜色选择器2", Kind::ColorPicker, 10, 10, 136, 24)})));
    auto* combo = qobject_cast<QComboBox*>(WidgetOf(window, "颜色选择器2"));
    ASSERT_NE(combo, nullptr);

    QString title;
    QStringList buttons;
    bool owned = false;
    WhenOpen colour([&](QWidget* dialog) {
        title = dialog->windowTitle();
        buttons = ButtonTexts(dialog);
        owned =
            dialog->parentWidget() != nullptr && (dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    });
    emit combo->activated(combo->count() - 1);  // "其他颜色…"
    EXPECT_EQ(title, QString::fromUtf8("选择颜色"));
    EXPECT_TRUE(buttons.contains(QString::fromUtf8("确定")) &&
                buttons.contains(QString::fromUtf8("取消")))
        << buttons.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(owned) << "not transient for a window, or not kept above the banner";

    // Esc on a yes-or-no question answers No, with the buttons in Chinese.
    WhenOpen question([&](QWidget* box) { buttons = ButtonTexts(box); }, Qt::Key_Escape);
    EXPECT_EQ(ui::ShowMessage("“a.jpg”已经存在。\n要替换它吗？"_gbk,
                              ui::kButtonsYesNo | ui::kIconQuestion),
              ui::kAnswerNo);
    EXPECT_TRUE(std::any_of(buttons.begin(), buttons.end(), [](const QString& t) {
        return t.startsWith(QString::fromUtf8("否"));
    })) << buttons.join(QLatin1Char(',')).toStdString();
}

TEST_F(Dialogs, OpenDialogListsEveryPictureKindInAnyCase) {
    QTemporaryDir dir;
    const QStringList pictures{"a.jpg", "B.PNG", "c.Png", "d.jpeg", "e.GIF", "f.bmp", "g.JPG"};
    for (const QString& name : pictures + QStringList{"notes.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const std::string window = FreshName("Opening");
    ASSERT_TRUE(ui::LoadWindow(Plain(window, {Row("通用对话框1", Kind::CommonDlg, 0, 0, 0, 0)})));
    ui::SetProperty(window, "通用对话框1", Prop::Filter, image::OpenPictureFilter());
    ui::SetProperty(window, "通用对话框1", Prop::DialogKind, 0);
    ui::SetProperty(window, "通用对话框1", Prop::InitialDir,
                    ui::TextOfPath(ui::FilePath{(dir.path() + "/").toStdString()}));

    QStringList listed;
    QString filter;
    WhenOpen open([&](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        ASSERT_TRUE(files != nullptr && view != nullptr);
        filter = files->selectedNameFilter();
        // The folder is read in the background: wait until all of it shows.
        test::WaitUntil([&] {
            listed.clear();
            const QModelIndex root = view->rootIndex();
            for (int i = 0; i < view->model()->rowCount(root); ++i) {
                listed << view->model()->index(i, 0, root).data().toString();
            }
            return listed.size() >= pictures.size();
        });
    });
    ui::ShowCommonDialog(window, "通用对话框1");
    EXPECT_TRUE(filter.startsWith(QString::fromUtf8("图片类型.jpg.png ("))) << filter.toStdString();
    listed.sort();
    QStringList expected = pictures;
    expected.sort();
    EXPECT_EQ(listed, expected) << listed.join(QLatin1Char(',')).toStdString();
}

}  // namespace
}  // namespace avatrix::uitest
