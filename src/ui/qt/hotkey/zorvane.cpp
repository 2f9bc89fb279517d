#include "ui/qt/hotkey/zorvane.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QSettings>

#include "core/playback/program_error.h"
#include "ui/qt/hotkey/capture_field.h"
#include "ui/qt/hotkey/key_event_vk.h"

namespace {

constexpr int kErrSetNotSupportedAtRuntime = 382;
constexpr const char* kSection = "Zorvane";

int vbButton(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}

std::string toStd(const QString& s) { return s.toUtf8().toStdString(); }
QString fromStd(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The per-user settings store, for a control whose SettingLocation is not 0.
class UserChordStore : public hotkey::ChordStore {
public:
    explicit UserChordStore(const QString& application) : store_(QSettings::UserScope, application, application) {
        store_.beginGroup(kSection);
    }
    std::string read(const std::string& key, const std::string& fallback) override {
        return toStd(store_.value(fromStd(key), fromStd(fallback)).toString());
    }
    Result write(const std::string& key, const std::string& value) override {
        store_.setValue(fromStd(key), fromStd(value));
        store_.sync();
        if (store_.status() != QSettings::NoError)
            return Result::failure(toStd(store_.fileName()) + ": the settings could not be written");
        return Result::success();
    }

private:
    QSettings store_;
};

}  // namespace

Zorvane::Zorvane(const QString& hostName, QWidget* parent, bool runMode, const platform::Services& services,
                 hotkey::ChordStore* store)
    : QWidget(parent),
      hostName_(hostName),
      runMode_(runMode),
      keyNamer_(services.keyNamer),
      hostStore_(store),
      txtHotKey_(new CaptureField(this)),
      logic_(
          [this](const std::string& title, const std::string& text) {
              QMessageBox box(QMessageBox::Critical, fromStd(title), fromStd(text), QMessageBox::Ok, window());
              box.exec();
          },
          services) {
    setObjectName(hostName);
    txtHotKey_->setObjectName("txtHotKey");
    txtHotKey_->setGeometry(rect());
    connect(txtHotKey_, &CaptureField::keyPressed, this, &Zorvane::onKeyPressed);
    connect(txtHotKey_, &CaptureField::keyReleased, this, &Zorvane::onKeyReleased);
    connect(txtHotKey_, &CaptureField::focusGained, this, [this] { logic_.focusGained(); });
    connect(txtHotKey_, &CaptureField::focusLost, this, [this] { logic_.focusLost(); });
    connect(txtHotKey_, &CaptureField::mouseEvent, this, &Zorvane::onMouse);
    logic_.onShow = [this] { showChord(); };
    logic_.onHotKeyPressed = [this] { RaiseEvents(); };
    logic_.onTurnedOff = [this] { emit HotKeyTurnedOff(); };
    showChord();
}

Zorvane::~Zorvane() {
    // Ending the endpoint releases the chord with it.
    logic_.detach();
}

void Zorvane::setAlert(hotkey::ControlLogic::Alert alert) { logic_.setAlert(std::move(alert)); }

// --- life cycle -------------------------------------------------------------

void Zorvane::InitProperties() {
    txtHotKey_->setText(hotkey::kPromptText);
    iniFileName_ = "set.ini";
    settingLocation_ = 0;
    regKeyName_ = "Zorvane";
}

void Zorvane::ReadProperties(const QVariantMap& P) {
    const QFont hostFont = parentWidget() ? parentWidget()->font() : QWidget::font();
    backColor_ = P.value("BackColor", 0x80000005u).toUInt();
    foreColor_ = P.value("ForeColor", 0x80000008u).toUInt();
    applyColors();
    txtHotKey_->setEnabled(P.value("Enabled", true).toBool());
    txtHotKey_->setFont(P.value("Font", hostFont).value<QFont>());
    borderStyle_ = P.value("BorderStyle", 1).toInt();
    txtHotKey_->setFrame(borderStyle_ != 0);
    appearance_ = P.value("Appearance", 1).toInt();
    txtHotKey_->setToolTip(P.value("ToolTipText", QString()).toString());

    iniFileName_ = P.value("INIFileName", "set.ini").toString();
    settingLocation_ = P.value("SettingLocation", 0).toInt();
    regKeyName_ = P.value("RegKeyName", "Zorvane").toString();

    if (!runMode_) {
        txtHotKey_->setText(P.value("Text", QString(hotkey::kPromptText)).toString());
        return;
    }
    if (settingLocation_ != 0) userStore_ = std::make_unique<UserChordStore>(regKeyName_);
    logic_.connect(settingLocation_ == 0 ? hostStore_ : userStore_.get(), toStd(hostName_));
    logic_.readStoredChord();
}

void Zorvane::WriteProperties(QVariantMap& P) const {
    // A value equal to its default is not stored.
    auto put = [&P](const char* name, const QVariant& value, const QVariant& def) {
        if (value != def) P.insert(name, value);
    };
    const QFont hostFont = parentWidget() ? parentWidget()->font() : QWidget::font();
    put("BackColor", backColor_, 0x80000005u);
    put("ForeColor", foreColor_, 0x80000008u);
    put("Enabled", txtHotKey_->isEnabled(), true);
    put("Font", txtHotKey_->font(), hostFont);
    put("BorderStyle", borderStyle_, 1);
    put("Appearance", appearance_, 1);
    put("ToolTipText", txtHotKey_->toolTip(), QString());
    put("INIFileName", iniFileName_, QString("set.ini"));
    put("SettingLocation", settingLocation_, 0);
    put("RegKeyName", regKeyName_, QString("Zorvane"));
}

// --- properties -------------------------------------------------------------

QColor Zorvane::colorFromStored(quint32 stored, const QPalette& system) {
    if (stored & 0x80000000u) {
        switch (stored & 0xff) {
            case 5: return system.color(QPalette::Base);
            case 8: return system.color(QPalette::Text);
            default: return system.color(QPalette::Window);
        }
    }
    return QColor(stored & 0xff, (stored >> 8) & 0xff, (stored >> 16) & 0xff);
}

void Zorvane::applyColors() {
    QPalette p = txtHotKey_->palette();
    const QPalette system = QPalette();
    p.setColor(QPalette::Base, colorFromStored(backColor_, system));
    p.setColor(QPalette::Text, colorFromStored(foreColor_, system));
    txtHotKey_->setPalette(p);
}

void Zorvane::SetBackColor(quint32 New_BackColor) {
    backColor_ = New_BackColor;
    applyColors();
    emit PropertyChanged("BackColor");
}

void Zorvane::SetForeColor(quint32 New_ForeColor) {
    foreColor_ = New_ForeColor;
    applyColors();
    emit PropertyChanged("ForeColor");
}

bool Zorvane::Enabled() const { return txtHotKey_->isEnabled(); }

void Zorvane::SetEnabled(bool New_Enabled) {
    txtHotKey_->setEnabled(New_Enabled);
    emit PropertyChanged("Enabled");
}

QFont Zorvane::Font() const { return txtHotKey_->font(); }

void Zorvane::SetFont(const QFont& New_Font) {
    txtHotKey_->setFont(New_Font);
    emit PropertyChanged("Font");
}

void Zorvane::SetBorderStyle(int New_BorderStyle) {
    borderStyle_ = New_BorderStyle;
    txtHotKey_->setFrame(New_BorderStyle != 0);
    emit PropertyChanged("BorderStyle");
}

void Zorvane::SetAppearance(int New_Appearance) {
    appearance_ = New_Appearance;
    emit PropertyChanged("Appearance");
}

QString Zorvane::Text() const { return txtHotKey_->text(); }

QString Zorvane::ToolTipText() const { return txtHotKey_->toolTip(); }

void Zorvane::SetToolTipText(const QString& New_ToolTipText) {
    txtHotKey_->setToolTip(New_ToolTipText);
    emit PropertyChanged("ToolTipText");
}

void Zorvane::rejectAtRunTime() const {
    if (runMode_) throw ProgramError(kErrSetNotSupportedAtRuntime, toStd(hostName_), "Can't set property at run time");
}

void Zorvane::SetINIFileName(const QString& New_INIFileName) {
    rejectAtRunTime();
    iniFileName_ = New_INIFileName;
    emit PropertyChanged("INIFileName");
}

void Zorvane::SetSettingLocation(int New_SettingLocation) {
    rejectAtRunTime();
    settingLocation_ = New_SettingLocation;
    emit PropertyChanged("SettingLocation");
}

void Zorvane::SetRegKeyName(const QString& New_RegKeyName) {
    rejectAtRunTime();
    regKeyName_ = New_RegKeyName;
    emit PropertyChanged("RegKeyName");
}

// --- events -----------------------------------------------------------------

void Zorvane::RaiseEvents() { emit HotKeyPressed(); }

void Zorvane::showChord() {
    const QString text = fromStd(logic_.capture().text());
    if (txtHotKey_->text() != text) txtHotKey_->setText(text);
    txtHotKey_->setCursorPosition(static_cast<int>(text.size()));
}

void Zorvane::onKeyPressed(QKeyEvent* e) {
    int vk = hotkey::VirtualKeyOf(*e, keyNamer_);
    if (hotkey::ChordCapture::isDropped(vk) || vk == 0) return;
    int shift = hotkey::ShiftStateOf(*e, vk).bits();
    emit KeyDown(vk, shift);
    logic_.keyDown(vk, hotkey::ShiftState(shift));
}

void Zorvane::onKeyReleased(QKeyEvent* e) {
    int vk = hotkey::VirtualKeyOf(*e, keyNamer_);
    int shift = hotkey::ShiftStateOf(*e, vk).bits();
    logic_.keyUp(vk);
    emit KeyUp(vk, shift);
}

void Zorvane::onMouse(QMouseEvent* e) {
    int button = vbButton(e->type() == QEvent::MouseMove ? e->buttons() : Qt::MouseButtons(e->button()));
    int shift = hotkey::ShiftStateOf(e->modifiers()).bits();
    float x = static_cast<float>(e->position().x());
    float y = static_cast<float>(e->position().y());
    switch (e->type()) {
        case QEvent::MouseButtonPress:
            pressingInside_ = true;
            emit MouseDown(button, shift, x, y);
            break;
        case QEvent::MouseMove: emit MouseMove(button, shift, x, y); break;
        case QEvent::MouseButtonRelease:
            emit MouseUp(button, shift, x, y);
            if (pressingInside_ && txtHotKey_->rect().contains(e->position().toPoint())) emit Click();
            pressingInside_ = false;
            break;
        case QEvent::MouseButtonDblClick: emit DblClick(); break;
        default: break;
    }
}

void Zorvane::resizeEvent(QResizeEvent* e) {
    txtHotKey_->setGeometry(0, 0, width(), height());
    QWidget::resizeEvent(e);
}
