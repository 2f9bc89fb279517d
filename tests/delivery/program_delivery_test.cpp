// The built program on a display with a physical keyboard: same-key remaps
// reach the focused window as exactly the target, as often as the program
// played it, and leave nothing down.

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fstream>

#include "delivery/delivery_bed.h"
#include "platform/x11/vk_keysym.h"
#include "support/desktop.h"

using namespace bed;
using mod::Mask;

namespace {

struct Remap {
    const char* name;
    Mask mods;
    std::uint8_t key;
    std::vector<std::uint8_t> modifierKeys;
};

// Alt, Win, Ctrl+Shift and Ctrl+Alt triggers whose key is the target's key; every target is Ctrl+key.
const Remap kRemaps[] = {
    {"Alt + C", Mask::Alt, 'C', {vk::LMenu}},
    {"Win + Z", Mask::Win, 'Z', {vk::LWin}},
    {"Ctrl + Shift + V", Mask::Control | Mask::Shift, 'V', {vk::LControl, vk::LShift}},
    {"Ctrl + Alt + X", Mask::Control | Mask::Alt, 'X', {vk::LControl, vk::LMenu}},
};

class Program {
public:
    Program() {
        QFile::copy(ZORVANE_PROGRAM, dir_.path() + "/zorvane-change-hotkey");
        std::ofstream ini(dir_.path().toStdString() + "/set.ini");
        ini << "[Zorvane]\n";
        for (int n = 1; n <= 4; ++n) {
            const Remap& r = kRemaps[n - 1];
            ini << "Zorvane" << n << "Text=" << r.name << "\nZorvane" << n << "KeyCode=" << int(r.key) << "\nZorvane"
                << n << "ModKeyCode=" << r.mods.bits() << "\n";
        }
        ini << "[conftooltip]\n";
        for (int i = 0; i < 4; ++i) ini << i << "=2|17|" << int(kRemaps[i].key) << "\n";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVANE_TRACE", "1");  // one line a playback
        p_.setProcessEnvironment(env);
        p_.start(dir_.path() + "/zorvane-change-hotkey", {});
        p_.waitForStarted();
    }
    ~Program() {
        p_.kill();
        p_.waitForFinished(2000);
    }
    int playbacksSoFar() {
        log_ += QString::fromUtf8(p_.readAllStandardError());
        return static_cast<int>(log_.count(QRegularExpression("trace: first key")));
    }

private:
    QTemporaryDir dir_;
    QProcess p_;
    QString log_;
};

}  // namespace

TEST(ProgramDelivery, SameKeyRemapsThroughTheBuiltProgram) {
    DeliveryBed b;
    ASSERT_TRUE(b.ok()) << b.error;
    Program program;
    const auto window = desktop::waitForWindow(QString::fromUtf8("设置"));
    ASSERT_TRUE(window) << "the main window did not appear";
    for (int n = 1; n <= 4; ++n) desktop::clickAt(*window, 310, 64 + 32 * (n - 1) + 10);
    ASSERT_TRUE(b.listener().takeFocus());

    for (const Remap& r : kRemaps)
        for (const int hold : {20, 900}) {
            b.listener().clear();
            const int before = program.playbacksSoFar();
            std::vector<Step> steps;
            int at = 0;
            for (auto m : r.modifierKeys) steps.push_back({at, m, true}), at += 8;
            steps.push_back({at + 5, r.key, true});
            steps.push_back({at + 5 + hold, r.key, false});
            for (auto m : r.modifierKeys) steps.push_back({at + 10 + hold, m, false});
            b.perform(steps);
            // The program runs apart: its playbacks are over once nothing is
            // down; a repeat it has yet to play would start within a hold.
            DeliveryBed::spinUntil([&] { return program.playbacksSoFar() > before && b.serverLogicalDown().none(); },
                                   5000);
            DeliveryBed::spin(300);
            b.listener().waitForEvents(0, 0);

            // Every press of the key that reaches the window is one the
            // program typed. (A trigger that came during a playback and
            // waited for it plays without a trace line.)
            int presses = 0, typed = 0;
            for (const auto& e : b.listener().events()) {
                if (!e.press || e.keysym != x11::VkToKeysym(r.key)) continue;
                if (e.raw) {
                    typed += e.injected;
                    continue;
                }
                ++presses;
                EXPECT_EQ(e.state & kModifierBits, xState(Mask::Control)) << r.name << ": " << describe(e);
            }
            const int plays = program.playbacksSoFar() - before;
            EXPECT_GE(plays, 1) << r.name;
            if (hold < 300) {
                EXPECT_EQ(plays, 1) << r.name << ": a tap plays once";
            }
            EXPECT_EQ(presses, typed) << r.name << " held " << hold << " ms: the key arrived " << presses
                                      << " times, typed " << typed << " times\n"
                                      << describe(b.listener().events());
            EXPECT_TRUE(b.userLetsGoOfEverything());
            EXPECT_TRUE(DeliveryBed::spinUntil([&] { return b.serverLogicalDown().none(); }, 2000))
                << r.name << ": a key is left down";
        }
}
