// Toolkit services behind the avatar menu: a pop-up menu with window-wide
// shortcuts, where a unit lies on the screen, the window opacity last set, a
// save dialog that leaves the shared dialog units alone, safe writes, and
// bringing a window to the front.
#include <QAction>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <memory>

#include "ui/DialogStacking.h"
#include "ui/FormWindow.h"
#include "ui/QtText.h"
#include "ui/Registry.h"
#include "ui/TestSeams.h"
#include "ui/Toolkit.h"
#include "ui/Unit.h"

namespace avatrix::ui {
namespace {

// Opens the menu on a right-button context request over the watched widget.
class MenuOpener final : public QObject {
  public:
    MenuOpener(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ContextMenu || menu_ == nullptr) {
            return false;
        }
        menu_->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }

  private:
    QPointer<QMenu> menu_;
};

// "description|pattern|..." as the file dialog's name filters.
QStringList NameFiltersOf(const Text& filter) {
    const QStringList parts = detail::ToQString(filter).split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(' ');
        if (!patterns.trimmed().isEmpty()) {
            result << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
        }
    }
    return result;
}

}  // namespace

bool AttachContextMenu(std::string_view window, std::string_view unit,
                       std::vector<MenuItem> items) {
    const detail::Unit* target = detail::FindUnit(window, unit);
    if (target == nullptr || target->widget() == nullptr) {
        return false;
    }
    QWidget* box = target->widget();
    QWidget* top = box->window();
    auto* menu = new QMenu(box);
    for (MenuItem& item : items) {
        auto* action = new QAction(detail::ToQString(item.caption), menu);
        action->setCheckable(item.checkable);
        if (!item.shortcut.empty()) {
            action->setShortcut(QKeySequence(detail::ToQString(item.shortcut)));
            // On the window too, so the keys work wherever its focus is.
            action->setShortcutContext(Qt::WindowShortcut);
            top->addAction(action);
        }
        QObject::connect(action, &QAction::triggered, [run = std::move(item.action)](bool checked) {
            if (run) {
                run(checked);
            }
        });
        menu->addAction(action);
    }
    box->installEventFilter(new MenuOpener(menu, box));
    return true;
}

ScreenRect ClientAreaOnScreen(std::string_view window, std::string_view unit) {
    const detail::Unit* u = detail::FindUnit(window, unit);
    const QWidget* w = u != nullptr ? u->widget() : nullptr;
    if (w == nullptr) {
        return {};
    }
    // A unit's border lies evenly around its client area.
    const QPoint origin = u->childOrigin();
    const QPoint corner = w->mapToGlobal(origin);
    return ScreenRect{corner.x(), corner.y(), std::max(0, w->width() - 2 * origin.x()),
                      std::max(0, w->height() - 2 * origin.y())};
}

void BringToFront(std::string_view window) {
    const detail::Unit* u = detail::FindUnit(window, kWindowUnit);
    QWidget* w = u != nullptr ? u->widget() : nullptr;
    if (w == nullptr || !w->isVisible()) {
        return;
    }
    w->raise();
    w->activateWindow();
}

double DevicePixelRatioOf(std::string_view window, std::string_view unit) {
    const detail::Unit* u = detail::FindUnit(window, unit);
    const QWidget* w = u != nullptr ? u->widget() : nullptr;
    return w != nullptr ? w->devicePixelRatioF() : 1.0;
}

int GetWindowAlpha(std::uint32_t nativeHandle) {
    const QWidget* w = nativeHandle != 0 ? QWidget::find(nativeHandle) : nullptr;
    if (w == nullptr || !w->isWindow()) {
        return 255;
    }
    return static_cast<int>(std::lround(w->windowOpacity() * 255));
}

FilePath AskSaveFileName(const Text& filter, const Text& initialDir) {
    testing::DialogRequest request;
    request.kind = 1;
    request.filter = filter;
    request.initialDir = initialDir;
    testing::DialogAnswer answer;
    if (const auto& responder = detail::DialogResponder()) {
        answer = responder(request);
    } else {
        detail::LoadQtTranslations();  // before the dialog makes its labels
        QFileDialog dialog(nullptr, QString::fromUtf8("另存为"), detail::ToQString(initialDir));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        detail::PrepareDialog(dialog);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        const QStringList filters = NameFiltersOf(filter);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            answer.confirmed = true;
            answer.path = FilePath{dialog.selectedFiles().constFirst().toStdString()};
            answer.fileName = TextOfPath(answer.path);
        }
    }
    if (!answer.confirmed) {
        return {};
    }
    return answer.path.empty() ? PathOfText(answer.fileName) : answer.path;
}

}  // namespace avatrix::ui
