#pragma once
class QWidget;
class QMouseEvent;

// Moves a borderless window by its title strip: called on the press and every
// mouse move over the strip, it starts a move while the left button is held.
// The window manager moves the window where there is one; otherwise the
// window follows the pointer. A maximised window never moves this way.
// The event's own buttons count: the application's record misses the release
// that ends a window manager's move.
void DragForm(QWidget* form, const QMouseEvent* event);
