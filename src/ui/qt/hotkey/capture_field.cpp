#include "ui/qt/hotkey/capture_field.h"

#include <QKeyEvent>
#include <QMouseEvent>

CaptureField::CaptureField(QWidget* parent) : QLineEdit(parent) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setDragEnabled(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

bool CaptureField::event(QEvent* e) {
    switch (e->type()) {
        case QEvent::ShortcutOverride:
            // Keys typed here are a chord, not the application's shortcuts.
            e->accept();
            return true;
        case QEvent::KeyPress:
            // Before QWidget's own handling, so Tab is captured rather than moving the focus.
            emit keyPressed(static_cast<QKeyEvent*>(e));
            return true;
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(e);
            // X11 auto-repeat sends a release before each repeated press; the key is still down.
            if (!k->isAutoRepeat()) emit keyReleased(k);
            return true;
        }
        case QEvent::InputMethod: return true;
        default: return QLineEdit::event(e);
    }
}

void CaptureField::mousePressEvent(QMouseEvent* e) {
    emit mouseEvent(e);
    if (e->button() != Qt::MiddleButton) QLineEdit::mousePressEvent(e);
}

void CaptureField::mouseReleaseEvent(QMouseEvent* e) {
    emit mouseEvent(e);
    // A middle click would paste the X selection.
    if (e->button() != Qt::MiddleButton) QLineEdit::mouseReleaseEvent(e);
}

void CaptureField::mouseMoveEvent(QMouseEvent* e) {
    emit mouseEvent(e);
    QLineEdit::mouseMoveEvent(e);
}

void CaptureField::mouseDoubleClickEvent(QMouseEvent* e) {
    emit mouseEvent(e);
    QLineEdit::mouseDoubleClickEvent(e);
}

void CaptureField::focusInEvent(QFocusEvent* e) {
    emit focusGained();
    QLineEdit::focusInEvent(e);
}

void CaptureField::focusOutEvent(QFocusEvent* e) {
    emit focusLost();
    QLineEdit::focusOutEvent(e);
}
