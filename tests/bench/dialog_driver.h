// The user's side of a modal dialog. The test thread sits in the real DialogBoxParamA while
// a helper thread finds the dialog and acts on it with the messages a user's clicks and keys
// produce; message boxes are answered the same way, through the real MessageBoxA.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace bench {

struct DialogRun {
    INT_PTR result = -1;   // what DialogBoxParamA returned
    bool shown = false;    // the dialog became visible and the user's actions ran
    bool leftOpen = false; // still open after the actions: closed by the runner instead
};

// Opens dialog `resource` of the test module with DialogBoxParamA (no owner) and runs
// user(dialog) on a helper thread once the dialog is visible. The actions are expected to
// end the dialog; if it is still open a few seconds later, the runner ends it (result -2).
DialogRun RunDialog(WORD resource, DLGPROC proc, const std::function<void(HWND)>& user);

// A click on a button or check box (BM_CLICK), handled before the call returns.
void Click(HWND dialog, int id);
// The same click, queued: for a click that opens a message box and so does not return.
void ClickLater(HWND dialog, int id);
// A click into a control (focus moves there), then each character typed as WM_CHAR.
void Type(HWND dialog, int id, const char* text);
// A key press (WM_KEYDOWN and WM_KEYUP) queued to the control that has the focus, where
// the dialog's own loop (IsDialogMessage) sees it: VK_RETURN, VK_ESCAPE.
void PressKey(HWND dialog, UINT vk);
// A click on the title bar's close box.
void ClickCloseBox(HWND dialog);

std::string ItemText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);

struct MessageBoxSeen {
    bool found = false;
    std::string caption;
    std::string text;
    bool warningIcon = false; // shows the system's warning icon
};

// Waits for a message box owned by `owner`, reads it and presses its button.
MessageBoxSeen AnswerMessageBox(HWND owner, DWORD timeoutMs = 5000);

// Polls until done() or timeoutMs; returns done(). For waits on another thread's windows.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 5000);

} // namespace bench
