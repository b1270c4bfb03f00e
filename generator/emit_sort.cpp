#include "generator/emit.h"
#include "generator/gen_context.h"

// With no block p_vec_top is NULL, and qsort must not be handed a null
// array even for zero elements.
void emit_sort(std::FILE *out)
{
    if (!g_context.has_key) return;
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "void\n");
    std::fprintf(out, "%s_sort( void )\n", L);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tif ( n_vec_size == 0 ) return;\n");
    std::fprintf(out, "\tqsort( p_vec_top, n_vec_size, sizeof( %s ), compare );\n", T);
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}

void emit_sort_by(std::FILE *out)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "void\n");
    std::fprintf(out, "%s_sort_by( int ( *fn_cmp )( const void * , const void * ) )\n", L);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tif ( n_vec_size == 0 ) return;\n");
    std::fprintf(out, "\tqsort( p_vec_top, n_vec_size, sizeof( %s ), fn_cmp );\n", T);
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
