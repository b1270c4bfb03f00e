#include "generator/emit.h"
#include "generator/gen_context.h"

// With no block p_vec_top is NULL, and bsearch must not be handed a null
// array even for zero elements.
void emit_bsearch(std::FILE *out)
{
    if (!g_context.has_key) return;
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "%s *\n", T);
    std::fprintf(out, "%s_bsearch( %s *p_key )\n", L, T);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tif ( n_vec_size == 0 ) return NULL;\n");
    std::fprintf(out, "\treturn ( %s *)bsearch( p_key, p_vec_top, n_vec_size, sizeof( %s ), compare );\n", T, T);
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}

void emit_bsearch_by(std::FILE *out)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "%s *\n", T);
    std::fprintf(out, "%s_bsearch_by( %s *p_key, int ( *fn_cmp )( const void * , const void * ) )\n", L, T);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tif ( n_vec_size == 0 ) return NULL;\n");
    std::fprintf(out, "\treturn ( %s *)bsearch( p_key, p_vec_top, n_vec_size, sizeof( %s ), fn_cmp );\n", T, T);
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
