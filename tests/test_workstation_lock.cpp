// The lock: which program runs, with what, how often, and what a failure shows.
#include <gtest/gtest.h>

#include <string>

#include "tests/bench/bench.h"
#include "tests/bench/scratch_dir.h"
#include "tests/bench/ui_driver.h"
#include "watch/workstation_lock.h"

namespace {

// Open handles of this process, found by trying each handle value: under Wine
// GetProcessHandleCount reports 0.
int OpenHandles()
{
    int open = 0;
    DWORD flags = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4)
        open += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    return open;
}

TEST(WorkstationLock, RunsTheSystemRoutineByItsFullPathOncePerRequest)
{
    // A system32\rundll32.exe planted in the current directory must never run instead.
    bench::ScratchDir dir("lock-planted");
    ASSERT_TRUE(CreateDirectoryA(dir.File("system32").c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(bench::SystemLockProgram().c_str(),
                          dir.File("system32\\rundll32.exe").c_str(), FALSE));

    bench::ClearLockRecord();
    EXPECT_EQ(1, LockWorkstation(nullptr));
    const int open = OpenHandles();
    EXPECT_EQ(1, LockWorkstation(nullptr)); // no suppression of quick repeats
    EXPECT_EQ(open, OpenHandles()) << "process and thread handles must be closed";
    ASSERT_TRUE(bench::WaitForLocks(2, 10000));

    for (const bench::LockRecord& record : bench::LockRecords()) {
        EXPECT_EQ(0, lstrcmpiA(bench::SystemLockProgram().c_str(), record.program.c_str()));
        EXPECT_EQ("\"" + bench::SystemLockProgram() + "\" user32.dll,LockWorkStation",
                  record.commandLine);
    }
    bench::PumpMessages(300);
    EXPECT_EQ(2, bench::LockCount());
}

TEST(WorkstationLock, AFailedStartShowsTheWarningOncePerAttempt)
{
    bench::ClearLockRecord();
    HWND owner =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    {
        bench::BrokenLockRoutine broken;
        ASSERT_TRUE(broken.Ok());
        bench::UserThread answerer([] {}, IDOK);
        EXPECT_EQ(0, LockWorkstation(owner));
        EXPECT_EQ(0, LockWorkstation(owner));
        ASSERT_EQ(2, answerer.Count());
        for (const bench::SeenBox& box : answerer.Seen()) {
            // Code page 932 bytes of "ＰＣのロックが出来ませんでした。" and "実行エラー".
            EXPECT_EQ("\x8e\xc0\x8d\x73\x83\x47\x83\x89\x81\x5b", box.caption);
            EXPECT_EQ("\x82\x6f\x82\x62\x82\xcc\x83\x8d\x83\x62\x83\x4e\x82\xaa\x8f\x6f\x97\x88"
                      "\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42",
                      box.text);
            EXPECT_EQ(owner, box.owner);
            EXPECT_EQ(LoadIconA(nullptr, IDI_WARNING), box.icon);
        }
    }
    DestroyWindow(owner);
    EXPECT_EQ(0, bench::LockCount());
    EXPECT_EQ(1, LockWorkstation(nullptr)); // restored: locks again
    EXPECT_TRUE(bench::WaitForLocks(1, 10000));
}

} // namespace
