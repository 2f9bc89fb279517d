#include "shell/drag_form.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace {

// Where the pointer held the window when a move without a window manager began.
constexpr const char* kAnchor = "_dragAnchor";

}  // namespace

void DragForm(QWidget* form) {
    if (!form) return;
    QWidget* w = form->window();
    if (w->isMaximized()) return;
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        w->setProperty(kAnchor, QVariant());
        return;
    }
    const QVariant anchor = w->property(kAnchor);
    if (!anchor.isValid()) {
        if (w->windowHandle() && w->windowHandle()->startSystemMove()) return;
        w->setProperty(kAnchor, QCursor::pos() - w->pos());
        return;
    }
    w->move(QCursor::pos() - anchor.toPoint());
}
