#pragma once
// The program's connection to the keyboard service: messages out, answers
// back in order, and the hits of registered chords, which may come at any
// time. Toolkit-free: whoever owns it watches fd() and calls readHits().

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/diag/result.h"
#include "core/keyboard_link/message.h"

namespace keyservice {

inline constexpr const char* kDefaultSocket = "/run/zorvane-keyboard-service/socket";

class ServiceLink {
public:
    // Connects and greets; the service's refusal, or why it could not be reached, otherwise.
    static Expected<std::shared_ptr<ServiceLink>> connect(const std::string& path);
    ~ServiceLink();
    ServiceLink(const ServiceLink&) = delete;
    ServiceLink& operator=(const ServiceLink&) = delete;

    int fd() const { return fd_; }
    bool alive() const { return fd_ >= 0; }

    // Sends a message that has no answer; between beginBatch and endBatch,
    // messages go out together at the end.
    void send(const keylink::Message& message);
    void beginBatch() { ++batch_; }
    void endBatch();
    // Sends, then waits for the answer of that kind (hits meanwhile are kept
    // for readHits). Nothing when the service is gone or does not answer.
    std::optional<keylink::Message> ask(const keylink::Message& message, keylink::Kind answer);
    // Reads what has come, without waiting, and hands each hit to onHit.
    void readHits();

    std::function<void(int id, bool repeat)> onHit;
    // Hits were kept while waiting for an answer: readHits() is to be called soon.
    std::function<void()> onHitsKept;
    // The service ended the connection, or it broke; told once.
    std::function<void(const std::string& why)> onGone;

private:
    explicit ServiceLink(int fd) : fd_(fd) {}
    bool flush();
    // Reads into the line reader; false when the connection ended.
    bool receive(int timeoutMs);
    std::optional<keylink::Message> nextMessage();
    void gone(const std::string& why);

    int fd_;
    int batch_ = 0;
    std::string out_;
    keylink::LineReader reader_;
    std::deque<keylink::Message> hits_;
    std::string refusal_;  // what the service said when it refused the program
};

}  // namespace keyservice
