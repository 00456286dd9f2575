// Plays the user while the test's own thread sits in a modal loop (a dialog, a message
// box, a tracked menu): a helper thread finds the windows and answers them through
// their own command paths. Also watches the messages an in-process window receives,
// and lets a test make a system function fail.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace bench {

// Dialog windows (#32770) of this process with this caption (any caption when nullptr);
// visible ones only unless includeHidden. A dialog becomes visible only once its loop runs.
std::vector<HWND> FindDialogs(const char* caption, bool includeHidden = false);
// Waits (without pumping: for helper threads) for a visible dialog with this caption that
// is not among known; nullptr after timeoutMs.
HWND WaitForDialog(const char* caption, DWORD timeoutMs,
                   const std::vector<HWND>& known = std::vector<HWND>());
bool WaitUntilGone(HWND window, DWORD timeoutMs);
// The visible pop-up menu window (#32768) of this process; nullptr after timeoutMs.
HWND WaitForMenuWindow(DWORD timeoutMs);

// Text into an edit control, as if typed.
void TypeText(HWND dialog, int controlId, const char* text);
// The button's click as the button reports it: WM_COMMAND with BN_CLICKED to the dialog.
void ClickButton(HWND dialog, int buttonId);
// A key pressed and released on the window's thread (posted).
void PostKey(HWND window, WORD virtualKey);
// Returns once the window's thread has answered a sent message, i.e. has come back to a
// message loop; false after timeoutMs.
bool Sync(HWND window, DWORD timeoutMs = 5000);

// A helper thread that runs script, then closes whatever dialog or menu of this process
// still shows until Finish(): those are the ones the test did not expect, and their
// captions ("#menu" for a menu) are kept in Unexpected().
class UserThread {
  public:
    explicit UserThread(std::function<void()> script);
    ~UserThread();
    UserThread(const UserThread&) = delete;
    UserThread& operator=(const UserThread&) = delete;

    // Stops the sweep and waits for the thread; afterwards the script's results may be read.
    void Finish();
    const std::vector<std::string>& Unexpected() const { return unexpected_; }

  private:
    void Sweep();

    HANDLE stop_;
    std::vector<std::string> unexpected_;
    std::thread thread_;
};

// One message as the spied window received it.
struct SpiedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool sentByOtherThread;
    UINT itemId;         // WM_MEASUREITEM, WM_DRAWITEM
    UINT itemState;      // WM_DRAWITEM
    UINT measuredWidth;  // WM_MEASUREITEM, after the window procedure
    UINT measuredHeight; // WM_MEASUREITEM, after the window procedure
};

// Subclasses one window of this thread and records every message it receives; the
// messages still reach the window procedure unchanged. One spy at a time.
class WindowSpy {
  public:
    explicit WindowSpy(HWND window);
    ~WindowSpy();
    WindowSpy(const WindowSpy&) = delete;
    WindowSpy& operator=(const WindowSpy&) = delete;

    std::vector<SpiedMessage> Messages(UINT message) const;
    int Count(UINT message) const;
    void Clear();
};

// While it lives, the function that this program imports from dll by name is replaced.
class ImportPatch {
  public:
    ImportPatch(const char* dll, const char* function, const void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    bool Ok() const { return slot_ != nullptr; }

  private:
    void Write(const void* value);

    void** slot_ = nullptr;
    const void* original_ = nullptr;
};

} // namespace bench
