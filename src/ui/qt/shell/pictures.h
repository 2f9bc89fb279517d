#pragma once
// The program's pictures, drawn in code so they stay sharp at any scale.
#include <QIcon>
#include <QPixmap>

namespace pictures {

inline const QColor kGreen{0, 153, 102};

// The window's icon, which is also the notification-area icon.
QIcon appIcon();
// Drawn at `size` logical pixels for the given device pixel ratio.
QPixmap appIconPixmap(int size, qreal dpr);
// The main window's minimise image: a light dash on the title strip (48 × 20).
QPixmap minimisePixmap(qreal dpr);
// The close image: a white cross on red (48 × 19).
QPixmap closePixmap(qreal dpr);

}  // namespace pictures
