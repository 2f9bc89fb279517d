#pragma once
// The program's pictures, drawn in code so they stay sharp at any scale.
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace pictures {

// A label's style sheet for white text on the green: on the strip's
// (transparent), or on a green background of its own.
QString textOnGreen(bool ownBackground = false);

// The window's icon, which is also the notification-area icon.
QIcon appIcon();
// Drawn at `size` logical pixels for the given device pixel ratio.
QPixmap appIconPixmap(int size, qreal dpr);
// The main window's minimise image: a light dash on the title strip (48 × 20).
QPixmap minimisePixmap(qreal dpr);
// The close image: a white cross on red (48 × 19).
QPixmap closePixmap(qreal dpr);

}  // namespace pictures
