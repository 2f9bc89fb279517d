#pragma once
// The windows as drawn, for both front ends: where each control sits and how
// large it is (pixels; at 96 DPI on Windows, where they are scaled), the
// colours and the fonts. Each front end turns these into its toolkit's own
// types and writes none of them again.

namespace view {

// A control's place within its parent and its size.
struct Box {
    int x, y, w, h;
};

struct Colour {
    unsigned char r, g, b;
    // As Windows and the hotkey control's property set keep a colour: 0x00BBGGRR.
    constexpr unsigned long bgr() const { return r | g << 8 | static_cast<unsigned long>(b) << 16; }
};

// The Chinese names are the ones a Chinese Windows system has; elsewhere a
// font with Chinese glyphs stands in for them.
inline constexpr const char* kYaHei = "微软雅黑";
inline constexpr const char* kSimSun = "宋体";

struct Font {
    const char* face;
    int points;
    bool bold = false;
};

inline constexpr Colour kGreen{0, 153, 102};           // title strips, window frames, 添加
inline constexpr Colour kWhite{255, 255, 255};         // titles and 添加 on the green
inline constexpr Colour kHeaderGrey{224, 224, 224};    // the column headings' strip
inline constexpr Colour kTriggerBack{255, 224, 192};   // the trigger fields: light orange
inline constexpr Colour kTriggerText{0, 0, 0};         // and their text
inline constexpr Colour kCloseRed{212, 48, 48};        // the close image
inline constexpr Colour kMinimiseDash{230, 245, 238};  // the minimise image's dash

// Both windows: the green strip along the top, and the close image on it.
inline constexpr int kStripHeight = 25;
inline constexpr int kCloseWidth = 48, kCloseHeight = 19;
inline constexpr Font kTitleFont{kYaHei, 12, true};
inline constexpr Font kBodyFont{kYaHei, 9};

// The main window, frmSet ("设置").
namespace main_window {
inline constexpr int kWidth = 389, kHeight = 405;
inline constexpr Box kStrip{0, 0, kWidth, kStripHeight};  // pmenu
inline constexpr Box kTitle{8, 0, 201, kStripHeight};
inline constexpr Box kImage2{264, 0, 39, 17};                     // minimise
inline constexpr Box kImage3{320, 0, kCloseWidth, kCloseHeight};  // close
inline constexpr Box kPicture1{5, 24, 377, 25};  // the column headings' strip, over the title strip's last row
// On Picture1: Label3(0), Label4, Label3(1).
inline constexpr Box kHeadings[3] = {{8, 4, 129, 24}, {152, 4, 129, 24}, {296, 4, 73, 24}};
// Slot n's row (n = 1 … 10): its target field Text1(n - 1), its trigger
// field Zorvane<n> and its box Check<n>.
constexpr int RowTop(int n) { return 64 + 32 * (n - 1); }
constexpr Box Text1(int n) { return {16, RowTop(n), 129, 20}; }
constexpr Box Trigger(int n) { return {161, RowTop(n), 127, 20}; }
constexpr Box Check(int n) { return {304, RowTop(n), 73, 20}; }
inline constexpr Font kTriggerFont{kSimSun, 9};
}  // namespace main_window

// The action editor, edit ("编辑").
namespace editor_window {
// The link starts 15 pixels above the bottom of a 175-pixel window and is 25
// high: a little more room lets it show whole.
inline constexpr int kWidth = 457, kHeight = 186;
inline constexpr Box kStrip{0, 0, kWidth, kStripHeight};  // pmenu
inline constexpr Box kTitle{8, 0, 120, kStripHeight};
inline constexpr Box kLogo{144, 8, 22, 22};                       // over the strip's lower edge
inline constexpr Box kImage3{384, 0, kCloseWidth, kCloseHeight};  // close
// Picker k (0, 1, 2): lovea, lovek, lovem, closed.
constexpr Box Picker(int k) { return {24 + 136 * k, 48, 121, 25}; }
inline constexpr Box kLabel1{24, 96, 409, 41};  // 添加
inline constexpr Box kLink{32, 160, 417, 25};   // pelmaran
inline constexpr Font kAddFont{kYaHei, 18, true};
inline constexpr Font kLinkFont{kYaHei, 12};
}  // namespace editor_window

}  // namespace view
