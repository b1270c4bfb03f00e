// Whether writing an output would replace the programmer's include file.
//
// The include file is only named, never read, and its name may reach a file
// in many ways: another spelling of the path, a link, a hard link, another
// letter case in a folder that ignores case, a second view of the current
// folder (a bind mount, a FUSE file system). Spelling and file identity
// settle most requests before any file is made. Where they cannot, the run
// probes while an output's temporary exists: it looks for that very file
// through the include's folder, and asks the folder itself whether two
// names are one. An error while judging refuses the run.
#ifndef TAVRIK_GENERATOR_INCLUDE_CHECK_H
#define TAVRIK_GENERATOR_INCLUDE_CHECK_H

#include <cstdio>

extern const char include_clash_format[];
extern const char include_check_error_format[];

enum include_verdict { include_clear, include_clash, include_check_failed };

// Judges the request before any file is made, by spelling and by the
// identity of the files that exist, and keeps it for the later judgements.
// *output_name is the output concerned; for include_check_failed the
// system's cause (platform.h) says why.
int check_include_first(const char *include_name, const char *header_name, const char *source_name,
                        const char **output_name);

// Judges the request again just before an output's temporary takes its
// name, probing through the temporary (open on temp_stream, every byte
// flushed) where that can matter; the temporary is left as it was.
int check_include_again(std::FILE *temp_stream, const char *temp_name, const char **output_name);

// Judges once more just after an output took its name, when the include
// named nothing at the judgement before: a name the folder resolves only
// now (a short name it made, an alias) must not reach the new file.
int check_include_after_rename(const char *output_name);

#endif
