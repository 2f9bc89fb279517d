#include "ui/qt/shell/pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace pictures {

namespace {

QPixmap canvas(QSize size, qreal dpr) {
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    return pm;
}

}  // namespace

QPixmap appIconPixmap(int size, qreal dpr) {
    QPixmap pm = canvas(QSize(size, size), dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A green tile holding a white key with an arrow: a key that stands for another.
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    const QRectF key(s * 0.16, s * 0.2, s * 0.68, s * 0.6);
    p.setBrush(Qt::white);
    p.drawRoundedRect(key, s * 0.1, s * 0.1);
    QPainterPath arrow;
    const qreal cy = key.center().y();
    arrow.moveTo(s * 0.27, cy - s * 0.06);
    arrow.lineTo(s * 0.52, cy - s * 0.06);
    arrow.lineTo(s * 0.52, cy - s * 0.17);
    arrow.lineTo(s * 0.74, cy);
    arrow.lineTo(s * 0.52, cy + s * 0.17);
    arrow.lineTo(s * 0.52, cy + s * 0.06);
    arrow.lineTo(s * 0.27, cy + s * 0.06);
    arrow.closeSubpath();
    p.setBrush(kGreen);
    p.drawPath(arrow);
    return pm;
}

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(appIconPixmap(size, 1.0));
    return icon;
}

QPixmap minimisePixmap(qreal dpr) {
    QPixmap pm = canvas(QSize(48, 20), dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(230, 245, 238), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 12), QPointF(30, 12));
    return pm;
}

QPixmap closePixmap(qreal dpr) {
    QPixmap pm = canvas(QSize(48, 19), dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, 0, 48, 19), QColor(212, 48, 48));
    p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19.5, 5), QPointF(28.5, 14));
    p.drawLine(QPointF(28.5, 5), QPointF(19.5, 14));
    return pm;
}

}  // namespace pictures
