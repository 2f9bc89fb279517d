#pragma once
#include <sys/wait.h>
#include <unistd.h>
#include <functional>

// Runs `body` in a forked child, for tests that change process-wide limits or
// identity. Returns the child's exit code, or 128 + signal.
inline int runInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Gives up root in the child so that file permissions apply to it.
inline bool dropRootInChild() {
    if (::geteuid() != 0) return true;
    return ::setgid(65534) == 0 && ::setuid(65534) == 0;
}
