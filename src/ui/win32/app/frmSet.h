#pragma once
// The main window "设置": ten slots, each a target field (the keys the
// application knows), a hotkey field (the trigger that replaces them) and a
// box that makes the trigger live. It draws the slot table and forwards its
// events; the core's SlotTable decides.

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "core/slots/slot_table.h"
#include "ui/win32/editor/edit.h"
#include "ui/win32/hotkey/hotkey_field.h"
#include "ui/win32/hotkey/target_fields.h"
#include "ui/win32/shell/fonts.h"
#include "ui/win32/shell/placements.h"
#include "ui/win32/shell/surface.h"
#include "ui/win32/shell/tray.h"
#include "ui/win32/shell/window_base.h"

namespace win32app {

class frmSet : public WindowBase, private app::SlotTable::View {
public:
    static constexpr int kSlots = app::SlotTable::kSlots;
    static constexpr const wchar_t* kClassName = L"ZorvaneChangeHotkeyMain";

    // Created hidden, centred, with the slots read from the settings file, the
    // tray icon added (unless not wanted) and the editor made (hidden).
    frmSet(const platform::Services& services, app::SettingsFile settings, bool tray = true);
    ~frmSet() override;

    // Shown and brought forward.
    void show();
    // The exit routine (the slot table's end): stores every chord, removes
    // the tray icon, destroys the window and ends the program (onExit).
    void Image3_Click() { table_->end(app::SlotTable::Ending::Exit); }
    // The saving part of the exit routine.
    bool SaveAllChords() { return table_->saveAllChords(); }
    // Opens the editor for slot i + 1 and hides this window.
    void Text1_Click(int i);
    // Keyboard navigation of this window and the editor; true when taken.
    bool isDialogMessage(MSG* msg);

    // The message a second copy of the program sends: show the window.
    static UINT showRequestMessage();

    // How messages reach the user: a modal box with the stop icon by default.
    using Alert = std::function<void(const std::string& title, const std::string& text)>;
    void setAlert(Alert alert) { alert_ = std::move(alert); }
    // Opens a web page: the shell's "open" by default.
    std::function<void(const wchar_t* url)> openPage;
    // The exit routine is done: end the message loop.
    std::function<void()> onExit;

    // Controls, for the tests.
    HWND Text1(int i) const { return targets_->field(i); }
    std::wstring Text1Tip(int i) const { return targets_->tip(i); }
    HotkeyField& ZorvaneN(int n) { return *fields_[n - 1]; }
    HWND Check(int n) const { return checks_[n - 1]; }
    HWND pmenu() const { return strip_->hwnd(); }
    HWND title() const { return title_; }
    HWND Image2() const { return minimise_->hwnd(); }
    HWND Image3() const { return close_->hwnd(); }
    HWND Picture1() const { return header_->hwnd(); }
    HWND header(int k) const { return headers_[k]; }  // 原来的热键, 修改后热键, 启用
    edit* editor() const { return editor_.get(); }
    Tray* tray() const { return tray_.get(); }
    app::SlotTable& table() { return *table_; }

protected:
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void build();
    void applyDpi(int dpi);
    void Form_Load();
    edit& makeEditor();
    bool command(UINT id, UINT code);

    // The table's view.
    hotkey::ControlLogic& control(int n) override { return fields_[n - 1]->logic(); }
    void showTarget(int i, const app::SlotTable::Target& target) override;
    void setChecked(int n, bool on) override;
    void alert(const std::string& title, const std::string& text) override { alert_(title, text); }
    void quit() override;

    platform::Services services_;
    bool withTray_;
    Alert alert_;
    std::unique_ptr<app::SlotTable> table_;
    Placements placed_;
    std::unique_ptr<Surface> strip_, minimise_, close_, header_;
    HWND title_ = nullptr;
    std::array<HWND, 3> headers_{};
    std::unique_ptr<TargetFields> targets_;
    std::array<std::unique_ptr<HotkeyField>, kSlots> fields_;
    std::array<HWND, kSlots> checks_{};
    std::unique_ptr<Tray> tray_;
    std::unique_ptr<edit> editor_;
    Font font_, titleFont_, triggerFont_;
    HBRUSH triggerBrush_;
    HWND lastFocus_ = nullptr;
};

}  // namespace win32app
