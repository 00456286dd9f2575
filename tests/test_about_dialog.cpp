// The Version Info dialog, opened from its real template and closed the ways a user can.
#include <gtest/gtest.h>

#include "tests/bench/in_process_agent.h"
#include "tests/bench/ui_driver.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"

namespace {

using AboutDialog = bench::InProcessAgent;

TEST_F(AboutDialog, OpensCentredAndEveryWayOutEndsWithOne)
{
    const struct {
        const char* name;
        void (*act)(HWND);
    } ways[] = {
        {"OK", [](HWND d) { bench::Click(d, IDOK); }},
        {"Enter", [](HWND d) { bench::PressKey(d, VK_RETURN); }},
        // Nothing to cancel here: Escape and the close box end it as OK does.
        {"Escape", [](HWND d) { bench::PressKey(d, VK_ESCAPE); }},
        {"close box", bench::ClickCloseBox},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        EXPECT_EQ(1, bench::RunDialog(IDD_VERSION_INFO, AboutDlgProc, [&](HWND d) {
                      EXPECT_TRUE(bench::IsCentred(d));
                      way.act(d);
                  }));
    }
}

} // namespace
