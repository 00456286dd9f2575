// The activity log: format, appending, sharing, and silence when it is off or blocked.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/scratch_dir.h"
#include "watch/action_log.h"
#include "watch/address_lookup.h"

namespace {

void SetAddress(const char* text)
{
    std::memset(g_currentAddress, 0, sizeof g_currentAddress);
    lstrcpynA(g_currentAddress, text, sizeof g_currentAddress);
}

// "YYYY/MM/DD hh:mm:ss IP:" then the address and one line feed; returns the seconds
// between the stamp and now, or -1 when the line is not of that form.
long long StampAge(const std::string& line, const char* address)
{
    int y, mo, d, h, mi, s, used = 0;
    if (std::sscanf(line.c_str(), "%4d/%2d/%2d %2d:%2d:%2d IP:%n", &y, &mo, &d, &h, &mi, &s,
                    &used) != 6 ||
        used != 23 || line.substr(used) != std::string(address) + "\n")
        return -1;
    SYSTEMTIME stamp = {
        static_cast<WORD>(y),  static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h),
        static_cast<WORD>(mi), static_cast<WORD>(s),  0};
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME a, b;
    SystemTimeToFileTime(&stamp, &a);
    SystemTimeToFileTime(&now, &b);
    auto ticks = [](FILETIME t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<long long>((ticks(b) - ticks(a)) / 10000000ULL);
}

TEST(ActionLog, WritesNothingAndCreatesNoFileWhileLoggingIsOff)
{
    bench::ScratchDir dir("log-off");
    SetAddress("192.168.0.5");
    for (int value : {0, 2, -1}) {
        g_recordLog = value; // only exactly 1 is on
        EXPECT_EQ(1, WriteActionLog());
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.File("appAction.log").c_str()));
}

TEST(ActionLog, AppendsOneStampedLinePerCallEndingInASingleLineFeed)
{
    bench::ScratchDir dir("log-lines");
    g_recordLog = 1;
    SetAddress("192.168.0.5");
    EXPECT_EQ(1, WriteActionLog());
    SetAddress("");
    EXPECT_EQ(1, WriteActionLog());

    const std::string log = bench::ReadWholeFile(dir.File("appAction.log"));
    const size_t first = log.find('\n');
    ASSERT_NE(std::string::npos, first);
    const long long age = StampAge(log.substr(0, first + 1), "192.168.0.5");
    EXPECT_GE(age, 0) << log;
    EXPECT_LE(age, 2);
    EXPECT_GE(StampAge(log.substr(first + 1), ""), 0) << log; // "IP:" then the line feed
    EXPECT_EQ(std::string::npos, log.find('\r'));
    g_recordLog = 0;
}

TEST(ActionLog, SharesTheFileWithReadersAndLosesTheLineSilentlyWhenBlocked)
{
    bench::ScratchDir dir("log-shared");
    g_recordLog = 1;
    SetAddress("10.0.0.7");
    const std::string path = dir.File("appAction.log");

    // Another program has the log open for reading and writing: lines still go in.
    HANDLE reader =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    WriteActionLog();
    WriteActionLog();
    CloseHandle(reader);
    EXPECT_EQ(2 * std::strlen("2009/05/11 02:21:00 IP:10.0.0.7\n"),
              bench::ReadWholeFile(path).size());

    // Held without sharing: the line is lost, nothing is reported.
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(1, WriteActionLog());
    CloseHandle(holder);
    EXPECT_EQ(2 * std::strlen("2009/05/11 02:21:00 IP:10.0.0.7\n"),
              bench::ReadWholeFile(path).size());
    g_recordLog = 0;
}

} // namespace
