#include "generator/emit.h"
#include "generator/gen_context.h"

// The element is copied out before growing: pst_ may point into the block
// (an address from at), which the reallocation frees.
void emit_push_back(std::FILE *out)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "int\n");
    std::fprintf(out, "%s_push_back( const %s *pst_%s )\n", L, T, L);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\t%s st_%s;\n", T, L);
    std::fprintf(out, "\tstruct_copy( &st_%s, pst_%s );\n", L, L);
    std::fprintf(out, "\tif ( vector_extend() ) return -1;\n");
    std::fprintf(out, "\tstruct_copy( &p_vec_top[ n_vec_size ], &st_%s );\n", L);
    std::fprintf(out, "\tn_vec_size++;\n");
    std::fprintf(out, "\treturn 0;\n");
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
