#include "generator/emit.h"
#include "generator/gen_context.h"

void emit_clear(std::FILE *out)
{
    const char *L = g_context.lower_name;

    std::fprintf(out, "void\n");
    std::fprintf(out, "%s_clear( void )\n", L);
    std::fprintf(out, "{\n");
    std::fprintf(out, "%s_touch_clear( NULL );\n", L);
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}

// The count and the loop index are size_t, like the count they hold: an int
// would stop short above INT_MAX elements, leave the count standing after the
// block is freed, and send the next push_back past a fresh 128-element block.
void emit_touch_clear(std::FILE *out)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "void\n");
    std::fprintf(out, "%s_touch_clear( void ( *fn )( %s * ) )\n", L, T);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tsize_t i_cnt = %s_size();\n", L);
    std::fprintf(out, "\tsize_t i;\n");
    std::fprintf(out, "\tfor ( i=0; i < i_cnt; i++ )\n");
    std::fprintf(out, "\t\t%s_touch_pop_back( fn );\n", L);
    std::fprintf(out, "\n");
    std::fprintf(out, "\tfree( p_vec_top );\n");
    std::fprintf(out, "\tp_vec_top = NULL;\n");
    std::fprintf(out, "\tn_vec_max_size = 0;\n");
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
