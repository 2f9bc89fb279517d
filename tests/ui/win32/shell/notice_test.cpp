// The notices as the user sees them, on a desktop with a tray host: for each
// cause the main window's tray icon shows a balloon in the cause's own words,
// even with the window hidden.

#include "app_fixture.h"

#include "core/diag/diag.h"
#include "core/settings/wide_text_win32.h"
#include "core/view/texts.h"
#include "support/balloon.h"
#include "support/pump.h"

namespace {

// The balloon beside the icon says the cause's words, within a while.
void ExpectBalloonOf(diag::Cause cause) {
    const std::wstring text = widetext::widen(texts::NoticeText(cause));
    std::optional<std::wstring> shown;
    EXPECT_TRUE(wintest::PumpUntil([&] { return (shown = wintest::BalloonText()) == text; }, 10000))
        << static_cast<int>(cause) << ": " << widetext::narrow(shown.value_or(L"<none>"));
}

}  // namespace

TEST_F(Win32AppTest, EachCauseIsShownInABalloonOfTheTrayIcon) {
    auto& w = start();
    ASSERT_TRUE(w.tray());
    ShowWindow(w.hwnd(), SW_HIDE);
    for (const diag::Cause cause :
         {diag::Cause::TargetRefused, diag::Cause::ChordLost, diag::Cause::ChordTaken, diag::Cause::SaveFailed}) {
        diag::ResetNotices();
        diag::Notify(cause, "a reason");
        ExpectBalloonOf(cause);
    }
}

// What the user was to hear of while the icon was not there (the shell not
// ready yet at logon) is shown once the icon is.
TEST_F(Win32AppTest, ANoticeWhileTheIconIsAwayIsShownOnceItIsBack) {
    auto& w = start();
    ASSERT_TRUE(w.tray() && w.tray()->added());
    w.tray()->remove();
    diag::ResetNotices();
    diag::Notify(diag::Cause::ChordTaken, "a reason");
    ASSERT_TRUE(w.tray()->add());
    ExpectBalloonOf(diag::Cause::ChordTaken);
}
