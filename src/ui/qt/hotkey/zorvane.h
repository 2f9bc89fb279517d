#pragma once
// The hotkey control: a field that captures a chord, shows it as text, makes
// it a system-wide hotkey when its host enables it, raises HotKeyPressed each
// time it is pressed, and keeps the chord between runs.

#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/diag/result.h"
#include "core/hotkey/control_logic.h"

class CaptureField;
class QKeyEvent;
class QMouseEvent;

class Zorvane : public QWidget {
    Q_OBJECT
public:
    // hostName is the name the host gives the instance ("Zorvane1"); it forms
    // the instance's settings keys. In run mode the control connects when it
    // reads its properties: it takes an endpoint from the services' hotkey
    // service and keeps its chord in `store`, the host's settings file (or,
    // with SettingLocation 1, in the per-user store named RegKeyName).
    // The services' key namer tells the codes and names of the layout's keys;
    // without one, keys are known by Qt's key codes and the program's own names.
    Zorvane(const QString& hostName, QWidget* parent = nullptr, bool runMode = true,
            const platform::Services& services = {}, hotkey::ChordStore* store = nullptr);
    ~Zorvane() override;

    // Life cycle.
    void InitProperties();
    void ReadProperties(const QVariantMap& P);
    void WriteProperties(QVariantMap& P) const;

    // Public members.
    void RaiseEvents();
    quint32 BackColor() const { return backColor_; }
    void SetBackColor(quint32 New_BackColor);
    quint32 ForeColor() const { return foreColor_; }
    void SetForeColor(quint32 New_ForeColor);
    bool Enabled() const;
    void SetEnabled(bool New_Enabled);
    QFont Font() const;
    void SetFont(const QFont& New_Font);
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int New_BorderStyle);
    int Appearance() const { return appearance_; }
    void SetAppearance(int New_Appearance);
    QString Text() const;
    QString ToolTipText() const;
    void SetToolTipText(const QString& New_ToolTipText);
    int KeyCode() const { return logic_.capture().keyCode(); }
    bool HotKeyEnabled() const { return logic_.hotKeyEnabled(); }
    void SetHotKeyEnabled(bool New_HotKeyEnabled) { logic_.setHotKeyEnabled(New_HotKeyEnabled); }
    int ModKeyCode() const { return logic_.capture().modKeyCode().bits(); }
    // Stores the chord and its text; a failed write is reported, not lost.
    Result SaveSettings() { return logic_.saveSettings(); }
    // The settings file's name as the property set keeps it; the file itself
    // is the host's.
    QString INIFileName() const { return iniFileName_; }
    void SetINIFileName(const QString& New_INIFileName);
    int SettingLocation() const { return settingLocation_; }
    void SetSettingLocation(int New_SettingLocation);
    QString RegKeyName() const { return regKeyName_; }
    void SetRegKeyName(const QString& New_RegKeyName);

    // How the two error messages are shown; a modal critical box by default.
    void setAlert(hotkey::ControlLogic::Alert alert);
    bool winKeyDown() const { return logic_.capture().winKeyDown(); }
    CaptureField* txtHotKey() const { return txtHotKey_; }
    hotkey::ControlLogic& logic() { return logic_; }
    // Shows the captured chord's text, the caret at its end.
    void showChord();
    QString hostName() const { return hostName_; }

    // 32-bit colours as the property set keeps them: 0x00BBGGRR, or a system
    // colour with the top bit set (5 window background, 8 window text).
    static QColor colorFromStored(quint32 stored, const QPalette& system);

signals:
    void HotKeyPressed();
    void Click();
    void DblClick();
    void KeyDown(int& KeyCode, int& Shift);
    void KeyUp(int& KeyCode, int& Shift);
    void MouseDown(int& Button, int& Shift, float& X, float& Y);
    void MouseMove(int& Button, int& Shift, float& X, float& Y);
    void MouseUp(int& Button, int& Shift, float& X, float& Y);
    // The live chord was turned off: a key typed into the field, or the system took it away.
    void HotKeyTurnedOff();
    // A property the host stores has changed.
    void PropertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void onKeyPressed(QKeyEvent* e);
    void onKeyReleased(QKeyEvent* e);
    void onMouse(QMouseEvent* e);
    void rejectAtRunTime() const;
    void applyColors();

    QString hostName_;
    bool runMode_;
    platform::KeyNamer* keyNamer_;
    hotkey::ChordStore* hostStore_;
    std::unique_ptr<hotkey::ChordStore> userStore_;  // SettingLocation 1
    CaptureField* txtHotKey_;
    hotkey::ControlLogic logic_;
    quint32 backColor_ = 0x80000005;
    quint32 foreColor_ = 0x80000008;
    int borderStyle_ = 1;
    int appearance_ = 1;
    QString iniFileName_ = "set.ini";
    int settingLocation_ = 0;
    QString regKeyName_ = "Zorvane";
    bool pressingInside_ = false;
};
