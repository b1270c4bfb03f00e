#include "generator/emit.h"
#include "generator/gen_context.h"
#include "generator/output_file.h"
#include "generator/writers.h"

namespace {

constexpr int first_block_capacity = 128;

}  // namespace

int write_source_file(const char *file_name)
{
    output_file file;
    if (open_output(&file, file_name) != 0) return 1;
    std::FILE *out = file.stream;
    const char *T = g_context.type_name;

    std::fprintf(out, "#include <stdio.h>\n");
    std::fprintf(out, "#include <stdlib.h>\n");
    std::fprintf(out, "#include <string.h>\n");
    std::fprintf(out, "#include \"%s\"\n", g_context.include_name);
    std::fprintf(out, "\n");
    std::fprintf(out, "#define       SIZE_VECTOR        %d\n", first_block_capacity);
    std::fprintf(out, "\n");
    std::fprintf(out, "/* vector management */\n");
    std::fprintf(out, "static %s *p_vec_top = NULL;\n", T);
    std::fprintf(out, "static size_t n_vec_size = 0;\n");
    std::fprintf(out, "static size_t n_vec_max_size= 0;\n");
    std::fprintf(out, "/* hold found position */\n");
    std::fprintf(out, "static size_t n_cur_index = 0;\n");
    std::fprintf(out, "\n");
    emit_prototypes(out, "");
    std::fprintf(out, "\n");
    emit_struct_copy(out);
    emit_vector_extend(out);
    emit_compare(out);
    std::fprintf(out, "\n");
    emit_push_back(out);
    emit_pop_back(out);
    emit_touch_pop_back(out);
    emit_clear(out);
    emit_touch_clear(out);
    emit_size(out);
    emit_at(out);
    emit_find(out);
    emit_findfirst(out);
    emit_findnext(out);
    emit_bsearch(out);
    emit_bsearch_by(out);
    emit_sort(out);
    emit_sort_by(out);
    emit_transform(out);
    emit_transform_if(out);
    std::fprintf(out, "\n");

    return commit_output(&file);
}
