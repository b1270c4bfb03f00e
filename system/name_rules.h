// Rules about names that are only text: separators, drive marks, the last
// component, trailing characters a system drops, and letter case. They live
// here once and take the system's style as an argument, so that every
// system's spellings are checked on any host; the system calls are in
// platform.h.
#ifndef TAVRIK_SYSTEM_NAME_RULES_H
#define TAVRIK_SYSTEM_NAME_RULES_H

#include <cstddef>

enum class name_style {
    posix,    // '/' separates; names are bytes, compared byte for byte
    windows,  // '/' and '\' separate, "C:" marks a drive, trailing dots and
              // spaces are dropped, letter case is ignored
};

bool is_separator(char c, name_style style);

// A composed output name that would name a file outside the current folder:
// it holds a separator (on Windows also a drive mark).
bool leaves_folder(const char *name, name_style style);

// Length of the name without what follows the file it names: trailing
// separators and "." components ("item_mgr.h/", "item_mgr.h/."); on Windows
// also the dots and spaces the system drops from a last component
// ("item_mgr.h.") and the name of a stream of the file ("item_mgr.h:notes",
// "item_mgr.h::$DATA").
std::size_t named_length(const char *name, std::size_t length, name_style style);

// Where the last component of a name of this length starts.
std::size_t last_component(const char *name, std::size_t length, name_style style);

// A folder part (what precedes the last component, possibly empty) that is
// the current folder by its spelling alone: nothing but "." components.
bool is_plainly_current(const char *folder, std::size_t length, name_style style);

// A name that starts from the current folder (no root, no drive mark).
bool is_relative(const char *name, std::size_t length, name_style style);

// Two names as the style compares them: byte for byte, or ignoring letter
// case by simple case folding (ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic letters).
bool same_name(const char *a, std::size_t a_length, const char *b, std::size_t b_length, name_style style);

// Two names some file system could take for one: equal ignoring case and
// trailing dots and spaces, or either holds a byte above 0x7F (which a file
// system may fold or normalise in ways no fixed table knows).
bool could_be_one_name(const char *a, std::size_t a_length, const char *b, std::size_t b_length);

// Rewrites a path in place to its lexical normal form and returns its new
// length: on Windows "\\?\" and "\\.\" prefixes go; separators become one
// '/', "." components go, and ".." takes the component before it off (never
// the root; a relative path keeps leading ".." components). Links are not
// followed: only a path whose folders are known not to be links may be
// judged by it.
std::size_t normalize(char *path, std::size_t length, name_style style);

// A normalized relative path that still climbs out of its start folder.
bool climbs_out(const char *path, std::size_t length);

#endif
