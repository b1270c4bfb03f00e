// The system calls on POSIX systems.
#include "system/platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "system/failure.h"
#include "system/limits.h"

namespace {

bool fail_with_errno(int error)
{
    failure_kind kind = failure_kind::other;
    if (error == ENOENT || error == ENOTDIR) kind = failure_kind::absent;
    if (error == EEXIST) kind = failure_kind::taken;
    if (error == ENAMETOOLONG) kind = failure_kind::too_long;
    if (error == EILSEQ) kind = failure_kind::bad_name;
    return record_failure(kind, error != 0 ? std::strerror(error) : "");
}

}  // namespace

name_style host_name_style() { return name_style::posix; }

// ---- files ------------------------------------------------------------------

bool create_exclusive(const char *name, std::FILE **stream)
{
    int descriptor = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor == -1) return fail_with_errno(errno);
    *stream = fdopen(descriptor, "w");
    if (*stream == nullptr) {
        int error = errno;
        close(descriptor);
        unlink(name);
        return fail_with_errno(error);
    }
    return true;
}

bool read_tail(const char *name, long long *length, char *tail, std::size_t tail_size)
{
    // Not waiting for a writer, should the name be a FIFO's.
    int descriptor = open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor == -1) return fail_with_errno(errno);
    struct stat status;
    bool read = fstat(descriptor, &status) == 0;
    if (read) {
        *length = static_cast<long long>(status.st_size);
        std::size_t want = static_cast<std::size_t>(status.st_size) < tail_size
                               ? static_cast<std::size_t>(status.st_size) : tail_size;
        ssize_t got = pread(descriptor, tail, want, status.st_size - static_cast<off_t>(want));
        read = got >= 0;
        if (got != static_cast<ssize_t>(want)) *length = -1;  // changed meanwhile: no file of ours
    }
    int error = errno;
    close(descriptor);
    return read || fail_with_errno(error);
}

bool replace_file(const char *from, const char *to) { return rename(from, to) == 0 || fail_with_errno(errno); }

bool remove_file(const char *name) { return unlink(name) == 0 || errno == ENOENT || fail_with_errno(errno); }

bool file_length(std::FILE *stream, long long *length)
{
    struct stat status;
    if (fstat(fileno(stream), &status) != 0) return fail_with_errno(errno);
    *length = static_cast<long long>(status.st_size);
    return true;
}

bool cut_file(std::FILE *stream, long long length)
{
    return ftruncate(fileno(stream), static_cast<off_t>(length)) == 0 || fail_with_errno(errno);
}

bool make_folder(const char *name) { return mkdir(name, 0700) == 0 || fail_with_errno(errno); }

bool remove_folder(const char *name) { return rmdir(name) == 0 || errno == ENOENT || fail_with_errno(errno); }

long process_id() { return static_cast<long>(getpid()); }

bool allocate_text(std::size_t size, char **text)
{
    *text = static_cast<char *>(std::malloc(size));
    return *text != nullptr || fail_with_errno(ENOMEM);
}

void unique_token(char *text, std::size_t size)
{
    static unsigned long calls = 0;
    struct timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    std::snprintf(text, size, "%ld-%lld-%ld-%lu", process_id(), static_cast<long long>(now.tv_sec),
                  static_cast<long>(now.tv_nsec), ++calls);
}

// ---- what a name reaches ----------------------------------------------------

bool identify(const char *name, file_identity *identity)
{
    struct stat status;
    if (stat(name, &status) != 0) return fail_with_errno(errno);
    identity->volume = static_cast<unsigned long long>(status.st_dev);
    identity->index = static_cast<unsigned long long>(status.st_ino);
    return true;
}

bool read_link(const char *name, bool *is_link, char **target)
{
    struct stat status;
    if (lstat(name, &status) != 0) return fail_with_errno(errno);
    *is_link = S_ISLNK(status.st_mode);
    if (!*is_link) return true;
    // Some file systems give no length for a link: grow until it fits.
    std::size_t size = status.st_size > 0 ? static_cast<std::size_t>(status.st_size) + 1 : 256;
    for (;;) {
        char *text = static_cast<char *>(std::malloc(size));
        if (text == nullptr) return fail_with_errno(ENOMEM);
        ssize_t got = readlink(name, text, size);
        if (got < 0) {
            int error = errno;
            std::free(text);
            return fail_with_errno(error);
        }
        if (static_cast<std::size_t>(got) < size) {
            text[got] = '\0';
            *target = text;
            return true;
        }
        std::free(text);
        size *= 2;
    }
}

bool absolute_name(const char *name, char **absolute)
{
    std::size_t name_length = std::strlen(name);
    char *path = nullptr;
    std::size_t folder_length = 0;
    if (name[0] != '/') {
        for (std::size_t size = 256;; size *= 2) {
            path = static_cast<char *>(std::malloc(size + name_length + 2));
            if (path == nullptr) return fail_with_errno(ENOMEM);
            if (getcwd(path, size) != nullptr) break;
            int error = errno;
            std::free(path);
            if (error != ERANGE) return fail_with_errno(error);
        }
        folder_length = std::strlen(path);
        path[folder_length++] = '/';
    } else {
        path = static_cast<char *>(std::malloc(name_length + 1));
        if (path == nullptr) return fail_with_errno(ENOMEM);
    }
    std::memcpy(path + folder_length, name, name_length + 1);
    *absolute = path;
    return true;
}

void fail_with_link_loop() { fail_with_errno(ELOOP); }

// ---- interrupts -------------------------------------------------------------

namespace {

char pending_names[pending_slots][kept_name_max + 1];
volatile sig_atomic_t pending[pending_slots];
const int interrupt_numbers[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
sigset_t interrupt_signals;
sigset_t mask_before_hold;

// Async-signal-safe: unlink, rmdir, the signal mask, raise and _exit only.
void remove_pending_and_end(int signal_number)
{
    for (int slot = 0; slot < pending_slots; ++slot)
        if (pending[slot]) slot == pending_probe_folder ? rmdir(pending_names[slot]) : unlink(pending_names[slot]);
    // SA_RESETHAND restored the default action; unblocked, the signal raised
    // again ends the process at once, with the status it always gives.
    sigset_t this_signal;
    sigemptyset(&this_signal);
    sigaddset(&this_signal, signal_number);
    sigprocmask(SIG_UNBLOCK, &this_signal, nullptr);
    raise(signal_number);
    // Still running: the first process of a PID namespace (a container's
    // entry point), which the kernel spares a signal it has no handler for.
    _exit(128 + signal_number);
}

}  // namespace

void prepare_interrupts()
{
    // Every time, not once: the process may have been given other actions
    // between two runs.
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
    sigemptyset(&interrupt_signals);
    for (int signal_number : interrupt_numbers) sigaddset(&interrupt_signals, signal_number);
    for (int signal_number : interrupt_numbers) {
        struct sigaction action;
        if (sigaction(signal_number, nullptr, &action) != 0) continue;
        // An ignored signal (nohup, a background job) stays ignored.
        if (action.sa_handler == SIG_IGN || action.sa_handler == remove_pending_and_end) continue;
        action = {};
        action.sa_handler = remove_pending_and_end;
        action.sa_mask = interrupt_signals;
        action.sa_flags = static_cast<int>(SA_RESETHAND);  // an unsigned constant on some systems
        sigaction(signal_number, &action, nullptr);
    }
}

void hold_interrupts() { sigprocmask(SIG_BLOCK, &interrupt_signals, &mask_before_hold); }
void release_interrupts() { sigprocmask(SIG_SETMASK, &mask_before_hold, nullptr); }

void set_pending(pending_slot slot, const char *name)
{
    pending[slot] = 0;
    if (name == nullptr) return;
    std::size_t length = std::strlen(name);
    if (length > kept_name_max) return;
    std::memcpy(pending_names[slot], name, length + 1);
    pending[slot] = 1;
}

// ---- console ----------------------------------------------------------------

bool write_text(std::FILE *stream, const char *text)
{
    return (std::fputs(text, stream) >= 0 && std::fflush(stream) == 0) || fail_with_errno(errno);
}
