// The settings store and the option load against the prefix's real registry: hostile
// stored values (every listed form, then random states) read by every reader, the stored
// form of the writers, a missing key, a key that refuses writes, the trusted list and
// the autostart value.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "settings/common_reg.h"
#include "settings/runtime_options.h"
#include "settings/trusted_list.h"
#include "tests/bench/bench.h"
#include "tests/bench/registry.h"
#include "tests/bench/scratch_dir.h"

namespace {

using bench::kRunKeyPath;
using bench::kSettingsKeyPath;

// Kinds 1-10 by index kind - 1, then the list slots 1-5.
constexpr const char* kNames[] = {"APP1_chk",   "APP2_chk",     "DEBUG_chk", "ComputerLock",
                                  "QuickClick", "IP_list",      "Logoff",    "Shutdown",
                                  "BigIconUse", "AppDirectory", "IPList_1",  "IPList_2",
                                  "IPList_3",   "IPList_4",     "IPList_5"};
constexpr int kValues = 15;
constexpr int kFirstSlot = 10;

struct Value {
    DWORD type = REG_NONE; // REG_NONE: absent
    std::string bytes;
};
using State = std::vector<Value>;

std::string Dword(DWORD v)
{
    return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

bool IsFlag(const Value& v)
{
    return v.type == REG_DWORD && v.bytes.size() == 4;
}

int IsOn(const Value& v)
{
    return IsFlag(v) && v.bytes == Dword(1) ? 1 : 0;
}

// A stored text comes back when it is a REG_SZ that fits the reader's buffer together
// with its terminator; anything else counts as absent.
bool FitsText(const Value& v, size_t size, std::string& text)
{
    text = v.bytes.c_str();
    return v.type == REG_SZ && v.bytes.size() <= size && text.size() < size;
}

// A reader's output buffer followed by a guard zone that nothing may touch.
class Guarded {
  public:
    explicit Guarded(size_t size) : size_(size), bytes_(size + 64, '\x5A') {}
    char* Data() { return &bytes_[0]; }
    bool GuardIntact() const
    {
        return bytes_.find_first_not_of('\x5A', size_) == std::string::npos;
    }
    std::string Text() const
    {
        size_t end = bytes_.find('\0');
        return end < size_ ? bytes_.substr(0, end) : "<unterminated>";
    }

  private:
    size_t size_;
    std::string bytes_;
};

void Store(const State& state)
{
    for (int i = 0; i < kValues; ++i)
        ASSERT_TRUE(bench::PutValue(kSettingsKeyPath, kNames[i], state[i].type, state[i].bytes));
}

// Runs every reader, the option load included, and checks each against the stored state.
void CheckEveryReader(const State& stored)
{
    CCommonReg store;
    std::string pass;
    const bool passFound = FitsText(stored[SETTING_PASS_CODE - 1], kSettingTextSize, pass);
    for (int kind = SETTING_APP1; kind <= SETTING_PASS_CODE; ++kind) {
        Guarded text(kSettingTextSize);
        int flag = -7;
        const int result = store.ReadSetting(SettingKind(kind), text.Data(), &flag);
        const bool isFlagKind = kind != SETTING_PASS_CODE;
        EXPECT_EQ(!isFlagKind || IsFlag(stored[kind - 1]) ? 0 : -1, result) << kNames[kind - 1];
        EXPECT_TRUE(text.GuardIntact()) << kNames[kind - 1];
        if (result == 0) {
            EXPECT_EQ(passFound ? pass : "", text.Text()) << kNames[kind - 1];
            if (isFlagKind) {
                EXPECT_EQ(IsOn(stored[kind - 1]), flag) << kNames[kind - 1];
            }
        }
    }
    int leading = 0;
    for (int slot = 1; slot <= kTrustedSlots; ++slot) {
        Guarded text(kListEntrySize);
        std::string expected;
        const bool found = FitsText(stored[kFirstSlot + slot - 1], kListEntrySize, expected);
        EXPECT_EQ(found ? 0 : -1, store.ReadListEntry(slot, text.Data())) << "slot " << slot;
        EXPECT_TRUE(text.GuardIntact()) << "slot " << slot;
        if (found) {
            EXPECT_EQ(expected, text.Text()) << "slot " << slot;
        }
        leading += found && leading == slot - 1;
    }
    TrustedList list;
    std::memset(&list, 0x5A, sizeof list);
    ReadTrustedList(store, list);
    EXPECT_EQ(leading, list.count);

    g_confirmBox = g_computerLock = g_quickClick = g_recordLog = 0;
    std::memset(g_passCode, 0, sizeof g_passCode);
    LoadRuntimeOptions();
    EXPECT_EQ(IsOn(stored[SETTING_DEBUG - 1]), g_confirmBox);
    EXPECT_EQ(IsOn(stored[SETTING_COMPUTER_LOCK - 1]), g_computerLock);
    EXPECT_EQ(IsOn(stored[SETTING_QUICK_CLICK - 1]), g_quickClick);
    EXPECT_EQ(IsOn(stored[SETTING_IP_LIST - 1]), g_recordLog);
    // A code too long for g_passCode is ignored, and the default takes its place.
    const bool usable = passFound && !pass.empty() && pass.size() < kPassCodeSize;
    EXPECT_EQ(usable ? pass : kDefaultPassCode, std::string(g_passCode, strnlen(g_passCode, 256)));
}

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { bench::ClearRegistry(); }
    void TearDown() override { bench::ClearRegistry(); }
};

TEST_F(SettingsStore, EveryHostileFormUnderEveryName)
{
    std::vector<Value> forms = {{},
                                {REG_DWORD, Dword(0)},
                                {REG_DWORD, Dword(1)},
                                {REG_DWORD, Dword(2)},
                                {REG_DWORD, Dword(0xFFFFFFFF)},
                                {REG_DWORD, std::string("\1\0", 2)},
                                {REG_SZ, "1"},
                                {REG_BINARY, Dword(1)},
                                {REG_BINARY, std::string("12\0"
                                                         "34\0",
                                                         6)},
                                {REG_QWORD, Dword(1) + Dword(0)},
                                {REG_SZ, ""},
                                {REG_SZ, "13579"}};
    // Around both buffers: one short of full, exactly full, one past; with and without
    // a stored terminator.
    for (size_t length : {255, 256, 257, 2047, 2048, 2049, 100000})
        for (size_t terminator : {0, 1})
            forms.push_back({REG_SZ, std::string(length, '7') + std::string(terminator, '\0')});
    for (const Value& form : forms) {
        SCOPED_TRACE("type " + std::to_string(form.type) + ", " +
                     std::to_string(form.bytes.size()) + " bytes");
        const State state(kValues, form);
        Store(state);
        CheckEveryReader(state);
    }
}

TEST_F(SettingsStore, RandomStatesUnderEveryReader)
{
    const char* given = std::getenv("KORVANE_REGISTRY_SEED");
    const unsigned seed = given ? std::strtoul(given, nullptr, 0) : 20261206u;
    std::printf("registry states from seed %u (set KORVANE_REGISTRY_SEED to repeat)\n", seed);
    std::mt19937 rng(seed);
    auto pick = [&](unsigned n) { return static_cast<int>(rng() % n); };
    const size_t lengths[] = {0, 4, 5, 23, 254, 255, 256, 257, 2046, 2047, 2048, 2049};
    for (int round = 0; round < 1000 && !HasFailure(); ++round) {
        State state(kValues);
        for (Value& v : state) {
            switch (pick(7)) {
            case 0: // absent
                break;
            case 1:
                v = {REG_DWORD, Dword(pick(2) ? pick(3) : rng())};
                break;
            case 2: // another type, or a DWORD of the wrong size
                v = {static_cast<DWORD>(pick(2)   ? REG_BINARY
                                        : pick(2) ? REG_QWORD
                                                  : REG_DWORD),
                     ""};
                for (int n = pick(9); n > 0; --n)
                    v.bytes += static_cast<char>(pick(3) ? pick(256) : 0);
                break;
            default:
                v = {REG_SZ, std::string(pick(500) ? lengths[pick(12)] : 100000, '\0')};
                for (char& c : v.bytes)
                    c = static_cast<char>(' ' + pick(95));
                if (!v.bytes.empty() && pick(10) == 0)
                    v.bytes[pick(v.bytes.size())] = '\0';
                if (pick(2))
                    v.bytes += '\0';
            }
        }
        SCOPED_TRACE("round " + std::to_string(round) + " of seed " + std::to_string(seed));
        Store(state);
        CheckEveryReader(state);
    }
}

TEST_F(SettingsStore, WritersStoreWhatTheReadersTakeBack)
{
    CCommonReg store;
    EXPECT_EQ(0, store.WriteSetting(SETTING_PASS_CODE, "20240", 0));
    EXPECT_EQ(0, store.WriteSetting(SETTING_COMPUTER_LOCK, "ignored", 1));
    EXPECT_EQ(0, store.WriteSetting(SETTING_BIG_ICON, nullptr, 0));
    EXPECT_EQ(0, store.WriteListEntry(1, "192.168.0.10"));
    EXPECT_EQ(0, store.WriteListEntry(2, std::string(255, '9').c_str()));
    // Texts no reader could take back are refused; slots outside 1-5 do not exist.
    EXPECT_EQ(-1, store.WriteSetting(SETTING_PASS_CODE, std::string(2048, '1').c_str(), 0));
    EXPECT_EQ(-1, store.WriteListEntry(3, std::string(256, '1').c_str()));
    EXPECT_EQ(-1, store.WriteListEntry(6, "10.0.0.6"));
    EXPECT_EQ(-1, store.DeleteListEntry(0));

    // Texts go out with a byte count equal to their length; the system then stores the
    // terminator itself, as NT (and Wine) do when the byte after the count is a zero.
    const std::pair<const char*, Value> expected[] = {
        {"AppDirectory", {REG_SZ, std::string("20240") + '\0'}},
        {"ComputerLock", {REG_DWORD, Dword(1)}},
        {"BigIconUse", {REG_DWORD, Dword(0)}},
        {"IPList_1", {REG_SZ, std::string("192.168.0.10") + '\0'}},
        {"IPList_2", {REG_SZ, std::string(255, '9') + '\0'}},
        {"IPList_3", {}},
        {"IPList_6", {}}};
    State state(kValues);
    for (const auto& [name, value] : expected) {
        Value stored;
        bench::GetValue(kSettingsKeyPath, name, stored.type, stored.bytes);
        EXPECT_EQ(value.type, stored.type) << name;
        EXPECT_EQ(value.bytes, stored.bytes) << name;
        for (int i = 0; i < kValues; ++i)
            if (std::strcmp(kNames[i], name) == 0)
                state[i] = stored;
    }
    CheckEveryReader(state);
}

TEST_F(SettingsStore, MissingKeyFailsEveryReadAndIsNotCreatedByDeletes)
{
    CCommonReg store;
    char text[kSettingTextSize];
    int flag = 0;
    for (int kind = SETTING_APP1; kind <= SETTING_PASS_CODE; ++kind)
        EXPECT_EQ(-1, store.ReadSetting(SettingKind(kind), text, &flag)) << kind;
    for (int slot = 1; slot <= kTrustedSlots; ++slot) {
        EXPECT_EQ(-1, store.ReadListEntry(slot, text));
        EXPECT_EQ(-1, store.DeleteListEntry(slot));
    }
    EXPECT_FALSE(bench::KeyExists(kSettingsKeyPath));
    g_confirmBox = g_computerLock = g_quickClick = g_recordLog = 0;
    g_passCode[0] = '\0';
    LoadRuntimeOptions();
    EXPECT_EQ(0, g_confirmBox | g_computerLock | g_quickClick | g_recordLog);
    EXPECT_STREQ("8306", g_passCode);
}

TEST_F(SettingsStore, KeyThatRefusesWritesKeepsItsValuesReadable)
{
    CCommonReg store;
    ASSERT_EQ(0, store.WriteSetting(SETTING_COMPUTER_LOCK, "", 1));
    ASSERT_EQ(0, store.WriteSetting(SETTING_PASS_CODE, "24680", 0));
    ASSERT_EQ(0, store.WriteListEntry(1, "10.0.0.1"));
    {
        bench::ReadOnlySettingsKey readOnly;
        ASSERT_TRUE(readOnly.Ok());
        EXPECT_EQ(-1, store.WriteSetting(SETTING_COMPUTER_LOCK, "", 0));
        EXPECT_EQ(-1, store.WriteSetting(SETTING_PASS_CODE, "1357", 0));
        EXPECT_EQ(-1, store.WriteListEntry(2, "10.0.0.2"));
        EXPECT_EQ(-1, store.DeleteListEntry(1));
        const char* entries[] = {"10.0.0.3"};
        WriteTrustedList(store, entries, 1);
        State state(kValues);
        state[SETTING_COMPUTER_LOCK - 1] = {REG_DWORD, Dword(1)};
        state[SETTING_PASS_CODE - 1] = {REG_SZ, "24680"};
        state[kFirstSlot] = {REG_SZ, "10.0.0.1"};
        CheckEveryReader(state);
    }
}

TEST_F(SettingsStore, TrustedListIsWrittenToConsecutiveSlotsAndReadToTheFirstGap)
{
    CCommonReg store;
    const char* five[] = {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5"};
    WriteTrustedList(store, five, 5);
    // Empty entries (added before any lookup succeeded) take no slot.
    const char* withEmpty[] = {"", "192.168.0.10", "", "192.168.0.9"};
    WriteTrustedList(store, withEmpty, 4);
    State state(kValues);
    state[kFirstSlot] = {REG_SZ, "192.168.0.10"};
    state[kFirstSlot + 1] = {REG_SZ, "192.168.0.9"};
    CheckEveryReader(state);

    // Slot 3 missing: slot 4 is never reached.
    state[kFirstSlot + 3] = {REG_SZ, "10.0.0.4"};
    Store(state);
    TrustedList list;
    ReadTrustedList(store, list);
    EXPECT_EQ(2, list.count);
}

TEST_F(SettingsStore, AutostartNamesTheProgramFileQuotedWhereverItRuns)
{
    bench::ScratchDir elsewhere("autostart");
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    CCommonReg store;
    EXPECT_EQ(0, store.IsAutoStart());
    EXPECT_EQ(0, store.SetAutoStart(1));
    Value stored;
    ASSERT_TRUE(bench::GetValue(kRunKeyPath, "Korvane.EXE", stored.type, stored.bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.type);
    EXPECT_EQ("\"" + std::string(module) + "\"" + '\0', stored.bytes);
    EXPECT_EQ(1, store.IsAutoStart());
    EXPECT_EQ(0, store.SetAutoStart(0));
    EXPECT_EQ(0, store.IsAutoStart());
    EXPECT_EQ(0, store.SetAutoStart(0));

    // Only the existence counts, as far as the 1024-byte query reaches.
    ASSERT_TRUE(bench::PutValue(kRunKeyPath, "Korvane.EXE", REG_SZ, std::string(1024, 'x')));
    EXPECT_EQ(1, store.IsAutoStart());
    ASSERT_TRUE(bench::PutValue(kRunKeyPath, "Korvane.EXE", REG_SZ, std::string(1025, 'x')));
    EXPECT_EQ(0, store.IsAutoStart());
}

} // namespace
