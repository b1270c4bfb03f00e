#include <cstdio>
#include <cstring>

#include "cli/options.h"
#include "generator/gen_context.h"
#include "generator/platform.h"

namespace {

const char too_long_text[] = "string is too long.\n";
const char file_name_too_long_text[] = "file name is too long.\n";
const char outside_folder_format[] = "output file outside the current directory.(%s)\n";
const char include_clash_format[] = "output file is the include file.(%s)\n";

int fail(const char *format, const char *file_name)
{
    set_failure_reason(format, file_name);
    return 1;
}

void copy_name(char *destination, const char *text)
{
    std::memcpy(destination, text, std::strlen(text) + 1);
}

// "%s%s<ending>" from the lower-case name and the suffix; 1 when it would not
// fit a file-name field.
int compose_file_name(char *destination, const char *suffix, const char *ending)
{
    std::size_t stem = std::strlen(g_context.lower_name);
    std::size_t suffix_length = std::strlen(suffix);
    if (stem + suffix_length + std::strlen(ending) > file_name_max) return 1;
    std::memcpy(destination, g_context.lower_name, stem);
    std::memcpy(destination + stem, suffix, suffix_length);
    std::strcpy(destination + stem + suffix_length, ending);
    return 0;
}

}  // namespace

int generate_files(const char *include_file_name, const char *structure_name, const char *key_name,
                   int key_is_value)
{
    g_context = gen_context{};
    set_failure_reason("%s", "");

    if (is_too_long(include_file_name) || is_too_long(structure_name) || is_too_long(key_name))
        return fail(too_long_text, "");

    copy_name(g_context.include_name, include_file_name);
    copy_name(g_context.type_name, structure_name);
    copy_lower(g_context.lower_name, structure_name);
    copy_upper(g_context.upper_name, structure_name);
    copy_name(g_context.key_name, key_name);
    if (g_context.key_name[0] != '\0') g_context.has_key = 1;
    g_context.key_is_value = key_is_value;

    // Everything that could refuse the request is checked before a file is opened.
    const char *suffix = get_body_suffix();
    char header_name[file_name_max + 1];
    char source_name[file_name_max + 1];
    if (is_body_suffix_cut() || compose_file_name(header_name, suffix, ".h") != 0 ||
        compose_file_name(source_name, suffix, ".c") != 0)
        return fail(file_name_too_long_text, "");
    if (leaves_current_folder(header_name)) return fail(outside_folder_format, header_name);
    if (is_include_file(include_file_name, header_name)) return fail(include_clash_format, header_name);
    if (is_include_file(include_file_name, source_name)) return fail(include_clash_format, source_name);

    if (write_header_file(header_name) != 0) return 1;
    if (write_source_file(source_name) != 0) return 1;
    return 0;
}
