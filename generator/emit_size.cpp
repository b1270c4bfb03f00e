#include "generator/emit.h"
#include "generator/gen_context.h"

void emit_size(std::FILE *out)
{
    const char *L = g_context.lower_name;

    std::fprintf(out, "size_t\n");
    std::fprintf(out, "%s_size( void )\n", L);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\treturn n_vec_size;\n");
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
