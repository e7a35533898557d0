#pragma once

#include <cstdint>

#include <QColor>
#include <QWidget>

#include "WaitUntil.h"

namespace avatrix::image::testing {

using avatrix::test::WaitUntil;

// A window painted in four known colours, one per quadrant.
class QuadrantWidget : public QWidget {
  public:
    static inline const QColor kColours[4] = {QColor(0x87, 0x47, 0x27), QColor(0x10, 0xF0, 0x38),
                                              QColor(0xFF, 0xFF, 0xFF), QColor(0x00, 0x00, 0xFF)};
    explicit QuadrantWidget(QWidget* parent = nullptr);
    // Colour of the quadrant holding (x, y), in widget device pixels.
    QColor ColourAt(int x, int y) const;

  protected:
    void paintEvent(QPaintEvent*) override;
};

// A top-level window at a fixed screen position, out of the window
// manager's hands, shown and painted on the screen before it returns.
// Returns false if it never showed.
bool ShowUnmanaged(QWidget& window, const QRect& geometry);

// True when the display is an X server (the display tests skip otherwise).
bool HaveX11Display();
// Screen pixel as 0x00BBGGRR.
std::uint32_t ScreenPixel(int x, int y);
std::uint32_t ColourRef(const QColor& c);

}  // namespace avatrix::image::testing
