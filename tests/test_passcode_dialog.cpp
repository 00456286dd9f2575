// The PassCode dialog: typed codes, OK, Enter, Cancel and Escape, and the verdict in g_passOk.
#include <gtest/gtest.h>

#include "agent/agent_command.h"
#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/in_process_agent.h"
#include "tests/bench/stored_values.h"
#include "tests/bench/ui_driver.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"

namespace {

enum End { kOk, kEnter, kCancel, kEscape };

// Types `code` into the box and ends the dialog; returns its result, the verdict in g_passOk.
INT_PTR Enter(const char* code, End end)
{
    g_passOk = 7;       // neither verdict, so each run must write its own
    SetCursorPos(3, 3); // DS_CENTERMOUSE would put it under the pointer
    return bench::RunDialog(IDD_PASSCODE, PassCodeDlgProc, [&](HWND d) {
        EXPECT_TRUE(bench::IsCentred(d));
        EXPECT_EQ("", bench::ItemText(d, IDC_PASSCODE_EDIT));
        bench::Type(d, IDC_PASSCODE_EDIT, code);
        if (end == kOk || end == kCancel)
            bench::Click(d, end == kOk ? IDOK : IDCANCEL);
        else
            bench::PressKey(d, end == kEnter ? VK_RETURN : VK_ESCAPE);
    });
}

using PassCodeDialog = bench::InProcessAgent;

TEST_F(PassCodeDialog, OpensCentredAndEmptyAndOnlyTheExactTextOfTheCodeInForceOpensTheGate)
{
    g_passCode[0] = '\0';
    LoadRuntimeOptions(); // nothing stored: the default code
    const struct {
        const char* typed;
        End end;
        INT_PTR result;
        int passOk;
    } cases[] = {
        {"8306", kOk, 1, 1},     {"8306", kEnter, 1, 1},
        {"8a3x06", kOk, 1, 1}, // the box takes digits only
        {"8307", kOk, 1, 0},   // refused without a word: the dialog just closes
        {"", kOk, 1, 0},         {"08306", kEnter, 1, 0}, // texts, not numbers
        {"830", kOk, 1, 0},      {"83066", kOk, 1, 0},
        {"8306", kCancel, 2, 0}, {"8306", kEscape, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed \"" << c.typed << "\", then " << c.end);
        EXPECT_EQ(c.result, Enter(c.typed, c.end));
        EXPECT_EQ(c.passOk, g_passOk);
    }
}

TEST_F(PassCodeDialog, AStoredCodeReplacesTheDefault)
{
    bench::StoreText("AppDirectory", "12345");
    LoadRuntimeOptions();
    EXPECT_EQ(0, (Enter("8306", kOk), g_passOk));
    EXPECT_EQ(1, (Enter("12345", kOk), g_passOk));
}

} // namespace
