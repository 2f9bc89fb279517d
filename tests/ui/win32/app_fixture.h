#pragma once
// The Windows program's main window as the program makes it, in this process,
// on the real Windows backend: its set.ini is the one beside the test
// program, removed before and after each test. Keys are typed with SendInput
// into the focused field, as a keyboard would.

#include <windows.h>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/services.h"
#include "support/file_bytes.h"
#include "ui/win32/app/frmSet.h"

class Win32AppTest : public ::testing::Test {
public:
    static std::wstring text(HWND control);

protected:
    void SetUp() override;
    void TearDown() override;

    // The main window, shown; without hotkeys when asked.
    win32app::frmSet& start(bool withHotkeys = true);

    // Presses the keys in order and releases them in reverse order.
    static void type(std::initializer_list<BYTE> keys);
    static void keyDown(BYTE vk);
    static void keyUp(BYTE vk);
    // The window in front and the field focused, ready for keys.
    void focus(HWND field);
    // Clicks slot n's box as the user does.
    void clickBox(int n);
    // A left press and release in the middle of a control.
    static void click(HWND control);
    // Picks `name` in the editor's picker k as the user does.
    void pick(int k, const std::wstring& name);

    bool checked(int n) const;
    std::string ini(const std::string& section, const std::string& key) const;

    std::wstring iniPath;
    platform::OwnedServices backend;
    std::unique_ptr<win32app::frmSet> window;
    std::vector<std::string> messages;  // title: text of each message shown
    std::vector<std::wstring> pages;    // web pages opened
    bool exited = false;
};

// Writes bytes to a file as they are.
void WriteBytes(const std::wstring& path, const std::string& bytes);
using wintest::ReadBytes;
