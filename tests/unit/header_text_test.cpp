// The generated header, byte for byte.
#include <string>
#include <vector>

#include "expected_text.h"
#include "support.h"

using HeaderTextTest = ScratchDirTest;

namespace {

// The smallest header written out in full, as a fixed point for the row-built
// texts used by the other cases.
const char item_header_without_key[] = R"(#ifndef ITEM_MGR_H
#define ITEM_MGR_H 1
#include "item.h"

/* container operation */
extern int item_push_back( const Item * );
extern void item_pop_back( void );
extern void item_touch_pop_back( void ( *fn )( Item * ) );
extern void item_clear( void );
extern void item_touch_clear( void ( *fn )( Item * ) );
extern size_t item_size( void );
extern const Item * item_at( size_t );

/* find operation */
extern int item_find( Item ** );
extern int item_findfirst( int ( *fn_flt )( Item * ), Item ** );
extern int item_findnext( int ( *fn_flt )( Item * ), Item ** );
extern Item * item_bsearch_by( Item *, int ( *fn_cmp )( const void * ,const void * ) );

/* sort operation */
extern void item_sort_by( int ( *fn_cmp )( const void * ,const void * ) );

/* transform operation */
extern void item_transform( void ( *fn )( Item * ) );
extern void item_transform_if( int ( *fn_flt )( Item * ), void ( *fn )( Item * ) );

#endif  /* !ITEM_MGR_H */
)";

std::string generate_header(const std::vector<std::string> &args, const std::string &header_name)
{
    run_result r = run_tavrik(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return read_file(header_name);
}

}  // namespace

TEST_F(HeaderTextTest, WithoutKeyHas27LinesAndNoKeyedPrototypes)
{
    std::string header = generate_header({"-i", "item.h", "-n", "Item"}, "item_mgr.h");
    EXPECT_EQ(header, item_header_without_key);
    EXPECT_EQ(split_lines(header).size(), 27u);
}

TEST(HeaderRowsTest, RowBuiltTextAgreesWithTheFullText)
{
    EXPECT_EQ(expected_header({"item.h", "Item", "item", "", true}, "ITEM_MGR"), item_header_without_key);
}

TEST_F(HeaderTextTest, WithValueKeyHas29LinesWithBsearchAndSortInPlace)
{
    std::string header = generate_header({"-i", "item.h", "-n", "Item", "-k", "id"}, "item_mgr.h");
    EXPECT_EQ(header, expected_header({"item.h", "Item", "item", "id", true}, "ITEM_MGR"));
    std::vector<std::string> lines = split_lines(header);
    ASSERT_EQ(lines.size(), 29u);
    // bsearch between findnext and bsearch_by; sort right after its comment.
    EXPECT_EQ(lines[16], "extern int item_findnext( int ( *fn_flt )( Item * ), Item ** );\n");
    EXPECT_EQ(lines[17], "extern Item * item_bsearch( Item * );\n");
    EXPECT_EQ(lines[18], "extern Item * item_bsearch_by( Item *, int ( *fn_cmp )( const void * ,const void * ) );\n");
    EXPECT_EQ(lines[20], "/* sort operation */\n");
    EXPECT_EQ(lines[21], "extern void item_sort( void );\n");
}

TEST_F(HeaderTextTest, KeyKindDoesNotChangeTheHeader)
{
    std::string by_value = generate_header({"-i", "item.h", "-n", "Item", "-k", "name"}, "item_mgr.h");
    std::string by_string = generate_header({"-i", "item.h", "-n", "Item", "-K", "name"}, "item_mgr.h");
    EXPECT_EQ(by_value, by_string);
}

TEST_F(HeaderTextTest, MixedCaseNameWithSuffixUsesUpperCaseSuffixInGuard)
{
    std::string header =
        generate_header({"-i", "itemrec.h", "-n", "ItemRec", "-k", "id", "-s", "_Mgr"}, "itemrec_Mgr.h");
    EXPECT_EQ(header, expected_header({"itemrec.h", "ItemRec", "itemrec", "id", true}, "ITEMREC_MGR"));
}

// The guard stays one macro name: every ASCII character of the suffix that
// cannot stand in an identifier becomes '_', bytes above 0x7F stay, and the
// file names keep the suffix as given.
TEST_F(HeaderTextTest, SuffixOutsideIdentifierCharactersGivesOneGuardName)
{
    const module_names item = {"item.h", "Item", "item", "", false};
    EXPECT_EQ(generate_header({"-i", "item.h", "-n", "Item", "-s", ".gen"}, "item.gen.h"),
              expected_header(item, "ITEM_GEN"));
    EXPECT_EQ(generate_header({"-i", "item.h", "-n", "Item", "-s", "-x.y"}, "item-x.y.h"),
              expected_header(item, "ITEM_X_Y"));
    EXPECT_EQ(generate_header({"-i", "item.h", "-n", "Item", "-s", "_v2\xC3\xA9"}, "item_v2\xC3\xA9.h"),
              expected_header(item, "ITEM_V2\xC3\xA9"));
}

TEST_F(HeaderTextTest, EmptySuffixGivesGuardOfNameAndH)
{
    std::string header = generate_header({"-i", "defs.h", "-n", "Item", "-s", ""}, "item.h");
    EXPECT_EQ(header, expected_header({"defs.h", "Item", "item", "", false}, "ITEM"));
}

TEST_F(HeaderTextTest, IncludePathIsWrittenUnchanged)
{
    const std::string include = "../inc/./Item Defs\\x.h";
    std::string header = generate_header({"-i", include, "-n", "Item"}, "item_mgr.h");
    EXPECT_EQ(header, expected_header({include, "Item", "item", "", false}, "ITEM_MGR"));
    EXPECT_EQ(split_lines(header)[2], "#include \"../inc/./Item Defs\\x.h\"\n");
}
