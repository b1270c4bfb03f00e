// The option store and the command-line scan.
#ifndef TAVRIK_CLI_OPTIONS_H
#define TAVRIK_CLI_OPTIONS_H

#include <cstdio>

#include "generator/limits.h"

enum exit_status {
    exit_ok = 0,
    exit_failure = 1,  // no arguments, or the generation run failed
    exit_help = 2,
    exit_version = 3,
    exit_option_error = 4,
};

struct option_store {
    char inc_file[option_value_max + 1];
    char struct_name[option_value_max + 1];
    char key_val[option_value_max + 1];
    char key_string[option_value_max + 1];
    char body_suffix[name_max + 1];
    // Set when -s got more characters than body_suffix holds; the generation
    // run refuses such a suffix rather than using a cut one.
    int body_suffix_cut;
};

// How a scan ended when it ends the process: what to print where, and the
// status. err_format takes err_arg in place of its single "%s" (if any).
struct parse_outcome {
    int exit_status;
    const char *out_text;
    const char *err_format;
    const char *err_arg;
};

// Fills the option store afresh. Returns 0 when the command line is complete
// and generation should follow; 1 when the process is to end as *outcome says.
int parse_options(int argc, char **argv, parse_outcome *outcome);

// Index of the value of the option at index i, or -1 when it is the last.
int need_value(int i, int argc);

// Prints the outcome's texts and returns its exit status; 1 with a reason on
// err when out does not take its text.
int write_outcome(const parse_outcome *outcome, std::FILE *out, std::FILE *err);

struct key_choice {
    const char *name;  // empty when no key is used
    int is_value;      // 1: compared as a value, 0: as a string
};

key_choice select_key();

const char *get_inc_file();
const char *get_struct_name();
const char *get_key_val();
const char *get_key_string();
const char *get_body_suffix();
int is_body_suffix_cut();

extern const char usage_text[];
extern const char help_text[];
extern const char version_text[];
extern const char invalid_option_format[];
extern const char too_few_arguments_text[];
extern const char i_required_text[];
extern const char n_required_text[];
extern const char output_write_error_text[];
extern const char invalid_argument_format[];

#endif
