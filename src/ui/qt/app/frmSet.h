#pragma once
// The main window: ten slots, each a target field (the keys the application
// knows), a hotkey control (the trigger that replaces them) and a box that
// makes the trigger live.

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "core/slots/slot_table.h"

class QCheckBox;
class QLineEdit;
class Zorvane;
class edit;
class Tray;
class ClickableImage;
class FrameShape;

// Draws the slot table and forwards its events; the table decides.
class frmSet : public QWidget, private app::SlotTable::View {
    Q_OBJECT
public:
    static constexpr int kSlots = app::SlotTable::kSlots;

    // The slots are read from the settings file and kept there. Without the
    // tray icon (tests), the window is the only way back.
    frmSet(const platform::Services& services, app::SettingsFile settings, bool tray = true);
    ~frmSet() override;

    // The exit routine (the slot table's end): stores every chord, removes the
    // tray icon, ends the program.
    void Image3_Click();
    // The saving part of the exit routine.
    bool SaveAllChords();
    // The dash: the window goes to the notification area, or, with none there
    // to bring it back from, is minimised.
    void Image2_Click();
    // Shown again, in front, as the tray icon and a second start ask.
    void bringBack();

    QLineEdit* Text1(int i) const { return text1_[i]; }
    Zorvane* ZorvaneN(int n) const { return zorvane_[n - 1]; }
    QCheckBox* Check(int n) const { return check_[n - 1]; }
    ClickableImage* Image2() const { return image2_; }
    ClickableImage* Image3() const { return image3_; }
    Tray* tray() const { return tray_; }
    // The action editor, created on first reference.
    edit* editor();

    // How messages reach the user; a modal box by default.
    using Alert = std::function<void(const QString& title, const QString& text)>;
    void setAlert(Alert alert);

    // Opens the editor for slot i + 1.
    void Text1_Click(int i);
    app::SlotTable& table() { return *table_; }

signals:
    // The program is to end now.
    void exitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void Form_Load();

    // The table's view.
    hotkey::ControlLogic& control(int n) override;
    void showTarget(int i, const app::SlotTable::Target& target) override;
    void setChecked(int n, bool on) override;
    void alert(const std::string& title, const std::string& text) override;
    void quit() override;

    platform::Services services_;
    bool withTray_;
    std::unique_ptr<app::SlotTable> table_;
    std::array<QLineEdit*, kSlots> text1_{};
    std::array<Zorvane*, kSlots> zorvane_{};
    std::array<QCheckBox*, kSlots> check_{};
    ClickableImage* image2_ = nullptr;
    ClickableImage* image3_ = nullptr;
    FrameShape* shape1_ = nullptr;
    Tray* tray_ = nullptr;
    QPointer<edit> editor_;
    Alert alert_;
};
