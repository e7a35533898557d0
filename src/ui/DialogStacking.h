#pragma once

class QDialog;
class QWidget;

// The program's dialogs and message boxes: in Chinese whatever the locale,
// owned by the program's main window and above its always-on-top banner while
// they are open.
namespace avatrix::ui::detail {

// Installs Qt's own Chinese translations (standard buttons, the colour, font
// and file dialogs) once; later calls do nothing.
void LoadQtTranslations();

// The window dialogs belong to: the first window loaded that does not float
// above the others, or null when there is none.
QWidget* DialogOwner();

// Readies a dialog before it is shown: translations loaded, transient for the
// owner, and kept above the program's always-on-top windows. On a desktop
// without a window manager the platform raises it over them (Platform).
void PrepareDialog(QDialog& dialog);

}  // namespace avatrix::ui::detail
