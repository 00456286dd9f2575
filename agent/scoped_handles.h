// Scoped handles: each closes or releases what it holds on every way out of a scope, inline,
// so they cost nothing over the calls written by hand.
#pragma once
#include <windows.h>

// A handle that Close ends; null and INVALID_HANDLE_VALUE hold nothing.
template <typename Handle, auto Close> class Scoped {
  public:
    constexpr explicit Scoped(Handle handle = nullptr) : handle_(handle) {}
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    ~Scoped() { Reset(); }
    Handle Get() const { return handle_; }
    bool Valid() const
    {
        return handle_ && handle_ != reinterpret_cast<Handle>(INVALID_HANDLE_VALUE);
    }
    // For a call that hands the handle back through a pointer.
    Handle* Out()
    {
        Reset();
        return &handle_;
    }
    void Reset(Handle handle = nullptr)
    {
        if (Valid())
            Close(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_;
};

using KernelHandle = Scoped<HANDLE, CloseHandle>;
// A font, brush or bitmap that this code created.
template <typename Object> using GdiObject = Scoped<Object, DeleteObject>;
using MemoryDC = Scoped<HDC, DeleteDC>;

// A registry key held for one operation.
class RegKey : public Scoped<HKEY, RegCloseKey> {
  public:
    bool Open(HKEY root, const char* path, REGSAM access)
    {
        return RegOpenKeyExA(root, path, 0, access, Out()) == ERROR_SUCCESS;
    }
    bool Create(HKEY root, const char* path)
    {
        return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, Out(), nullptr) == ERROR_SUCCESS;
    }
};

// A window's device context, released to it.
class WindowDC {
  public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC()
    {
        if (dc_)
            ReleaseDC(hwnd_, dc_);
    }
    HDC Get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back, so the object is no longer
// selected when it is deleted.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection()
    {
        if (previous_)
            SelectObject(dc_, previous_);
    }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};
