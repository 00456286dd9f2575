// The settings store and the option load against the prefix's real registry: values planted
// with the registry API, then every reader checked against what is stored.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "settings/common_reg.h"
#include "settings/runtime_options.h"
#include "settings/trusted_list.h"
#include "tests/bench/bench.h"
#include "tests/bench/scratch_dir.h"

namespace {

// Kinds 1-10 at kind - 1, then the list slots 1-5.
constexpr const char* kNames[] = {"APP1_chk",   "APP2_chk",     "DEBUG_chk", "ComputerLock",
                                  "QuickClick", "IP_list",      "Logoff",    "Shutdown",
                                  "BigIconUse", "AppDirectory", "IPList_1",  "IPList_2",
                                  "IPList_3",   "IPList_4",     "IPList_5"};
constexpr int kValues = 15, kFirstSlot = 10;

struct Value {
    DWORD type = REG_NONE; // absent
    std::string bytes;
};
using State = std::vector<Value>;

std::string Dword(DWORD v)
{
    return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

// A non-zero byte follows the data: RegSetValueExA would add a string's terminator itself
// if a zero followed (NT does, and Wine with it).
void Put(const char* key, const char* name, const Value& v)
{
    HKEY h;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                 nullptr));
    const std::string data = v.bytes + 'x';
    if (v.type == REG_NONE)
        RegDeleteValueA(h, name);
    else
        EXPECT_EQ(0, RegSetValueExA(h, name, 0, v.type, reinterpret_cast<const BYTE*>(data.data()),
                                    static_cast<DWORD>(v.bytes.size())));
    RegCloseKey(h);
}

// A stored text comes back when it is a REG_SZ that fits the reader's buffer and a zero
// ends its text inside; anything else counts as absent.
bool FitsText(const Value& v, size_t size, std::string& text)
{
    text = v.bytes.c_str();
    return v.type == REG_SZ && v.bytes.size() <= size && text.size() < size;
}

// What a reader left in its output buffer of size bytes, followed by a guard zone.
std::string Left(const std::string& b, size_t size)
{
    if (b.find_first_not_of('\x5A', size) != std::string::npos)
        return "<written past the buffer>";
    if (b.find_first_not_of('\x5A') >= size)
        return "<untouched>";
    size_t end = b.find('\0');
    return end < size ? b.substr(0, end) : "<unterminated>";
}

// Runs every reader, the option load included, against the stored state.
void CheckEveryReader(const State& stored, bool keyExists = true)
{
    auto isOn = [](const Value& v) { return int{v.type == REG_DWORD && v.bytes == Dword(1)}; };
    CCommonReg store;
    std::string pass;
    const bool passFound = FitsText(stored[SETTING_PASS_CODE - 1], kSettingTextSize, pass);
    for (int kind = SETTING_APP1; kind <= SETTING_PASS_CODE; ++kind) {
        SCOPED_TRACE(kNames[kind - 1]);
        const Value& v = stored[kind - 1];
        // Only a 4-byte REG_DWORD is a flag; every kind brings the pass code text along.
        const bool found = keyExists && (kind == SETTING_PASS_CODE ||
                                         (v.type == REG_DWORD && v.bytes.size() == 4));
        std::string text(kSettingTextSize + 64, '\x5A');
        int flag = 7;
        EXPECT_EQ(found ? 0 : -1, store.ReadSetting(SettingKind(kind), &text[0], &flag));
        EXPECT_EQ(!found ? "<untouched>" : passFound ? pass : "", Left(text, kSettingTextSize));
        if (kind != SETTING_PASS_CODE) {
            EXPECT_EQ(found ? isOn(v) : 7, flag);
        }
    }
    int leading = 0;
    for (int slot = 1; slot <= kTrustedSlots; ++slot) {
        std::string expected, text(kListEntrySize + 64, '\x5A');
        const bool found =
            keyExists && FitsText(stored[kFirstSlot + slot - 1], kListEntrySize, expected);
        EXPECT_EQ(found ? 0 : -1, store.ReadListEntry(slot, &text[0])) << slot;
        EXPECT_EQ(found ? expected : "<untouched>", Left(text, kListEntrySize)) << slot;
        leading += found && leading == slot - 1;
    }
    TrustedList list;
    ReadTrustedList(store, list);
    EXPECT_EQ(leading, list.count);

    g_confirmBox = g_computerLock = g_quickClick = g_recordLog = 0;
    std::memset(g_passCode, 0, sizeof g_passCode);
    LoadRuntimeOptions();
    EXPECT_EQ(isOn(stored[SETTING_DEBUG - 1]), g_confirmBox);
    EXPECT_EQ(isOn(stored[SETTING_COMPUTER_LOCK - 1]), g_computerLock);
    EXPECT_EQ(isOn(stored[SETTING_QUICK_CLICK - 1]), g_quickClick);
    EXPECT_EQ(isOn(stored[SETTING_IP_LIST - 1]), g_recordLog);
    // A code too long for g_passCode is ignored, and the default takes its place.
    const bool usable = keyExists && passFound && !pass.empty() && pass.size() < kPassCodeSize;
    EXPECT_EQ(usable ? pass : kDefaultPassCode, std::string(g_passCode, strnlen(g_passCode, 256)));
}

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { bench::ClearRegistry(); }
    void TearDown() override { bench::ClearRegistry(); }
};

// A missing key, then each listed hostile form under every name at once, then a thousand
// random states.
TEST_F(SettingsStore, MissingKeyHostileFormsAndRandomStatesUnderEveryReader)
{
    CheckEveryReader(State(kValues), false);
    EXPECT_EQ(-1, CCommonReg().DeleteListEntry(1));
    HKEY h;
    EXPECT_NE(0, RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &h)); // not created

    std::vector<Value> forms = {{}, {REG_QWORD, Dword(1) + Dword(0)}, {REG_BINARY, Dword(1)}};
    forms.push_back({REG_DWORD, std::string("\1\0", 2)});
    forms.push_back({REG_BINARY, std::string("12\00034", 6)}); // zeros inside
    for (DWORD number : {0u, 1u, 2u, 0xFFFFFFFFu})
        forms.push_back({REG_DWORD, Dword(number)});
    for (const char* text : {"1", "", "13579"})
        forms.push_back({REG_SZ, text});
    // One short of either buffer, exactly filling it, one past; with and without a
    // stored terminator.
    for (size_t length : {255, 256, 257, 2047, 2048, 2049, 100000})
        for (size_t terminator : {0, 1})
            forms.push_back({REG_SZ, std::string(length, '7') + std::string(terminator, '\0')});

    const char* given = std::getenv("KORVANE_REGISTRY_SEED");
    const unsigned seed = given ? std::strtoul(given, nullptr, 0) : 20261206u;
    std::printf("registry states from seed %u (KORVANE_REGISTRY_SEED repeats one)\n", seed);
    std::mt19937 rng(seed);
    auto pick = [&](size_t n) { return static_cast<int>(rng() % n); };
    const size_t lengths[] = {0, 4, 5, 23, 254, 255, 256, 257, 2046, 2047, 2048, 2049};
    for (size_t round = 0; round < forms.size() + 1000 && !HasFailure(); ++round) {
        const bool listed = round < forms.size();
        State state(kValues, listed ? forms[round] : Value{});
        for (Value& v : state) {
            switch (listed ? 0 : pick(7)) {
            case 0: // as listed, or absent
                break;
            case 1:
                v = {REG_DWORD, Dword(pick(2) ? pick(3) : rng())};
                break;
            case 2: // another type, or a DWORD of the wrong size
                v.type = pick(2) ? REG_BINARY : pick(2) ? REG_QWORD : REG_DWORD;
                for (int n = pick(9); n > 0; --n)
                    v.bytes += static_cast<char>(pick(3) ? pick(256) : 0);
                break;
            default: // printable, sometimes with a zero inside, sometimes terminated
                v = {REG_SZ, std::string(pick(500) ? lengths[pick(12)] : 100000, '\0')};
                for (char& c : v.bytes)
                    c = static_cast<char>(' ' + pick(95));
                if (!v.bytes.empty() && pick(10) == 0)
                    v.bytes[pick(v.bytes.size())] = '\0';
                if (pick(2))
                    v.bytes += '\0';
            }
        }
        SCOPED_TRACE((listed ? "listed form " : "random state ") + std::to_string(round) +
                     " of seed " + std::to_string(seed));
        for (int i = 0; i < kValues; ++i)
            Put(kSettingsKey, kNames[i], state[i]);
        CheckEveryReader(state);
    }
}

TEST_F(SettingsStore, WritersStoreWhatTheReadersTakeBackAndALockedKeyKeepsIt)
{
    CCommonReg store;
    EXPECT_EQ(0, store.WriteSetting(SETTING_PASS_CODE, "20240", 0));
    EXPECT_EQ(0, store.WriteSetting(SETTING_COMPUTER_LOCK, "ignored", 1));
    EXPECT_EQ(0, store.WriteSetting(SETTING_BIG_ICON, nullptr, 0));
    const char* five[] = {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5"};
    WriteTrustedList(store, five, 5);
    // Empty entries (added before any lookup succeeded) take no slot.
    const std::string longest(255, '9');
    const char* withEmpty[] = {"", "192.168.0.10", "", longest.c_str()};
    WriteTrustedList(store, withEmpty, 4);
    // Refused: texts no reader could take back, slots that do not exist.
    EXPECT_EQ(-1, store.WriteSetting(SETTING_PASS_CODE, std::string(2048, '1').c_str(), 0));
    EXPECT_EQ(-1, store.WriteListEntry(3, std::string(256, '1').c_str()));
    EXPECT_EQ(-1, store.WriteListEntry(6, "10.0.0.6"));
    State state(kValues);
    state[SETTING_PASS_CODE - 1] = {REG_SZ, "20240"};
    state[SETTING_COMPUTER_LOCK - 1] = {REG_DWORD, Dword(1)};
    state[SETTING_BIG_ICON - 1] = {REG_DWORD, Dword(0)};
    state[kFirstSlot] = {REG_SZ, "192.168.0.10"};
    state[kFirstSlot + 1] = {REG_SZ, longest};
    CheckEveryReader(state);

    // Now everyone may read and delete the key (so the next test can clear it), nothing
    // else: every write fails and every value stays.
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KRSD;;;WD)", 1, &sd, nullptr));
    HKEY h;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, WRITE_DAC, &h));
    ASSERT_EQ(0, RegSetKeySecurity(h, DACL_SECURITY_INFORMATION, sd));
    RegCloseKey(h);
    LocalFree(sd);
    EXPECT_EQ(-1, store.WriteSetting(SETTING_COMPUTER_LOCK, "", 0));
    EXPECT_EQ(-1, store.WriteSetting(SETTING_PASS_CODE, "1357", 0));
    EXPECT_EQ(-1, store.WriteListEntry(2, "10.0.0.2"));
    EXPECT_EQ(-1, store.DeleteListEntry(1));
    WriteTrustedList(store, five, 1);
    CheckEveryReader(state);
}

TEST_F(SettingsStore, AutostartNamesTheProgramFileQuotedWhereverItRuns)
{
    bench::ScratchDir elsewhere("autostart");
    char module[MAX_PATH], run[2048] = {};
    GetModuleFileNameA(nullptr, module, sizeof module);
    CCommonReg store;
    EXPECT_EQ(0, store.IsAutoStart());
    EXPECT_EQ(0, store.SetAutoStart(1));
    DWORD type = REG_NONE, size = sizeof run;
    HKEY h;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &h));
    RegQueryValueExA(h, kRunValueName, nullptr, &type, reinterpret_cast<BYTE*>(run), &size);
    RegCloseKey(h);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ("\"" + std::string(module) + "\"", std::string(run, strnlen(run, size)));
    EXPECT_EQ(1, store.IsAutoStart());
    EXPECT_EQ(0, store.SetAutoStart(0));
    EXPECT_EQ(0, store.IsAutoStart());
    // Only the existence counts, as far as the 1024-byte query reaches.
    Put(kRunKey, kRunValueName, {REG_SZ, std::string(1024, 'x')});
    EXPECT_EQ(1, store.IsAutoStart());
    Put(kRunKey, kRunValueName, {REG_SZ, std::string(1025, 'x')});
    EXPECT_EQ(0, store.IsAutoStart());
}

} // namespace
