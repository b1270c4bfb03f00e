// The names every emitter reads, and how they are derived.
#ifndef TAVRIK_GENERATOR_GEN_CONTEXT_H
#define TAVRIK_GENERATOR_GEN_CONTEXT_H

#include <cstddef>

#include "generator/limits.h"

struct gen_context {
    char include_name[name_max + 1];
    char type_name[name_max + 1];   // the structure name as typed
    char lower_name[name_max + 1];  // file-name stem and function prefix
    char upper_name[name_max + 1];  // guard-macro stem
    char key_name[name_max + 1];    // empty when no key was chosen
    int has_key;
    int key_is_value;  // 1: value comparison, 0: string comparison
};

// Filled by generate_files before the first file is opened, read-only after.
extern gen_context g_context;

int is_too_long(const char *text);

// Case mapping of the "C" locale whatever the process locale is: only the 26
// ASCII letters change; the copy has the source's length.
void copy_lower(char *destination, const char *text);
void copy_upper(char *destination, const char *text);

// Makes the text usable inside a macro name: every ASCII character that is
// not a letter, a digit or '_' becomes '_'; bytes above 0x7F stay.
void replace_non_identifier(char *text);

#endif
