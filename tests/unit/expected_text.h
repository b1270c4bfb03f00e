// The generated files as they must read, assembled row by row from the
// header and source rows, with the placeholders filled in. Written
// independently of the emitters, so a changed or missing byte in either shows.
#ifndef TAVRIK_TESTS_UNIT_EXPECTED_TEXT_H
#define TAVRIK_TESTS_UNIT_EXPECTED_TEXT_H

#include <string>
#include <vector>

// Replaces each "%s" of the row, left to right, with the next value.
std::string fill(const std::string &row, const std::vector<std::string> &values);

// The names one generated pair is written from.
struct module_names {
    std::string include;  // include name as given with -i
    std::string T;        // the structure name as typed
    std::string L;        // its lower-case form
    std::string K;        // key field, empty for no key
    bool key_is_value;
};

// The prototype block with its prefix ("extern " or "").
std::string expected_prototypes(const std::string &prefix, const module_names &m);

// The header; guard_stem is the upper-case name followed by the upper-case
// suffix (ITEM_MGR for Item with the default suffix).
std::string expected_header(const module_names &m, const std::string &guard_stem);

// The source file without the growth lines that are ours: in vector_extend,
// everything between the doubling line and the second allocation-error line,
// the capacity-restoring lines before each "return -1;", and the closing
// lines after the failure block.
std::string expected_source_fixed_part(const module_names &m);

// The actual source split into the part fixed byte for byte and our lines.
struct source_split {
    std::string fixed_part;                   // the file with our lines removed
    std::vector<std::string> realloc_lines;   // after the doubling line
    std::vector<std::string> restore_first;   // after the first allocation error
    std::vector<std::string> restore_second;  // after the second allocation error
    std::vector<std::string> closing_lines;   // after the failure block
    std::string problem;                      // non-empty when a fixed anchor row is missing
};

source_split split_source(const std::string &actual);

#endif
