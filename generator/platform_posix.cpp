// The platform calls on POSIX systems.
#include "generator/platform.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "generator/gen_context.h"
#include "generator/limits.h"

// ---- files ------------------------------------------------------------------

create_result create_exclusive(const char *name, std::FILE **stream)
{
    int descriptor = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor == -1) {
        if (errno == EEXIST) return name_taken;
        set_cause_from_errno(errno);
        return create_failed;
    }
    *stream = fdopen(descriptor, "w");
    if (*stream == nullptr) {
        set_cause_from_errno(errno);
        close(descriptor);
        unlink(name);
        return create_failed;
    }
    return created;
}

int replace_file(const char *from, const char *to)
{
    if (rename(from, to) == 0) return 0;
    set_cause_from_errno(errno);
    return 1;
}

int remove_file(const char *name)
{
    if (unlink(name) == 0 || errno == ENOENT) return 0;
    set_cause_from_errno(errno);
    return 1;
}

long process_id() { return static_cast<long>(getpid()); }

// ---- interrupts -------------------------------------------------------------

namespace {

char pending_temp[temp_name_max + 1];
volatile sig_atomic_t pending = 0;
const int interrupt_numbers[] = {SIGINT, SIGTERM, SIGHUP};
sigset_t interrupt_signals;
sigset_t mask_before_hold;

// Async-signal-safe: unlink and raise only.
void remove_pending_and_end(int signal_number)
{
    if (pending) unlink(pending_temp);
    // SA_RESETHAND restored the default action: raised again, the signal ends
    // the process with its usual status.
    raise(signal_number);
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

void set_pending(const char *name)
{
    pending = 0;
    if (name == nullptr) return;
    std::size_t length = std::strlen(name);
    if (length > temp_name_max) return;
    std::memcpy(pending_temp, name, length + 1);
    pending = 1;
}

// ---- causes -----------------------------------------------------------------

void set_cause_from_errno(int error) { set_cause(error != 0 ? std::strerror(error) : ""); }

// ---- names ------------------------------------------------------------------

namespace {

// Links followed from an include name that leads nowhere (as the system
// follows at most some forty).
constexpr int links_followed_max = 40;

// Length of the name without what follows the file it names: trailing
// separators and "." components ("item_mgr.h/", "item_mgr.h/./").
std::size_t named_length(const char *name, std::size_t length)
{
    for (;;) {
        std::size_t before = length;
        while (length > 1 && name[length - 1] == '/') --length;
        if (length >= 2 && name[length - 1] == '.' && name[length - 2] == '/') --length;
        if (length == before) return length;
    }
}

// Where the last component of a name of this length starts.
std::size_t last_component(const char *name, std::size_t length)
{
    while (length > 0 && name[length - 1] != '/') --length;
    return length;
}

// Appends the components of a name to an absolute path, "." dropped and ".."
// taking the previous component off, as text. 1 when it does not fit.
int append_normal(char *path, std::size_t size, const char *name)
{
    std::size_t length = std::strlen(path);
    while (*name != '\0') {
        std::size_t part = std::strcspn(name, "/");
        if (part == 2 && name[0] == '.' && name[1] == '.') {
            while (length > 1 && path[length - 1] != '/') --length;
            if (length > 1) --length;
        } else if (part > 0 && !(part == 1 && name[0] == '.')) {
            std::size_t separator = (length > 1) ? 1 : 0;
            if (length + separator + part + 1 > size) return 1;
            if (separator) path[length++] = '/';
            std::memcpy(path + length, name, part);
            length += part;
        }
        path[length] = '\0';
        name += part;
        while (*name == '/') ++name;
    }
    return 0;
}

// The spelling as text: both names made absolute and normal, then compared.
int same_spelling(const char *include, const char *output_name)
{
    static char include_path[PATH_MAX];
    static char output_path[PATH_MAX];
    if (include[0] == '/') {
        std::strcpy(include_path, "/");
    } else if (getcwd(include_path, sizeof include_path) == nullptr) {
        return 0;
    }
    if (getcwd(output_path, sizeof output_path) == nullptr) return 0;
    if (append_normal(include_path, sizeof include_path, include) != 0 ||
        append_normal(output_path, sizeof output_path, output_name) != 0)
        return 0;
    return std::strcmp(include_path, output_path) == 0;
}

}  // namespace

int leaves_current_folder(const char *file_name) { return std::strchr(file_name, '/') != nullptr; }

namespace {

int reaches_output(const char *include_name, const char *output_name, int links_left);

// A link that leads nowhere yet reaches the output when what it names does:
// writing the output would make it lead there.
int dangling_link_reaches_output(const char *link, std::size_t folder_length, const char *output_name,
                                 int links_left)
{
    struct stat status;
    if (links_left == 0 || lstat(link, &status) != 0 || !S_ISLNK(status.st_mode)) return 0;
    char target[name_max + 1];
    std::size_t prefix = 0;
    if (folder_length > 0) {
        prefix = folder_length;  // a relative target starts from the link's folder
        std::memcpy(target, link, prefix);
    }
    ssize_t got = readlink(link, target + prefix, sizeof target - prefix);
    if (got <= 0 || static_cast<std::size_t>(got) >= sizeof target - prefix) return 0;
    if (target[prefix] == '/') {
        std::memmove(target, target + prefix, static_cast<std::size_t>(got));
        prefix = 0;
    }
    target[prefix + static_cast<std::size_t>(got)] = '\0';
    return reaches_output(target, output_name, links_left - 1);
}

int reaches_output(const char *include_name, const char *output_name, int links_left)
{
    char include[name_max + 1];
    std::size_t length = named_length(include_name, std::strlen(include_name));
    if (length > name_max) return 0;  // refused as too long before this is asked
    std::memcpy(include, include_name, length);
    include[length] = '\0';
    std::size_t base = last_component(include, length);

    struct stat include_status;
    struct stat output_status;
    if (stat(include, &include_status) != 0) {
        if (dangling_link_reaches_output(include, base, output_name, links_left)) return 1;
    } else if (stat(output_name, &output_status) == 0) {
        return include_status.st_dev == output_status.st_dev && include_status.st_ino == output_status.st_ino;
    }

    // An output name has no separator, so the include name can only reach it
    // when it ends in that same name; checked first, it spares the folder
    // look-ups of most runs.
    if (std::strcmp(include + base, output_name) != 0) return 0;
    if (base == 0) return 1;

    // The folder part, followed through links, is the current folder or not.
    char folder[name_max + 1];
    std::memcpy(folder, include, base);
    folder[base] = '\0';
    static char folder_path[PATH_MAX];
    static char current_path[PATH_MAX];
    if (realpath(folder, folder_path) == nullptr) return same_spelling(include, output_name);
    if (realpath(".", current_path) == nullptr) return 0;
    return std::strcmp(folder_path, current_path) == 0;
}

}  // namespace

int is_include_file(const char *include_name, const char *output_name)
{
    if (include_name[0] == '\0') return 0;
    return reaches_output(include_name, output_name, links_followed_max);
}

// ---- console ----------------------------------------------------------------

int write_text(std::FILE *stream, const char *text)
{
    if (std::fputs(text, stream) >= 0 && std::fflush(stream) == 0) return 0;
    set_cause_from_errno(errno);
    return 1;
}
