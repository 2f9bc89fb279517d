#include "ui/qt/shell/pictures.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/qt/shell/look.h"

namespace pictures {

namespace {

QPixmap canvas(QSize size, qreal dpr) {
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    return pm;
}

}  // namespace

QString textOnGreen(bool ownBackground) {
    const QColor white = toColor(view::kWhite), green = toColor(view::kGreen);
    return QString("color: %1; background: %2;")
        .arg(white.name(), ownBackground ? green.name() : QString("transparent"));
}

QPixmap appIconPixmap(int size, qreal dpr) {
    QPixmap pm = canvas(QSize(size, size), dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A green tile holding a white key with an arrow: a key that stands for another.
    p.setPen(Qt::NoPen);
    p.setBrush(toColor(view::kGreen));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    const QRectF key(s * 0.16, s * 0.2, s * 0.68, s * 0.6);
    p.setBrush(toColor(view::kWhite));
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
    p.setBrush(toColor(view::kGreen));
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
    p.setPen(QPen(toColor(view::kMinimiseDash), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 12), QPointF(30, 12));
    return pm;
}

QPixmap closePixmap(qreal dpr) {
    const QSize size(view::kCloseWidth, view::kCloseHeight);
    QPixmap pm = canvas(size, dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(QPointF(0, 0), size), toColor(view::kCloseRed));
    p.setPen(QPen(toColor(view::kWhite), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19.5, 5), QPointF(28.5, 14));
    p.drawLine(QPointF(28.5, 5), QPointF(19.5, 14));
    return pm;
}

}  // namespace pictures
