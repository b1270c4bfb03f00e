// The generated source file, compared whole against the rows.
//
// Only vector_extend's growth lines are ours to choose, so split_source takes
// them out of the actual file before the comparison: the lines between
// "\t\t\tn_vec_max_size *= 2;\n" and the second allocation-error line, the
// lines between each allocation-error line and the "\t\t\t\treturn -1;\n"
// after it (the capacity restores), and the lines between the failure
// block's closing brace and "\t\t}\n" (closing a block that our lines
// opened). Everything else must match byte for byte; our lines get
// their own checks below.
#include <string>
#include <vector>

#include "expected_text.h"
#include "support.h"

namespace {

class SourceTextTest : public ScratchDirTest {
protected:
    // Generates, and splits the source into the fixed part and our lines.
    source_split generate(const std::vector<std::string> &args, const std::string &source_name)
    {
        run_result r = run_tavrik(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        actual = read_file(source_name);
        source_split split = split_source(actual);
        EXPECT_EQ(split.problem, "");
        return split;
    }

    std::string actual;
};

bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(SourceTextTest, ValueKeySourceMatchesTheRows)
{
    source_split split = generate({"-i", "item.h", "-n", "Item", "-k", "id"}, "item_mgr.c");
    EXPECT_EQ(split.fixed_part, expected_source_fixed_part({"item.h", "Item", "item", "id", true}));
}

TEST_F(SourceTextTest, StringKeySourceMatchesTheRows)
{
    source_split split = generate({"-i", "item.h", "-n", "Item", "-K", "name"}, "item_mgr.c");
    EXPECT_EQ(split.fixed_part, expected_source_fixed_part({"item.h", "Item", "item", "name", false}));
}

TEST_F(SourceTextTest, NoKeySourceMatchesTheRows)
{
    source_split split = generate({"-i", "item.h", "-n", "Item"}, "item_mgr.c");
    EXPECT_EQ(split.fixed_part, expected_source_fixed_part({"item.h", "Item", "item", "", false}));
}

TEST_F(SourceTextTest, MixedCaseNameWithSuffixMatchesTheRows)
{
    source_split split = generate({"-i", "itemrec.h", "-n", "ItemRec", "-k", "id", "-s", "_Mgr"}, "itemrec_Mgr.c");
    EXPECT_EQ(split.fixed_part, expected_source_fixed_part({"itemrec.h", "ItemRec", "itemrec", "id", true}));
    // The type as typed in the state, the lower-case name in functions.
    EXPECT_TRUE(contains(actual, "static ItemRec *p_vec_top = NULL;\n"));
    EXPECT_TRUE(contains(actual, "int\nitemrec_push_back( const ItemRec *pst_itemrec )\n{\n"));
}

// Fixed points written out in full, so a slip in the row-built text cannot
// hide the same slip in the tool.
TEST_F(SourceTextTest, KeyedDefinitionsReadAsWrittenOut)
{
    generate({"-i", "item.h", "-n", "Item", "-k", "id"}, "item_mgr.c");
    EXPECT_TRUE(contains(actual,
                         "}\n"
                         "\n"
                         "/* default compare function */\n"
                         "static int\n"
                         "compare( const void *p1, const void *p2 )\n"
                         "{\n"
                         "\tif ( ((Item *)p1)->id > ((Item *)p2)->id )\n"
                         "\t\treturn 1;\n"
                         "\tif ( ((Item *)p1)->id < ((Item *)p2)->id )\n"
                         "\t\treturn -1;\n"
                         "\treturn 0;\n"
                         "}\n"
                         "\n"
                         "\n"
                         "int\n"
                         "item_push_back( const Item *pst_item )\n"
                         "{\n"
                         "\tItem st_item;\n"
                         "\tstruct_copy( &st_item, pst_item );\n"
                         "\tif ( vector_extend() ) return -1;\n"
                         "\tstruct_copy( &p_vec_top[ n_vec_size ], &st_item );\n"
                         "\tn_vec_size++;\n"
                         "\treturn 0;\n"
                         "}\n"
                         "\n"));
    EXPECT_TRUE(contains(actual,
                         "int\n"
                         "item_findnext( int ( *fn_flt )( Item * ), Item **pp ){\n"
                         "\tsize_t i;\n"
                         "\tItem *p_item = p_vec_top;\n"
                         "\tfor ( i = n_cur_index+1; i < n_vec_size; i++ ) {\n"
                         "\t\tif (   fn_flt == NULL\n"
                         "\t\t\t|| ( *fn_flt )( &p_item[i] ) ) {\n"
                         "\t\t\t*pp = &p_item[i];\n"));
    EXPECT_TRUE(contains(actual,
                         "int\n"
                         "item_findfirst( int ( *fn_flt )( Item * ), Item **pp ){\n"
                         "\tsize_t i;\n"
                         "\tItem *p_item = p_vec_top;\n"
                         "\tfor ( i = 0; i < n_vec_size; i++ ) {\n"));
    // bsearch right after findnext, sort right before sort_by; none of the
    // four hands bsearch or qsort the null array of an empty container.
    EXPECT_TRUE(contains(actual, "\treturn 0;\n}\n\nItem *\nitem_bsearch( Item *p_key )\n{\n"
                                 "\tif ( n_vec_size == 0 ) return NULL;\n\treturn ( Item *)bsearch( p_key, p_vec_top, "));
    EXPECT_TRUE(contains(actual, " ) )\n{\n\tif ( n_vec_size == 0 ) return NULL;\n"
                                 "\treturn ( Item *)bsearch( p_key, p_vec_top, n_vec_size, sizeof( Item ), fn_cmp );\n"));
    EXPECT_TRUE(contains(actual, "item_sort( void )\n{\n\tif ( n_vec_size == 0 ) return;\n\tqsort( "));
    EXPECT_TRUE(contains(actual, " ) )\n{\n\tif ( n_vec_size == 0 ) return;\n"
                                 "\tqsort( p_vec_top, n_vec_size, sizeof( Item ), fn_cmp );\n"));
    EXPECT_TRUE(contains(actual, "compare );\n}\n\nvoid\nitem_sort_by( int ( *fn_cmp )( const void * , const void * ) )\n"));
    // The file ends with the blank line of transform_if and one more.
    ASSERT_GE(actual.size(), 7u);
    EXPECT_EQ(actual.substr(actual.size() - 7), "\t}\n}\n\n\n");
}

TEST_F(SourceTextTest, NoKeyLeavesOutCompareBsearchAndSort)
{
    generate({"-i", "item.h", "-n", "Item"}, "item_mgr.c");
    EXPECT_FALSE(contains(actual, "compare"));
    EXPECT_FALSE(contains(actual, "item_bsearch("));
    EXPECT_FALSE(contains(actual, "item_sort("));
    EXPECT_TRUE(contains(actual, "item_bsearch_by( Item *p_key, int ( *fn_cmp )( const void * , const void * ) )\n"));
    EXPECT_TRUE(contains(actual, "item_sort_by( int ( *fn_cmp )( const void * , const void * ) )\n"));
    // vector_extend's blank line, then the blank line before the definitions.
    EXPECT_TRUE(contains(actual, "\treturn 0;\n}\n\n\nint\nitem_push_back( const Item *pst_item )\n"));
}

// Our growth lines: within the bounds the fixed rows leave them.
TEST_F(SourceTextTest, GrowthLinesStayWithinTheirBounds)
{
    source_split split = generate({"-i", "item.h", "-n", "Item", "-k", "id"}, "item_mgr.c");
    ASSERT_FALSE(split.realloc_lines.empty());
    ASSERT_FALSE(split.restore_first.empty()) << "no capacity restore after a failed first allocation";
    ASSERT_FALSE(split.restore_second.empty()) << "no capacity restore after a failed reallocation";

    std::string realloc_text;
    for (const auto &line : split.realloc_lines) realloc_text += line;
    EXPECT_TRUE(contains(realloc_text, "realloc(")) << realloc_text;
    EXPECT_TRUE(contains(realloc_text, "sizeof( Item )")) << realloc_text;
    // The last line opens the failure block (error line, return, brace).
    const std::string &last = split.realloc_lines.back();
    EXPECT_EQ(last.substr(last.size() - 2), "{\n") << last;

    // Blocks opened by our lines (beyond the failure block) are closed by
    // our lines after the failure block.
    auto balance = [](const std::vector<std::string> &lines) {
        int depth = 0;
        for (const auto &line : lines)
            for (char c : line) depth += (c == '{') - (c == '}');
        return depth;
    };
    EXPECT_EQ(balance(split.realloc_lines) - 1 + balance(split.closing_lines), 0);

    // The restores stand at four tabs.
    for (const auto *lines : {&split.restore_first, &split.restore_second})
        for (const auto &line : *lines)
            EXPECT_TRUE(line.rfind("\t\t\t\t", 0) == 0 && line[4] != '\t') << line;

    // C89 only: no line comments anywhere in our lines.
    for (const auto *lines : {&split.realloc_lines, &split.restore_first, &split.restore_second, &split.closing_lines})
        for (const auto &line : *lines) EXPECT_FALSE(contains(line, "//")) << line;
}
