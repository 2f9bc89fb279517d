#pragma once
// The core's layout, colours, fonts and texts (core/view) in Qt's types.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <string>
#include <utility>

#include "core/view/layout.h"
#include "ui/qt/shell/title_strip.h"

inline QRect toRect(view::Box b) { return {b.x, b.y, b.w, b.h}; }
inline QColor toColor(view::Colour c) { return {c.r, c.g, c.b}; }
inline QFont toFont(view::Font f) {
    QFont font(QString::fromUtf8(f.face), f.points);
    font.setBold(f.bold);
    return font;
}
inline QString toText(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// A fixed child where the layout puts it.
template <class W, class... Args>
W* placed(QWidget* parent, view::Box at, Args&&... args) {
    return placed<W>(parent, at.x, at.y, at.w, at.h, std::forward<Args>(args)...);
}
