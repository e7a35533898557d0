#pragma once

#include <QMargins>
#include <QPoint>
#include <QWidget>
#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/Toolkit.h"
#include "ui/Unit.h"

namespace avatrix::ui::detail {

// A window of the program: the top-level widget, its own window unit, its
// units in creation order and its binding table.
class FormWindow final : public QWidget, public Unit {
  public:
    explicit FormWindow(const WindowLayout& layout);

    // Creates the units, then shows the window as its properties say.
    void build(const WindowLayout& layout);
    void showAsLaidOut();

    QWidget* widget() const override { return const_cast<FormWindow*>(this); }
    QPoint childOrigin() const override;

    Unit* unit(std::string_view name);
    const std::vector<std::unique_ptr<Unit>>& units() const { return units_; }
    bool owns(const QWidget* widget) const;

    bool raiseEvent(const std::string& unit, Event event, const EventArgs& args);

    bool closesOnEscape() const;
    void requestClose();

    void place() override;
    // Places every unit again, after a container's client area moved.
    void placeUnits();

  protected:
    bool supportsOwn(Prop prop) const override;
    Value read(Prop prop) const override;
    void apply(Prop prop, const Value& value) override;

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int border() const;
    // The frame a window manager draws around the client area, as the
    // window's outer size counts it.
    QMargins nominalFrame() const;
    Qt::WindowFlags flagsFromProperties() const;
    void updateFlags();
    void prepareNative();
    void applyBackground();

    std::vector<std::unique_ptr<Unit>> units_;
    std::map<std::pair<std::string, Event>, Handler> bindings_;
    bool built_ = false;
    bool settingGeometry_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace avatrix::ui::detail
