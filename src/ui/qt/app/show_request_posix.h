#pragma once
// A later start's request to the running copy that it show its window,
// over the running copy's local socket: "show\n", answered "shown\n" once the
// window is up. Either end talks only to a process of its own user.

#include <string>

namespace showrequest {

constexpr char kRequest[] = "show\n";
constexpr char kAnswer[] = "shown\n";

enum class Asked {
    Shown,     // the copy answered: its window is up
    NoAnswer,  // nothing listens there, or it ended without answering
    Foreign,   // a process of another user listens there
};

// Asks the copy listening at `socketPath`, waiting up to timeoutMs for the
// answer; `why` says what went wrong when it did not answer.
Asked AskToShow(const std::string& socketPath, int timeoutMs, std::string* why);

// The user id of the process at the other end of a connected local socket;
// -1 when the system will not say.
long PeerUser(int socket);

}  // namespace showrequest
