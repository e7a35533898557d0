#include "ui/DialogStacking.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLibraryInfo>
#include <QTranslator>

#include "trace/StartupTrace.h"
#include "ui/FormWindow.h"
#include "ui/Registry.h"
#include "ui/Values.h"

namespace avatrix::ui::detail {

void LoadQtTranslations() {
    static bool loaded = false;
    if (loaded || QCoreApplication::instance() == nullptr) {
        return;
    }
    loaded = true;
    trace::Span span("qt translations");
    // Every other text the program shows is Chinese; the standard dialogs
    // and buttons should not be the only English ones on an English desktop.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

QWidget* DialogOwner() {
    for (FormWindow* form : Forms()) {
        if (!AsBool(form->get(Prop::AlwaysOnTop))) {
            return form;
        }
    }
    return nullptr;
}

void PrepareDialog(QDialog& dialog) {
    LoadQtTranslations();
    // Above the banner, which floats over every window: a window manager
    // stacks the dialog in the banner's layer, newest on top.
    const Qt::WindowFlags flags = dialog.windowFlags() | Qt::WindowStaysOnTopHint;
    QWidget* owner = DialogOwner();
    if (dialog.parentWidget() == nullptr && owner != nullptr) {
        dialog.setParent(owner, flags);
    } else {
        dialog.setWindowFlags(flags);
    }
}

}  // namespace avatrix::ui::detail
