#include "generator/emit.h"
#include "generator/gen_context.h"

void emit_prototypes(std::FILE *out, const char *P)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "/* container operation */\n");
    std::fprintf(out, "%sint %s_push_back( const %s * );\n", P, L, T);
    std::fprintf(out, "%svoid %s_pop_back( void );\n", P, L);
    std::fprintf(out, "%svoid %s_touch_pop_back( void ( *fn )( %s * ) );\n", P, L, T);
    std::fprintf(out, "%svoid %s_clear( void );\n", P, L);
    std::fprintf(out, "%svoid %s_touch_clear( void ( *fn )( %s * ) );\n", P, L, T);
    std::fprintf(out, "%ssize_t %s_size( void );\n", P, L);
    std::fprintf(out, "%sconst %s * %s_at( size_t );\n", P, T, L);
    std::fprintf(out, "\n");
    std::fprintf(out, "/* find operation */\n");
    std::fprintf(out, "%sint %s_find( %s ** );\n", P, L, T);
    std::fprintf(out, "%sint %s_findfirst( int ( *fn_flt )( %s * ), %s ** );\n", P, L, T, T);
    std::fprintf(out, "%sint %s_findnext( int ( *fn_flt )( %s * ), %s ** );\n", P, L, T, T);
    if (g_context.has_key) std::fprintf(out, "%s%s * %s_bsearch( %s * );\n", P, T, L, T);
    std::fprintf(out, "%s%s * %s_bsearch_by( %s *, int ( *fn_cmp )( const void * ,const void * ) );\n", P, T, L, T);
    std::fprintf(out, "\n");
    std::fprintf(out, "/* sort operation */\n");
    if (g_context.has_key) std::fprintf(out, "%svoid %s_sort( void );\n", P, L);
    std::fprintf(out, "%svoid %s_sort_by( int ( *fn_cmp )( const void * ,const void * ) );\n", P, L);
    std::fprintf(out, "\n");
    std::fprintf(out, "/* transform operation */\n");
    std::fprintf(out, "%svoid %s_transform( void ( *fn )( %s * ) );\n", P, L, T);
    std::fprintf(out, "%svoid %s_transform_if( int ( *fn_flt )( %s * ), void ( *fn )( %s * ) );\n", P, L, T, T);
}
