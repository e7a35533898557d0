#include <QApplication>
#include <QColor>

#include "ui/QtText.h"
#include "ui/Toolkit.h"

namespace avatrix::ui {

// Flat one-pixel frames in the scheme's colour over the buttons, edit boxes
// and lists of every window of the program, dialogs and boxes included.
void ApplyVisualStyle(int scheme) {
    Colour frame;
    switch (scheme) {
        case kBlueStyle:
            frame = Colour{0xBD9E7B};
            break;
        case kOliveStyle:
            frame = Colour{0x7FB9A4};
            break;
        case kSilverStyle:
            frame = Colour{0xD7C5C6};
            break;
        default:
            return;
    }
    auto* app = qobject_cast<QApplication*>(QApplication::instance());
    if (app == nullptr) {
        return;
    }
    const QColor edge = detail::ToQColor(frame);
    const QString c = edge.name(QColor::HexRgb);
    const QString dark = edge.darker(130).name(QColor::HexRgb);
    const QString light = edge.lighter(112).name(QColor::HexRgb);
    app->setStyleSheet(
        QStringLiteral(
            "QPushButton { border: 1px solid %1; background: #fbfbfd; padding: 2px 4px; }"
            "QPushButton:hover { background: %3; }"
            "QPushButton:pressed { border-color: %2; background: %1; }"
            "QPushButton:disabled { color: #a0a0a0; }"
            "QPushButton:focus { border-color: %2; }"
            "QLineEdit { border: 1px solid %1; background: white; color: black; }"
            "QLineEdit:focus { border-color: %2; }"
            "QComboBox { border: 1px solid %1; background: white; color: black;"
            " padding: 1px 4px; }"
            "QComboBox::drop-down { border-left: 1px solid %1; width: 14px; }")
            .arg(c, dark, light));
}

}  // namespace avatrix::ui
