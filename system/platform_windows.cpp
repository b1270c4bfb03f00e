// The system calls on Windows. The run's names are UTF-8; the system's are
// UTF-16, converted here.
#include "system/platform.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winioctl.h>
#include <fcntl.h>
#include <io.h>

#include "system/failure.h"
#include "system/limits.h"

namespace {

// Another process's handle on a file (a virus scanner, an indexer looking at
// a new file) refuses a replace or remove for a moment. Such a refusal is
// tried again, waiting longer each time, until this much time has passed.
constexpr ULONGLONG busy_file_wait_ms = 2000;
constexpr DWORD first_busy_pause_ms = 10;
constexpr DWORD longest_busy_pause_ms = 200;

// Longest system message asked for, in UTF-16 units.
constexpr DWORD system_message_max = 512;

// The system's longest name, in UTF-16 units with the terminator.
constexpr int long_name_max = 32768;

// A command line holds at most this many UTF-16 units, and so the arguments
// do: each unit becomes at most three UTF-8 bytes, and each argument takes
// at least one unit.
constexpr std::size_t command_line_max = 32767;

// UTF-8 text goes to the console in pieces of this many bytes.
constexpr int console_piece = 1024;

// Names converted for the system, two at a time at most.
wchar_t first_wide[long_name_max];
wchar_t second_wide[long_name_max];

bool fail_with_system(DWORD error)
{
    failure_kind kind = failure_kind::other;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) kind = failure_kind::absent;
    if (error == ERROR_INVALID_NAME) kind = failure_kind::bad_name;
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) kind = failure_kind::taken;
    if (error == ERROR_FILENAME_EXCED_RANGE) kind = failure_kind::too_long;
    // Room for the longest message whole, however many bytes its characters
    // take in UTF-8; the cause is then cut to its field.
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
    return record_failure(kind, utf8);
}

bool fail_with_errno(int error)
{
    char text[cause_max + 1] = "";
    if (error != 0) strerror_s(text, sizeof text, error);
    return record_failure(failure_kind::other, text);
}

bool to_wide(const char *name, wchar_t *wide)
{
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, long_name_max) != 0) return true;
    DWORD error = GetLastError();
    return fail_with_system(error == ERROR_INSUFFICIENT_BUFFER ? ERROR_FILENAME_EXCED_RANGE : error);
}

// UTF-16 text as UTF-8, allocated with malloc.
bool to_utf8(const wchar_t *wide, int wide_length, char **text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, wide, wide_length, nullptr, 0, nullptr, nullptr);
    if (size == 0 && wide_length != 0) return fail_with_system(GetLastError());
    char *utf8 = static_cast<char *>(std::malloc(static_cast<std::size_t>(size) + 1));
    if (utf8 == nullptr) return fail_with_errno(ENOMEM);
    WideCharToMultiByte(CP_UTF8, 0, wide, wide_length, utf8, size, nullptr, nullptr);
    utf8[size] = '\0';
    *text = utf8;
    return true;
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

HANDLE open_existing(const wchar_t *name, DWORD access, DWORD flags)
{
    return CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       flags, nullptr);
}

}  // namespace

name_style host_name_style() { return name_style::windows; }

// ---- files ------------------------------------------------------------------

bool create_exclusive(const char *name, std::FILE **stream)
{
    if (!to_wide(name, first_wide)) return false;
    // Sharing delete lets an interrupt remove the file while it is open.
    HANDLE handle = CreateFileW(first_wide, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return fail_with_system(GetLastError());
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_TEXT);
    if (descriptor == -1) {
        int error = errno;
        CloseHandle(handle);
        DeleteFileW(first_wide);
        return fail_with_errno(error);
    }
    *stream = _fdopen(descriptor, "wt");
    if (*stream == nullptr) {
        int error = errno;
        _close(descriptor);
        DeleteFileW(first_wide);
        return fail_with_errno(error);
    }
    return true;
}

bool read_tail(const char *name, long long *length, char *tail, std::size_t tail_size)
{
    if (!to_wide(name, first_wide)) return false;
    HANDLE handle = open_existing(first_wide, GENERIC_READ, FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) return fail_with_system(GetLastError());
    LARGE_INTEGER size;
    bool read = GetFileSizeEx(handle, &size) != 0;
    if (read) {
        *length = size.QuadPart;
        DWORD want = static_cast<DWORD>(static_cast<unsigned long long>(size.QuadPart) < tail_size
                                            ? static_cast<unsigned long long>(size.QuadPart) : tail_size);
        LARGE_INTEGER start;
        start.QuadPart = size.QuadPart - want;
        DWORD got = 0;
        read = SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) && ReadFile(handle, tail, want, &got, nullptr);
        if (got != want) *length = -1;  // changed meanwhile: no file of ours
    }
    DWORD error = GetLastError();
    CloseHandle(handle);
    return read || fail_with_system(error);
}

bool replace_file(const char *from, const char *to)
{
    if (!to_wide(from, first_wide) || !to_wide(to, second_wide)) return false;
    ULONGLONG started = GetTickCount64();
    DWORD pause = first_busy_pause_ms;
    for (;;) {
        if (MoveFileExW(first_wide, second_wide, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        DWORD error = GetLastError();
        if (!wait_if_busy(error, started, &pause)) return fail_with_system(error);
    }
}

bool remove_file(const char *name)
{
    if (!to_wide(name, first_wide)) return false;
    ULONGLONG started = GetTickCount64();
    DWORD pause = first_busy_pause_ms;
    for (;;) {
        if (DeleteFileW(first_wide)) return true;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return true;
        if (!wait_if_busy(error, started, &pause)) return fail_with_system(error);
    }
}

bool file_length(std::FILE *stream, long long *length)
{
    *length = _filelengthi64(_fileno(stream));
    return *length >= 0 || fail_with_errno(errno);
}

bool cut_file(std::FILE *stream, long long length)
{
    errno_t error = _chsize_s(_fileno(stream), length);
    return error == 0 || fail_with_errno(error);
}

bool make_folder(const char *name)
{
    if (!to_wide(name, first_wide)) return false;
    return CreateDirectoryW(first_wide, nullptr) || fail_with_system(GetLastError());
}

bool remove_folder(const char *name)
{
    if (!to_wide(name, first_wide)) return false;
    if (RemoveDirectoryW(first_wide)) return true;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || fail_with_system(error);
}

long process_id() { return static_cast<long>(GetCurrentProcessId()); }

bool allocate_text(std::size_t size, char **text)
{
    *text = static_cast<char *>(std::malloc(size));
    return *text != nullptr || fail_with_errno(ENOMEM);
}

void unique_token(char *text, std::size_t size)
{
    static unsigned long calls = 0;
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    std::snprintf(text, size, "%ld-%08lx%08lx-%llx-%lu", process_id(), static_cast<unsigned long>(now.dwHighDateTime),
                  static_cast<unsigned long>(now.dwLowDateTime), static_cast<unsigned long long>(counter.QuadPart),
                  ++calls);
}

// ---- what a name reaches ----------------------------------------------------

namespace {

// What a symbolic link or junction holds, as the system lays it out.
struct reparse_data {
    ULONG tag;
    USHORT data_length;
    USHORT reserved;
    USHORT substitute_offset;
    USHORT substitute_length;
    USHORT print_offset;
    USHORT print_length;
};
constexpr std::size_t symlink_flags_size = sizeof(ULONG);  // only symbolic links have them

// "\??\C:\dir" and "\??\UNC\server\share" as the names a program uses.
const wchar_t *without_object_prefix(const wchar_t *name, int *length, wchar_t *unc)
{
    if (*length >= 8 && std::wcsncmp(name, L"\\??\\UNC\\", 8) == 0) {
        // "\\server\share": two separators before what follows "UNC\".
        unc[0] = L'\\';
        std::wmemcpy(unc + 1, name + 7, static_cast<std::size_t>(*length - 7));
        *length -= 6;
        return unc;
    }
    if (*length >= 4 && std::wcsncmp(name, L"\\??\\", 4) == 0) {
        *length -= 4;
        return name + 4;
    }
    return name;
}

}  // namespace

bool identify(const char *name, file_identity *identity)
{
    if (!to_wide(name, first_wide)) return false;
    HANDLE handle = open_existing(first_wide, 0, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE) return fail_with_system(GetLastError());
    BY_HANDLE_FILE_INFORMATION info;
    bool got = GetFileInformationByHandle(handle, &info) != 0;
    DWORD error = GetLastError();
    CloseHandle(handle);
    if (!got) return fail_with_system(error);
    identity->volume = info.dwVolumeSerialNumber;
    identity->index = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

namespace {

// The final name of the folder the named file is in, as the system has
// resolved it, in first_wide; its length in UTF-16 units, 0 on a failure.
DWORD real_folder_of(const char *name)
{
    int folder_length = static_cast<int>(last_component(name, std::strlen(name), name_style::windows));
    int units = 0;
    if (folder_length > 0) {
        units = MultiByteToWideChar(CP_UTF8, 0, name, folder_length, first_wide, long_name_max - 2);
        if (units == 0) {
            fail_with_system(GetLastError());
            return 0;
        }
    }
    // "" is the current folder and "C:" the drive's: "." names either.
    if (units == 0 || first_wide[units - 1] == L':') first_wide[units++] = L'.';
    first_wide[units] = L'\0';
    HANDLE folder = open_existing(first_wide, 0, FILE_FLAG_BACKUP_SEMANTICS);
    if (folder == INVALID_HANDLE_VALUE) {
        fail_with_system(GetLastError());
        return 0;
    }
    DWORD length = GetFinalPathNameByHandleW(folder, first_wide, long_name_max, FILE_NAME_NORMALIZED);
    DWORD error = GetLastError();
    CloseHandle(folder);
    if (length == 0 || length >= static_cast<DWORD>(long_name_max)) {
        fail_with_system(length == 0 ? error : ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    return length;
}

}  // namespace

bool read_link(const char *name, bool *is_link, char **target)
{
    if (!to_wide(name, first_wide)) return false;
    DWORD attributes = GetFileAttributesW(first_wide);
    if (attributes == INVALID_FILE_ATTRIBUTES) return fail_with_system(GetLastError());
    *is_link = false;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return true;
    HANDLE handle = open_existing(first_wide, 0, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE) return fail_with_system(GetLastError());
    static unsigned char buffer[MAXIMUM_REPARSE_DATA_BUFFER_SIZE];
    DWORD got = 0;
    bool read = DeviceIoControl(handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer, sizeof buffer, &got, nullptr);
    DWORD error = GetLastError();
    CloseHandle(handle);
    if (!read) return fail_with_system(error);
    reparse_data data;
    std::memcpy(&data, buffer, sizeof data);
    std::size_t path_start = sizeof data;
    if (data.tag == IO_REPARSE_TAG_SYMLINK)
        path_start += symlink_flags_size;
    else if (data.tag != IO_REPARSE_TAG_MOUNT_POINT)
        return true;  // another kind of reparse point, read as the file it stands for
    // The name the system follows (the other one is only shown).
    std::size_t offset = path_start + data.substitute_offset;
    int length = data.substitute_length / static_cast<int>(sizeof(wchar_t));
    if (offset + static_cast<std::size_t>(length) * sizeof(wchar_t) > got) return fail_with_system(ERROR_INVALID_DATA);
    std::wmemcpy(second_wide, reinterpret_cast<const wchar_t *>(buffer + offset), static_cast<std::size_t>(length));
    const wchar_t *path = without_object_prefix(second_wide, &length, first_wide);
    bool relative = length == 0 || !(path[0] == L'\\' || path[0] == L'/' || (length >= 2 && path[1] == L':'));
    if (relative) {
        // The system follows a relative target from the folder the link
        // really is in, taking its ".." off that folder's final name.
        DWORD folder_length = real_folder_of(name);
        if (folder_length == 0) return false;
        if (folder_length + 1 + static_cast<DWORD>(length) >= static_cast<DWORD>(long_name_max))
            return fail_with_system(ERROR_FILENAME_EXCED_RANGE);
        first_wide[folder_length] = L'\\';
        std::wmemcpy(first_wide + folder_length + 1, path, static_cast<std::size_t>(length));
        length += static_cast<int>(folder_length) + 1;
        path = first_wide;
    }
    if (!to_utf8(path, length, target)) return false;
    *is_link = true;
    return true;
}

bool absolute_name(const char *name, char **absolute)
{
    if (!to_wide(name, first_wide)) return false;
    DWORD length = GetFullPathNameW(first_wide, long_name_max, second_wide, nullptr);
    if (length == 0) return fail_with_system(GetLastError());
    if (length >= static_cast<DWORD>(long_name_max)) return fail_with_system(ERROR_FILENAME_EXCED_RANGE);
    return to_utf8(second_wide, static_cast<int>(length), absolute);
}

void fail_with_link_loop() { fail_with_system(ERROR_CANT_RESOLVE_FILENAME); }

// ---- interrupts -------------------------------------------------------------

namespace {

CRITICAL_SECTION pending_lock;
wchar_t pending_names[pending_slots][kept_name_max + 1];
bool pending[pending_slots];

// Runs on a thread of its own. The lock stays taken: the process ends next,
// and the main thread must not record another file meanwhile. A file another
// process holds open is waited for briefly, as a replace is. The process
// ends here, with the status the system's own handler gives (which Wine's
// does not), and without flushing the stream into the removed file.
BOOL WINAPI remove_pending_and_end(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    EnterCriticalSection(&pending_lock);
    for (int slot = 0; slot < pending_slots; ++slot) {
        ULONGLONG started = GetTickCount64();
        DWORD pause = first_busy_pause_ms;
        auto remove = slot == pending_probe_folder ? RemoveDirectoryW : DeleteFileW;
        while (pending[slot] && !remove(pending_names[slot]) && wait_if_busy(GetLastError(), started, &pause)) {
        }
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

void set_pending(pending_slot slot, const char *name)
{
    pending[slot] = name != nullptr && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1,
                                                           pending_names[slot], kept_name_max + 1) != 0;
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

bool write_text(std::FILE *stream, const char *text)
{
    HANDLE console = console_of(stream);
    if (console == nullptr) return (std::fputs(text, stream) >= 0 && std::fflush(stream) == 0) || fail_with_errno(errno);
    if (std::fflush(stream) != 0) return fail_with_errno(errno);
    std::size_t length = std::strlen(text);
    while (length > 0) {
        // Whole characters only: a piece never ends inside a UTF-8 sequence.
        int piece = length < console_piece ? static_cast<int>(length) : console_piece;
        while (piece < static_cast<int>(length) && piece > 1 && (text[piece] & 0xC0) == 0x80) --piece;
        wchar_t wide[console_piece];
        int units = MultiByteToWideChar(CP_UTF8, 0, text, piece, wide, console_piece);
        DWORD written = 0;
        if (units == 0 || !WriteConsoleW(console, wide, static_cast<DWORD>(units), &written, nullptr))
            return fail_with_system(GetLastError());
        text += piece;
        length -= static_cast<std::size_t>(piece);
    }
    return true;
}

bool utf8_arguments(int argc, wchar_t **wide_argv, char ***argv, int *invalid)
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
        if (size == 0 && i != 0) {
            *invalid = i;
            return false;
        }
        if (size == 0) {
            text[used] = '\0';
            size = 1;
        }
        list[i] = text + used;
        used += static_cast<std::size_t>(size);
    }
    list[count] = nullptr;
    *argv = list;
    return true;
}
