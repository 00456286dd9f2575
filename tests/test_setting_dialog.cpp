// The Setting dialog, opened from its real template against the real registry: what it
// shows at opening, the immediate and the OK-time writes, the list buttons, the length rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/dialog_driver.h"
#include "tests/bench/stored_values.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"
#include "watch/address_lookup.h"
#include "watch/check_cycle.h"

namespace {

using Texts = std::vector<std::string>;
constexpr DWORD kAbsent = 0xDEADu;

class SettingDialog : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 0), &data));
        bench::UseOwnModuleAsAgent();
    }
    static void TearDownTestSuite() { WSACleanup(); }

    void SetUp() override
    {
        bench::ClearRegistry();
        ASSERT_TRUE(bench::SetResolverAnswer({"10.0.0.7"}));
        g_currentAddress[0] = '\0';
        g_confirmBox = g_computerLock = g_quickClick = g_recordLog = 0;
        lstrcpyA(g_passCode, "8306");
    }
    void TearDown() override { bench::ClearRegistry(); } // the Run value included

    static bench::DialogRun Open(const std::function<void(HWND)>& user)
    {
        return bench::RunDialog(IDD_SETTING, SettingDlgProc, user);
    }
    static bool Enabled(HWND d, int id) { return IsWindowEnabled(GetDlgItem(d, id)) != FALSE; }
    static Texts Listed(HWND d)
    {
        Texts texts;
        const LRESULT n = SendDlgItemMessageA(d, IDC_TRUSTED_LIST, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[256] = {};
            SendDlgItemMessageA(d, IDC_TRUSTED_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            texts.push_back(text);
        }
        return texts;
    }
    static void StoreList(const Texts& slots) // "" leaves a slot out
    {
        for (size_t i = 0; i < slots.size(); ++i)
            if (!slots[i].empty())
                bench::StoreText(("IPList_" + std::to_string(i + 1)).c_str(), slots[i].c_str());
    }
    static Texts StoredList() // all five slots, "-" for a missing one
    {
        Texts slots;
        for (int i = 1; i <= 5; ++i) {
            std::string text;
            slots.push_back(bench::StoredText(("IPList_" + std::to_string(i)).c_str(), text) ? text
                                                                                             : "-");
        }
        return slots;
    }
    static DWORD Number(const char* name)
    {
        DWORD value = kAbsent;
        return bench::StoredNumber(name, value) ? value : kAbsent;
    }
    static std::string Text(const char* name)
    {
        std::string text = "-";
        bench::StoredText(name, text);
        return text;
    }
    static void SetText(HWND d, int id, const char* text)
    {
        SendDlgItemMessageA(d, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
};

TEST_F(SettingDialog, OpensWithTheStoredValuesTheCodeInForceAndAFreshAddress)
{
    for (const char* name : {"DEBUG_chk", "IP_list", "ComputerLock", "QuickClick"})
        bench::StoreNumber(name, 1);
    bench::StoreRunValue("C:\\elsewhere\\Korvane.EXE");
    StoreList({"192.168.0.9", "192.168.0.10", "10.0.0.1", "", "172.16.0.1"});
    lstrcpyA(g_passCode, "4711");

    bench::DialogRun run = Open([](HWND d) {
        for (int id :
             {IDC_AUTO_START, IDC_DEBUG_BOX, IDC_RECORD_IPLOG, IDC_EASY_PC_LOCK, IDC_QUICK_LOCK})
            EXPECT_TRUE(bench::IsChecked(d, id)) << id;
        EXPECT_TRUE(Enabled(d, IDC_QUICK_LOCK));
        EXPECT_FALSE(Enabled(d, IDC_RECORD_IPLOG));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_RECORD_IPLOG)));
        EXPECT_EQ("4711", bench::ItemText(d, IDC_PASSCODE_EDIT));
        EXPECT_EQ(0, SendDlgItemMessageA(d, IDC_PASSCODE_EDIT, EM_GETPASSWORDCHAR, 0, 0));
        EXPECT_EQ("10.0.0.7", bench::ItemText(d, IDC_CURRENT_ADDRESS));
        EXPECT_STREQ("10.0.0.7", g_currentAddress);
        EXPECT_STREQ("IP is 10.0.0.7", g_tipText);
        // Sorted as text; the list ends at the first missing slot.
        EXPECT_EQ((Texts{"10.0.0.1", "192.168.0.10", "192.168.0.9"}), Listed(d));
        EXPECT_TRUE(Enabled(d, IDC_ADD));
        EXPECT_TRUE(Enabled(d, IDC_DELETE));
        SetText(d, IDC_PASSCODE_EDIT, "99999");
        bench::PressKey(d, VK_ESCAPE);
    });
    EXPECT_EQ(2, run.result);
    EXPECT_EQ("-", Text("AppDirectory"));
    EXPECT_STREQ("4711", g_passCode);
    EXPECT_EQ((Texts{"192.168.0.9", "192.168.0.10", "10.0.0.1", "-", "172.16.0.1"}), StoredList());
}

TEST_F(SettingDialog, EmptyStoreAddTwiceThenOkStoresEveryBoxTheCodeAndTheList)
{
    g_recordLog = 1;
    bench::DialogRun run = Open([](HWND d) {
        for (int id :
             {IDC_AUTO_START, IDC_DEBUG_BOX, IDC_RECORD_IPLOG, IDC_EASY_PC_LOCK, IDC_QUICK_LOCK})
            EXPECT_FALSE(bench::IsChecked(d, id)) << id;
        EXPECT_FALSE(Enabled(d, IDC_QUICK_LOCK));
        EXPECT_TRUE(Listed(d).empty());
        EXPECT_TRUE(Enabled(d, IDC_ADD));
        EXPECT_FALSE(Enabled(d, IDC_DELETE));
        bench::Click(d, IDC_ADD);
        bench::Click(d, IDC_ADD); // already listed: nothing changes
        EXPECT_EQ((Texts{"10.0.0.7"}), Listed(d));
        EXPECT_TRUE(Enabled(d, IDC_ADD));
        EXPECT_TRUE(Enabled(d, IDC_DELETE));
        bench::Click(d, IDOK);
    });
    EXPECT_EQ(1, run.result);
    EXPECT_EQ(0u, Number("ComputerLock"));
    EXPECT_EQ(0u, Number("QuickClick"));
    EXPECT_EQ(0u, Number("IP_list")); // absent before: now stored as 0 and in force
    EXPECT_EQ(0, g_recordLog);
    EXPECT_EQ(kAbsent, Number("DEBUG_chk")); // only its own clicks store it
    EXPECT_EQ("8306", Text("AppDirectory")); // the default reaches the store
    std::string run_value;
    EXPECT_FALSE(bench::RunValue(run_value));
    EXPECT_EQ((Texts{"10.0.0.7", "-", "-", "-", "-"}), StoredList());
}

TEST_F(SettingDialog, FiveAddressesDeleteAddAndTheStoredOrderIsTheTextOrder)
{
    StoreList({"192.168.0.9", "192.168.0.10", "10.0.0.1", "10.0.0.2", "172.16.0.1"});
    bench::DialogRun run = Open([](HWND d) {
        EXPECT_FALSE(Enabled(d, IDC_ADD));
        EXPECT_TRUE(Enabled(d, IDC_DELETE));
        bench::Click(d, IDC_DELETE); // nothing selected: nothing removed
        EXPECT_EQ(5u, Listed(d).size());
        EXPECT_TRUE(Enabled(d, IDC_DELETE));
        SendDlgItemMessageA(d, IDC_TRUSTED_LIST, LB_SETCURSEL, 1, 0); // 10.0.0.2
        bench::Click(d, IDC_DELETE);
        EXPECT_EQ((Texts{"10.0.0.1", "172.16.0.1", "192.168.0.10", "192.168.0.9"}), Listed(d));
        EXPECT_EQ(LB_ERR, SendDlgItemMessageA(d, IDC_TRUSTED_LIST, LB_GETCURSEL, 0, 0));
        EXPECT_TRUE(Enabled(d, IDC_ADD));
        bench::Click(d, IDC_ADD);
        EXPECT_FALSE(Enabled(d, IDC_ADD));
        bench::PressKey(d, VK_RETURN);
    });
    EXPECT_EQ(1, run.result);
    EXPECT_EQ((Texts{"10.0.0.1", "10.0.0.7", "172.16.0.1", "192.168.0.10", "192.168.0.9"}),
              StoredList());
}

TEST_F(SettingDialog, AListThatStartsWithAGapOpensEmptyAndOkClearsIt)
{
    StoreList({"", "192.168.0.2"});
    Open([](HWND d) {
        EXPECT_TRUE(Listed(d).empty());
        EXPECT_FALSE(Enabled(d, IDC_DELETE));
        bench::Click(d, IDOK);
    });
    EXPECT_EQ((Texts{"-", "-", "-", "-", "-"}), StoredList());
}

TEST_F(SettingDialog, ACodeOutsideFourToTwentyThreeDigitsIsRefusedWithAWarning)
{
    const std::string longest(23, '7');
    bench::DialogRun run = Open([&](HWND d) {
        for (std::string bad : {std::string("123"), std::string(24, '7')}) {
            SCOPED_TRACE(bad.size());
            SetText(d, IDC_PASSCODE_EDIT, bad.c_str());
            bench::ClickLater(d, IDOK); // the warning box holds the click until it is answered
            bench::MessageBoxSeen box = bench::AnswerMessageBox(d);
            EXPECT_TRUE(box.found);
            EXPECT_EQ("Check !", box.caption);
            EXPECT_EQ("Please change PassCode lenght.", box.text);
            EXPECT_TRUE(box.warningIcon);
            EXPECT_TRUE(IsWindowVisible(d));
            EXPECT_EQ(bad, bench::ItemText(d, IDC_PASSCODE_EDIT));
            EXPECT_EQ(kAbsent, Number("ComputerLock"));
        }
        SetText(d, IDC_PASSCODE_EDIT, longest.c_str());
        bench::Click(d, IDOK);
    });
    EXPECT_EQ(1, run.result);
    EXPECT_EQ(longest, Text("AppDirectory"));
    EXPECT_EQ(longest, g_passCode);

    run = Open([](HWND d) {
        SetText(d, IDC_PASSCODE_EDIT, "");
        bench::Type(d, IDC_PASSCODE_EDIT, "0-0x00"); // digits only: "0000"
        bench::PressKey(d, VK_RETURN);
    });
    EXPECT_EQ(1, run.result);
    EXPECT_FALSE(run.leftOpen);
    EXPECT_STREQ("0000", g_passCode);
    EXPECT_EQ("0000", Text("AppDirectory"));
}

TEST_F(SettingDialog, DebugBoxAndQuickLockAreStoredAtTheClickAndCancelKeepsThem)
{
    bench::StoreNumber("ComputerLock", 1);
    bench::DialogRun run = Open([](HWND d) {
        bench::Click(d, IDC_DEBUG_BOX);
        EXPECT_EQ(1u, Number("DEBUG_chk"));
        EXPECT_EQ(1, g_confirmBox);
        bench::Click(d, IDC_QUICK_LOCK);
        EXPECT_EQ(1u, Number("QuickClick"));
        EXPECT_EQ(1, g_quickClick);
        bench::Click(d, IDC_AUTO_START); // read only on OK
        bench::Click(d, IDCANCEL);
    });
    EXPECT_EQ(2, run.result);
    EXPECT_EQ(1u, Number("DEBUG_chk"));
    EXPECT_EQ(1u, Number("QuickClick"));
    EXPECT_EQ(1, g_confirmBox);
    EXPECT_EQ(1, g_quickClick);
    std::string run_value;
    EXPECT_FALSE(bench::RunValue(run_value));

    Open([](HWND d) {
        EXPECT_TRUE(bench::IsChecked(d, IDC_DEBUG_BOX));
        bench::Click(d, IDC_DEBUG_BOX);
        bench::ClickCloseBox(d);
    });
    EXPECT_EQ(0u, Number("DEBUG_chk"));
    EXPECT_EQ(0, g_confirmBox);
}

TEST_F(SettingDialog, EasyPcLockOffKeepsQuickLocksMarkAndOkStoresBoth)
{
    bench::StoreNumber("ComputerLock", 1);
    bench::StoreNumber("QuickClick", 1);
    g_computerLock = 1;
    Open([](HWND d) {
        bench::Click(d, IDC_EASY_PC_LOCK);
        EXPECT_FALSE(Enabled(d, IDC_QUICK_LOCK));
        EXPECT_TRUE(bench::IsChecked(d, IDC_QUICK_LOCK));
        EXPECT_EQ(1u, Number("ComputerLock")); // not before OK
        EXPECT_EQ(1, g_computerLock);
        bench::Click(d, IDC_AUTO_START);
        bench::Click(d, IDOK);
    });
    EXPECT_EQ(0u, Number("ComputerLock"));
    EXPECT_EQ(1u, Number("QuickClick"));
    EXPECT_EQ(0, g_computerLock);
    EXPECT_EQ(1, g_quickClick);
    // The store decides what the Run value says; the dialog decides whether there is one.
    std::string run_value;
    EXPECT_TRUE(bench::RunValue(run_value));
    Open([](HWND d) {
        EXPECT_TRUE(bench::IsChecked(d, IDC_AUTO_START));
        bench::Click(d, IDC_AUTO_START);
        bench::Click(d, IDOK);
    });
    EXPECT_FALSE(bench::RunValue(run_value));
}

TEST_F(SettingDialog, WithoutComputerLockStoredQuickLockIsOffUntilEasyPcLockIsChecked)
{
    bench::StoreNumber("QuickClick", 1);
    bench::StoreNumber("DEBUG_chk", 2); // only 1 is on
    bench::StoreNumber("IP_list", 5);
    g_recordLog = 1;
    Open([](HWND d) {
        EXPECT_FALSE(bench::IsChecked(d, IDC_EASY_PC_LOCK));
        EXPECT_FALSE(bench::IsChecked(d, IDC_QUICK_LOCK));
        EXPECT_FALSE(Enabled(d, IDC_QUICK_LOCK));
        EXPECT_FALSE(bench::IsChecked(d, IDC_DEBUG_BOX));
        EXPECT_FALSE(bench::IsChecked(d, IDC_RECORD_IPLOG));
        bench::Click(d, IDC_EASY_PC_LOCK);
        EXPECT_TRUE(Enabled(d, IDC_QUICK_LOCK));
        EXPECT_TRUE(bench::IsChecked(d, IDC_QUICK_LOCK)); // the stored "QuickClick"
        bench::Click(d, IDOK);
    });
    EXPECT_EQ(1u, Number("ComputerLock"));
    EXPECT_EQ(1u, Number("QuickClick"));
    EXPECT_EQ(0u, Number("IP_list"));
    EXPECT_EQ(0, g_recordLog);
    EXPECT_EQ(2u, Number("DEBUG_chk"));
}

// Before any lookup succeeds Add lists an empty entry (each time); OK stores none of them,
// and the real addresses still start at "IPList_1".
TEST_F(SettingDialog, EmptyEntriesFromAFailedLookupAreNotStored)
{
    ASSERT_TRUE(bench::SetResolverAnswer({}));
    StoreList({"192.168.0.9", "10.0.0.1"});
    Open([](HWND d) {
        EXPECT_EQ("", bench::ItemText(d, IDC_CURRENT_ADDRESS));
        EXPECT_STREQ("IP is ", g_tipText);
        bench::Click(d, IDC_ADD);
        bench::Click(d, IDC_ADD);
        EXPECT_EQ((Texts{"", "", "10.0.0.1", "192.168.0.9"}), Listed(d));
        bench::Click(d, IDOK);
    });
    EXPECT_EQ((Texts{"10.0.0.1", "192.168.0.9", "-", "-", "-"}), StoredList());
}

} // namespace
