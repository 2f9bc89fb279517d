#include <gtest/gtest.h>
#include <QApplication>
#include <QString>

namespace {

// Notes of the offscreen platform about what it cannot do only hide real output.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains("does not support") || message.contains("XDG_RUNTIME_DIR")) return;
    qt_message_output(type, context, message);
}

}  // namespace

// Tests that need Qt run inside one application object, as the program does.
// Without a display (test discovery, tier-2 runs) they use the offscreen platform.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
