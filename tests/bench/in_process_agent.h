// The fixture of every test of the agent inside this test program: the program's own
// module plays Korvane.exe (same resources), and each test starts from quiet defaults:
// a clean registry and lock record, the resolver knowing no address (so cycles running
// meanwhile see no change and never lock), every switch off, the pass code "8306".
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>

namespace bench {

constexpr char kTestPassCode[] = "8306";

class InProcessAgent : public ::testing::Test {
  protected:
    // Once per program: sockets, the module as the agent's, the menu pictures.
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    // Destroys the agent window if it is still there and drops what is left in the
    // queue, the quit message of its end included.
    void TearDown() override;

    // Creates the agent window, the resolver answering these addresses; its first
    // cycle runs and adds the icon, and the polling timer starts.
    void StartAgentWindow(std::initializer_list<const char*> answer = {});

    HWND hwnd_ = nullptr;
};

} // namespace bench
