#include "generator/path_names.h"

#include <cstring>
#include <cwchar>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <filesystem>
#include <system_error>
#endif

#include "generator/limits.h"

namespace {

#ifdef _WIN32
using name_char = wchar_t;
bool is_separator(name_char c) { return c == L'/' || c == L'\\'; }
#else
using name_char = char;
bool is_separator(name_char c) { return c == '/'; }
#endif

// Length of the name without what follows the file it names: trailing
// separators and "." components ("item_mgr.h/", "item_mgr.h/./"), and on
// Windows the trailing dots and spaces the system drops from a last
// component ("item_mgr.h.").
std::size_t named_length(const name_char *name, std::size_t length)
{
    for (;;) {
        std::size_t before = length;
        while (length > 1 && is_separator(name[length - 1])) --length;
        if (length >= 2 && name[length - 1] == '.' && is_separator(name[length - 2])) --length;
#ifdef _WIN32
        std::size_t start = length;
        while (start > 0 && !is_separator(name[start - 1]) && name[start - 1] != L':') --start;
        bool dot_component = (length - start == 1 && name[start] == L'.') ||
                             (length - start == 2 && name[start] == L'.' && name[start + 1] == L'.');
        if (!dot_component)
            while (length > start + 1 && (name[length - 1] == L'.' || name[length - 1] == L' ')) --length;
#endif
        if (length == before) return length;
    }
}

// Where the last component of a name of this length starts.
std::size_t last_component(const name_char *name, std::size_t length)
{
    std::size_t start = length;
#ifdef _WIN32
    while (start > 0 && !is_separator(name[start - 1]) && name[start - 1] != L':') --start;
#else
    while (start > 0 && !is_separator(name[start - 1])) --start;
#endif
    return start;
}

#ifdef _WIN32

// Wide names for the system: the run's names are UTF-8.
constexpr DWORD full_name_max = 32768;

int to_wide(const char *name, wchar_t *wide)
{
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, wide_name_max) != 0 ? 0 : 1;
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

bool same_file(const wchar_t *a, const wchar_t *b)
{
    BY_HANDLE_FILE_INFORMATION a_info;
    BY_HANDLE_FILE_INFORMATION b_info;
    return file_identity(a, &a_info) && file_identity(b, &b_info) &&
           a_info.dwVolumeSerialNumber == b_info.dwVolumeSerialNumber &&
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

#endif

}  // namespace

int leaves_current_folder(const char *file_name)
{
#ifdef _WIN32
    return std::strpbrk(file_name, "/\\:") != nullptr;
#else
    return std::strchr(file_name, '/') != nullptr;
#endif
}

#ifdef _WIN32

int is_include_file(const char *include_name, const char *output_name)
{
    static wchar_t include_wide[wide_name_max];
    static wchar_t output_wide[wide_name_max];
    if (include_name[0] == '\0' || to_wide(include_name, include_wide) != 0 || to_wide(output_name, output_wide) != 0)
        return 0;
    std::size_t length = named_length(include_wide, std::wcslen(include_wide));
    include_wide[length] = L'\0';
    if (same_file(include_wide, output_wide)) return 1;
    // The cheap test first (see the POSIX version below).
    std::size_t base = last_component(include_wide, length);
    if (!same_spelling(include_wide + base, static_cast<int>(length - base), output_wide, -1)) return 0;
    static wchar_t include_full[full_name_max];
    static wchar_t output_full[full_name_max];
    int include_length = full_name(include_wide, include_full);
    int output_length = full_name(output_wide, output_full);
    if (include_length < 0 || output_length < 0) return 0;
    return same_spelling(include_full, include_length, output_full, output_length);
}

#else

int is_include_file(const char *include_name, const char *output_name)
{
    namespace fs = std::filesystem;
    if (include_name[0] == '\0') return 0;
    char include[name_max + 1];
    std::size_t length = named_length(include_name, std::strlen(include_name));
    if (length > name_max) return 0;  // refused as too long before this is asked
    std::memcpy(include, include_name, length);
    include[length] = '\0';
    std::error_code error;
    if (fs::equivalent(include, output_name, error)) return 1;
    // An output name has no separator, so it is the last component of its
    // normal form, and the include path can only match when it ends in that
    // same name. Checked first, it spares the two absolute paths (a quarter
    // of a run's work).
    if (std::strcmp(include + last_component(include, length), output_name) != 0) return 0;
    fs::path include_path = fs::absolute(include, error).lexically_normal();
    if (error) return 0;
    fs::path output_path = fs::absolute(output_name, error).lexically_normal();
    if (error) return 0;
    return include_path == output_path;
}

#endif
