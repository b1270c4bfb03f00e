// The generation run and the names every emitter reads.
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

// Writes both files into the current directory. Returns 0 on success, 1 on
// failure with the reason left in get_failure_reason(). Every call starts
// from a fresh context, so a process may run it any number of times.
int generate_files(const char *include_file_name, const char *structure_name, const char *key_name,
                   int key_is_value);

// The reason of the last failed run ("" after a successful one); one line.
const char *get_failure_reason();
void set_failure_reason(const char *format, const char *file_name);

// The system's words for the last failure of a file or console call, one
// line ("" when it gave none); cut to cause_max bytes, between characters.
const char *system_cause();
void set_cause(const char *text);

int is_too_long(const char *text);

// Case mapping of the "C" locale whatever the process locale is: only the 26
// ASCII letters change; the copy has the source's length.
void copy_lower(char *destination, const char *text);
void copy_upper(char *destination, const char *text);

// Makes the text usable inside a macro name: every ASCII character that is
// not a letter, a digit or '_' becomes '_'; bytes above 0x7F stay.
void replace_non_identifier(char *text);

int write_header_file(const char *file_name);
int write_source_file(const char *file_name);

#endif
