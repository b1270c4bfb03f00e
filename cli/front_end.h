// One whole invocation, without ending the process: parse, choose the key,
// generate. Returns the exit status; main only passes it on.
#ifndef TAVRIK_CLI_FRONT_END_H
#define TAVRIK_CLI_FRONT_END_H

#include <cstdio>

int run_front_end(int argc, char **argv, std::FILE *out, std::FILE *err);

// Windows: an argument that is not valid Unicode ends the run before the
// options are read; the reason, and the status to exit with.
int report_invalid_argument(int position, std::FILE *err);

#endif
