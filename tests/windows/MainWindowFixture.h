#pragma once

#include <gtest/gtest.h>

#include <QWidget>

#include "WaitUntil.h"
#include "text/Codepage.h"
#include "text/Literal.h"
#include "ui/TestHooks.h"
#include "ui/Toolkit.h"
#include "windows/MainWindowHandlers.h"
#include "windows/Windows.h"

namespace avatrix {
// Failure messages show GBK texts as readable characters.
inline void PrintTo(const Text& text, std::ostream* out) {
    *out << '"' << GbkToUtf8(text) << '"';
}
}  // namespace avatrix

namespace avatrix::windows::test {

inline constexpr char kBannerLabel[] = "透明标签1";

// MainWindow's layout without its Created handler: that one fetches the
// notice page from the web, which these tests have no business doing.
ui::WindowLayout MainWindowWithoutCreated();

// Windows live until the process ends, so each is loaded once per process.
void EnsureMainWindow();
void EnsureBannerWindow();

// The handler MainWindow's binding table names for (unit, event); fails the
// test when there is none.
ui::Handler BoundHandler(const std::string& unit, ui::Event event);

using avatrix::test::WaitUntil;

// The top-level widget behind a native window id (tests only: the handlers
// never see widgets).
QWidget* WidgetOfHandle(std::uint32_t handle);

// Loads MainWindow, puts every seam in recording mode and resets the units
// the handlers read, so that each test starts from the layout's state.
class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    static void SetContent(const char* unit, const Text& content);
    static Text Content(const char* unit);
    // Addresses opened since the test began.
    std::vector<Text> NewAddresses() const;

    std::size_t addressesBefore_ = 0;

    std::vector<ui::testing::MessageRecord> messages_;
};

}  // namespace avatrix::windows::test
