#include "generator/emit.h"
#include "generator/gen_context.h"

void emit_compare(std::FILE *out)
{
    if (!g_context.has_key) return;
    const char *T = g_context.type_name;
    const char *K = g_context.key_name;

    std::fprintf(out, "/* default compare function */\n");
    std::fprintf(out, "static int\n");
    std::fprintf(out, "compare( const void *p1, const void *p2 )\n");
    std::fprintf(out, "{\n");
    if (g_context.key_is_value) {
        std::fprintf(out, "\tif ( ((%s *)p1)->%s > ((%s *)p2)->%s )\n", T, K, T, K);
        std::fprintf(out, "\t\treturn 1;\n");
        std::fprintf(out, "\tif ( ((%s *)p1)->%s < ((%s *)p2)->%s )\n", T, K, T, K);
        std::fprintf(out, "\t\treturn -1;\n");
        std::fprintf(out, "\treturn 0;\n");
    } else {
        std::fprintf(out, "\treturn strcmp( ((%s *)p1)->%s, ((%s *)p2)->%s );\n", T, K, T, K);
    }
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
