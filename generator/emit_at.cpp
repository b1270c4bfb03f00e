#include "generator/emit.h"
#include "generator/gen_context.h"

void emit_at(std::FILE *out)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "const %s *\n", T);
    std::fprintf(out, "%s_at( size_t i )\n", L);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tif ( i >= %s_size() ) return NULL;\n", L);
    std::fprintf(out, "\treturn &p_vec_top[i];\n");
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
