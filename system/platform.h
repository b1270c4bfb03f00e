// Everything the tool asks of the operating system, in one place. Each
// system has one implementation file (platform_posix.cpp,
// platform_windows.cpp), and the build compiles the one that fits; no other
// file tests which system it is built for. Rules that are only text are in
// name_rules.h.
//
// Names are UTF-8 everywhere; a system that wants other names converts them
// here. Every call that can fail returns true on success; on failure the
// layer keeps the system's words for it and its kind, read with
// system_cause() and last_failure().
#ifndef TAVRIK_SYSTEM_PLATFORM_H
#define TAVRIK_SYSTEM_PLATFORM_H

#include <cstdio>

#include "system/name_rules.h"

// ---- causes -----------------------------------------------------------------

enum class failure_kind {
    other,
    absent,    // no such file, or a folder on the way is missing or no folder
    taken,     // a file of that name exists already
    too_long,  // the system takes no name this long
    bad_name,  // the system takes no such name (characters it refuses)
};

// The system's words for the last failure, one line ("" when it gave none);
// cut to cause_max bytes, between characters.
const char *system_cause();
failure_kind last_failure();

// Puts back a cause kept from an earlier failure, or "" to clear it.
void set_cause(const char *text);

// The C library's words for an errno value ("" for 0), as from a stream
// that failed to write or close.
void set_cause_from_errno(int error);

name_style host_name_style();

// ---- files ------------------------------------------------------------------

// Creates the named file only if no file of that name exists (taken
// otherwise), and opens it for writing in text mode (CR LF line ends on
// Windows).
bool create_exclusive(const char *name, std::FILE **stream);

// The length of an existing file and its last bytes (as many as fit
// tail_size, at most its length); absent when there is no such file.
bool read_tail(const char *name, long long *length, char *tail, std::size_t tail_size);

// Renames from over to in one step, replacing an existing file. On Windows,
// a file that another process holds open (a virus scanner, an indexer) is
// waited for briefly.
bool replace_file(const char *from, const char *to);

// A name that is already gone counts as removed.
bool remove_file(const char *name);

// The length in bytes of the file behind a stream with nothing left in its
// buffer, and cutting that file back to a length.
bool file_length(std::FILE *stream, long long *length);
bool cut_file(std::FILE *stream, long long length);

// Makes a folder of that name (taken when the name exists) and removes an
// empty one; a folder that is already gone counts as removed.
bool make_folder(const char *name);
bool remove_folder(const char *name);

long process_id();

// Memory for a text of this many bytes, or a failure with the system's
// words for it; released with std::free.
bool allocate_text(std::size_t size, char **text);

// A text no earlier or other run writes (process id and the clock's finest
// reading), for telling a file of this run from another of the same name.
void unique_token(char *text, std::size_t size);

// ---- what a name reaches ----------------------------------------------------

// The identity of the file (or folder) a name reaches, links followed. Two
// equal identities are one file; two different ones may still be one file
// seen through two views (a FUSE file system, a second mount).
struct file_identity {
    unsigned long long volume;
    unsigned long long index;
};
bool identify(const char *name, file_identity *identity);

// Whether the name is a symbolic link (on Windows also a junction); if so,
// *target receives what it points to, allocated with malloc, whatever its
// length.
bool read_link(const char *name, bool *is_link, char **target);

// The name made absolute from the current folder (on Windows from the
// drive's), allocated with malloc; no fixed buffer limits its depth.
bool absolute_name(const char *name, char **absolute);

// Records that links were followed as far as the system itself would,
// with the system's words for it.
void fail_with_link_loop();

// ---- interrupts -------------------------------------------------------------

// Interrupts that would end a run (SIGINT, SIGTERM, SIGHUP, SIGQUIT; Ctrl-C,
// Ctrl-Break, console close) first remove the pending files and then end the
// process by that interrupt; a file-size limit makes a write fail instead of
// ending the process.
void prepare_interrupts();

// Around every change of a pending file, so that an interrupt sees it either
// absent or fully recorded. Never held while waiting.
void hold_interrupts();
void release_interrupts();

// The files an interrupt removes: the temporary being written, and a probe
// file in a folder of its own (removed last); nullptr for none.
enum pending_slot { pending_temporary, pending_probe, pending_probe_folder, pending_slots };
void set_pending(pending_slot slot, const char *name);

// ---- console ----------------------------------------------------------------

// Writes the text and flushes. On a Windows console the text goes out as
// UTF-16, so that it reads right in any code page; elsewhere as its bytes.
bool write_text(std::FILE *stream, const char *text);

// For the Windows entry point, and defined there only: the wide arguments as
// UTF-8 in fixed fields. Fails with *invalid the position (from 1) of the
// first argument that is not valid UTF-16.
bool utf8_arguments(int argc, wchar_t **wide_argv, char ***argv, int *invalid);

#endif
