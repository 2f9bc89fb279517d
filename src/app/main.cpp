#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zorvane Change Hotkey");
    QWidget window;
    window.setWindowTitle("Zorvane Change Hotkey");
    window.resize(389, 405);
    window.show();
    return QApplication::exec();
}
