// The tray menu's commands on the in-process agent window, with the real dialogs
// answered from a helper thread while this thread sits in their modal loops.
#include <gtest/gtest.h>

#include <memory>

#include "agent/agent_command.h"
#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/in_process_agent.h"
#include "tests/bench/ui_driver.h"
#include "ui/res/resource.h"

namespace {

constexpr DWORD kWaitMs = 5000;

struct Flags {
    int passOk = -1;
    int passCodeOpen = -1;
    int settingOpen = -1;
    int aboutOpen = -1;
};

Flags ReadFlags()
{
    return {g_passOk, g_passCodeDlgOpen, g_settingDlgOpen, g_aboutDlgOpen};
}

class AgentCommand : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { bench::StartInProcessAgentSuite(); }
    static void TearDownTestSuite() { bench::EndInProcessAgentSuite(); }

    void SetUp() override
    {
        agent_ = std::make_unique<bench::InProcessAgent>();
        hwnd_ = agent_->Window();
        ASSERT_NE(nullptr, hwnd_);
    }
    void TearDown() override { agent_.reset(); }

    LRESULT Command(WPARAM id) { return SendMessageA(hwnd_, WM_COMMAND, id, 0); }
    // A command from the helper thread while this one is in a modal loop; false when it
    // did not come back in time (it opened something that waits for the user).
    bool CommandReturns(WPARAM id)
    {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(hwnd_, WM_COMMAND, id, 0, SMTO_NORMAL, kWaitMs, &result) != 0;
    }
    static void EnterCode(HWND prompt, const char* code)
    {
        bench::TypeText(prompt, IDC_PASSCODE_EDIT, code);
        bench::ClickButton(prompt, IDOK);
        bench::WaitUntilGone(prompt, kWaitMs);
    }
    static void Close(HWND dialog, int button)
    {
        bench::ClickButton(dialog, button);
        bench::WaitUntilGone(dialog, kWaitMs);
    }
    static void ExpectAllClear()
    {
        EXPECT_EQ(0, g_passOk);
        EXPECT_EQ(0, g_passCodeDlgOpen);
        EXPECT_EQ(0, g_settingDlgOpen);
        EXPECT_EQ(0, g_aboutDlgOpen);
    }

    std::unique_ptr<bench::InProcessAgent> agent_;
    HWND hwnd_ = nullptr;
};

TEST_F(AgentCommand, ComputerLockLocksOnlyWithEasyPcLockAndAsksNothing)
{
    bench::UserThread user([] {});
    for (int off : {0, 2}) { // reached only by a forged command: the item is grayed
        g_computerLock = off;
        EXPECT_EQ(0, Command(CMD_COMPUTER_LOCK));
    }
    // The separators and unknown identifiers are no commands at all.
    g_computerLock = 1;
    for (WPARAM id : {1, 4, 6, 0x7FFF})
        Command(id);
    EXPECT_EQ(0, Command(MAKEWPARAM(CMD_COMPUTER_LOCK, 0)));
    EXPECT_TRUE(bench::WaitForLocks(1, 10000));
    bench::PumpMessages(1500);
    user.Finish();
    EXPECT_EQ(1, bench::LockCount());
    EXPECT_TRUE(user.Unexpected().empty());
    EXPECT_TRUE(IsWindow(hwnd_));
}

TEST_F(AgentCommand, SettingWithAWrongCodeOrCancelClosesThePromptAndOpensNothing)
{
    for (const char* code : {"1234", "08306", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(code ? code : "Cancel");
        HWND prompt = nullptr;
        HWND owner = nullptr;
        Flags during;
        bench::UserThread user([&] {
            prompt = bench::WaitForDialog("PassCode", kWaitMs);
            if (!prompt)
                return;
            owner = GetWindow(prompt, GW_OWNER);
            during = ReadFlags();
            if (code)
                EnterCode(prompt, code);
            else
                Close(prompt, IDCANCEL);
        });
        EXPECT_EQ(0, Command(CMD_SETTING));
        user.Finish();
        EXPECT_NE(nullptr, prompt);
        EXPECT_EQ(hwnd_, owner);
        EXPECT_EQ(1, during.passCodeOpen);
        EXPECT_TRUE(user.Unexpected().empty()) << user.Unexpected().front();
        ExpectAllClear();
    }
}

TEST_F(AgentCommand, SettingWithTheRightCodeOpensTheSettingDialogAndThenForgetsTheCode)
{
    for (int round = 0; round < 2; ++round) {
        HWND setting = nullptr;
        HWND owner = nullptr;
        Flags during;
        bench::UserThread user([&] {
            HWND prompt = bench::WaitForDialog("PassCode", kWaitMs);
            if (!prompt)
                return;
            EnterCode(prompt, bench::kTestPassCode);
            setting = bench::WaitForDialog("Setting", kWaitMs);
            if (!setting)
                return;
            owner = GetWindow(setting, GW_OWNER);
            during = ReadFlags();
            Close(setting, IDCANCEL);
        });
        EXPECT_EQ(0, Command(CMD_SETTING));
        user.Finish();
        ASSERT_NE(nullptr, setting) << round;
        EXPECT_EQ(hwnd_, owner);
        EXPECT_EQ(1, during.passOk);
        EXPECT_EQ(0, during.passCodeOpen);
        EXPECT_EQ(1, during.settingOpen);
        EXPECT_TRUE(user.Unexpected().empty());
        ExpectAllClear(); // so the next Setting asks again
    }
}

TEST_F(AgentCommand, CommandsMeetTheOpenPromptAndSettingDialogGuards)
{
    struct {
        bool settingReturned = false;
        bool exitReturned = false;
        size_t promptsWhileOpen = 0;
        HWND setting = nullptr;
        HWND secondPrompt = nullptr;
        Flags duringSecondPrompt;
        size_t settingDialogs = 0;
    } seen;
    bench::UserThread user([&] {
        HWND prompt = bench::WaitForDialog("PassCode", kWaitMs);
        if (!prompt)
            return;
        // A second Setting or an Exit while the prompt is open: no second prompt.
        seen.settingReturned = CommandReturns(CMD_SETTING);
        seen.exitReturned = CommandReturns(CMD_EXIT);
        seen.promptsWhileOpen = bench::FindDialogs("PassCode", true).size();
        EnterCode(prompt, bench::kTestPassCode);
        seen.setting = bench::WaitForDialog("Setting", kWaitMs);
        if (!seen.setting)
            return;
        // Setting again while the Setting dialog is open: asked, but no second dialog.
        PostMessageA(hwnd_, WM_COMMAND, CMD_SETTING, 0);
        seen.secondPrompt = bench::WaitForDialog("PassCode", kWaitMs);
        if (seen.secondPrompt) {
            seen.duringSecondPrompt = ReadFlags();
            EnterCode(seen.secondPrompt, bench::kTestPassCode);
        }
        bench::Sync(hwnd_);
        seen.settingDialogs = bench::FindDialogs("Setting", true).size();
        Close(seen.setting, IDCANCEL);
    });
    EXPECT_EQ(0, Command(CMD_SETTING));
    user.Finish();
    EXPECT_TRUE(seen.settingReturned);
    EXPECT_TRUE(seen.exitReturned);
    EXPECT_EQ(1u, seen.promptsWhileOpen);
    EXPECT_NE(nullptr, seen.setting) << "the first prompt's answer still counts";
    EXPECT_NE(nullptr, seen.secondPrompt);
    EXPECT_EQ(1, seen.duringSecondPrompt.settingOpen);
    EXPECT_EQ(1, seen.duringSecondPrompt.passCodeOpen);
    EXPECT_EQ(1u, seen.settingDialogs);
    EXPECT_TRUE(user.Unexpected().empty());
    EXPECT_TRUE(IsWindow(hwnd_));
    ExpectAllClear();
}

TEST_F(AgentCommand, AboutShowsOneVersionInfoWhileItsOwnIsOpen)
{
    for (int round = 0; round < 2; ++round) {
        HWND about = nullptr;
        HWND owner = nullptr;
        Flags during;
        bool secondReturned = false;
        size_t dialogs = 0;
        bench::UserThread user([&] {
            about = bench::WaitForDialog("Version Info", kWaitMs);
            if (!about)
                return;
            owner = GetWindow(about, GW_OWNER);
            during = ReadFlags();
            secondReturned = CommandReturns(CMD_ABOUT);
            dialogs = bench::FindDialogs("Version Info", true).size();
            Close(about, IDOK);
        });
        EXPECT_EQ(0, Command(CMD_ABOUT));
        user.Finish();
        ASSERT_NE(nullptr, about) << round;
        EXPECT_EQ(hwnd_, owner);
        EXPECT_EQ(1, during.aboutOpen);
        EXPECT_TRUE(secondReturned);
        EXPECT_EQ(1u, dialogs);
        EXPECT_TRUE(user.Unexpected().empty());
        ExpectAllClear(); // so the next About... shows it again
    }
}

TEST_F(AgentCommand, ExitWithCancelOrAWrongCodeKeepsTheAgentAndIgnoresAnEarlierVerdict)
{
    for (const char* code : {static_cast<const char*>(nullptr), "8307"}) {
        SCOPED_TRACE(code ? code : "Cancel");
        g_passOk = 1; // as a Setting prompt may leave it
        HWND prompt = nullptr;
        Flags during;
        bench::UserThread user([&] {
            prompt = bench::WaitForDialog("PassCode", kWaitMs);
            if (!prompt)
                return;
            during = ReadFlags();
            if (code)
                EnterCode(prompt, code);
            else
                Close(prompt, IDCANCEL);
        });
        EXPECT_EQ(0, Command(CMD_EXIT));
        user.Finish();
        EXPECT_NE(nullptr, prompt);
        EXPECT_EQ(0, during.passOk) << "cleared before the prompt";
        EXPECT_EQ(1, during.passCodeOpen);
        EXPECT_TRUE(user.Unexpected().empty());
        EXPECT_TRUE(IsWindow(hwnd_));
        EXPECT_TRUE(bench::TrayIconExists(hwnd_));
        ExpectAllClear();
    }
}

TEST_F(AgentCommand, ExitWithTheRightCodeEndsTheMessageLoop)
{
    const DWORD thread = GetCurrentThreadId();
    HWND prompt = nullptr;
    bool windowGone = false;
    bench::UserThread user([&] {
        prompt = bench::WaitForDialog("PassCode", kWaitMs);
        if (prompt)
            EnterCode(prompt, bench::kTestPassCode);
        windowGone = bench::WaitUntilGone(hwnd_, 10000);
        if (!windowGone) // never leave the loop below running
            PostThreadMessageA(thread, WM_QUIT, 99, 0);
    });
    PostMessageA(hwnd_, WM_COMMAND, CMD_EXIT, 0);
    // The agent's own loop.
    MSG msg = {};
    int got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    user.Finish();
    EXPECT_NE(nullptr, prompt);
    EXPECT_TRUE(windowGone);
    EXPECT_EQ(0, got);
    EXPECT_EQ(0u, msg.wParam);
    EXPECT_FALSE(IsWindow(hwnd_));
    EXPECT_FALSE(bench::TrayIconExists(hwnd_));
    EXPECT_TRUE(user.Unexpected().empty());
}

} // namespace
