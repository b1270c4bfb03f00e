#include "generator/emit.h"
#include "generator/gen_context.h"

void emit_pop_back(std::FILE *out)
{
    const char *L = g_context.lower_name;

    std::fprintf(out, "void\n");
    std::fprintf(out, "%s_pop_back( void )\n", L);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tif ( n_vec_size > 0 ) {\n");
    std::fprintf(out, "\t\tn_vec_size--;\n");
    std::fprintf(out, "\t}\n");
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}

void emit_touch_pop_back(std::FILE *out)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "void\n");
    std::fprintf(out, "%s_touch_pop_back( void ( *fn )( %s * ) )\n", L, T);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tif ( n_vec_size > 0 ) {\n");
    std::fprintf(out, "\t\tif ( fn ) { ( *fn )( &p_vec_top[n_vec_size-1] ); }\n");
    std::fprintf(out, "\t\tn_vec_size--;\n");
    std::fprintf(out, "\t}\n");
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
