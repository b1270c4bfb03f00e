// The platform's rules for the names the run writes: which output names leave
// the current folder, and whether an output name and the include-file name
// spell the same file (on Windows: either separator, any letter case, drive-
// relative names, trailing dots and spaces).
#ifndef TAVRIK_GENERATOR_PATH_NAMES_H
#define TAVRIK_GENERATOR_PATH_NAMES_H

// 1 when a composed output name holds a separator ('/'; on Windows also '\'
// and the drive mark ':'), so that it would name a file elsewhere.
int leaves_current_folder(const char *file_name);

// 1 when writing output_name (a name without separators, in the current
// folder) would replace the file include_name names: the same file on disk
// (another spelling, a link), or the same path spelled differently when the
// files do not both exist yet. Trailing separators and "." components
// ("item_mgr.h/", "item_mgr.h/.") name the file they follow.
int is_include_file(const char *include_name, const char *output_name);

#endif
