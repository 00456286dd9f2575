// The Setting dialog, opened from its real template against the real registry: what it
// shows at opening, the immediate and the OK-time writes, the list buttons, the length rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/in_process_agent.h"
#include "tests/bench/stored_values.h"
#include "tests/bench/ui_driver.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"
#include "watch/address_lookup.h"
#include "watch/check_cycle.h"

namespace {

using Texts = std::vector<std::string>;
using bench::IsChecked;
using bench::IsEnabled;
constexpr int kBoxes[] = {IDC_AUTO_START, IDC_DEBUG_BOX, IDC_RECORD_IPLOG, IDC_EASY_PC_LOCK,
                          IDC_QUICK_LOCK};

INT_PTR Open(const std::function<void(HWND)>& user)
{
    return bench::RunDialog(IDD_SETTING, SettingDlgProc, user);
}

// What is stored and what is in force, "-" for an absent value: "ComputerLock QuickClick
// IP_list DEBUG_chk AppDirectory Run | g_computerLock g_quickClick g_recordLog g_confirmBox
// g_passCode".
std::string State()
{
    std::string state;
    for (const char* name : {"ComputerLock", "QuickClick", "IP_list", "DEBUG_chk"}) {
        DWORD value = 0;
        state += bench::StoredNumber(name, value) ? std::to_string(value) + " " : "- ";
    }
    std::string code = "-", run;
    bench::StoredText("AppDirectory", code);
    state += code + (bench::RunValue(run) ? " run |" : " - |");
    for (int value : {g_computerLock, g_quickClick, g_recordLog, g_confirmBox})
        state += " " + std::to_string(value);
    return state + " " + g_passCode;
}

Texts Listed(HWND d)
{
    Texts texts(SendDlgItemMessageA(d, IDC_TRUSTED_LIST, LB_GETCOUNT, 0, 0));
    for (size_t i = 0; i < texts.size(); ++i) {
        char text[256] = {};
        SendDlgItemMessageA(d, IDC_TRUSTED_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        texts[i] = text;
    }
    return texts;
}

void StoreList(const Texts& slots) // "" leaves a slot out
{
    for (size_t i = 0; i < slots.size(); ++i)
        if (!slots[i].empty())
            bench::StoreText(("IPList_" + std::to_string(i + 1)).c_str(), slots[i].c_str());
}

Texts StoredList() // all five slots, "-" for a missing one
{
    Texts slots(5, "-");
    for (size_t i = 0; i < slots.size(); ++i)
        bench::StoredText(("IPList_" + std::to_string(i + 1)).c_str(), slots[i]);
    return slots;
}

class SettingDialog : public bench::InProcessAgent {
  protected:
    void SetUp() override
    {
        InProcessAgent::SetUp();
        ASSERT_TRUE(bench::SetResolverAnswer({"10.0.0.7"}));
    }
};

TEST_F(SettingDialog, OpensWithTheStoredValuesTheCodeInForceAndAFreshAddress)
{
    for (const char* name : {"DEBUG_chk", "IP_list", "ComputerLock", "QuickClick"})
        bench::StoreNumber(name, 1);
    bench::StoreRunValue("C:\\elsewhere\\Korvane.EXE");
    StoreList({"192.168.0.9", "192.168.0.10", "10.0.0.1", "", "172.16.0.1"});
    lstrcpyA(g_passCode, "4711");

    EXPECT_EQ(IDCANCEL, Open([](HWND d) {
                  EXPECT_TRUE(bench::IsCentred(d));
                  for (int id : kBoxes)
                      EXPECT_TRUE(IsChecked(d, id)) << id;
                  EXPECT_TRUE(IsEnabled(d, IDC_QUICK_LOCK));
                  EXPECT_EQ("4711", bench::ItemText(d, IDC_PASSCODE_EDIT));
                  EXPECT_EQ("10.0.0.7", bench::ItemText(d, IDC_CURRENT_ADDRESS));
                  EXPECT_STREQ("IP is 10.0.0.7", g_tipText);
                  // Sorted as text; the list ends at the first missing slot.
                  EXPECT_EQ((Texts{"10.0.0.1", "192.168.0.10", "192.168.0.9"}), Listed(d));
                  EXPECT_TRUE(IsEnabled(d, IDC_ADD) && IsEnabled(d, IDC_DELETE));
                  bench::Type(d, IDC_PASSCODE_EDIT, "99999");
                  bench::PressKey(d, VK_ESCAPE);
              }));
    EXPECT_EQ("1 1 1 1 - run | 0 0 0 0 4711", State());
    EXPECT_EQ((Texts{"192.168.0.9", "192.168.0.10", "10.0.0.1", "-", "172.16.0.1"}), StoredList());
}

TEST_F(SettingDialog, EmptyOrGappedStoreAddTwiceThenOkStoresEveryBoxTheCodeAndTheList)
{
    StoreList({"", "192.168.0.2"}); // behind a missing first slot: no list at all
    g_recordLog = 1;
    EXPECT_EQ(IDOK, Open([](HWND d) {
                  EXPECT_TRUE(Listed(d).empty());
                  EXPECT_TRUE(IsEnabled(d, IDC_ADD));
                  EXPECT_FALSE(IsEnabled(d, IDC_DELETE));
                  bench::Click(d, IDC_ADD);
                  bench::Click(d, IDC_ADD); // already listed: nothing changes
                  EXPECT_EQ((Texts{"10.0.0.7"}), Listed(d));
                  EXPECT_TRUE(IsEnabled(d, IDC_ADD) && IsEnabled(d, IDC_DELETE));
                  bench::Click(d, IDOK);
              }));
    // "IP_list" absent before: now stored as 0 and in force; "DEBUG_chk" only by its clicks;
    // the default code reaches the store.
    EXPECT_EQ("0 0 0 - 8306 - | 0 0 0 0 8306", State());
    EXPECT_EQ((Texts{"10.0.0.7", "-", "-", "-", "-"}), StoredList());
}

TEST_F(SettingDialog, FiveAddressesDeleteAddAndTheStoredOrderIsTheTextOrder)
{
    StoreList({"192.168.0.9", "192.168.0.10", "10.0.0.1", "10.0.0.2", "172.16.0.1"});
    EXPECT_EQ(
        IDOK, Open([](HWND d) {
            EXPECT_FALSE(IsEnabled(d, IDC_ADD));
            bench::Click(d, IDC_DELETE); // nothing selected: nothing removed
            EXPECT_EQ(5u, Listed(d).size());
            EXPECT_TRUE(IsEnabled(d, IDC_DELETE));
            SendDlgItemMessageA(d, IDC_TRUSTED_LIST, LB_SETCURSEL, 1, 0); // 10.0.0.2
            bench::Click(d, IDC_DELETE);
            EXPECT_EQ((Texts{"10.0.0.1", "172.16.0.1", "192.168.0.10", "192.168.0.9"}), Listed(d));
            EXPECT_EQ(LB_ERR, SendDlgItemMessageA(d, IDC_TRUSTED_LIST, LB_GETCURSEL, 0, 0));
            EXPECT_TRUE(IsEnabled(d, IDC_ADD));
            bench::Click(d, IDC_ADD);
            EXPECT_FALSE(IsEnabled(d, IDC_ADD));
            bench::PressKey(d, VK_RETURN);
        }));
    EXPECT_EQ((Texts{"10.0.0.1", "10.0.0.7", "172.16.0.1", "192.168.0.10", "192.168.0.9"}),
              StoredList());
}

TEST_F(SettingDialog, ACodeOutsideFourToTwentyThreeDigitsIsRefusedWithAWarning)
{
    const std::string longest(23, '7');
    EXPECT_EQ(IDOK, Open([&](HWND d) {
                  for (const std::string& bad : {std::string("123"), std::string(24, '7')}) {
                      SCOPED_TRACE(bad.size());
                      bench::Type(d, IDC_PASSCODE_EDIT, bad.c_str());
                      bench::Click(d, IDOK);
                      HWND box = bench::WaitForDialog("Check !");
                      ASSERT_NE(nullptr, box);
                      const bench::SeenBox seen = bench::ReadBox(box);
                      bench::Click(box, IDOK);
                      EXPECT_EQ(d, seen.owner);
                      EXPECT_EQ("Please change PassCode lenght.", seen.text);
                      EXPECT_EQ(LoadIconA(nullptr, IDI_WARNING), seen.icon);
                      EXPECT_TRUE(bench::WaitFor([&] { return !IsWindow(box); }));
                      EXPECT_EQ(bad, bench::ItemText(d, IDC_PASSCODE_EDIT));
                      EXPECT_EQ("- - - - - - | 0 0 0 0 8306", State());
                  }
                  bench::Type(d, IDC_PASSCODE_EDIT, longest.c_str());
                  bench::Click(d, IDOK);
              }));
    EXPECT_EQ("0 0 0 - " + longest + " - | 0 0 0 0 " + longest, State());

    EXPECT_EQ(IDOK, Open([](HWND d) {
                  bench::Type(d, IDC_PASSCODE_EDIT, "0-0x00"); // digits only: "0000"
                  bench::PressKey(d, VK_RETURN);
              }));
    EXPECT_EQ("0 0 0 - 0000 - | 0 0 0 0 0000", State());
}

TEST_F(SettingDialog, DebugBoxAndQuickLockAreStoredAtTheClickTheRestOnlyOnOk)
{
    bench::StoreNumber("ComputerLock", 1);
    g_computerLock = 1;
    EXPECT_EQ(IDCANCEL, Open([](HWND d) {
                  bench::Click(d, IDC_DEBUG_BOX);
                  EXPECT_EQ("1 - - 1 - - | 1 0 0 1 8306", State());
                  bench::Click(d, IDC_QUICK_LOCK);
                  bench::Click(d, IDC_AUTO_START); // read only on OK
                  bench::ClickCloseBox(d);
              }));
    EXPECT_EQ("1 1 - 1 - - | 1 1 0 1 8306", State()); // kept after Cancel

    // Easy PC Lock off greys Quick Lock but keeps its mark; nothing is stored before OK.
    Open([](HWND d) {
        EXPECT_TRUE(IsChecked(d, IDC_DEBUG_BOX));
        bench::Click(d, IDC_DEBUG_BOX);
        bench::Click(d, IDC_EASY_PC_LOCK);
        EXPECT_FALSE(IsEnabled(d, IDC_QUICK_LOCK));
        EXPECT_TRUE(IsChecked(d, IDC_QUICK_LOCK));
        EXPECT_EQ("1 1 - 0 - - | 1 1 0 0 8306", State());
        bench::Click(d, IDC_AUTO_START);
        bench::Click(d, IDOK);
    });
    // The store decides what the Run value says; the dialog decides whether there is one.
    EXPECT_EQ("0 1 0 0 8306 run | 0 1 0 0 8306", State());
    Open([](HWND d) {
        EXPECT_TRUE(IsChecked(d, IDC_AUTO_START));
        bench::Click(d, IDC_AUTO_START);
        bench::Click(d, IDOK);
    });
    EXPECT_EQ("0 1 0 0 8306 - | 0 1 0 0 8306", State());
}

TEST_F(SettingDialog, WithoutComputerLockStoredQuickLockIsOffUntilEasyPcLockIsChecked)
{
    bench::StoreNumber("QuickClick", 1);
    bench::StoreNumber("DEBUG_chk", 2); // only 1 is on
    bench::StoreNumber("IP_list", 5);
    g_recordLog = 1;
    Open([](HWND d) {
        for (int id : kBoxes)
            EXPECT_FALSE(IsChecked(d, id)) << id;
        EXPECT_FALSE(IsEnabled(d, IDC_QUICK_LOCK));
        bench::Click(d, IDC_EASY_PC_LOCK);
        EXPECT_TRUE(IsEnabled(d, IDC_QUICK_LOCK));
        EXPECT_TRUE(IsChecked(d, IDC_QUICK_LOCK)); // the stored "QuickClick"
        bench::Click(d, IDOK);
    });
    EXPECT_EQ("1 1 0 2 8306 - | 1 1 0 0 8306", State());
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
