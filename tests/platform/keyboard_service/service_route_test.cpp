// The program's playback (Player) through its keyboard-service client, over a
// real socket, to the service's own router: the user's keys in, what the
// virtual keyboard sends out, as one transcript in the router's notation
// (+A press, -A release, m the mask tap's press and release, [..] a trigger's
// hit). A step "(hold: …)" is typed by the user during the target's hold.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "core/keys/virtual_keys.h"
#include "core/playback/player.h"
#include "keyboard_service/router.h"
#include "platform/keyboard_service/service_services.h"
#include "platform/wlroots/xkb_keys.h"

namespace {

using keyservice::EvdevKeys;

const std::map<std::string, int> kKeys = {{"Ctrl", 29}, {"RCtrl", 97}, {"Alt", 56}, {"Shift", 42}, {"Win", 125},
                                          {"A", 30},    {"C", 46},     {"J", 36},   {"Q", 16},     {"F5", 63}};

EvdevKeys UsKeys() {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    EvdevKeys keys(wlroots::CoreKeymapOf(keymap), wlroots::XkbKeys(keymap).layout());
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return keys;
}

// The service's side of the socket: the router, on a thread of its own as
// in the service, and the user's keys fed from the test's thread.
class Service {
public:
    explicit Service(int fd, int mask) : fd_(fd), mask_(mask) {
        router_.clientConnected();
        thread_ = std::thread([this] { serve(); });
    }
    ~Service() {
        finish();
        ::close(fd_);
    }
    // Once the program has left.
    void finish() {
        if (thread_.joinable()) thread_.join();
    }
    void user(const std::string& script) {
        std::istringstream steps(script);
        for (std::string step; steps >> step;) {
            const int value = step[0] == '+' ? 1 : step[0] == '-' ? 0 : 2;
            std::lock_guard lock(m_);
            keyservice::Output out;
            router_.userKey(1, kKeys.at(step.substr(1)), value, out);
            carry(out);
        }
    }
    std::string transcript() {
        std::lock_guard lock(m_);
        return said_.substr(said_.empty() ? 0 : 1);
    }
    bool downLeft() {
        std::lock_guard lock(m_);
        return router_.down().any();
    }

private:
    void serve() {
        keylink::LineReader reader;
        char buffer[1024];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            reader.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
            while (const auto line = reader.next()) {
                std::lock_guard lock(m_);
                keyservice::Output out;
                router_.clientMessage(*keylink::Parse(*line), out);
                carry(out);
            }
        }
        std::lock_guard lock(m_);
        keyservice::Output out;
        router_.clientGone(out);
        said_ += " |";
        carry(out);
    }
    void carry(const keyservice::Output& out) {
        for (std::size_t i = 0; i < out.keys.size(); ++i) {
            const auto& k = out.keys[i];
            if (k.code == mask_ && k.value == 1) continue;
            std::string name = k.code == mask_ ? "m" : std::to_string(k.code);
            for (const auto& [n, c] : kKeys)
                if (c == k.code) name = n;
            said_ += k.code == mask_ ? " m" : std::string(" ") + (k.value == 1 ? "+" : k.value == 0 ? "-" : "~") + name;
        }
        for (const auto& m : out.messages) {
            if (m.kind == keylink::Kind::Hit) said_ += m.repeat ? " [repeat]" : " [hit]";
            const std::string line = keylink::Format(m);
            (void)!::write(fd_, line.data(), line.size());
        }
    }

    int fd_;
    int mask_;
    std::mutex m_;
    keyservice::Router router_;
    std::string said_;
    std::thread thread_;
};

struct Row {
    const char* trigger;  // the chord's mask and key
    mod::Mask mods;
    std::uint8_t key;
    const char* target;  // action string
    const char* before;  // the user's keys up to the trigger
    const char* during;  // typed during the hold
    const char* after;   // after the target
    const char* seen;    // the virtual keyboard's transcript
};

// The rows' program: a link, its services, one endpoint with the row's chord,
// and a Player whose hold types the row's keys.
std::string Play(const Row& row) {
    int pair[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    EvdevKeys keys = UsKeys();
    Service service(pair[1], keys.maskCode());
    {
        auto link = keyservice::ServiceLink::over(pair[0]);
        EXPECT_TRUE(link) << link.why();
        const auto shared = std::make_shared<keyservice::Shared>(keyservice::Shared{*link, keys});
        platform::OwnedServices services = keyservice::ServicesOver(shared);
        auto endpoint = services.hotkeys->createEndpoint();
        EXPECT_TRUE(endpoint->registerChord(row.mods, row.key));
        int hits = 0;
        endpoint->onPressed = [&](bool repeat) { hits += !repeat; };
        playback::Player player(*services.injector, services.keyboard.get(), [&](int) { service.user(row.during); });
        service.user(row.before);
        // Each hit is read, then played, as the program's loop does.
        for (int tries = 0; tries < 200 && hits == 0; ++tries) {
            (*link)->readHits();
            if (hits == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        (*link)->readHits();
        for (; hits > 0; --hits) player.play(row.target);
        service.user(row.after);
    }
    service.finish();
    std::string seen = service.transcript();
    if (service.downLeft()) seen += " (left down)";
    return seen;
}

TEST(ServiceRoute, TheApplicationSeesExactlyTheTarget) {
    const Row rows[] = {
        // Ctrl+Alt+J → Ctrl+A: Alt goes up around the target with a mask tap, and back.
        {"Ctrl+Alt+J", mod::Mask::Control | mod::Mask::Alt, 'J', "2|17|65", "+Ctrl +Alt +J", "", "-J -Alt -Ctrl",
         "+Ctrl +Alt m [hit] m -Alt +A -A +Alt m -Alt -Ctrl |"},
        // A double tap plays twice, each exact.
        {"Ctrl+Alt+J twice", mod::Mask::Control | mod::Mask::Alt, 'J', "2|17|65", "+Ctrl +Alt +J -J +J", "",
         "-J -Alt -Ctrl", "+Ctrl +Alt m [hit] m [hit] m -Alt +A -A +Alt m m -Alt +A -A +Alt m -Alt -Ctrl |"},
        // Ctrl+Q → Ctrl+C, Ctrl let go of during the hold: held back until C is up.
        {"Ctrl+Q", mod::Mask::Control, 'Q', "2|17|67", "+Ctrl +Q", "-Ctrl -Q", "", "+Ctrl m [hit] +C -C -Ctrl |"},
        // Alt+F5 → F5: the trigger's own key, typed by the program alone.
        {"Alt+F5", mod::Mask::Alt, vk::F5, "1|116", "+Alt +F5", "~F5", "-F5 -Alt",
         "+Alt m [hit] m -Alt +F5 [repeat] -F5 +Alt m -Alt |"},
        // Alt let go of before the program acts: the tap beside the swallowed
        // F5 keeps Alt from counting as tapped alone.
        {"Alt+F5, Alt up at once", mod::Mask::Alt, vk::F5, "1|116", "+Alt +F5 -Alt", "", "-F5",
         "+Alt m [hit] -Alt +F5 -F5 |"},
    };
    for (const Row& row : rows) EXPECT_EQ(Play(row), row.seen) << row.trigger;
}

}  // namespace
