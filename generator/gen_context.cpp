#include "generator/gen_context.h"

#include <cstring>

gen_context g_context;

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
