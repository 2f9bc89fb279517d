#include "ui/qt/shell/drag_form.h"

#include <QCursor>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {

// Where the pointer held the window when a move without a window manager began.
constexpr const char* kAnchor = "_dragAnchor";
// The window manager moves the window until the button comes up; asking again
// before then would move it twice as far.
constexpr const char* kManagerMoves = "_windowManagerMoves";

}  // namespace

void DragForm(QWidget* form, const QMouseEvent* event) {
    if (!form || !event) return;
    QWidget* w = form->window();
    if (event->type() == QEvent::MouseButtonPress) w->setProperty(kManagerMoves, false);
    if (w->isMaximized()) return;
    if (!(event->buttons() & Qt::LeftButton)) {
        w->setProperty(kAnchor, QVariant());
        return;
    }
    if (w->property(kManagerMoves).toBool()) return;
    const QVariant anchor = w->property(kAnchor);
    if (!anchor.isValid()) {
        if (w->windowHandle() && w->windowHandle()->startSystemMove()) {
            w->setProperty(kManagerMoves, true);
            return;
        }
        w->setProperty(kAnchor, QCursor::pos() - w->pos());
        return;
    }
    w->move(QCursor::pos() - anchor.toPoint());
}
