// The emitters: each writes whole lines of generated C to an open file and
// reads the names it needs from g_context.
//
// Every emitted row is fixed to the byte, spacing, spelling and layout
// included: users diff the generated files and keep them in version control,
// so any change, even a tidier one, shows up in every project that
// regenerates. The rows stay as they are.
#ifndef TAVRIK_GENERATOR_EMIT_H
#define TAVRIK_GENERATOR_EMIT_H

#include <cstdio>

// The prototype block; prefix is "extern " in the header and "" in the source.
void emit_prototypes(std::FILE *output, const char *prefix);

// Internal helpers of the source file.
void emit_struct_copy(std::FILE *output);
void emit_vector_extend(std::FILE *output);
void emit_compare(std::FILE *output);  // nothing without a key

// Container operations.
void emit_push_back(std::FILE *output);
void emit_pop_back(std::FILE *output);
void emit_touch_pop_back(std::FILE *output);
void emit_clear(std::FILE *output);
void emit_touch_clear(std::FILE *output);
void emit_size(std::FILE *output);
void emit_at(std::FILE *output);

// Search, sort and transform operations.
void emit_find(std::FILE *output);
void emit_findfirst(std::FILE *output);
void emit_findnext(std::FILE *output);
void emit_bsearch(std::FILE *output);  // nothing without a key
void emit_bsearch_by(std::FILE *output);
void emit_sort(std::FILE *output);  // nothing without a key
void emit_sort_by(std::FILE *output);
void emit_transform(std::FILE *output);
void emit_transform_if(std::FILE *output);

#endif
