#include "generator/emit.h"
#include "generator/gen_context.h"

void emit_transform(std::FILE *out)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "void\n");
    std::fprintf(out, "%s_transform( void ( *fn )( %s * ) )\n", L, T);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\t%s_transform_if( NULL, fn );\n", L);
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}

void emit_transform_if(std::FILE *out)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "void\n");
    std::fprintf(out, "%s_transform_if( int ( *fn_flt )( %s * ), void ( *fn )( %s * ) )\n", L, T, T);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tsize_t i;\n");
    std::fprintf(out, "\tfor ( i = 0; i < n_vec_size; i++ ) {\n");
    std::fprintf(out, "\t\tif (   fn_flt == NULL\n");
    std::fprintf(out, "\t\t\t|| ( *fn_flt )( &p_vec_top[i] ) ) {\n");
    std::fprintf(out, "\t\t\t( *fn )( &p_vec_top[i] );\n");
    std::fprintf(out, "\t\t}\n");
    std::fprintf(out, "\t}\n");
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}
