#include "ui/FormWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWindow>
#include <algorithm>

#include "text/Codepage.h"
#include "trace/StartupTrace.h"
#include "ui/Kinds.h"
#include "ui/QtText.h"
#include "ui/Values.h"
#include "ui/platform/Platform.h"

namespace avatrix::ui::detail {
namespace {

bool IsFixedBorder(int border) {
    return border == kBorderNone || border == kBorderFixed || border == kBorderFixedTool ||
           border == kBorderFixedSunken;
}

bool HasClientEdge(int border) {
    return border == kBorderSizableSunken || border == kBorderFixedSunken;
}

constexpr int kClientEdge = 2;

}  // namespace

FormWindow::FormWindow(const WindowLayout& layout)
    : QWidget(nullptr), Unit(this, nullptr, layout.name, Kind::Window) {
    // What a window is when its layout says nothing else.
    keep(Prop::Border, kBorderSizable);
    keep(Prop::ControlBox, true);
    keep(Prop::MaxButton, true);
    keep(Prop::MinButton, true);
    keep(Prop::Movable, true);
    keep(Prop::ShowInTaskbar, true);
    keep(Prop::Visible, true);
    keep(Prop::BackColour, kDefaultColour);
    keep(Prop::TabStop, false);
    for (const PropertyInit& init : layout.properties) {
        set(init.prop, init.value);
    }
    // The window is never destroyed before the program ends; closing hides it.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_NativeWindow);
}

void FormWindow::build(const WindowLayout& layout) {
    setWindowFlags(flagsFromProperties());
    setWindowTitle(ToQString(AsText(stored(Prop::Caption))));
    applyBackground();
    place();

    for (const UnitLayout& row : layout.units) {
        if (row.kind == Kind::Window || unit(row.name) != nullptr) {
            continue;
        }
        Unit* container = row.parent.empty() ? nullptr : unit(row.parent);
        if (container != nullptr && container->kind() != Kind::PicBox) {
            container = nullptr;
        }
        QWidget* parentWidget = container != nullptr ? container->widget() : this;
        units_.push_back(MakeUnit(this, container, row, parentWidget));
    }
    for (const Binding& binding : layout.bindings) {
        bindings_[{binding.unit, binding.event}] = binding.handler;
    }

    {
        // The window and the units that keep a native window of their own
        // exist from here on; any other unit's window is made when its
        // handle is first asked for.
        trace::Span span("native windows");
        winId();
    }
    {
        trace::Span span("stacking");
        // Among units of one parent an earlier one lies above a later one.
        for (auto it = units_.rbegin(); it != units_.rend(); ++it) {
            if (QWidget* w = (*it)->widget()) {
                w->raise();
            }
        }
    }
    built_ = true;
    watchInput();
    trace::Span span("window hints");
    prepareNative();
}

void FormWindow::showAsLaidOut() {
    const int position = AsInt(stored(Prop::Position));
    if (position == kPositionCentred) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen != nullptr) {
            const QRect area = screen->availableGeometry();
            const int width = AsInt(stored(Prop::Width));
            const int height = AsInt(stored(Prop::Height));
            keep(Prop::Left, area.x() + (area.width() - width) / 2);
            keep(Prop::Top, area.y() + (area.height() - height) / 2);
        }
    }
    move(AsInt(stored(Prop::Left)), AsInt(stored(Prop::Top)));
    if (!AsBool(stored(Prop::Visible))) {
        return;
    }
    if (position == kPositionMinimised) {
        showMinimized();
    } else if (position == kPositionMaximised) {
        showMaximized();
    } else {
        show();
    }
    // Out to the display now: the window manager can frame and map the
    // window while the Created handler still runs.
    platform::Current().Flush();
}

QPoint FormWindow::childOrigin() const {
    return HasClientEdge(border()) ? QPoint(kClientEdge, kClientEdge) : QPoint();
}

Unit* FormWindow::unit(std::string_view name) {
    if (name.empty()) {
        return this;
    }
    for (const auto& u : units_) {
        if (u->name() == name) {
            return u.get();
        }
    }
    return nullptr;
}

bool FormWindow::owns(const QWidget* widget) const {
    return widget != nullptr && (widget == this || isAncestorOf(widget));
}

bool FormWindow::raiseEvent(const std::string& unitName, Event event, const EventArgs& args) {
    auto it = bindings_.find({unitName, event});
    if (it == bindings_.end() || !it->second) {
        return true;
    }
    // A copy: the handler may rebind or reload while it runs.
    Handler handler = it->second;
    return handler(args);
}

bool FormWindow::closesOnEscape() const {
    return AsBool(stored(Prop::EscCloses));
}

void FormWindow::requestClose() {
    close();
}

int FormWindow::border() const {
    return AsInt(stored(Prop::Border));
}

QMargins FormWindow::nominalFrame() const {
    switch (border()) {
        case kBorderNone:
            return {};
        case kBorderFixed:
        case kBorderFixedSunken:
            return {3, 28, 3, 3};
        case kBorderSizableTool:
            return {4, 22, 4, 4};
        case kBorderFixedTool:
            return {3, 21, 3, 3};
        default:
            return {4, 30, 4, 4};
    }
}

Qt::WindowFlags FormWindow::flagsFromProperties() const {
    Qt::WindowFlags flags = Qt::Window;
    const int b = border();
    if (b == 0) {
        flags |= Qt::FramelessWindowHint;
    } else {
        if (b == 3 || b == 4) {
            flags = Qt::Tool;
        }
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (AsBool(stored(Prop::ControlBox))) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (AsBool(stored(Prop::MinButton))) {
                flags |= Qt::WindowMinimizeButtonHint;
            }
            if (AsBool(stored(Prop::MaxButton)) && !IsFixedBorder(b)) {
                flags |= Qt::WindowMaximizeButtonHint;
            }
        }
    }
    if (AsBool(stored(Prop::AlwaysOnTop))) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    return flags;
}

void FormWindow::updateFlags() {
    const Qt::WindowFlags flags = flagsFromProperties();
    if (flags == windowFlags()) {
        return;
    }
    // Through the native window, so that a shown window stays shown.
    overrideWindowFlags(flags);
    if (QWindow* native = windowHandle()) {
        native->setFlags(flags);
    }
    place();
    prepareNative();
    if (isVisible()) {
        platform::Current().KeepOnTop(this, AsBool(stored(Prop::AlwaysOnTop)));
    }
}

void FormWindow::prepareNative() {
    if (!built_) {
        return;
    }
    platform::WindowTraits traits;
    traits.movable = AsBool(stored(Prop::Movable));
    traits.showInTaskbar = AsBool(stored(Prop::ShowInTaskbar));
    traits.alwaysOnTop = AsBool(stored(Prop::AlwaysOnTop));
    traits.className = QByteArray::fromStdString(GbkToUtf8(AsText(stored(Prop::ClassName))));
    platform::Current().PrepareWindow(this, traits);
}

void FormWindow::applyBackground() {
    const Colour colour = AsColour(stored(Prop::BackColour));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour == kDefaultColour
                                       ? QApplication::palette().color(QPalette::Window)
                                       : ToQColor(colour));
    setPalette(pal);
    setAutoFillBackground(true);
}

void FormWindow::place() {
    const QMargins frame = nominalFrame();
    const int width = std::max(0, AsInt(stored(Prop::Width)) - frame.left() - frame.right());
    const int height = std::max(0, AsInt(stored(Prop::Height)) - frame.top() - frame.bottom());
    settingGeometry_ = true;
    if (IsFixedBorder(border())) {
        setFixedSize(width, height);
    } else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(width, height);
    }
    settingGeometry_ = false;
}

void FormWindow::placeUnits() {
    for (const auto& u : units_) {
        u->place();
    }
}

bool FormWindow::supportsOwn(Prop prop) const {
    return IsOneOf(
        prop, {Prop::Caption, Prop::Border, Prop::BackColour, Prop::ControlBox, Prop::MaxButton,
               Prop::MinButton, Prop::Position, Prop::Movable, Prop::EscCloses, Prop::ShowInTaskbar,
               Prop::FreeMove, Prop::AlwaysOnTop, Prop::ClassName});
}

Value FormWindow::read(Prop prop) const {
    if (built_) {
        if (prop == Prop::Left) {
            return pos().x();
        }
        if (prop == Prop::Top) {
            return pos().y();
        }
    }
    return stored(prop);
}

void FormWindow::apply(Prop prop, const Value& value) {
    if (!built_) {
        return;  // taken up by build()
    }
    switch (prop) {
        case Prop::Left:
        case Prop::Top:
            move(AsInt(stored(Prop::Left)), AsInt(stored(Prop::Top)));
            break;
        case Prop::Width:
        case Prop::Height:
            place();
            break;
        case Prop::Visible:
            if (AsBool(value)) {
                show();
            } else {
                hide();
            }
            break;
        case Prop::Disabled:
            setEnabled(!AsBool(value));
            break;
        case Prop::Caption:
            setWindowTitle(ToQString(AsText(value)));
            break;
        case Prop::Border:
            updateFlags();
            place();
            placeUnits();
            update();
            break;
        case Prop::ControlBox:
        case Prop::MaxButton:
        case Prop::MinButton:
        case Prop::AlwaysOnTop:
            updateFlags();
            break;
        case Prop::BackColour:
            applyBackground();
            break;
        case Prop::Movable:
        case Prop::ShowInTaskbar:
        case Prop::ClassName:
            prepareNative();
            break;
        default:
            break;
    }
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (!raiseEvent(std::string(kWindowUnit), Event::QueryClose, {})) {
        event->ignore();
        return;
    }
    keep(Prop::Visible, false);
    event->accept();
}

void FormWindow::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        // The window manager reads these only from a window about to be
        // mapped, and forgets some of them whenever the window is withdrawn.
        prepareNative();
        platform::Current().KeepOnTop(this, AsBool(stored(Prop::AlwaysOnTop)));
    }
    QWidget::showEvent(event);
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (settingGeometry_ || !built_ || IsFixedBorder(border())) {
        return;
    }
    // The user resized a sizable window: its outer size follows.
    const QMargins frame = nominalFrame();
    keep(Prop::Width, width() + frame.left() + frame.right());
    keep(Prop::Height, height() + frame.top() + frame.bottom());
}

void FormWindow::paintEvent(QPaintEvent* event) {
    trace::Span span("paint", name().c_str());
    QWidget::paintEvent(event);
    QPainter painter(this);
    for (const auto& u : units_) {
        if (u->parentUnit() == nullptr) {
            u->paintBeyondBox(painter);
        }
    }
    if (!HasClientEdge(border())) {
        return;
    }
    QStyleOptionFrame option;
    option.initFrom(this);
    option.frameShape = QFrame::Panel;
    option.state |= QStyle::State_Sunken;
    option.lineWidth = kClientEdge;
    option.midLineWidth = 0;
    style()->drawPrimitive(QStyle::PE_Frame, &option, &painter, this);
}

void FormWindow::mousePressEvent(QMouseEvent* event) {
    // Presses on the background, and on units that let them through, arrive
    // here. With FreeMove they drag the window; it is moved by hand, since a
    // move handed to the window manager fails where none is running.
    if (event->button() == Qt::LeftButton && AsBool(stored(Prop::FreeMove))) {
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - pos();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void FormWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void FormWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        move(event->globalPosition().toPoint() - dragOffset_);
        keep(Prop::Left, pos().x());
        keep(Prop::Top, pos().y());
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

}  // namespace avatrix::ui::detail
