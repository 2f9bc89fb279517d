#include "platform/linux/prompt_wakeup.h"

#include <linux/sched.h>
#include <linux/sched/types.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

std::string AskPromptWakeups() {
    // The shortest slice the kernel allows: what the thread does for a
    // trigger takes about a tenth of a millisecond.
    constexpr __u64 kSliceNs = 100'000;
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, 0);  // kept as it is
    if (errno != 0) return std::string("its niceness cannot be read: ") + std::strerror(errno);
    sched_attr attr{};
    attr.size = sizeof attr;
    attr.sched_policy = SCHED_NORMAL;
    attr.sched_nice = nice;
    attr.sched_runtime = kSliceNs;
    if (::syscall(SYS_sched_setattr, 0, &attr, 0) != 0) return std::strerror(errno);
    return {};
}

}  // namespace platform
