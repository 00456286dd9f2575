// The settings store and the start-up load against the prefix's real registry: values
// planted with the registry API, read back through the store into guarded buffers.
#include "tests/harness.h"

namespace {

using namespace bench;

constexpr char kGuard = '\x5A';

// What a reader left in its buffer of size bytes followed by a guard zone.
std::string Left(const std::string& buffer, size_t size)
{
    if (buffer.find_first_not_of(kGuard, size) != std::string::npos)
        return "<past the buffer>";
    if (buffer.find_first_not_of(kGuard) >= size)
        return "<untouched>";
    const size_t end = buffer.find('\0');
    return end < size ? buffer.substr(0, end) : "<unterminated>";
}

class Store : public bench::Agent {
  protected:
    CCommonReg store_;
};

TEST_F(Store, TextsAtTheBufferBoundariesComeBackWholeAndTerminatedOrNotAtAll)
{
    const std::string sevens(100000, '7');
    // value, stored type, stored length, stored terminator, found
    const struct {
        const char* name;
        DWORD type;
        size_t length, zero;
        bool found;
    } rows[] = {
        {"IPList_1", REG_SZ, 255, 0, true},        {"IPList_1", REG_SZ, 255, 1, true},
        {"IPList_1", REG_SZ, 256, 0, false},       {"IPList_1", REG_SZ, 256, 1, false},
        {"IPList_1", REG_SZ, 257, 0, false},       {"IPList_1", REG_SZ, 100000, 1, false},
        {"IPList_1", REG_BINARY, 8, 1, false},     {"IPList_1", REG_EXPAND_SZ, 255, 0, true},
        {"AppDirectory", REG_SZ, 2047, 0, true},   {"AppDirectory", REG_SZ, 2047, 1, true},
        {"AppDirectory", REG_SZ, 2048, 0, false},  {"AppDirectory", REG_SZ, 2048, 1, false},
        {"AppDirectory", REG_SZ, 2049, 1, false},  {"AppDirectory", REG_EXPAND_SZ, 4, 1, true},
        {"AppDirectory", REG_SZ, 255, 1, true},    {"AppDirectory", REG_SZ, 256, 1, true},
        {"AppDirectory", REG_SZ, 300, 0, true},    {"AppDirectory", REG_SZ, 0, 1, true},
        {"AppDirectory", REG_BINARY, 4, 0, false}, {"AppDirectory", REG_DWORD, 4, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        Plant(row.name, row.type, sevens.substr(0, row.length) + std::string(row.zero, '\0'));
        const bool list = row.name[0] == 'I';
        const size_t size = list ? kListEntrySize : kSettingTextSize;
        std::string buffer(size + 64, kGuard);
        int flag = 7;
        const int result = list ? store_.ReadListEntry(1, &buffer[0])
                                : store_.ReadSetting(SETTING_PASS_CODE, &buffer[0], &flag);
        // A pass code that cannot be read is an empty one; a list entry is absent.
        EXPECT_EQ(list && !row.found ? -1 : 0, result);
        const std::string expected = row.found ? sevens.substr(0, row.length) : "";
        EXPECT_EQ(list && !row.found ? "<untouched>" : expected, Left(buffer, size));
        EXPECT_EQ(list ? 7 : 1, flag); // the code's flag: it exists, readable or not
        // The start-up load takes a readable code shorter than its 256 bytes; any other stored
        // code leaves the empty one that opens nothing; only no code at all gives the default.
        lstrcpyA(g_passCode, "x");
        LoadRuntimeOptions();
        EXPECT_EQ(list ? kDefaultPassCode : row.length < 256 ? expected : "", g_passCode);
        bench::ClearRegistry();
    }
}

TEST_F(Store, OnlyADwordOfOneTurnsASwitchOnAndAbsentSwitchesKeepTheirValue)
{
    // stored type and bytes under "QuickClick", ReadSetting's result and flag
    const struct {
        DWORD type;
        std::string bytes;
        int result, flag;
    } rows[] = {
        {REG_DWORD, Dword(1), 0, 1},
        {REG_DWORD, Dword(0), 0, 0},
        {REG_DWORD, Dword(2), 0, 0},
        {REG_DWORD, Dword(0xFFFFFFFF), 0, 0},
        {REG_DWORD, std::string("\1\0", 2), -1, 7},
        {REG_SZ, "1", -1, 7},
        {REG_BINARY, Dword(1), -1, 7},
        {REG_QWORD, Dword(1) + Dword(0), -1, 7},
    };
    int* switches[] = {&g_confirmBox, &g_computerLock, &g_quickClick, &g_recordLog};
    const char* names[] = {"DEBUG_chk", "ComputerLock", "QuickClick", "IP_list"};
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        for (int i = 0; i < 4; ++i)
            Plant(names[i], row.type, row.bytes);
        Plant("AppDirectory", REG_SZ, "4711");
        char text[kSettingTextSize];
        int flag = 7;
        EXPECT_EQ(row.result, store_.ReadSetting(SETTING_QUICK_CLICK, text, &flag));
        EXPECT_EQ(row.flag, flag);
        for (int* option : switches)
            *option = 7;
        LoadRuntimeOptions();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(row.flag, *switches[i]) << names[i];
        EXPECT_STREQ("4711", g_passCode);
    }
    bench::ClearRegistry();
    EXPECT_EQ(-1, store_.ReadSetting(SETTING_DEBUG, nullptr, nullptr)); // no key at all
    EXPECT_EQ(-1, store_.DeleteListEntry(1));
    HKEY key; // the delete did not make the key
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key));
}

TEST_F(Store, TheListEndsAtItsFirstGapAndIsWrittenWithoutGapsOrEmptyEntries)
{
    Plant("IPList_1", REG_SZ, "10.0.0.1");
    Plant("IPList_2", REG_SZ, "10.0.0.2");
    Plant("IPList_4", REG_SZ, "10.0.0.4");
    Plant("IPList_5", REG_SZ, "10.0.0.9"); // a slot the shorter list below must clear
    TrustedList list;
    std::memset(&list, 0xCC, sizeof list);
    ReadTrustedList(store_, list);
    ASSERT_EQ(2, list.count);
    EXPECT_STREQ("10.0.0.2", list.entries[1]);

    const std::string longest(255, '9');
    const char* entries[] = {"", "192.168.0.10", "", longest.c_str(), "10.0.0.5", "10.0.0.6"};
    WriteTrustedList(store_, entries, 6);
    EXPECT_EQ("192.168.0.10", Stored("IPList_1"));
    EXPECT_EQ(longest, Stored("IPList_2"));
    EXPECT_EQ("10.0.0.5 10.0.0.6 -",
              Stored("IPList_3") + " " + Stored("IPList_4") + " " + Stored("IPList_5"));
    // Refused: what no reader could take back, slots that do not exist.
    EXPECT_EQ(-1, store_.WriteListEntry(5, std::string(256, '1').c_str()));
    EXPECT_EQ(-1, store_.WriteListEntry(6, "10.0.0.6"));
    EXPECT_EQ(-1, store_.WriteSetting(SETTING_PASS_CODE, std::string(2048, '1').c_str(), 0));
    EXPECT_EQ("- - -",
              Stored("IPList_5") + " " + Stored("IPList_6") + " " + Stored("AppDirectory"));
}

TEST_F(Store, AutostartThatTaskManagerDisabledShowsOffAndTurningItOnClearsTheMark)
{
    for (const auto& [mark, on] : {std::pair{'\2', 1}, {'\6', 1}, {'\3', 0}}) {
        Plant(kRunValueName, REG_SZ, "C:\\Korvane.exe", kRunKey);
        Plant(kRunValueName, REG_BINARY, mark + std::string(11, '\0'), kStartupApprovedKey);
        EXPECT_EQ(on, store_.IsAutoStart());
        store_.SetAutoStart(1);
        EXPECT_EQ(1, store_.IsAutoStart()); // a disabled mark is gone
    }
}

TEST_F(Store, AnEntryTrustsItsAddressByWholeTextOrItsNetworkByPrefixAndBadInputNothing)
{
    // entry, an address it trusts ("": none, the entry is malformed), one it does not
    const struct {
        const char *entry, *in, *out;
    } rows[] = {
        // clang-format off
        {"10.20.0.21", "10.20.0.21", "10.20.0.2"}, {"10.0.0.7", "10.0.0.7", "10.0.0.70"},
        {"10.20.0.0/16", "10.20.255.1", "10.21.0.0"}, {"10.20.0.5/16", "10.20.9.9", "10.19.9.9"},
        {"0.0.0.0/0", "255.255.255.255", "10.0.0"}, {"128.0.0.0/1", "200.1.1.1", "127.9.9.9"},
        {"10.0.0.0/8", "10.255.0.1", "11.0.0.0"}, {"192.168.1.3/31", "192.168.1.2", "192.168.1.4"},
        {"10.0.0.7/32", "10.0.0.7", "10.0.0.6"}, {"10.0.0.0/8", "10.0.0.1", "010.0.0.1"},
        {"1.0.0.256/8", "", "1.0.0.1"}, {"1.0.0.0/33", "", "1.0.0.0"}, {"1.0.0/8", "", "1.0.0.1"},
        {"1.0.0.0/", "", "1.0.0.0"}, {" 1.0.0.0/8", "", "1.0.0.1"}, {"1.0.0.0/8 ", "", "1.0.0.1"},
        {"1.0.0.0/+8", "", "1.0.0.1"}, {"-1.0.0.0/0", "", "1.0.0.0"}, {"1.0.0.0/08", "", "1.0.0.1"},
        {"01.0.0.0/8", "", "1.0.0.1"}, {"1.0.0.0.0/8", "", "1.0.0.1"}, {"a.0.0.0/8", "", "1.0.0.1"},
        {"1.0.0.0/8/8", "", "1.0.0.1"}, {"1.0.0.07", "", "1.0.0.7"}, {"", "", ""},
        {"1.0.0.1000", "", "1.0.0.100"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.entry);
        EXPECT_EQ(*row.in != '\0', IsValidEntry(row.entry));
        EXPECT_EQ(*row.in != '\0', EntryTrusts(row.entry, row.in));
        EXPECT_FALSE(EntryTrusts(row.entry, row.out));
    }
}

} // namespace
