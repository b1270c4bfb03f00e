// Everything the tool asks of the operating system, in one place. Each
// system has one implementation file (platform_posix.cpp,
// platform_windows.cpp), and the build compiles the one that fits; no other
// file tests which system it is built for.
//
// Names are UTF-8 everywhere; a system that wants other names converts them
// here. Calls that fail leave the system's cause with set_cause (gen_context.h).
#ifndef TAVRIK_GENERATOR_PLATFORM_H
#define TAVRIK_GENERATOR_PLATFORM_H

#include <cstdio>

// ---- files ------------------------------------------------------------------

enum create_result { created, name_taken, create_failed };

// Creates the named file only if no file of that name exists, and opens it
// for writing in text mode (CR LF line ends on Windows).
create_result create_exclusive(const char *name, std::FILE **stream);

// Renames from over to in one step, replacing an existing file. 0, or 1 with
// the cause set. On Windows, a file that another process holds open (a virus
// scanner, an indexer) is waited for briefly.
int replace_file(const char *from, const char *to);

// 0 when the file is gone, 1 (cause set) when it could not be removed.
int remove_file(const char *name);

long process_id();

// ---- interrupts -------------------------------------------------------------

// Interrupts that would end a run (SIGINT, SIGTERM, SIGHUP; Ctrl-C,
// Ctrl-Break, console close) first remove the pending temporary; a
// file-size limit makes a write fail instead of ending the process.
void prepare_interrupts();

// Around every change of the pending temporary, so that an interrupt sees it
// either absent or fully recorded. Never held while waiting.
void hold_interrupts();
void release_interrupts();

// The temporary an interrupt removes; nullptr for none.
void set_pending(const char *name);

// ---- causes -----------------------------------------------------------------

// The C library's words for an errno value ("" for 0) as the cause.
void set_cause_from_errno(int error);

// ---- names ------------------------------------------------------------------

// 1 when a composed output name holds a separator ('/'; on Windows also '\'
// and the drive mark ':'), so that it would name a file elsewhere.
int leaves_current_folder(const char *file_name);

// 1 when writing output_name (a name without separators, in the current
// folder) would replace the file include_name names: the same file on disk,
// or, when the include file does not exist yet, a spelling that reaches the
// current folder through the file system (links followed). Where the
// include name's folder does not exist, its spelling is judged as text.
// Trailing separators and "." components ("item_mgr.h/", "item_mgr.h/.")
// name the file they follow.
int is_include_file(const char *include_name, const char *output_name);

// ---- console ----------------------------------------------------------------

// Writes the text and flushes. On a Windows console the text goes out as
// UTF-16, so that it reads right in any code page; elsewhere as its bytes.
// 0, or 1 with the cause set.
int write_text(std::FILE *stream, const char *text);

// For the Windows entry point, and defined there only: the wide arguments as
// UTF-8 in fixed fields.
// 0 with *argv set, or the position (from 1) of the first argument that is
// not valid UTF-16.
int utf8_arguments(int argc, wchar_t **wide_argv, char ***argv);

#endif
