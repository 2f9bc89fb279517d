#pragma once
// The action editor "编辑": the user picks up to three keys by name for one
// slot; "添加" gives the slot its display text and action string. The session
// (core/slots/editor_session.h) decides; this draws it and forwards the picks
// and the clicks.

#include <array>
#include <functional>
#include <memory>

#include "core/slots/editor_session.h"
#include "ui/win32/shell/fonts.h"
#include "ui/win32/shell/placements.h"
#include "ui/win32/shell/surface.h"
#include "ui/win32/shell/window_base.h"

namespace win32app {

class edit : public WindowBase {
public:
    // Created hidden, centred on the screen, with blank pickers.
    explicit edit(app::EditorSession& session);
    ~edit() override;

    // The slot field pd: the index (0 … 9) of the slot being edited.
    int slot() const { return session_.slot(); }
    // Shown and brought forward.
    void show();

    // The editor is done (after "添加" or a close) and hidden: the host shows the main window.
    std::function<void()> onFinished;
    // Opens a web page; the default asks the shell.
    std::function<void(const wchar_t* url)> openPage;

    // Controls, for the tests.
    HWND picker(int k) const { return pickers_[k]; }  // lovea, lovek, lovem
    HWND Label1() const { return label1_; }           // "添加"
    HWND pelmaran() const { return link_; }
    HWND strip() const { return strip_->hwnd(); }
    HWND title() const { return title_; }
    HWND logo() const { return logo_->hwnd(); }
    HWND Image3() const { return close_->hwnd(); }
    bool linkUnderlined() const { return underlined_; }
    const editor::ActionComposer& composer() const { return session_.composer(); }

    // What "添加" does.
    void Label1_Click();

protected:
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void build();
    void fillPickers();
    void applyDpi(int dpi);
    void setLinkUnderlined(bool on);
    void chosen(int k);

    app::EditorSession& session_;
    Placements placed_;
    std::unique_ptr<Surface> strip_, logo_, close_;
    HWND title_ = nullptr, label1_ = nullptr, link_ = nullptr;
    std::array<HWND, 3> pickers_{};
    Font font_, titleFont_, addFont_, linkFont_, linkUnderlinedFont_;
    HBRUSH green_;
    bool underlined_ = false;
};

}  // namespace win32app
