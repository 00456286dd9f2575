// The Version Info dialog, opened from its real template and closed the ways a user can.
#include <gtest/gtest.h>

#include "tests/bench/bench.h"
#include "tests/bench/dialog_driver.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"

namespace {

// Where the dialog should stand: in the middle of the screen, by its own size.
void ExpectCentred(HWND dialog)
{
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2, rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2, rect.top);
}

TEST(AboutDialog, OpensCentredAndEveryWayOutEndsWithOne)
{
    bench::UseOwnModuleAsAgent();
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
        bench::DialogRun run = bench::RunDialog(IDD_VERSION_INFO, AboutDlgProc, [&](HWND d) {
            ExpectCentred(d);
            way.act(d);
        });
        EXPECT_TRUE(run.shown);
        EXPECT_FALSE(run.leftOpen);
        EXPECT_EQ(1, run.result);
    }
}

} // namespace
