#include "generator/emit.h"
#include "generator/gen_context.h"

// Growth keeps the container usable when memory runs out: the reallocation
// goes through a temporary pointer so the old block and its elements survive,
// a byte size that would overflow size_t counts as a failed allocation, and
// both failure paths put the capacity back to what the block really holds.
// Growth happens when n_vec_size + 1 reaches the capacity, so the old block's
// capacity is n_vec_size + 1 at that point.
void emit_vector_extend(std::FILE *out)
{
    const char *T = g_context.type_name;

    std::fprintf(out, "static int\n");
    std::fprintf(out, "vector_extend( void )\n");
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tif ( n_vec_size + 1 >= n_vec_max_size ) {\n");
    std::fprintf(out, "\t\tif ( n_vec_max_size == 0 ) {\n");
    std::fprintf(out, "\t\t\tn_vec_max_size = SIZE_VECTOR;\n");
    std::fprintf(out, "\t\t\tp_vec_top = ( %s * )calloc( n_vec_max_size, sizeof( %s ) );\n", T, T);
    std::fprintf(out, "\t\t\tif ( p_vec_top == NULL ) {\n");
    std::fprintf(out, "\t\t\t\tfprintf( stderr, \"memory allocation error.( vector_extend() )\\n\" );\n");
    std::fprintf(out, "\t\t\t\tn_vec_max_size = 0;\n");
    std::fprintf(out, "\t\t\t\treturn -1;\n");
    std::fprintf(out, "\t\t\t}\n");
    std::fprintf(out, "\t\t} else {\n");
    std::fprintf(out, "\t\t\tn_vec_max_size *= 2;\n");
    std::fprintf(out, "\t\t\t{\n");
    std::fprintf(out, "\t\t\t%s *p_new = NULL;\n", T);
    std::fprintf(out, "\t\t\tif ( n_vec_max_size > n_vec_size && n_vec_max_size <= ( size_t )-1 / sizeof( %s ) )\n", T);
    std::fprintf(out, "\t\t\t\tp_new = ( %s * )realloc( p_vec_top, sizeof( %s ) * n_vec_max_size );\n", T, T);
    std::fprintf(out, "\t\t\tif ( p_new != NULL ) p_vec_top = p_new;\n");
    std::fprintf(out, "\t\t\tif ( p_new == NULL ) {\n");
    std::fprintf(out, "\t\t\t\tfprintf( stderr, \"memory allocation error.( vector_extend() )\\n\" );\n");
    std::fprintf(out, "\t\t\t\tn_vec_max_size = n_vec_size + 1;\n");
    std::fprintf(out, "\t\t\t\treturn -1;\n");
    std::fprintf(out, "\t\t\t}\n");
    std::fprintf(out, "\t\t\t}\n");
    std::fprintf(out, "\t\t}\n");
    std::fprintf(out, "\t}\n");
    std::fprintf(out, "\treturn 0;\n");
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
