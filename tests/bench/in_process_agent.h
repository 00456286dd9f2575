// The agent window inside the test program, made as the agent's start-up makes it, with
// quiet defaults: the resolver knows no address (so the check cycles running meanwhile
// see no change and never lock), every switch off, the pass code "8306".
#pragma once
#include <windows.h>

namespace bench {

constexpr char kTestPassCode[] = "8306";

// Once per test program: sockets, the module's resources as the agent's, menu pictures.
void StartInProcessAgentSuite();
void EndInProcessAgentSuite();

class InProcessAgent {
  public:
    InProcessAgent();
    // Destroys the window if it is still there and drops what is left in the queue,
    // the quit message of its end included.
    ~InProcessAgent();
    InProcessAgent(const InProcessAgent&) = delete;
    InProcessAgent& operator=(const InProcessAgent&) = delete;

    HWND Window() const { return hwnd_; }

  private:
    HWND hwnd_;
};

} // namespace bench
