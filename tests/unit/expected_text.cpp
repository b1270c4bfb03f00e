#include "expected_text.h"

#include <cstddef>

#include "support.h"

std::string fill(const std::string &row, const std::vector<std::string> &values)
{
    std::string text;
    std::size_t next = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (row[i] == '%' && i + 1 < row.size() && row[i + 1] == 's') {
            text += next < values.size() ? values[next] : "<missing value>";
            ++next;
            ++i;
        } else {
            text += row[i];
        }
    }
    return text;
}

std::string expected_prototypes(const std::string &P, const module_names &m)
{
    const std::string &L = m.L;
    const std::string &T = m.T;
    bool key = !m.K.empty();
    std::string t;
    t += "/* container operation */\n";
    t += fill("%sint %s_push_back( const %s * );\n", {P, L, T});
    t += fill("%svoid %s_pop_back( void );\n", {P, L});
    t += fill("%svoid %s_touch_pop_back( void ( *fn )( %s * ) );\n", {P, L, T});
    t += fill("%svoid %s_clear( void );\n", {P, L});
    t += fill("%svoid %s_touch_clear( void ( *fn )( %s * ) );\n", {P, L, T});
    t += fill("%ssize_t %s_size( void );\n", {P, L});
    t += fill("%sconst %s * %s_at( size_t );\n", {P, T, L});
    t += "\n";
    t += "/* find operation */\n";
    t += fill("%sint %s_find( %s ** );\n", {P, L, T});
    t += fill("%sint %s_findfirst( int ( *fn_flt )( %s * ), %s ** );\n", {P, L, T, T});
    t += fill("%sint %s_findnext( int ( *fn_flt )( %s * ), %s ** );\n", {P, L, T, T});
    if (key) t += fill("%s%s * %s_bsearch( %s * );\n", {P, T, L, T});
    t += fill("%s%s * %s_bsearch_by( %s *, int ( *fn_cmp )( const void * ,const void * ) );\n", {P, T, L, T});
    t += "\n";
    t += "/* sort operation */\n";
    if (key) t += fill("%svoid %s_sort( void );\n", {P, L});
    t += fill("%svoid %s_sort_by( int ( *fn_cmp )( const void * ,const void * ) );\n", {P, L});
    t += "\n";
    t += "/* transform operation */\n";
    t += fill("%svoid %s_transform( void ( *fn )( %s * ) );\n", {P, L, T});
    t += fill("%svoid %s_transform_if( int ( *fn_flt )( %s * ), void ( *fn )( %s * ) );\n", {P, L, T, T});
    return t;
}

std::string expected_header(const module_names &m, const std::string &guard_stem)
{
    std::string t;
    t += fill("#ifndef %s_H\n", {guard_stem});
    t += fill("#define %s_H 1\n", {guard_stem});
    t += fill("#include \"%s\"\n", {m.include});
    t += "\n";
    t += expected_prototypes("extern ", m);
    t += "\n";
    t += fill("#endif  /* !%s_H */\n", {guard_stem});
    return t;
}

namespace {

const char alloc_error_row[] = "\t\t\t\tfprintf( stderr, \"memory allocation error.( vector_extend() )\\n\" );\n";

std::string struct_copy(const module_names &m)
{
    std::string t;
    t += "static void\n";
    t += fill("struct_copy( %s *p_dst, const %s *p_src )\n", {m.T, m.T});
    t += "{\n";
    t += "\t*p_dst = *p_src;\n";
    t += "}\n";
    t += "\n";
    return t;
}

// The fixed lines of vector_extend; the reallocation lines after the doubling
// and the capacity restores are ours and left out.
std::string vector_extend_fixed_rows(const module_names &m)
{
    std::string t;
    t += "static int\n";
    t += "vector_extend( void )\n";
    t += "{\n";
    t += "\tif ( n_vec_size + 1 >= n_vec_max_size ) {\n";
    t += "\t\tif ( n_vec_max_size == 0 ) {\n";
    t += "\t\t\tn_vec_max_size = SIZE_VECTOR;\n";
    t += fill("\t\t\tp_vec_top = ( %s * )calloc( n_vec_max_size, sizeof( %s ) );\n", {m.T, m.T});
    t += "\t\t\tif ( p_vec_top == NULL ) {\n";
    t += alloc_error_row;
    t += "\t\t\t\treturn -1;\n";
    t += "\t\t\t}\n";
    t += "\t\t} else {\n";
    t += "\t\t\tn_vec_max_size *= 2;\n";
    t += alloc_error_row;
    t += "\t\t\t\treturn -1;\n";
    t += "\t\t\t}\n";
    t += "\t\t}\n";
    t += "\t}\n";
    t += "\treturn 0;\n";
    t += "}\n";
    t += "\n";
    return t;
}

std::string compare(const module_names &m)
{
    if (m.K.empty()) return "";
    const std::string &T = m.T;
    const std::string &K = m.K;
    std::string t;
    t += "/* default compare function */\n";
    t += "static int\n";
    t += "compare( const void *p1, const void *p2 )\n";
    t += "{\n";
    if (m.key_is_value) {
        t += fill("\tif ( ((%s *)p1)->%s > ((%s *)p2)->%s )\n", {T, K, T, K});
        t += "\t\treturn 1;\n";
        t += fill("\tif ( ((%s *)p1)->%s < ((%s *)p2)->%s )\n", {T, K, T, K});
        t += "\t\treturn -1;\n";
        t += "\treturn 0;\n";
    } else {
        t += fill("\treturn strcmp( ((%s *)p1)->%s, ((%s *)p2)->%s );\n", {T, K, T, K});
    }
    t += "}\n";
    t += "\n";
    return t;
}

std::string container_operations(const module_names &m)
{
    const std::string &L = m.L;
    const std::string &T = m.T;
    std::string t;
    // push_back
    t += "int\n";
    t += fill("%s_push_back( const %s *pst_%s )\n", {L, T, L});
    t += "{\n";
    t += fill("\t%s st_%s;\n", {T, L});
    t += fill("\tstruct_copy( &st_%s, pst_%s );\n", {L, L});
    t += "\tif ( vector_extend() ) return -1;\n";
    t += fill("\tstruct_copy( &p_vec_top[ n_vec_size ], &st_%s );\n", {L});
    t += "\tn_vec_size++;\n";
    t += "\treturn 0;\n";
    t += "}\n";
    t += "\n";
    // pop_back
    t += "void\n";
    t += fill("%s_pop_back( void )\n", {L});
    t += "{\n";
    t += "\tif ( n_vec_size > 0 ) {\n";
    t += "\t\tn_vec_size--;\n";
    t += "\t}\n";
    t += "}\n";
    t += "\n";
    // touch_pop_back
    t += "void\n";
    t += fill("%s_touch_pop_back( void ( *fn )( %s * ) )\n", {L, T});
    t += "{\n";
    t += "\tif ( n_vec_size > 0 ) {\n";
    t += "\t\tif ( fn ) { ( *fn )( &p_vec_top[n_vec_size-1] ); }\n";
    t += "\t\tn_vec_size--;\n";
    t += "\t}\n";
    t += "}\n";
    t += "\n";
    // clear: its call stands at the start of the line, without a tab
    t += "void\n";
    t += fill("%s_clear( void )\n", {L});
    t += "{\n";
    t += fill("%s_touch_clear( NULL );\n", {L});
    t += "}\n";
    t += "\n";
    // touch_clear
    t += "void\n";
    t += fill("%s_touch_clear( void ( *fn )( %s * ) )\n", {L, T});
    t += "{\n";
    t += fill("\tsize_t i_cnt = %s_size();\n", {L});
    t += "\tsize_t i;\n";
    t += "\tfor ( i=0; i < i_cnt; i++ )\n";
    t += fill("\t\t%s_touch_pop_back( fn );\n", {L});
    t += "\n";
    t += "\tfree( p_vec_top );\n";
    t += "\tp_vec_top = NULL;\n";
    t += "\tn_vec_max_size = 0;\n";
    t += "}\n";
    t += "\n";
    // size
    t += "size_t\n";
    t += fill("%s_size( void )\n", {L});
    t += "{\n";
    t += "\treturn n_vec_size;\n";
    t += "}\n";
    t += "\n";
    // at
    t += fill("const %s *\n", {T});
    t += fill("%s_at( size_t i )\n", {L});
    t += "{\n";
    t += fill("\tif ( i >= %s_size() ) return NULL;\n", {L});
    t += "\treturn &p_vec_top[i];\n";
    t += "}\n";
    t += "\n";
    return t;
}

// findfirst and findnext differ only in the head line and the loop start.
std::string find_scan(const module_names &m, const std::string &head_row, const std::string &loop_row)
{
    const std::string &L = m.L;
    const std::string &T = m.T;
    std::string t;
    t += "int\n";
    t += fill(head_row, {L, T, T});
    t += "{\n";
    t += "\tsize_t i;\n";
    t += fill("\t%s *p_%s = p_vec_top;\n", {T, L});
    t += loop_row;
    t += "\t\tif (   fn_flt == NULL\n";
    t += fill("\t\t\t|| ( *fn_flt )( &p_%s[i] ) ) {\n", {L});
    t += fill("\t\t\t*pp = &p_%s[i];\n", {L});
    t += "\t\t\tn_cur_index = i;\n";
    t += "\t\t\treturn 1;\n";
    t += "\t\t}\n";
    t += "\t}\n";
    t += "\treturn 0;\n";
    t += "}\n";
    t += "\n";
    return t;
}

std::string search_operations(const module_names &m)
{
    const std::string &L = m.L;
    const std::string &T = m.T;
    bool key = !m.K.empty();
    std::string t;
    // find
    t += "int\n";
    t += fill("%s_find( %s **pp )\n", {L, T});
    t += "{\n";
    t += fill("\treturn %s_findfirst( NULL, pp );\n", {L});
    t += "}\n";
    t += "\n";
    t += find_scan(m, "%s_findfirst( int ( *fn_flt )( %s * ), %s **pp )", "\tfor ( i = 0; i < n_vec_size; i++ ) {\n");
    t += find_scan(m, "%s_findnext( int ( *fn_flt )( %s * ), %s **pp )",
                   "\tfor ( i = n_cur_index+1; i < n_vec_size; i++ ) {\n");
    if (key) {
        t += fill("%s *\n", {T});
        t += fill("%s_bsearch( %s *p_key )\n", {L, T});
        t += "{\n";
        t += "\tif ( n_vec_size == 0 ) return NULL;\n";
        t += fill("\treturn ( %s *)bsearch( p_key, p_vec_top, n_vec_size, sizeof( %s ), compare );\n", {T, T});
        t += "}\n";
        t += "\n";
    }
    t += fill("%s *\n", {T});
    t += fill("%s_bsearch_by( %s *p_key, int ( *fn_cmp )( const void * , const void * ) )\n", {L, T});
    t += "{\n";
    t += "\tif ( n_vec_size == 0 ) return NULL;\n";
    t += fill("\treturn ( %s *)bsearch( p_key, p_vec_top, n_vec_size, sizeof( %s ), fn_cmp );\n", {T, T});
    t += "}\n";
    t += "\n";
    if (key) {
        t += "void\n";
        t += fill("%s_sort( void )\n", {L});
        t += "{\n";
        t += "\tif ( n_vec_size == 0 ) return;\n";
        t += fill("\tqsort( p_vec_top, n_vec_size, sizeof( %s ), compare );\n", {T});
        t += "}\n";
        t += "\n";
    }
    t += "void\n";
    t += fill("%s_sort_by( int ( *fn_cmp )( const void * , const void * ) )\n", {L});
    t += "{\n";
    t += "\tif ( n_vec_size == 0 ) return;\n";
    t += fill("\tqsort( p_vec_top, n_vec_size, sizeof( %s ), fn_cmp );\n", {T});
    t += "}\n";
    t += "\n";
    // transform
    t += "void\n";
    t += fill("%s_transform( void ( *fn )( %s * ) )\n", {L, T});
    t += "{\n";
    t += fill("\t%s_transform_if( NULL, fn );\n", {L});
    t += "}\n";
    t += "\n";
    // transform_if
    t += "void\n";
    t += fill("%s_transform_if( int ( *fn_flt )( %s * ), void ( *fn )( %s * ) )\n", {L, T, T});
    t += "{\n";
    t += "\tsize_t i;\n";
    t += "\tfor ( i = 0; i < n_vec_size; i++ ) {\n";
    t += "\t\tif (   fn_flt == NULL\n";
    t += "\t\t\t|| ( *fn_flt )( &p_vec_top[i] ) ) {\n";
    t += "\t\t\t( *fn )( &p_vec_top[i] );\n";
    t += "\t\t}\n";
    t += "\t}\n";
    t += "}\n";
    t += "\n";
    return t;
}

}  // namespace

std::string expected_source_fixed_part(const module_names &m)
{
    std::string t;
    t += "#include <stdio.h>\n";
    t += "#include <stdlib.h>\n";
    t += "#include <string.h>\n";
    t += fill("#include \"%s\"\n", {m.include});
    t += "\n";
    t += "#define       SIZE_VECTOR        128\n";
    t += "\n";
    t += "/* vector management */\n";
    t += fill("static %s *p_vec_top = NULL;\n", {m.T});
    t += "static size_t n_vec_size = 0;\n";
    t += "static size_t n_vec_max_size= 0;\n";
    t += "/* hold found position */\n";
    t += "static size_t n_cur_index = 0;\n";
    t += "\n";
    t += expected_prototypes("", m);
    t += "\n";
    t += struct_copy(m);
    t += vector_extend_fixed_rows(m);
    t += compare(m);
    t += "\n";
    t += container_operations(m);
    t += search_operations(m);
    t += "\n";
    return t;
}

source_split split_source(const std::string &actual)
{
    source_split split;
    std::vector<std::string> lines = split_lines(actual);
    std::size_t i = 0;
    auto keep_through = [&](const std::string &anchor) {
        while (i < lines.size()) {
            split.fixed_part += lines[i];
            if (lines[i++] == anchor) return true;
        }
        split.problem = "fixed row not found: " + anchor;
        return false;
    };
    // Moves the lines before the anchor into ours; the anchor itself stays.
    auto take_until = [&](const std::string &anchor, std::vector<std::string> &ours) {
        while (i < lines.size() && lines[i] != anchor) ours.push_back(lines[i++]);
        if (i == lines.size()) split.problem = "fixed row not found: " + anchor;
        return i < lines.size();
    };

    // vector_extend is the only definition with our lines; its two
    // allocation-error lines are the same text, the first of them after the
    // calloc check.
    if (!keep_through("vector_extend( void )\n")) return split;
    if (!keep_through("\t\t\tif ( p_vec_top == NULL ) {\n")) return split;
    if (!keep_through(alloc_error_row)) return split;
    if (!take_until("\t\t\t\treturn -1;\n", split.restore_first)) return split;
    if (!keep_through("\t\t\tn_vec_max_size *= 2;\n")) return split;
    if (!take_until(alloc_error_row, split.realloc_lines)) return split;
    if (!keep_through(alloc_error_row)) return split;
    if (!take_until("\t\t\t\treturn -1;\n", split.restore_second)) return split;
    if (!keep_through("\t\t\t\treturn -1;\n")) return split;
    if (!keep_through("\t\t\t}\n")) return split;  // closes the failure block
    if (!take_until("\t\t}\n", split.closing_lines)) return split;
    for (; i < lines.size(); ++i) split.fixed_part += lines[i];
    return split;
}
