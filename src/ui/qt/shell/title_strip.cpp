#include "ui/qt/shell/title_strip.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/qt/shell/drag_form.h"
#include "ui/qt/shell/look.h"

TitleStrip::TitleStrip(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, toColor(view::kGreen));
    setPalette(p);
}

// A window manager's move starts best at the press itself: it then follows
// the pointer from there, and no step of the move is lost.
void TitleStrip::mousePressEvent(QMouseEvent* e) { DragForm(window(), e); }
void TitleStrip::mouseMoveEvent(QMouseEvent* e) { DragForm(window(), e); }
void TitleStrip::mouseReleaseEvent(QMouseEvent* e) { DragForm(window(), e); }

void ClickableImage::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
}

FrameShape::FrameShape(QWidget* parent, QColor color) : QWidget(parent), color_(color) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(parent->rect());
}

void FrameShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QPen(color_, 1));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
