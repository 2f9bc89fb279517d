#pragma once
class QWidget;

// Moves a borderless window by its title strip: called on every mouse move
// over the strip, it starts a move while the left button is held. The window
// manager moves the window where there is one; otherwise the window follows
// the pointer. A maximised window never moves this way.
void DragForm(QWidget* form);
