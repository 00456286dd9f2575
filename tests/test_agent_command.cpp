// The tray menu's commands on the in-process agent window, with the real dialogs
// answered from a helper thread while this thread sits in their modal loops.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "agent/agent_command.h"
#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/in_process_agent.h"
#include "tests/bench/ui_driver.h"
#include "ui/res/resource.h"

namespace {

// g_passOk and the open flags of PassCode, Setting and Version Info, as "1 0 1 0".
std::string Flags()
{
    char text[32];
    std::snprintf(text, sizeof text, "%d %d %d %d", g_passOk, g_passCodeDlgOpen, g_settingDlgOpen,
                  g_aboutDlgOpen);
    return text;
}

class AgentCommand : public bench::InProcessAgent {
  protected:
    void SetUp() override
    {
        InProcessAgent::SetUp();
        StartAgentWindow();
    }
    LRESULT Command(WPARAM id) { return SendMessageA(hwnd_, WM_COMMAND, id, 0); }
    // A command from the helper thread while this one is in a modal loop; false when it
    // did not come back (it opened something that waits for the user).
    bool CommandReturns(WPARAM id)
    {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(hwnd_, WM_COMMAND, id, 0, SMTO_NORMAL, 3000, &result) != 0;
    }
    // Answers the pass code prompt: a code and OK, or Cancel when code is nullptr.
    static void Answer(HWND prompt, const char* code)
    {
        if (code)
            bench::Type(prompt, IDC_PASSCODE_EDIT, code);
        bench::Click(prompt, code ? IDOK : IDCANCEL);
    }
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
    EXPECT_EQ(0, Command(CMD_COMPUTER_LOCK));
    EXPECT_TRUE(bench::WaitForLocks(1, 10000));
    bench::PumpMessages(1500);
    user.Finish();
    EXPECT_EQ(1, bench::LockCount());
    EXPECT_EQ(0, user.Count());
}

TEST_F(AgentCommand, AWrongCodeOrCancelEndsSettingAndExitWithNothingMore)
{
    for (WPARAM command : {CMD_SETTING, CMD_EXIT}) {
        for (const char* code : {"1234", "08306", static_cast<const char*>(nullptr)}) {
            SCOPED_TRACE(testing::Message() << command << " " << (code ? code : "Cancel"));
            g_passOk = 1; // as an earlier prompt may leave it
            HWND owner = nullptr;
            std::string during;
            bench::UserThread user([&] {
                if (HWND prompt = bench::WaitForDialog("PassCode")) {
                    owner = GetWindow(prompt, GW_OWNER);
                    during = Flags();
                    Answer(prompt, code);
                }
            });
            EXPECT_EQ(0, Command(command));
            user.Finish();
            EXPECT_EQ(hwnd_, owner);
            // Exit clears an earlier verdict before it asks.
            EXPECT_EQ(command == CMD_EXIT ? "0 1 0 0" : "1 1 0 0", during);
            EXPECT_EQ(0, user.Count());
            EXPECT_EQ("0 0 0 0", Flags());
            EXPECT_TRUE(bench::TrayIconExists(hwnd_));
        }
    }
}

TEST_F(AgentCommand, TheRightCodeOpensOneSettingDialogOnceAndTheGuardsHoldMeanwhile)
{
    bool settingReturned = false, exitReturned = false;
    size_t prompts = 0, settingDialogs = 0;
    HWND owner = nullptr;
    std::string duringSetting, duringSecondPrompt;
    bench::UserThread user([&] {
        HWND prompt = bench::WaitForDialog("PassCode");
        if (!prompt)
            return;
        // A second Setting or an Exit while the prompt is open: no second prompt.
        settingReturned = CommandReturns(CMD_SETTING);
        exitReturned = CommandReturns(CMD_EXIT);
        prompts = bench::FindDialogs("PassCode", true).size();
        Answer(prompt, bench::kTestPassCode); // the first prompt's answer still counts
        HWND setting = bench::WaitForDialog("Setting");
        if (!setting)
            return;
        owner = GetWindow(setting, GW_OWNER);
        duringSetting = Flags();
        // Setting again while the Setting dialog is open: asked, but no second dialog.
        PostMessageA(hwnd_, WM_COMMAND, CMD_SETTING, 0);
        if (HWND second = bench::WaitForDialog("PassCode")) {
            duringSecondPrompt = Flags();
            Answer(second, bench::kTestPassCode);
        }
        bench::Sync(hwnd_);
        settingDialogs = bench::FindDialogs("Setting", true).size();
        bench::Click(setting, IDCANCEL);
    });
    EXPECT_EQ(0, Command(CMD_SETTING));
    user.Finish();
    EXPECT_TRUE(settingReturned);
    EXPECT_TRUE(exitReturned);
    EXPECT_EQ(1u, prompts);
    EXPECT_EQ(hwnd_, owner);
    EXPECT_EQ("1 0 1 0", duringSetting);
    EXPECT_EQ("1 1 1 0", duringSecondPrompt);
    EXPECT_EQ(1u, settingDialogs);
    EXPECT_EQ(0, user.Count());
    EXPECT_TRUE(IsWindow(hwnd_));
    EXPECT_EQ("0 0 0 0", Flags()); // the code is forgotten: the next Setting asks again
}

TEST_F(AgentCommand, AboutShowsOneVersionInfoWhileItsOwnIsOpen)
{
    HWND owner = nullptr;
    std::string during;
    bool secondReturned = false;
    size_t dialogs = 0;
    bench::UserThread user([&] {
        HWND about = bench::WaitForDialog("Version Info");
        if (!about)
            return;
        owner = GetWindow(about, GW_OWNER);
        during = Flags();
        secondReturned = CommandReturns(CMD_ABOUT);
        dialogs = bench::FindDialogs("Version Info", true).size();
        bench::Click(about, IDOK);
    });
    EXPECT_EQ(0, Command(CMD_ABOUT));
    user.Finish();
    EXPECT_EQ(hwnd_, owner);
    EXPECT_EQ("0 0 0 1", during);
    EXPECT_TRUE(secondReturned);
    EXPECT_EQ(1u, dialogs);
    EXPECT_EQ(0, user.Count());
    EXPECT_EQ("0 0 0 0", Flags()); // so the next About... shows it again
}

TEST_F(AgentCommand, ExitWithTheRightCodeEndsTheAgentsMessageLoop)
{
    bench::UserThread user([] {
        if (HWND prompt = bench::WaitForDialog("PassCode"))
            Answer(prompt, bench::kTestPassCode);
    });
    EXPECT_EQ(0, Command(CMD_EXIT));
    user.Finish();
    EXPECT_FALSE(IsWindow(hwnd_));
    MSG quit; // what ends the agent's message loop
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0, user.Count());
}

} // namespace
