// The PassCode dialog: typed codes, OK, Enter, Cancel and Escape, and the verdict in g_passOk.
#include <gtest/gtest.h>

#include "agent/agent_command.h"
#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/dialog_driver.h"
#include "tests/bench/stored_values.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"

namespace {

class PassCodeDialog : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { bench::UseOwnModuleAsAgent(); }
    void TearDown() override { bench::ClearRegistry(); }

    // Types `code` into the box and ends the dialog with `end`: OK, Enter, Cancel or Escape.
    static bench::DialogRun Enter(const char* code, const char* end)
    {
        g_passOk = 7; // neither verdict, so each run must write its own
        return bench::RunDialog(IDD_PASSCODE, PassCodeDlgProc, [&](HWND d) {
            bench::Type(d, IDC_PASSCODE_EDIT, code);
            if (lstrcmpA(end, "OK") == 0)
                bench::Click(d, IDOK);
            else if (lstrcmpA(end, "Cancel") == 0)
                bench::Click(d, IDCANCEL);
            else
                bench::PressKey(d, lstrcmpA(end, "Enter") == 0 ? VK_RETURN : VK_ESCAPE);
        });
    }
};

TEST_F(PassCodeDialog, OnlyTheExactTextOfTheCodeInForceOpensTheGate)
{
    lstrcpyA(g_passCode, "8306");
    const struct {
        const char *typed, *end;
        INT_PTR result;
        int passOk;
    } cases[] = {
        {"8306", "OK", 1, 1},     {"8306", "Enter", 1, 1},
        {"8a3x06", "OK", 1, 1}, // the box takes digits only
        {"8307", "OK", 1, 0},   // refused without a word: the dialog just closes
        {"", "OK", 1, 0},         {"08306", "Enter", 1, 0}, // texts, not numbers
        {"830", "OK", 1, 0},      {"83066", "OK", 1, 0},
        {"8306", "Cancel", 2, 0}, {"8306", "Escape", 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\", then " + c.end);
        bench::DialogRun run = Enter(c.typed, c.end);
        EXPECT_TRUE(run.shown);
        EXPECT_FALSE(run.leftOpen);
        EXPECT_EQ(c.result, run.result);
        EXPECT_EQ(c.passOk, g_passOk);
    }
}

TEST_F(PassCodeDialog, OpensCentredWithAnEmptyMaskedBoxWhereverTheMouseIs)
{
    SetCursorPos(3, 3); // DS_CENTERMOUSE would put it under the pointer
    bench::RunDialog(IDD_PASSCODE, PassCodeDlgProc, [](HWND d) {
        RECT rect = {};
        GetWindowRect(d, &rect);
        EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2, rect.left);
        EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2, rect.top);
        EXPECT_EQ("", bench::ItemText(d, IDC_PASSCODE_EDIT));
        EXPECT_NE(0, SendDlgItemMessageA(d, IDC_PASSCODE_EDIT, EM_GETPASSWORDCHAR, 0, 0));
        bench::Click(d, IDCANCEL);
    });
}

TEST_F(PassCodeDialog, TheCodeInForceComesFromTheStoreOrIsTheDefault)
{
    bench::ClearRegistry();
    g_passCode[0] = '\0';
    LoadRuntimeOptions();
    EXPECT_EQ(0, (Enter("1234", "OK"), g_passOk));
    EXPECT_EQ(1, (Enter("8306", "OK"), g_passOk));

    bench::StoreText("AppDirectory", "12345");
    g_passCode[0] = '\0';
    LoadRuntimeOptions();
    EXPECT_EQ(0, (Enter("8306", "OK"), g_passOk));
    EXPECT_EQ(1, (Enter("12345", "OK"), g_passOk));
}

} // namespace
