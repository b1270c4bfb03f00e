// Output files are written under a temporary name in the same folder and
// renamed into place only once every byte is on disk, so a failed run never
// leaves a half-written file where a build would take it for a good one.
#ifndef TAVRIK_GENERATOR_OUTPUT_FILE_H
#define TAVRIK_GENERATOR_OUTPUT_FILE_H

#include <cstdio>

struct output_file {
    std::FILE *stream;
    const char *final_name;
    char temp_name[32];
};

// 0 with file->stream open for writing; 1 with the failure reason set.
int open_output(output_file *file, const char *final_name);

// Flushes and closes the stream and renames the file into place. On any
// write, close or rename failure removes the temporary file, sets the reason
// and returns 1.
int commit_output(output_file *file);

#endif
