// The platform calls on Windows. The run's names are UTF-8; the system's are
// UTF-16, converted here.
#include "generator/platform.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwchar>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include "generator/gen_context.h"
#include "generator/limits.h"

namespace {

// Another process's handle on a file (a virus scanner, an indexer looking at
// a new file) refuses a replace or remove for a moment. Such a refusal is
// tried again, waiting longer each time, until this much time has passed.
constexpr ULONGLONG busy_file_wait_ms = 2000;
constexpr DWORD first_busy_pause_ms = 10;
constexpr DWORD longest_busy_pause_ms = 200;

// Longest system message asked for, in UTF-16 units.
constexpr DWORD system_message_max = 512;

// Longest absolute name the system hands back.
constexpr DWORD full_name_max = 32768;

// A command line holds at most this many UTF-16 units, and so the arguments
// do: each unit becomes at most three UTF-8 bytes, and each argument takes
// at least one unit.
constexpr std::size_t command_line_max = 32767;

// UTF-8 text goes to the console in pieces of this many bytes.
constexpr int console_piece = 1024;

int to_wide(const char *name, wchar_t *wide, int wide_size)
{
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, wide_size) != 0 ? 0 : 1;
}

void set_cause_from_system(DWORD error)
{
    // Room for the longest message whole, however many bytes its characters
    // take in UTF-8; set_cause then cuts it to its field.
    wchar_t text[system_message_max];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  text, system_message_max, nullptr);
    // One line without the closing period and line end the system adds.
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ' ||
                          text[length - 1] == L'.'))
        --length;
    text[length] = L'\0';
    char utf8[system_message_max * 3];
    if (length == 0 ||
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, static_cast<int>(sizeof utf8), nullptr, nullptr) == 0)
        std::snprintf(utf8, sizeof utf8, "Windows error %lu", static_cast<unsigned long>(error));
    set_cause(utf8);
}

// Whether a refused replace or remove is worth another try; pauses first.
bool wait_if_busy(DWORD error, ULONGLONG started, DWORD *pause)
{
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) return false;
    ULONGLONG waited = GetTickCount64() - started;
    if (waited >= busy_file_wait_ms) return false;
    ULONGLONG left = busy_file_wait_ms - waited;
    Sleep(left < *pause ? static_cast<DWORD>(left) : *pause);
    *pause = *pause * 2 < longest_busy_pause_ms ? *pause * 2 : longest_busy_pause_ms;
    return true;
}

}  // namespace

// ---- files ------------------------------------------------------------------

create_result create_exclusive(const char *name, std::FILE **stream)
{
    wchar_t wide[wide_name_max];
    if (to_wide(name, wide, wide_name_max) != 0) {
        set_cause_from_errno(EILSEQ);
        return create_failed;
    }
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
    if (to_wide(from, wide_from, wide_name_max) != 0 || to_wide(to, wide_to, wide_name_max) != 0) {
        set_cause_from_errno(EILSEQ);
        return 1;
    }
    ULONGLONG started = GetTickCount64();
    DWORD pause = first_busy_pause_ms;
    for (;;) {
        if (MoveFileExW(wide_from, wide_to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
        DWORD error = GetLastError();
        if (!wait_if_busy(error, started, &pause)) {
            set_cause_from_system(error);
            return 1;
        }
    }
}

int remove_file(const char *name)
{
    wchar_t wide[wide_name_max];
    if (to_wide(name, wide, wide_name_max) != 0) {
        set_cause_from_errno(EILSEQ);
        return 1;
    }
    ULONGLONG started = GetTickCount64();
    DWORD pause = first_busy_pause_ms;
    for (;;) {
        if (DeleteFileW(wide)) return 0;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return 0;
        if (!wait_if_busy(error, started, &pause)) {
            set_cause_from_system(error);
            return 1;
        }
    }
}

long process_id() { return static_cast<long>(GetCurrentProcessId()); }

// ---- interrupts -------------------------------------------------------------

namespace {

CRITICAL_SECTION pending_lock;
wchar_t pending_temp[wide_name_max];
bool pending = false;

// Runs on a thread of its own. The lock stays taken: the process ends next,
// and the main thread must not record another temporary meanwhile. A file
// another process holds open is waited for briefly, as a replace is. The
// process ends here, with the status the system's own handler gives (which
// Wine's does not), and without flushing the stream into the removed file.
BOOL WINAPI remove_pending_and_end(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    EnterCriticalSection(&pending_lock);
    ULONGLONG started = GetTickCount64();
    DWORD pause = first_busy_pause_ms;
    while (pending && !DeleteFileW(pending_temp) && wait_if_busy(GetLastError(), started, &pause)) {
    }
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    return TRUE;
}

}  // namespace

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

void set_pending(const char *name) { pending = name != nullptr && to_wide(name, pending_temp, wide_name_max) == 0; }

// ---- causes -----------------------------------------------------------------

void set_cause_from_errno(int error)
{
    char text[cause_max + 1] = "";
    if (error != 0) strerror_s(text, sizeof text, error);
    set_cause(text);
}

// ---- names ------------------------------------------------------------------

namespace {

bool is_separator(wchar_t c) { return c == L'/' || c == L'\\'; }

// Where the last component of a name of this length starts.
std::size_t last_component(const wchar_t *name, std::size_t length)
{
    while (length > 0 && !is_separator(name[length - 1]) && name[length - 1] != L':') --length;
    return length;
}

// Length of the name without what follows the file it names: trailing
// separators and "." components ("item_mgr.h\", "item_mgr.h\.\"), and the
// trailing dots and spaces the system drops from a last component
// ("item_mgr.h.").
std::size_t named_length(const wchar_t *name, std::size_t length)
{
    for (;;) {
        std::size_t before = length;
        while (length > 1 && is_separator(name[length - 1])) --length;
        if (length >= 2 && name[length - 1] == L'.' && is_separator(name[length - 2])) --length;
        std::size_t start = last_component(name, length);
        bool dot_component = (length - start == 1 && name[start] == L'.') ||
                             (length - start == 2 && name[start] == L'.' && name[start + 1] == L'.');
        if (!dot_component)
            while (length > start + 1 && (name[length - 1] == L'.' || name[length - 1] == L' ')) --length;
        if (length == before) return length;
    }
}

// File names compare as the system does: ignoring letter case.
bool same_spelling(const wchar_t *a, int a_length, const wchar_t *b, int b_length)
{
    return CompareStringOrdinal(a, a_length, b, b_length, TRUE) == CSTR_EQUAL;
}

// Volume serial number and file index: the identity of a file that exists.
bool file_identity(const wchar_t *name, BY_HANDLE_FILE_INFORMATION *info)
{
    HANDLE handle = CreateFileW(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BOOL got = GetFileInformationByHandle(handle, info);
    CloseHandle(handle);
    return got != 0;
}

// 1 when both exist and are one file, 0 when both exist and are not, -1
// when either does not exist.
int same_file(const wchar_t *a, const wchar_t *b)
{
    BY_HANDLE_FILE_INFORMATION a_info;
    BY_HANDLE_FILE_INFORMATION b_info;
    if (!file_identity(a, &a_info) || !file_identity(b, &b_info)) return -1;
    return a_info.dwVolumeSerialNumber == b_info.dwVolumeSerialNumber &&
           a_info.nFileIndexHigh == b_info.nFileIndexHigh && a_info.nFileIndexLow == b_info.nFileIndexLow;
}

// The absolute name the system would open, "." and ".." resolved and a
// drive-relative name ("C:item.h") taken from that drive's current folder.
int full_name(const wchar_t *name, wchar_t *full)
{
    DWORD length = GetFullPathNameW(name, full_name_max, full, nullptr);
    if (length == 0 || length >= full_name_max) return -1;
    return static_cast<int>(named_length(full, length));
}

}  // namespace

int leaves_current_folder(const char *file_name) { return std::strpbrk(file_name, "/\\:") != nullptr; }

int is_include_file(const char *include_name, const char *output_name)
{
    static wchar_t include_wide[wide_name_max];
    static wchar_t output_wide[wide_name_max];
    if (include_name[0] == '\0' || to_wide(include_name, include_wide, wide_name_max) != 0 ||
        to_wide(output_name, output_wide, wide_name_max) != 0)
        return 0;
    std::size_t length = named_length(include_wide, std::wcslen(include_wide));
    include_wide[length] = L'\0';
    int same = same_file(include_wide, output_wide);
    if (same >= 0) return same;
    // An output name has no separator, so the include name can only reach it
    // when it ends in that same name; checked first, it spares the absolute
    // names of most runs.
    std::size_t base = last_component(include_wide, length);
    if (!same_spelling(include_wide + base, static_cast<int>(length - base), output_wide, -1)) return 0;
    static wchar_t include_full[full_name_max];
    static wchar_t output_full[full_name_max];
    int include_length = full_name(include_wide, include_full);
    int output_length = full_name(output_wide, output_full);
    if (include_length < 0 || output_length < 0) return 0;
    return same_spelling(include_full, include_length, output_full, output_length);
}

// ---- console ----------------------------------------------------------------

namespace {

// The console behind the stream, or nullptr when it goes to a file or pipe.
HANDLE console_of(std::FILE *stream)
{
    int descriptor = _fileno(stream);
    if (descriptor < 0) return nullptr;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return nullptr;
    return handle;
}

}  // namespace

int write_text(std::FILE *stream, const char *text)
{
    HANDLE console = console_of(stream);
    if (console == nullptr) {
        if (std::fputs(text, stream) >= 0 && std::fflush(stream) == 0) return 0;
        set_cause_from_errno(errno);
        return 1;
    }
    if (std::fflush(stream) != 0) {
        set_cause_from_errno(errno);
        return 1;
    }
    std::size_t length = std::strlen(text);
    while (length > 0) {
        // Whole characters only: a piece never ends inside a UTF-8 sequence.
        int piece = length < console_piece ? static_cast<int>(length) : console_piece;
        while (piece < static_cast<int>(length) && piece > 1 && (text[piece] & 0xC0) == 0x80) --piece;
        wchar_t wide[console_piece];
        int units = MultiByteToWideChar(CP_UTF8, 0, text, piece, wide, console_piece);
        DWORD written = 0;
        if (units == 0 || !WriteConsoleW(console, wide, static_cast<DWORD>(units), &written, nullptr)) {
            set_cause_from_system(GetLastError());
            return 1;
        }
        text += piece;
        length -= static_cast<std::size_t>(piece);
    }
    return 0;
}

int utf8_arguments(int argc, wchar_t **wide_argv, char ***argv)
{
    static char text[command_line_max * 3 + command_line_max + 1];
    static char *list[command_line_max + 1];
    std::size_t used = 0;
    int count = argc < static_cast<int>(command_line_max) ? argc : static_cast<int>(command_line_max);
    for (int i = 0; i < count; ++i) {
        // The program's own name is never used, so any spelling of it will do.
        DWORD flags = i == 0 ? 0 : WC_ERR_INVALID_CHARS;
        int room = static_cast<int>(sizeof text - used);
        int size = WideCharToMultiByte(CP_UTF8, flags, wide_argv[i], -1, text + used, room, nullptr, nullptr);
        if (size == 0) {
            if (i == 0) {
                text[used] = '\0';
                size = 1;
            } else {
                return i;
            }
        }
        list[i] = text + used;
        used += static_cast<std::size_t>(size);
    }
    list[count] = nullptr;
    *argv = list;
    return 0;
}
