#pragma once

#include <QApplication>
#include <QWidget>
#include <string>

#include "text/Literal.h"
#include "ui/Toolkit.h"

namespace avatrix::uitest {

// Windows live as long as the process, so every test loads its own.
inline std::string FreshName(const char* stem) {
    static int counter = 0;
    return std::string(stem) + "_" + std::to_string(++counter);
}

// The widget behind a unit, through its native handle as platform code gets it.
inline QWidget* WidgetOf(const std::string& window, std::string_view unit = ui::kWindowUnit) {
    return QWidget::find(ui::GetWindowHandle(window, unit));
}

inline ui::UnitLayout Row(std::string name, ui::Kind kind, int left, int top, int width, int height,
                          std::vector<ui::PropertyInit> properties = {}, std::string parent = "") {
    return ui::UnitLayout{std::move(name),  kind, left, top, width, height, std::move(properties),
                          std::move(parent)};
}

// A borderless window at (left, top) with the given units.
inline ui::WindowLayout Plain(std::string name, std::vector<ui::UnitLayout> units,
                              std::vector<ui::PropertyInit> extra = {}) {
    ui::WindowLayout layout;
    layout.name = std::move(name);
    layout.properties = {{ui::Prop::Border, 0},   {ui::Prop::Left, 100},
                         {ui::Prop::Top, 80},     {ui::Prop::Width, 300},
                         {ui::Prop::Height, 200}, {ui::Prop::Visible, true}};
    for (auto& p : extra) {
        layout.properties.push_back(std::move(p));
    }
    layout.units = std::move(units);
    return layout;
}

}  // namespace avatrix::uitest
