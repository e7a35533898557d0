#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "text/Text.h"

// The window-and-unit contract. Handlers never hold widget pointers: they name
// a unit by (window, unit), read and write its properties by name, and the
// toolkit raises events on units and calls the handler a window's binding
// table names for (unit, event). Everything here runs on the UI thread.
namespace avatrix::ui {

// 0x00BBGGRR. Distinct from int so that a property value says which it is.
struct Colour {
    std::uint32_t ref = 0;
    friend bool operator==(Colour, Colour) = default;
};
inline constexpr Colour kDefaultColour{0xFF000000u};

enum class Kind {
    Window,
    EditBox,
    PicBox,
    Label,
    Button,
    ColorPicker,
    HyperLinker,
    CommonDlg,
    TransLabel,
    DropTarget,
};

enum class Prop {
    // every kind
    Left,
    Top,
    Width,
    Height,
    Visible,
    Disabled,
    TabStop,
    // window
    Caption,     // also Label, Button, HyperLinker, TransLabel
    Border,      // also EditBox, PicBox
    BackColour,  // also PicBox
    ControlBox,
    MaxButton,
    MinButton,
    Position,
    Movable,
    EscCloses,
    ShowInTaskbar,
    FreeMove,
    AlwaysOnTop,
    ClassName,
    // EditBox
    Content,
    InputMode,
    MaxLength,
    // PicBox
    Picture,
    DisplayMode,  // 0 plain, 1 tiled, 2 centred and shrunk to fit, 3 scaled to cover
    // ColorPicker
    Colour,
    // HyperLinker
    Address,
    // CommonDlg
    DialogKind,  // the unit table's `Kind`: 0 open file, 1 save file, 2 font
    FileName,
    Filter,
    InitialDir,
    FontBold,
    FontItalic,
    FontStrikeOut,
    FontUnderline,
    FontName,
    FontSize,
    // TransLabel
    Font,
    TextColour,
    TextOutline,  // a contrasting ring around the glyphs, off at start
    TextShadow,   // a soft shadow below and right of the glyphs, off at start
    // DropTarget
    AcceptFiles,
};

// The TransLabel font record; each member is addressable by itself.
struct FontRecord {
    int angle = 0;  // tenths of a degree, kept modulo 3600
    bool bold = false;
    bool italic = false;
    bool strikeOut = false;
    bool underline = false;
    int size = 0;  // points; 0 is the face's default height
    Text face;     // 1 to 31 bytes; anything else reads as "宋体"
    friend bool operator==(const FontRecord&, const FontRecord&) = default;
};
enum class FontMember {
    Angle = 0,
    Bold = 1,
    Italic = 2,
    StrikeOut = 3,
    Underline = 4,
    Size = 5,
    Face = 6
};

// Picture properties carry the complete bytes of an image file.
using Value = std::variant<int, bool, Text, Colour, ByteSet, FontRecord>;

enum class Event {
    Created,
    QueryClose,
    LeftButtonDown,
    FocusGained,
    FocusLost,
    KeyDown,
    Clicked,
    ColourChanged,
    Feedback,
    FilesDropped,
};

// Event arguments; each event fills the members it has.
struct EventArgs {
    int x = 0, y = 0;   // LeftButtonDown, in unit coordinates
    int modifiers = 0;  // LeftButtonDown, KeyDown
    int keyCode = 0;    // KeyDown: a virtual-key code, Enter is 13
    int param1 = 0;     // Feedback
    int param2 = 0;     // Feedback
    Text text;          // FilesDropped
};
// The result is read only for QueryClose: false keeps the window open.
using Handler = std::function<bool(const EventArgs&)>;

// The window's own unit is addressed by the empty unit name.
inline constexpr std::string_view kWindowUnit = "";

// A unit's address: its window and its name in that window's layout table.
struct UnitRef {
    std::string_view window;
    std::string_view unit = kWindowUnit;
};

// Modifier keys, added together: of hot keys, and the state events report.
inline constexpr int kModifierCtrl = 1;
inline constexpr int kModifierShift = 2;
inline constexpr int kModifierAlt = 4;

// Virtual-key codes the program names.
inline constexpr int kKeyEnter = 0x0D;
inline constexpr int kKeyF1 = 0x70;  // F2 to F24 follow
inline constexpr int kKeyF12 = kKeyF1 + 11;

// Values of the window's Border.
inline constexpr int kBorderNone = 0;  // no title bar
inline constexpr int kBorderSizable = 1;
inline constexpr int kBorderFixed = 2;
inline constexpr int kBorderSizableTool = 3;
inline constexpr int kBorderFixedTool = 4;
inline constexpr int kBorderSizableSunken = 5;
inline constexpr int kBorderFixedSunken = 6;
// The Border of an edit box or picture box.
inline constexpr int kUnitBorderNone = 0;
inline constexpr int kUnitBorderSunken = 1;

// Values of the window's Position: where it appears when created.
inline constexpr int kPositionAsLaidOut = 0;  // at Left, Top
inline constexpr int kPositionCentred = 1;
inline constexpr int kPositionMinimised = 2;
inline constexpr int kPositionMaximised = 3;

// Values of an edit box's InputMode.
inline constexpr int kInputNormal = 0;
inline constexpr int kInputReadOnly = 1;
inline constexpr int kInputPassword = 2;
inline constexpr int kInputWholeNumber = 3;

// Values of a picture box's DisplayMode.
inline constexpr int kDisplayPlain = 0;
inline constexpr int kDisplayTiled = 1;
inline constexpr int kDisplayCentred = 2;
inline constexpr int kDisplayCover = 3;

// Values of a dialog unit's DialogKind.
inline constexpr int kOpenFileDialog = 0;
inline constexpr int kSaveFileDialog = 1;
inline constexpr int kFontDialog = 2;

// ApplyVisualStyle's schemes, by the colour of their frames.
inline constexpr int kBlueStyle = 1;
inline constexpr int kOliveStyle = 2;
inline constexpr int kSilverStyle = 3;

// ShowMessage flags: one set of buttons plus one icon.
inline constexpr int kButtonsOk = 0x00;
inline constexpr int kButtonsOkCancel = 0x01;
inline constexpr int kButtonsAbortRetryIgnore = 0x02;
inline constexpr int kButtonsYesNoCancel = 0x03;
inline constexpr int kButtonsYesNo = 0x04;
inline constexpr int kButtonsRetryCancel = 0x05;
inline constexpr int kButtonsCancelRetryContinue = 0x06;
inline constexpr int kIconStop = 0x10;
inline constexpr int kIconQuestion = 0x20;
inline constexpr int kIconExclamation = 0x30;
inline constexpr int kIconInformation = 0x40;
// The button ShowMessage answers with.
inline constexpr int kAnswerOk = 0;
inline constexpr int kAnswerCancel = 1;
inline constexpr int kAnswerAbort = 2;
inline constexpr int kAnswerRetry = 3;
inline constexpr int kAnswerIgnore = 4;
inline constexpr int kAnswerYes = 5;
inline constexpr int kAnswerNo = 6;

struct PropertyInit {
    Prop prop;
    Value value;
};

struct UnitLayout {
    std::string name;  // unique within its window
    Kind kind;
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<PropertyInit> properties;
    std::string parent;  // empty: the window's client area; else a PicBox unit
};

struct Binding {
    std::string unit;  // kWindowUnit for the window itself
    Event event;
    Handler handler;
};

// A window is data: its own properties, its units in creation order (an
// earlier unit lies above a later one of the same parent) and its bindings.
struct WindowLayout {
    std::string name;  // what handlers address the window by
    std::vector<PropertyInit> properties;
    std::vector<UnitLayout> units;
    std::vector<Binding> bindings;
};

// Creates the window and its units, binds events, shows it as `Visible` says
// and raises `Created`. Loading a window that is already loaded does nothing
// and returns false.
bool LoadWindow(const WindowLayout& layout);
bool IsWindowLoaded(std::string_view window);

// Reads return a default value (0, false, empty) for an unknown window, unit
// or property; writes to them do nothing.
Value GetProperty(std::string_view window, std::string_view unit, Prop prop);
void SetProperty(std::string_view window, std::string_view unit, Prop prop, const Value& value);
void SetFontMember(std::string_view window, std::string_view unit, FontMember member,
                   const Value& value);

int GetInt(std::string_view window, std::string_view unit, Prop prop);
bool GetBool(std::string_view window, std::string_view unit, Prop prop);
Text GetText(std::string_view window, std::string_view unit, Prop prop);
Colour GetColour(std::string_view window, std::string_view unit, Prop prop);
ByteSet GetPicture(std::string_view window, std::string_view unit, Prop prop);
FontRecord GetFont(std::string_view window, std::string_view unit);

// The same, with the unit given by its address.
inline Value GetProperty(UnitRef u, Prop prop) {
    return GetProperty(u.window, u.unit, prop);
}
inline void SetProperty(UnitRef u, Prop prop, const Value& value) {
    SetProperty(u.window, u.unit, prop, value);
}
inline void SetFontMember(UnitRef u, FontMember member, const Value& value) {
    SetFontMember(u.window, u.unit, member, value);
}
inline int GetInt(UnitRef u, Prop prop) {
    return GetInt(u.window, u.unit, prop);
}
inline bool GetBool(UnitRef u, Prop prop) {
    return GetBool(u.window, u.unit, prop);
}
inline Text GetText(UnitRef u, Prop prop) {
    return GetText(u.window, u.unit, prop);
}
inline Colour GetColour(UnitRef u, Prop prop) {
    return GetColour(u.window, u.unit, prop);
}

// Native (X11) window id of the window or unit, 0 when it does not exist.
std::uint32_t GetWindowHandle(std::string_view window, std::string_view unit = kWindowUnit);

bool ShowCommonDialog(std::string_view window, std::string_view unit);
bool RegisterDropTarget(std::string_view window, std::string_view dropUnit,
                        std::uint32_t nativeHandle);
inline std::uint32_t GetWindowHandle(UnitRef u) {
    return GetWindowHandle(u.window, u.unit);
}
inline bool ShowCommonDialog(UnitRef u) {
    return ShowCommonDialog(u.window, u.unit);
}
void SetWindowAlpha(std::uint32_t nativeHandle, std::optional<int> alpha);
int RegisterFeedbackHotKey(std::uint32_t windowHandle, std::uint32_t labelHandle, int modifiers,
                           int keyCode);
// Where the desktop owns global keys itself (a Wayland session), also asks it
// for the key, so that a press reaches the label's Feedback event as the
// registered hot key's does. The desktop files the key under the program's
// desktop entry `appId` as `shortcutId`, showing `description`. Returns at
// once, false when the session is not such a desktop's; `onBound` runs later,
// and only once the desktop has bound the key (to whatever trigger it chose).
bool RequestDesktopFeedbackHotKey(std::uint32_t windowHandle, std::uint32_t labelHandle,
                                  int modifiers, int keyCode, std::string_view appId,
                                  std::string_view shortcutId, const Text& description,
                                  std::function<void()> onBound);
void ApplyVisualStyle(int scheme);

// A pop-up menu entry. A checkable entry starts unchecked and passes its new
// state to the action (others pass false). A shortcut such as "Ctrl+Shift+C"
// is shown in the menu and works anywhere in the unit's window.
struct MenuItem {
    Text caption;
    Text shortcut;  // empty for none
    bool checkable = false;
    std::function<void(bool checked)> action;
};
// The right button on the unit opens a menu of these entries, in this order.
bool AttachContextMenu(std::string_view window, std::string_view unit, std::vector<MenuItem> items);
inline bool AttachContextMenu(UnitRef u, std::vector<MenuItem> items) {
    return AttachContextMenu(u.window, u.unit, std::move(items));
}

// A rectangle on the screen in the toolkit's (logical) pixels.
struct ScreenRect {
    int left = 0, top = 0, width = 0, height = 0;
};
// The client area of a window or unit on the screen; all zero when it does not exist.
ScreenRect ClientAreaOnScreen(std::string_view window, std::string_view unit = kWindowUnit);
inline ScreenRect ClientAreaOnScreen(UnitRef u) {
    return ClientAreaOnScreen(u.window, u.unit);
}
// Raises a loaded window that shows and asks the window manager to activate
// it; a window that is not loaded or not shown is left alone.
void BringToFront(std::string_view window);
// Device pixels per logical pixel where the window or unit shows; 1 when unknown.
double DevicePixelRatioOf(std::string_view window, std::string_view unit = kWindowUnit);
// The opacity SetWindowAlpha last gave the window, 0 to 255; 255 before any.
int GetWindowAlpha(std::uint32_t nativeHandle);
// False where the screen cannot show a window's opacity: an X11 desktop
// without a compositing manager.
bool ScreenShowsOpacity();
struct FilePath;
// A short note beside a unit, outside its area, for about two seconds: the
// text, then the file name part of `file` in quotes when there is one. It
// takes no focus and no click; a new note replaces the one showing.
void ShowNote(UnitRef near, const Text& text, const FilePath& file);
void ShowNote(UnitRef near, const Text& text);
// Takes the note down at once, before the screen is read.
void HideNote();
// A save dialog of its own, apart from the dialog units: `filter` in the
// dialog units' "description|pattern|" form. The chosen path, or an empty text
// when cancelled. It does not ask about replacing a file: the caller asks
// about the name it really writes.
FilePath AskSaveFileName(const Text& filter, const Text& initialDir);

// The kButtons and kIcon flags in, the kAnswer of the button pressed out. An
// absent title gives "信息：".
int ShowMessage(const Text& text, int flags, std::optional<Text> title = std::nullopt);
void OpenAddress(const Text& address);
int TextToInt(const Text& text);

// A file's name as the file system takes it (UTF-8 bytes). A GBK text cannot
// always hold the name the user chose: GBK has no Hangul, and a best-fit
// mapping turns "château" into "chateau", another file. File dialogs and drop
// targets therefore keep the exact name behind the text they hand out.
struct FilePath {
    std::string bytes;
    bool empty() const { return bytes.empty(); }
    friend FilePath operator+(FilePath path, std::string_view suffix) {
        path.bytes += suffix;
        return path;
    }
    friend bool operator==(const FilePath&, const FilePath&) = default;
};

// The name a GBK text spells.
FilePath PathOfText(const Text& text);
// The name in GBK for showing it; characters GBK lacks come out as "?".
Text TextOfPath(const FilePath& path);
// The exact name behind `name` when it is the text the unit last gave out: a
// file dialog's FileName or a drop target's FilesDropped text. Any other text
// is taken as the name it spells.
FilePath ExactPath(std::string_view window, std::string_view unit, const Text& name);
inline FilePath ExactPath(UnitRef u, const Text& name) {
    return ExactPath(u.window, u.unit, name);
}

// File and folder services handlers use.
enum class ReadOutcome {
    Read,        // the bytes are the whole file
    Unreadable,  // missing, no permission, an empty name: no bytes
    NotAFile,    // a folder, a pipe or a device, refused before any read
    TooLarge,    // more than the limit, refused before any read
};
struct FileContents {
    ReadOutcome outcome = ReadOutcome::Unreadable;
    ByteSet bytes;
};
// Reads a regular file of at most `limit` bytes. Nothing here waits on a pipe
// or device: they are refused from the open itself.
FileContents ReadFileContents(const FilePath& path, std::uint64_t limit);
// Writes through a temporary file in the same folder that takes the target's
// name only once every byte is on disk, so a failure leaves an existing file as
// it was. Without `replace` nothing that has the name is touched. Never writes
// through a link. Returns why it failed, in words for a message, or empty on
// success.
Text SaveWholeFile(const FilePath& path, const ByteSet& bytes, bool replace = true);
// What has the name itself: a link is a link, whatever it points to.
enum class PathKind { None, File, Folder, Link, Other };
PathKind KindOfPath(const FilePath& path);

// The same services with the name a GBK text spells.
ByteSet ReadWholeFile(const Text& path);  // empty on any failure or for an empty path
bool WriteWholeFile(const Text& path, const ByteSet& bytes);
Text DesktopDirectory();  // ends in the path separator

}  // namespace avatrix::ui
