#include "generator/output_file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

#include "generator/gen_context.h"

namespace {

// Large enough that a generated file goes out in one write.
char stream_buffer[1 << 16];

const char open_error_format[] = "file open error.(%s)";
const char write_error_format[] = "file write error.(%s)";
const char rename_error_format[] = "file rename error.(%s)";
const char no_temp_name_format[] = "no free temporary file name.(%s)";

// The system's cause of the last failure, one line ("" when it gave none).
char cause[cause_max + 1];

void set_cause(const char *text)
{
    std::size_t length = std::strlen(text);
    if (length > cause_max) length = cause_max;
    std::memcpy(cause, text, length);
    cause[length] = '\0';
}

// "<format with the file name> <cause>\n" as the run's reason.
int fail(const char *format, const char *file_name)
{
    char text[file_name_max + 64 + cause_max];
    int length = std::snprintf(text, sizeof text, format, file_name);
    if (length < 0) length = 0;
    std::size_t used = static_cast<std::size_t>(length) < sizeof text ? static_cast<std::size_t>(length) : sizeof text - 1;
    std::snprintf(text + used, sizeof text - used, "%s%s\n", cause[0] != '\0' ? " " : "", cause);
    set_failure_reason("%s", text);
    return 1;
}

enum create_result { created, name_taken, create_failed };

// ---- platform calls ---------------------------------------------------------
//   prepare_interrupts   signals that would end a run while a temporary
//                        exists remove it first; a file-size limit makes a
//                        write fail instead of ending the process
//   hold_interrupts / release_interrupts
//                        around every change of the pending temporary, so an
//                        interrupt sees it either absent or fully recorded
//   set_pending          the temporary the interrupt handler removes (nullptr: none)
//   create_exclusive     creates the named file only if none is there, open
//                        for writing in text mode
//   replace_file         renames over an existing file in one step
//   set_cause_from_errno the C library's text for an errno value
//   remove_file, process_id

#ifdef _WIN32

// Wide names for the system: the run's names are UTF-8.

void set_cause_from_errno(int error)
{
    char text[cause_max + 1] = "";
    if (error != 0) strerror_s(text, sizeof text, error);
    set_cause(text);
}

CRITICAL_SECTION pending_lock;
wchar_t pending_temp[wide_name_max];
bool pending = false;

int to_wide(const char *name, wchar_t *wide, int wide_size)
{
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, wide_size) != 0) return 0;
    set_cause_from_errno(EILSEQ);
    return 1;
}

void set_cause_from_system(DWORD error)
{
    wchar_t text[cause_max + 1];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  text, static_cast<DWORD>(cause_max + 1), nullptr);
    // One line without the closing period and line end the system adds.
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ' ||
                          text[length - 1] == L'.'))
        --length;
    text[length] = L'\0';
    char utf8[cause_max + 1];
    if (length == 0 ||
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, static_cast<int>(sizeof utf8), nullptr, nullptr) == 0)
        std::snprintf(utf8, sizeof utf8, "Windows error %lu", static_cast<unsigned long>(error));
    set_cause(utf8);
}

// Runs on a thread of its own. The lock stays taken: the process ends next,
// and the main thread must not rename the file away meanwhile. The process
// ends here, with the status the system's own handler gives (which Wine's
// does not), and without flushing the stream into the removed file.
BOOL WINAPI remove_pending_and_end(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    EnterCriticalSection(&pending_lock);
    if (pending) DeleteFileW(pending_temp);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    return TRUE;
}

void prepare_interrupts()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    InitializeCriticalSection(&pending_lock);
    SetConsoleCtrlHandler(remove_pending_and_end, TRUE);
}

void hold_interrupts() { EnterCriticalSection(&pending_lock); }
void release_interrupts() { LeaveCriticalSection(&pending_lock); }

void set_pending(const char *name)
{
    pending = name != nullptr && to_wide(name, pending_temp, wide_name_max) == 0;
}

create_result create_exclusive(const char *name, std::FILE **stream)
{
    wchar_t wide[wide_name_max];
    if (to_wide(name, wide, wide_name_max) != 0) return create_failed;
    // Sharing delete lets an interrupt remove the file while it is open.
    HANDLE handle = CreateFileW(wide, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return name_taken;
        set_cause_from_system(error);
        return create_failed;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_TEXT);
    if (descriptor == -1) {
        set_cause_from_errno(errno);
        CloseHandle(handle);
        DeleteFileW(wide);
        return create_failed;
    }
    *stream = _fdopen(descriptor, "wt");
    if (*stream == nullptr) {
        set_cause_from_errno(errno);
        _close(descriptor);
        DeleteFileW(wide);
        return create_failed;
    }
    return created;
}

int replace_file(const char *from, const char *to)
{
    wchar_t wide_from[wide_name_max];
    wchar_t wide_to[wide_name_max];
    if (to_wide(from, wide_from, wide_name_max) != 0 || to_wide(to, wide_to, wide_name_max) != 0) return 1;
    if (MoveFileExW(wide_from, wide_to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    set_cause_from_system(GetLastError());
    return 1;
}

void remove_file(const char *name)
{
    wchar_t wide[wide_name_max];
    if (to_wide(name, wide, wide_name_max) == 0) DeleteFileW(wide);
}

long process_id() { return static_cast<long>(GetCurrentProcessId()); }

#else

void set_cause_from_errno(int error) { set_cause(error != 0 ? std::strerror(error) : ""); }

char pending_temp[sizeof(output_file::temp_name)];
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
        action.sa_flags = SA_RESETHAND;
        sigaction(signal_number, &action, nullptr);
    }
}

void hold_interrupts() { sigprocmask(SIG_BLOCK, &interrupt_signals, &mask_before_hold); }
void release_interrupts() { sigprocmask(SIG_SETMASK, &mask_before_hold, nullptr); }

void set_pending(const char *name)
{
    pending = 0;
    if (name == nullptr) return;
    std::memcpy(pending_temp, name, std::strlen(name) + 1);
    pending = 1;
}

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

void remove_file(const char *name) { unlink(name); }

long process_id() { return static_cast<long>(getpid()); }

#endif

}  // namespace

int open_output(output_file *file, const char *final_name)
{
    file->stream = nullptr;
    file->final_name = final_name;
    set_cause("");
    prepare_interrupts();
    // A short name of our own: the final name may be as long as the file
    // system allows, and a longer temporary one would fail where it would not.
    // The process id keeps parallel runs and stale files of killed runs apart.
    create_result result = name_taken;
    for (int attempt = 0; attempt < temp_name_attempts && result == name_taken; ++attempt) {
        std::snprintf(file->temp_name, sizeof file->temp_name, ".tavrik-%ld-%d.tmp", process_id(), attempt);
        hold_interrupts();
        result = create_exclusive(file->temp_name, &file->stream);
        if (result == created) set_pending(file->temp_name);
        release_interrupts();
    }
    if (result == name_taken) return fail(no_temp_name_format, final_name);
    if (result == create_failed) return fail(open_error_format, final_name);
    std::setvbuf(file->stream, stream_buffer, _IOFBF, sizeof stream_buffer);
    errno = 0;  // so that a failed write's cause is its own
    return 0;
}

int commit_output(output_file *file)
{
    // A failed write leaves its errno; the flush and close report their own.
    int write_failed = std::ferror(file->stream);
    int error = write_failed ? errno : 0;
    if (std::fflush(file->stream) != 0) {
        if (!write_failed) error = errno;
        write_failed = 1;
    }
    if (std::fclose(file->stream) != 0) {
        if (!write_failed) error = errno;
        write_failed = 1;
    }
    file->stream = nullptr;
    if (write_failed) {
        set_cause_from_errno(error);
        hold_interrupts();
        remove_file(file->temp_name);
        set_pending(nullptr);
        release_interrupts();
        return fail(write_error_format, file->final_name);
    }
    hold_interrupts();
    int replace_failed = replace_file(file->temp_name, file->final_name);
    if (replace_failed) remove_file(file->temp_name);
    set_pending(nullptr);
    release_interrupts();
    if (replace_failed) return fail(rename_error_format, file->final_name);
    return 0;
}
