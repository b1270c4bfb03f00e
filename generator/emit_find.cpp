#include "generator/emit.h"
#include "generator/gen_context.h"

namespace {

// findfirst and findnext differ only in their head line and where the scan starts.
void emit_find_scan(std::FILE *out, const char *head_format, const char *loop_row)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "int\n");
    std::fprintf(out, head_format, L, T, T);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\tsize_t i;\n");
    std::fprintf(out, "\t%s *p_%s = p_vec_top;\n", T, L);
    std::fprintf(out, "%s", loop_row);
    std::fprintf(out, "\t\tif (   fn_flt == NULL\n");
    std::fprintf(out, "\t\t\t|| ( *fn_flt )( &p_%s[i] ) ) {\n", L);
    std::fprintf(out, "\t\t\t*pp = &p_%s[i];\n", L);
    std::fprintf(out, "\t\t\tn_cur_index = i;\n");
    std::fprintf(out, "\t\t\treturn 1;\n");
    std::fprintf(out, "\t\t}\n");
    std::fprintf(out, "\t}\n");
    std::fprintf(out, "\treturn 0;\n");
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}

}  // namespace

void emit_find(std::FILE *out)
{
    const char *L = g_context.lower_name;
    const char *T = g_context.type_name;

    std::fprintf(out, "int\n");
    std::fprintf(out, "%s_find( %s **pp )\n", L, T);
    std::fprintf(out, "{\n");
    std::fprintf(out, "\treturn %s_findfirst( NULL, pp );\n", L);
    std::fprintf(out, "}\n");
    std::fprintf(out, "\n");
}

// The head lines have no line end: the opening brace stands on them.
void emit_findfirst(std::FILE *out)
{
    emit_find_scan(out, "%s_findfirst( int ( *fn_flt )( %s * ), %s **pp )",
                   "\tfor ( i = 0; i < n_vec_size; i++ ) {\n");
}

void emit_findnext(std::FILE *out)
{
    emit_find_scan(out, "%s_findnext( int ( *fn_flt )( %s * ), %s **pp )",
                   "\tfor ( i = n_cur_index+1; i < n_vec_size; i++ ) {\n");
}
