// The generation run: the generator's single entry, and the reason a failed
// run leaves behind.
#ifndef TAVRIK_GENERATOR_GENERATE_FILES_H
#define TAVRIK_GENERATOR_GENERATE_FILES_H

// Writes both files into the current directory. Returns 0 on success, 1 on
// failure with the reason left in get_failure_reason(). Every call starts
// from a fresh context, so a process may run it any number of times.
int generate_files(const char *include_file_name, const char *structure_name, const char *key_name,
                   int key_is_value);

// The reason of the last failed run ("" after a successful one); one line.
const char *get_failure_reason();
void set_failure_reason(const char *format, const char *file_name);

// Sets the reason in its one shape and returns 1: the format with the file
// name, the system's cause (system_cause(), when there is one) and the
// temporary left behind (when not nullptr):
// "<format with the file name>[ <cause>][ (left <temporary>)]\n".
int report_failure(const char *format, const char *file_name, const char *left_temp);

#endif
