#include "system/name_rules.h"

#include <cstdint>
#include <cstring>

namespace {

bool is_dot_component(const char *component, std::size_t length)
{
    return (length == 1 && component[0] == '.') || (length == 2 && component[0] == '.' && component[1] == '.');
}

bool has_drive_mark(const char *name, std::size_t length, name_style style)
{
    return style == name_style::windows && length >= 2 && name[1] == ':';
}

// "item_mgr.h:notes" and "item_mgr.h::$DATA" are streams of item_mgr.h:
// a colon in the last component, but for a drive mark, starts one.
std::size_t without_stream(const char *name, std::size_t length)
{
    std::size_t start = length;
    while (start > 0 && !is_separator(name[start - 1], name_style::windows)) --start;
    if (start == 0 && length >= 2 && name[1] == ':') start = 2;
    for (std::size_t i = start; i < length; ++i)
        if (name[i] == ':') return i;
    return length;
}

// "\\?\C:\x" and "\\.\C:\x" name C:\x, "\\?\UNC\server\share" names
// \\server\share: rewritten in place to those shorter names; the new length.
std::size_t without_device_prefix(char *path, std::size_t length)
{
    const name_style style = name_style::windows;
    if (length < 4 || !is_separator(path[0], style) || !is_separator(path[1], style) ||
        (path[2] != '?' && path[2] != '.') || !is_separator(path[3], style))
        return length;
    std::size_t drop = 4;
    if (length >= 8 && (path[4] == 'U' || path[4] == 'u') && (path[5] == 'N' || path[5] == 'n') &&
        (path[6] == 'C' || path[6] == 'c') && is_separator(path[7], style))
        drop = 6;  // keeps "\\" before the server
    std::memmove(path, path + drop, length - drop);
    if (drop == 6) path[0] = path[1] = '\\';
    return length - drop;
}

std::size_t without_trailing_dots(const char *name, std::size_t length)
{
    while (length > 1 && (name[length - 1] == '.' || name[length - 1] == ' ')) --length;
    return length;
}

// One character of a UTF-8 name as a code point; a byte that starts no
// valid sequence stands for itself, apart from every code point.
std::uint32_t next_code_point(const unsigned char *&p, const unsigned char *end)
{
    const std::uint32_t lone_byte = 0x110000;
    unsigned char first = *p++;
    if (first < 0x80) return first;
    std::size_t extra = (first & 0xE0) == 0xC0 ? 1 : (first & 0xF0) == 0xE0 ? 2 : (first & 0xF8) == 0xF0 ? 3 : 0;
    if (extra == 0 || static_cast<std::size_t>(end - p) < extra) return lone_byte + first;
    std::uint32_t code = first & (0x3Fu >> extra);
    for (std::size_t i = 0; i < extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) return lone_byte + first;
        code = (code << 6) | (p[i] & 0x3Fu);
    }
    p += extra;
    return code;
}

// Simple case folding of the letters whose case file systems are known to
// ignore alike; every other code point folds to itself.
std::uint32_t fold(std::uint32_t c)
{
    bool even = (c % 2) == 0;
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;                           // Latin-1
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return even ? c + 1 : c;                                                        // Latin Extended-A
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return even ? c : c + 1;
    if (c == 0x178) return 0xFF;
    if ((c >= 0x391 && c <= 0x3A1) || (c >= 0x3A3 && c <= 0x3AB)) return c + 0x20;    // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;                                     // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

bool same_ignoring_case(const char *a, std::size_t a_length, const char *b, std::size_t b_length)
{
    auto p = reinterpret_cast<const unsigned char *>(a);
    auto q = reinterpret_cast<const unsigned char *>(b);
    const unsigned char *p_end = p + a_length;
    const unsigned char *q_end = q + b_length;
    while (p < p_end && q < q_end)
        if (fold(next_code_point(p, p_end)) != fold(next_code_point(q, q_end))) return false;
    return p == p_end && q == q_end;
}

// Where the root of an absolute path ends: "/", "C:\", or "\\server\share\".
std::size_t root_length(const char *path, std::size_t length, name_style style)
{
    if (style == name_style::windows) {
        if (has_drive_mark(path, length, style)) return (length > 2 && is_separator(path[2], style)) ? 3 : 2;
        if (length >= 2 && is_separator(path[0], style) && is_separator(path[1], style)) {
            std::size_t end = 2;
            for (int part = 0; part < 2 && end < length; ++part) {
                while (end < length && !is_separator(path[end], style)) ++end;
                if (end < length) ++end;
            }
            return end;
        }
    }
    return (length > 0 && is_separator(path[0], style)) ? 1 : 0;
}

}  // namespace

bool is_separator(char c, name_style style) { return c == '/' || (style == name_style::windows && c == '\\'); }

bool leaves_folder(const char *name, name_style style)
{
    return std::strpbrk(name, style == name_style::windows ? "/\\:" : "/") != nullptr;
}

std::size_t last_component(const char *name, std::size_t length, name_style style)
{
    while (length > 0 && !is_separator(name[length - 1], style) &&
           !(style == name_style::windows && name[length - 1] == ':'))
        --length;
    return length;
}

std::size_t named_length(const char *name, std::size_t length, name_style style)
{
    for (;;) {
        std::size_t before = length;
        while (length > 1 && is_separator(name[length - 1], style)) --length;
        if (length >= 2 && name[length - 1] == '.' && is_separator(name[length - 2], style)) --length;
        if (style == name_style::windows) {
            length = without_stream(name, length);
            std::size_t start = last_component(name, length, style);
            if (!is_dot_component(name + start, length - start))
                while (length > start + 1 && (name[length - 1] == '.' || name[length - 1] == ' ')) --length;
        }
        if (length == before) return length;
    }
}

bool is_relative(const char *name, std::size_t length, name_style style)
{
    return root_length(name, length, style) == 0 && !has_drive_mark(name, length, style);
}

bool is_plainly_current(const char *folder, std::size_t length, name_style style)
{
    if (!is_relative(folder, length, style)) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (folder[i] != '.' && !is_separator(folder[i], style)) return false;
    // Dots only between separators: "." components, never "..".
    for (std::size_t i = 0; i + 1 < length; ++i)
        if (folder[i] == '.' && folder[i + 1] == '.') return false;
    return true;
}

bool same_name(const char *a, std::size_t a_length, const char *b, std::size_t b_length, name_style style)
{
    if (style == name_style::windows) return same_ignoring_case(a, a_length, b, b_length);
    return a_length == b_length && std::memcmp(a, b, a_length) == 0;
}

bool could_be_one_name(const char *a, std::size_t a_length, const char *b, std::size_t b_length)
{
    for (std::size_t i = 0; i < a_length; ++i)
        if (static_cast<unsigned char>(a[i]) > 0x7F) return true;
    for (std::size_t i = 0; i < b_length; ++i)
        if (static_cast<unsigned char>(b[i]) > 0x7F) return true;
    // Some file systems also drop trailing dots and spaces.
    return same_ignoring_case(a, without_trailing_dots(a, a_length), b, without_trailing_dots(b, b_length));
}

std::size_t normalize(char *path, std::size_t length, name_style style)
{
    if (style == name_style::windows) length = without_device_prefix(path, length);
    std::size_t root = root_length(path, length, style);
    std::size_t out = 0;
    for (std::size_t i = 0; i < root; ++i) path[out++] = is_separator(path[i], style) ? '/' : path[i];
    std::size_t kept_parents = 0;  // leading ".." components of a relative path
    std::size_t i = root;
    while (i < length) {
        std::size_t start = i;
        while (i < length && !is_separator(path[i], style)) ++i;
        std::size_t part = i - start;
        while (i < length && is_separator(path[i], style)) ++i;
        if (part == 0 || (part == 1 && path[start] == '.')) continue;
        if (part == 2 && path[start] == '.' && path[start + 1] == '.') {
            // Where the named components start: after the root, or after
            // the leading "../../" (whose last separator goes with them).
            std::size_t named_start = kept_parents > 0 ? kept_parents * 3 - 1 : root;
            if (out > named_start) {
                while (out > named_start && path[out - 1] != '/') --out;
                if (out > named_start) --out;  // the separator before it
                continue;
            }
            if (root > 0) continue;  // nothing above the root
            ++kept_parents;
        }
        if (out > root) path[out++] = '/';
        std::memmove(path + out, path + start, part);
        out += part;
    }
    path[out] = '\0';
    return out;
}

bool climbs_out(const char *path, std::size_t length)
{
    return length >= 2 && path[0] == '.' && path[1] == '.' && (length == 2 || path[2] == '/');
}
