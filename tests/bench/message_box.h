// Answers message boxes the way a user would: a thread watches for them, notes what
// they show, and clicks a button through the box's own command path.
#pragma once
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

namespace bench {

struct SeenBox {
    std::string caption;
    std::string text;  // the message, as the box holds it (ANSI bytes)
    HWND owner;        // the box's owner window
    HICON icon;        // the picture beside the message (STM_GETICON), or nullptr
    int defaultButton; // the button drawn as default (BS_DEFPUSHBUTTON), or 0
    bool topmost;      // system-modal boxes stay on top of everything
};

class BoxAnswerer {
  public:
    // Answers every message box of process pid (this one when 0) with the button id.
    explicit BoxAnswerer(int button, DWORD pid = 0);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    std::vector<SeenBox> Seen() const;
    int Count() const;

  private:
    void Run();

    int button_;
    DWORD pid_;
    HANDLE stop_;
    mutable CRITICAL_SECTION lock_;
    std::vector<SeenBox> seen_;
    std::vector<HWND> answered_;
    std::thread thread_;
};

} // namespace bench
