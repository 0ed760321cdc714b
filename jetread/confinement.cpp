#include "confinement.h"

#include <stdexcept>

#ifdef __linux__

#include <linux/futex.h>
#include <linux/landlock.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

// Rights of later Landlock versions than the installed headers know (the kernel's own numbers).
#ifndef LANDLOCK_ACCESS_FS_REFER
#define LANDLOCK_ACCESS_FS_REFER (1ULL << 13)
#endif
#ifndef LANDLOCK_ACCESS_FS_TRUNCATE
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14)
#endif
#ifndef LANDLOCK_ACCESS_FS_IOCTL_DEV
#define LANDLOCK_ACCESS_FS_IOCTL_DEV (1ULL << 15)
#endif

namespace confinement {

namespace {

// The ruleset attribute as the newest kernels take it; older ones are given only its first part.
struct RulesetAttr
{
    uint64_t handledAccessFs = 0;
    uint64_t handledAccessNet = 0;
    uint64_t scoped = 0;
};

constexpr uint64_t kNetBindTcp = 1ULL << 0;
constexpr uint64_t kNetConnectTcp = 1ULL << 1;
constexpr uint64_t kScopeAbstractUnixSocket = 1ULL << 0;
constexpr uint64_t kScopeSignal = 1ULL << 1;

// Handles every right the kernel's Landlock version knows and grants none on any path, so that no
// file or folder can be opened, made or changed (and, from version 4, no TCP port bound or
// connected; from version 6, no signal sent and no abstract socket reached outside the reader).
// Returns an empty text when done, else why it is not.
std::string restrictPaths()
{
    const long abi = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 0) {
        return errno == ENOSYS || errno == EOPNOTSUPP ? "the kernel has no Landlock"
                                                      : std::string("Landlock failed: ") + std::strerror(errno);
    }
    RulesetAttr attr;
    attr.handledAccessFs = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1;
    if (abi >= 2)
        attr.handledAccessFs |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3)
        attr.handledAccessFs |= LANDLOCK_ACCESS_FS_TRUNCATE;
    if (abi >= 5)
        attr.handledAccessFs |= LANDLOCK_ACCESS_FS_IOCTL_DEV;
    size_t size = sizeof attr.handledAccessFs;
    if (abi >= 4) {
        attr.handledAccessNet = kNetBindTcp | kNetConnectTcp;
        size = offsetof(RulesetAttr, scoped);
    }
    if (abi >= 6) {
        attr.scoped = kScopeAbstractUnixSocket | kScopeSignal;
        size = sizeof attr;
    }
    const long ruleset = syscall(SYS_landlock_create_ruleset, &attr, size, 0);
    if (ruleset < 0)
        return std::string("Landlock failed: ") + std::strerror(errno);
    const long restricted = syscall(SYS_landlock_restrict_self, ruleset, 0);
    const int error = errno;
    close(int(ruleset));
    return restricted == 0 ? std::string() : std::string("Landlock failed: ") + std::strerror(error);
}

// A condition on argument `index` (0 for the first); libseccomp's SCMP_A* macros are C compound
// literals, which C++ compilers warn about.
scmp_arg_cmp argument(unsigned index, scmp_compare op, scmp_datum_t a, scmp_datum_t b = 0)
{
    return {index, op, a, b};
}

void allow(scmp_filter_ctx filter, int call)
{
    if (seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, 0) != 0)
        throw std::runtime_error("cannot build the system call filter");
}

template<typename... Conditions>
void allowIf(scmp_filter_ctx filter, int call, Conditions... conditions)
{
    if (seccomp_rule_add(filter, SCMP_ACT_ALLOW, call, sizeof...(Conditions), conditions...) != 0)
        throw std::runtime_error("cannot build the system call filter");
}

// What reading from memory and writing the stream needs, as learnt by running the tests, the
// sample files and thousands of damaged ones through a filter that logs instead of kills. The
// input is mapped into memory before this, so reading it takes no system call at all. The reader
// has one thread and installs no signal handler.
void installFilter()
{
#ifdef JETREAD_LOG_ONLY
    // Built to learn the calls the reader makes: those outside the list are logged by the kernel
    // (dmesg, type=1326) instead of ending it.
    const uint32_t outside = SCMP_ACT_LOG;
#else
    const uint32_t outside = SCMP_ACT_KILL_PROCESS;
#endif
    scmp_filter_ctx filter = seccomp_init(outside);
    if (!filter)
        throw std::runtime_error("cannot build the system call filter");
    struct Release
    {
        scmp_filter_ctx f;
        ~Release() { seccomp_release(f); }
    } release{filter};
    // The stream and the messages; nothing else is open for writing.
    allowIf(filter, SCMP_SYS(write), argument(0, SCMP_CMP_EQ, STDOUT_FILENO));
    allowIf(filter, SCMP_SYS(write), argument(0, SCMP_CMP_EQ, STDERR_FILENO));
    // Memory, never executable; mprotect is left out, so none can be made executable later.
    allowIf(filter, SCMP_SYS(mmap), argument(2, SCMP_CMP_MASKED_EQ, PROT_EXEC, 0));
    for (const int call : {SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(brk), SCMP_SYS(madvise)})
        allow(filter, call);
    // The C library's and GLib's one-time initialisations wake waiters that cannot exist here.
    for (const scmp_datum_t op : {FUTEX_WAKE_PRIVATE, FUTEX_WAIT_PRIVATE})
        allowIf(filter, SCMP_SYS(futex), argument(1, SCMP_CMP_EQ, op));
    allow(filter, SCMP_SYS(exit_group));
    allow(filter, SCMP_SYS(exit));
    if (seccomp_attr_set(filter, SCMP_FLTATR_CTL_TSYNC, 1) != 0 || seccomp_load(filter) != 0)
        throw std::runtime_error("cannot install the system call filter");
}

} // namespace

void confine()
{
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        throw std::runtime_error(std::string("cannot give up new privileges: ") + std::strerror(errno));
    if (const std::string why = restrictPaths(); !why.empty())
        std::fprintf(stderr, "jetread: %s; confined by the system call filter alone\n", why.c_str());
    installFilter();
}

Escape escapeNamed(const std::string &word)
{
    if (word == "open")
        return Escape::OpenFile;
    if (word == "process")
        return Escape::StartProcess;
    if (word == "socket")
        return Escape::MakeSocket;
    return Escape::None;
}

std::string tryEscape(Escape escape)
{
    switch (escape) {
    case Escape::None:
        break;
    case Escape::OpenFile:
        if (const int fd = open("/etc/passwd", O_RDONLY | O_CLOEXEC); fd >= 0) {
            close(fd);
            return "/etc/passwd could be opened";
        }
        break;
    case Escape::StartProcess:
        if (const pid_t child = fork(); child == 0) {
            execl("/bin/true", "true", nullptr);
            _exit(127);
        } else if (child > 0) {
            waitpid(child, nullptr, 0);
            return "/bin/true could be started";
        }
        break;
    case Escape::MakeSocket:
        if (const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); fd >= 0) {
            close(fd);
            return "a socket could be made";
        }
        break;
    }
    return {};
}

} // namespace confinement

#else

namespace confinement {

// On Windows the programs confine the reader from outside (a job object); other systems do not yet.
void confine() {}

Escape escapeNamed(const std::string &)
{
    return Escape::None;
}

std::string tryEscape(Escape)
{
    return {};
}

} // namespace confinement

#endif
