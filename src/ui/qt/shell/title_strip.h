#pragma once
#include <QLabel>
#include <QWidget>

// The green strip across the top of a borderless window: it moves the window
// while the left button is held over it. A plain label on it passes its mouse
// events on to the strip, so a title moves the window too.
class TitleStrip : public QWidget {
    Q_OBJECT
public:
    explicit TitleStrip(QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// A label that takes the mouse events over it and does nothing with them.
class InertLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent*) override {}
    void mouseMoveEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent*) override {}
};

// An image that acts on a click (a press and release over it); it starts no move.
class ClickableImage : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent*) override {}
    void mouseMoveEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// The window's frame: an outline drawn over everything, transparent to the mouse.
class FrameShape : public QWidget {
    Q_OBJECT
public:
    FrameShape(QWidget* parent, QColor color);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_;
};

// A fixed-size, fixed-position child, as the window layouts give them.
template <class W, class... Args>
W* placed(QWidget* parent, int x, int y, int w, int h, Args&&... args) {
    auto* widget = new W(std::forward<Args>(args)..., parent);
    widget->setGeometry(x, y, w, h);
    return widget;
}
