#include "generator/emit.h"
#include "generator/gen_context.h"

void emit_struct_copy(std::FILE *out)
{
    const char *T = g_context.type_name;

    std::fprintf(out, "static void\n");
    std::fprintf(out, "struct_copy( %s *p_dst, const %s *p_src )\n", T, T);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\t*p_dst = *p_src;\n");
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
