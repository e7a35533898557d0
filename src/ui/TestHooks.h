#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "text/Text.h"
#include "ui/Toolkit.h"

// Seams for the widget tests: modal boxes and dialogs answered in-process, and
// the process end observed instead of taken. The program never sets them; the
// real boxes and dialogs are driven by the end-to-end tests.
namespace avatrix::ui::testing {

struct MessageRecord {
    Text text;
    int flags = 0;
    Text title;  // after the default title is applied
};
// While set, ShowMessage records the box here instead of showing it and
// returns the responder's button code. An empty function restores the box.
void SetMessageResponder(std::function<int(const MessageRecord&)> responder);

struct DialogRequest {
    int kind = 0;  // kOpenFileDialog, kSaveFileDialog or kFontDialog
    Text filter;   // as the dialog receives it, "||" appended
    Text initialDir;
    Text fileName;  // the unit's current FileName
    FilePath path;  // the exact name behind it
};
struct DialogAnswer {
    bool confirmed = false;
    Text fileName;    // open/save
    FontRecord font;  // font dialog: face, size, bold (weight >= 700), italic, ...
    FilePath path;    // open/save: the exact name; empty for the one fileName spells
};
// While set, ShowCommonDialog asks the responder instead of running a dialog.
void SetDialogResponder(std::function<DialogAnswer(const DialogRequest&)> responder);

// While set, EndProgram runs the clean-ups and then calls this instead of
// ending the process. The interceptor must not return (tests throw
// ProgramEnded from it); if it does, the process ends after all.
struct ProgramEnded {
    int code;
};
void SetEndProgramInterceptor(std::function<void(int)> interceptor);

// Called when a (window, unit) pair names no unit of a loaded window, which
// is a mistake in the program. Debug builds stop there; release builds, and
// tests after an empty function, read defaults and ignore writes as the
// toolkit contract says. Tests of handlers turn it into a test failure.
using UnknownUnitHandler = std::function<void(std::string_view window, std::string_view unit)>;
void SetUnknownUnitHandler(UnknownUnitHandler handler);

// Every address OpenAddress was asked to open, while recording is on.
void RecordOpenedAddresses(bool on);
std::vector<Text> OpenedAddresses();

}  // namespace avatrix::ui::testing
