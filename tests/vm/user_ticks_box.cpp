// Loaded into the built program (LD_PRELOAD) in the virtual machine, where no
// one is there to click and the offscreen platform takes no input: stands in
// for the user, clicking the box of the slot ZORVANE_VM_TICK names once the
// program's window is active, then going to another window, and says on the
// standard error how the box ended. Nothing else of the program changes.

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QTimer>
#include <cstdio>
#include <string>

namespace {

void Click(QWidget* widget) {
    const QPointF at = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// Says how the box ended once the other window is active (the window system
// tells the program so later): a trigger typed from then on is the slot's.
void SayOnceActive(QWidget* application, const std::string& line) {
    if (QApplication::activeWindow() != application)
        return (void)QTimer::singleShot(10, [application, line] { SayOnceActive(application, line); });
    std::fprintf(stderr, "%s\n", line.c_str());
}

// Once the program's window is active, as a user finds it.
void TickOnceActive() {
    QWidget* window = QApplication::activeWindow();
    if (!window) return (void)QTimer::singleShot(10, TickOnceActive);
    const QString name = "Check" + qEnvironmentVariable("ZORVANE_VM_TICK");
    auto* box = window->findChild<QCheckBox*>(name);
    if (box) Click(box);
    // Then the user goes to the application the trigger is for: the
    // program's window, and with it the chord field that has the focus
    // (which would capture the trigger), is no longer active.
    auto* application = new QWidget;
    application->setObjectName("application");
    application->show();
    application->activateWindow();
    const char* how = !box ? "is not there" : box->isChecked() ? "ticked" : "stays clear";
    SayOnceActive(application, std::string("vm-user: ") + qPrintable(name) + " " + how);
}

void TickOnceRunning() {
    if (qEnvironmentVariableIsSet("ZORVANE_VM_TICK")) QTimer::singleShot(0, TickOnceActive);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(TickOnceRunning)
