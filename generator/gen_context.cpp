#include "generator/gen_context.h"

#include <cstdio>
#include <cstring>

gen_context g_context;

namespace {

char failure_reason[failure_reason_max + 1];

char cause[cause_max + 1];

}  // namespace

const char *get_failure_reason() { return failure_reason; }

const char *system_cause() { return cause; }

void set_cause(const char *text)
{
    std::size_t length = std::strlen(text);
    if (length > cause_max) {
        // Cut before a whole character: the system's words may be UTF-8.
        length = cause_max;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    }
    std::memcpy(cause, text, length);
    cause[length] = '\0';
}

void set_failure_reason(const char *format, const char *file_name)
{
    std::snprintf(failure_reason, sizeof failure_reason, format, file_name);
}

int is_too_long(const char *text) { return std::strlen(text) > name_max; }

void copy_lower(char *destination, const char *text)
{
    for (; *text != '\0'; ++text, ++destination) {
        char c = *text;
        *destination = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    *destination = '\0';
}

void copy_upper(char *destination, const char *text)
{
    for (; *text != '\0'; ++text, ++destination) {
        char c = *text;
        *destination = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    *destination = '\0';
}

void replace_non_identifier(char *text)
{
    for (; *text != '\0'; ++text) {
        unsigned char c = static_cast<unsigned char>(*text);
        if (c > 0x7F) continue;
        bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!keep) *text = '_';
    }
}
