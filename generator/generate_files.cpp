#include "generator/generate_files.h"

#include <cstdio>
#include <cstring>

#include "cli/options.h"
#include "generator/gen_context.h"
#include "generator/include_check.h"
#include "generator/writers.h"
#include "system/platform.h"

namespace {

char failure_reason[failure_reason_max + 1];

const char too_long_text[] = "string is too long.";
const char file_name_too_long_text[] = "file name is too long.";
const char outside_folder_format[] = "output file outside the current directory.(%s)";

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

const char *get_failure_reason() { return failure_reason; }

void set_failure_reason(const char *format, const char *file_name)
{
    std::snprintf(failure_reason, sizeof failure_reason, format, file_name);
}

int report_failure(const char *format, const char *file_name, const char *left_temp)
{
    char head[file_name_max + 64];
    std::snprintf(head, sizeof head, format, file_name);
    char left[file_name_max + 16] = "";
    if (left_temp != nullptr) std::snprintf(left, sizeof left, " (left %s)", left_temp);
    const char *cause = system_cause();
    char text[failure_reason_max + 1];
    std::snprintf(text, sizeof text, "%s%s%s%s\n", head, cause[0] != '\0' ? " " : "", cause, left);
    set_failure_reason("%s", text);
    return 1;
}

int generate_files(const char *include_file_name, const char *structure_name, const char *key_name,
                   int key_is_value)
{
    g_context = gen_context{};
    set_failure_reason("%s", "");
    set_cause("");

    if (is_too_long(include_file_name) || is_too_long(structure_name) || is_too_long(key_name))
        return report_failure(too_long_text, "", nullptr);

    copy_name(g_context.include_name, include_file_name);
    copy_name(g_context.type_name, structure_name);
    copy_lower(g_context.lower_name, structure_name);
    copy_upper(g_context.upper_name, structure_name);
    copy_name(g_context.key_name, key_name);
    if (g_context.key_name[0] != '\0') g_context.has_key = 1;
    g_context.key_is_value = key_is_value;

    // Everything that could refuse the request by itself is checked before a
    // file is opened.
    const char *suffix = get_body_suffix();
    char header_name[file_name_max + 1];
    char source_name[file_name_max + 1];
    if (is_body_suffix_cut() || compose_file_name(header_name, suffix, ".h") != 0 ||
        compose_file_name(source_name, suffix, ".c") != 0)
        return report_failure(file_name_too_long_text, "", nullptr);
    if (leaves_folder(header_name, host_name_style())) return report_failure(outside_folder_format, header_name, nullptr);
    const char *output_name = nullptr;
    int verdict = check_include_first(include_file_name, header_name, source_name, &output_name);
    if (verdict == include_clash) return report_failure(include_clash_format, output_name, nullptr);
    if (verdict == include_check_failed) return report_failure(include_check_error_format, output_name, nullptr);

    if (write_header_file(header_name) != 0) return 1;
    if (write_source_file(source_name) != 0) return 1;
    return 0;
}
