#include "shell/title_strip.h"

#include <QMouseEvent>
#include <QPainter>

#include "shell/drag_form.h"
#include "shell/pictures.h"

TitleStrip::TitleStrip(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, pictures::kGreen);
    setPalette(p);
}

void TitleStrip::mouseMoveEvent(QMouseEvent*) { DragForm(window()); }
void TitleStrip::mouseReleaseEvent(QMouseEvent*) { DragForm(window()); }

void DraggingLabel::mouseMoveEvent(QMouseEvent*) { DragForm(window()); }
void DraggingLabel::mouseReleaseEvent(QMouseEvent*) { DragForm(window()); }

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
