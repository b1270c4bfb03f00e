// The two file writers of a run: each writes its file from g_context.
// 0 when the file is in place, 1 with the failure reason set.
#ifndef TAVRIK_GENERATOR_WRITERS_H
#define TAVRIK_GENERATOR_WRITERS_H

int write_header_file(const char *file_name);
int write_source_file(const char *file_name);

#endif
