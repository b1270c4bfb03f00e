// Output files are written under a temporary name in the same folder and
// renamed into place only once every byte is on disk, so a failed run never
// leaves a half-written file where a build would take it for a good one.
//
// The system calls behind them (exclusive creation, the atomic replace,
// interrupts) are in system/platform.h.
#ifndef TAVRIK_GENERATOR_OUTPUT_FILE_H
#define TAVRIK_GENERATOR_OUTPUT_FILE_H

#include <cstdio>

#include "generator/limits.h"

// Temporary names are ".tavrik-<process id>-<n>.tmp" with n below this bound;
// when all are taken (stale files of an earlier process with the same id)
// the run gives up with a reason of its own.
constexpr int temp_name_attempts = 100;

struct output_file {
    std::FILE *stream;
    const char *final_name;
    char temp_name[temp_name_max + 1];
};

// 0 with file->stream open for writing in text mode; 1 with the failure
// reason set.
int open_output(output_file *file, const char *final_name);

// Flushes the stream, judges the include file again, closes the stream and
// renames the file into place, replacing an existing file of that name. On
// a refusal or any write, close or rename failure removes the temporary
// file, sets the reason (naming the temporary if it could not be removed)
// and returns 1.
int commit_output(output_file *file);

#endif
