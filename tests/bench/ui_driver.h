// Plays the user while the test's own thread sits in a modal loop (a dialog, a message
// box, a tracked menu): a helper thread finds the windows and acts on them through their
// own command paths. Also lets a test make a system function fail.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bench {

constexpr DWORD kWaitMs = 5000;
// What a dialog that the user's actions left open is ended with.
constexpr INT_PTR kLeftOpen = -2;

// Polls, without pumping, until done() or the time is up; returns done(). For helper threads.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs);
// Dialog windows (#32770, message boxes included) of this process with this caption (any
// when nullptr); visible ones only unless includeHidden. A dialog shows once its loop runs.
std::vector<HWND> FindDialogs(const char* caption, bool includeHidden = false);
// A visible dialog (or other window) of this process with this caption that is not among
// known, or nullptr.
HWND WaitForDialog(const char* caption, const std::vector<HWND>& known = {},
                   const char* className = "#32770");
// The visible pop-up menu window (#32768) of this process, or nullptr.
HWND WaitForMenuWindow();
// Returns once the window's thread has answered a sent message, i.e. is in a message loop.
bool Sync(HWND window);

// A click on a button or check box (BM_CLICK), of this process or another. Returns once it
// is handled, or after a second when it opened something that waits for the user.
void Click(HWND dialog, int id);
// Replaces the text of an edit control as typed: a click into it, all selected, each
// character sent as WM_CHAR (so the control's own filters apply).
void Type(HWND dialog, int id, const char* text);
// A key pressed and released on the window's thread, queued to the control that has the
// focus, where the dialog's or the menu's own loop sees it: VK_RETURN, VK_ESCAPE, VK_DOWN.
void PressKey(HWND window, UINT vk);
void ClickCloseBox(HWND dialog);

std::string ItemText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
// In the middle of the screen, by the window's own size.
bool IsCentred(HWND window);

// What a message box (or any dialog) shows.
struct SeenBox {
    std::string caption; // "#menu" for a menu
    std::string text;    // the longest static text, as the window holds it (ANSI bytes)
    HWND owner;
    HICON icon;        // the picture beside the message (STM_GETICON), or nullptr
    int defaultButton; // the button drawn as default (BS_DEFPUSHBUTTON), or 0
    bool topmost;      // system-modal boxes stay on top of everything
};
SeenBox ReadBox(HWND box);

// The user on a helper thread: runs script, then, until Finish(), answers whatever dialog,
// message box or menu of process pid (this one when 0) shows: a box or dialog with the
// command `answer` (ended with kLeftOpen if it ignores that), a menu with Escape. Seen()
// keeps what each showed: for a script that plays the whole part, the ones not expected.
class UserThread {
  public:
    explicit UserThread(std::function<void()> script, int answer = IDCANCEL, DWORD pid = 0);
    ~UserThread() { Finish(); }
    UserThread(const UserThread&) = delete;
    UserThread& operator=(const UserThread&) = delete;

    // Stops the answering and waits for the thread; then the script's results may be read.
    void Finish();
    std::vector<SeenBox> Seen() const;
    int Count() const { return static_cast<int>(Seen().size()); }

  private:
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    std::vector<SeenBox> seen_;
    std::thread thread_;
};

// Opens dialog `resource` of the test module with DialogBoxParamA (no owner) and runs
// user(dialog) on a helper thread once it shows. Returns the dialog's result, or kLeftOpen
// when the actions left it, or a message box of it, open.
INT_PTR RunDialog(WORD resource, DLGPROC proc, const std::function<void(HWND)>& user);

// While it lives, the function that this program imports from dll by name is replaced.
class ImportSwap {
  public:
    ImportSwap(const char* dll, const char* function, const void* replacement);
    ~ImportSwap();
    ImportSwap(const ImportSwap&) = delete;
    ImportSwap& operator=(const ImportSwap&) = delete;
    bool Ok() const { return slot_ != nullptr; }

  private:
    void Write(const void* value);

    void** slot_ = nullptr;
    const void* original_ = nullptr;
};

} // namespace bench
