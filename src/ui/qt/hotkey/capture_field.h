#pragma once
#include <QLineEdit>

// The text box of the hotkey control. Every key goes to the control, none
// becomes text; it offers no menu and takes no paste or drop.
class CaptureField : public QLineEdit {
    Q_OBJECT
public:
    explicit CaptureField(QWidget* parent);

signals:
    void keyPressed(QKeyEvent* event);
    void keyReleased(QKeyEvent* event);
    void focusGained();
    void focusLost();
    void mouseEvent(QMouseEvent* event);

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
};
