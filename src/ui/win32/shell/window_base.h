#pragma once
// A window of a class of this program, handled by a C++ object: the object is
// found from the window's user data, set as the window is created.

#include <windows.h>

namespace win32app {

class WindowBase {
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    // Destroys the window if it is still there.
    virtual ~WindowBase();

    HWND hwnd() const { return hwnd_; }

protected:
    // Registers the class once per process; every class shares one procedure.
    static void registerClass(const wchar_t* name, HBRUSH background, HICON icon = nullptr, UINT style = 0);
    bool create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, RECT at, HWND parent,
                UINT_PTR id = 0);
    // Messages not handled go to DefWindowProcW.
    virtual LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

}  // namespace win32app
