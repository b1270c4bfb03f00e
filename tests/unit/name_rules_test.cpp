// The rules about names that are only text, in both styles on every host:
// what a spelling names, whether an output name leaves the folder, and how
// names compare.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "system/name_rules.h"

namespace {

constexpr name_style posix = name_style::posix;
constexpr name_style windows = name_style::windows;

std::string named(const std::string &name, name_style style)
{
    return name.substr(0, named_length(name.c_str(), name.size(), style));
}

std::string last(const std::string &name, name_style style)
{
    std::string part = named(name, style);
    return part.substr(last_component(part.c_str(), part.size(), style));
}

std::string folder(const std::string &name, name_style style)
{
    std::string part = named(name, style);
    return part.substr(0, last_component(part.c_str(), part.size(), style));
}

std::string normal(std::string path, name_style style)
{
    path.resize(normalize(&path[0], path.size(), style));
    return path;
}

bool same(const std::string &a, const std::string &b, name_style style)
{
    return same_name(a.c_str(), a.size(), b.c_str(), b.size(), style);
}

}  // namespace

// Every spelling here names item_mgr.h in the current folder by its text
// alone; the include check refuses each without looking at the disk.
TEST(NameRulesTest, SpellingsOfAFileInTheCurrentFolder)
{
    struct spelling {
        const char *text;
        name_style style;
    };
    const spelling spellings[] = {
        {"item_mgr.h", posix},        {"./item_mgr.h", posix},     {".//item_mgr.h", posix},
        {"item_mgr.h/", posix},       {"item_mgr.h/.", posix},     {"item_mgr.h//./", posix},
        {"./././item_mgr.h", posix},  {"ITEM_MGR.H", windows},     {".\\item_mgr.h", windows},
        {"item_mgr.h.", windows},     {"item_mgr.h. .", windows},  {"item_mgr.h\\.", windows},
        {".\\Item_Mgr.h\\", windows}, {"item_mgr.h::$DATA", windows}, {"./item_mgr.H::$data", windows},
        {"item_mgr.h:notes", windows}, {"item_mgr.h:notes:$DATA", windows},
    };
    for (const spelling &s : spellings) {
        std::string folder_part = folder(s.text, s.style);
        EXPECT_TRUE(is_plainly_current(folder_part.c_str(), folder_part.size(), s.style)) << s.text;
        EXPECT_TRUE(same(last(s.text, s.style), "item_mgr.h", s.style)) << s.text;
    }
}

// Spellings that name another file, or a file elsewhere, or that only a look
// at the disk can place.
TEST(NameRulesTest, SpellingsThatNeedMoreThanText)
{
    EXPECT_EQ(last("item_mgr.h.", posix), "item_mgr.h.");  // a name of its own on POSIX
    EXPECT_EQ(last("ITEM_MGR.H", posix), "ITEM_MGR.H");
    EXPECT_FALSE(same("ITEM_MGR.H", "item_mgr.h", posix));
    EXPECT_EQ(last("sub\\item_mgr.h", posix), "sub\\item_mgr.h");
    EXPECT_EQ(folder("sub\\item_mgr.h", windows), "sub\\");
    EXPECT_EQ(folder("C:item_mgr.h", windows), "C:");  // the drive's own current folder
    for (const char *text : {"../", "/", "sub/", "..", ".../"})
        EXPECT_FALSE(is_plainly_current(text, std::strlen(text), posix)) << text;
    for (const char *text : {"C:", "\\", "C:.\\", "..\\"})
        EXPECT_FALSE(is_plainly_current(text, std::strlen(text), windows)) << text;
    EXPECT_TRUE(is_relative("sub/x", 5, windows));
    EXPECT_FALSE(is_relative("C:x", 3, windows));
    EXPECT_FALSE(is_relative("\\x", 2, windows));
    EXPECT_TRUE(is_relative("C:x", 3, posix));
}

TEST(NameRulesTest, OutputNamesThatLeaveTheFolder)
{
    EXPECT_TRUE(leaves_folder("../x_mgr.h", posix));
    EXPECT_FALSE(leaves_folder("..\\x_mgr.h", posix));
    EXPECT_FALSE(leaves_folder("c:x_mgr.h", posix));
    for (const char *name : {"../x_mgr.h", "..\\x_mgr.h", "sub\\x_mgr.h", "c:x_mgr.h", "item:y.h"})
        EXPECT_TRUE(leaves_folder(name, windows)) << name;
    EXPECT_FALSE(leaves_folder("item.gen.h", windows));
}

// Letter case, as Windows ignores it and as a case-insensitive folder might.
TEST(NameRulesTest, LetterCase)
{
    EXPECT_TRUE(same("\xC4\x94tem_Mgr.H", "\xC4\x95tem_mgr.h", windows));       // U+0114, U+0115
    EXPECT_TRUE(same("\xC3\x89T\xC3\x89.h", "\xC3\xA9t\xC3\xA9.h", windows));    // U+00C9, U+00E9
    EXPECT_TRUE(same("\xD0\x94\xCE\xA3.h", "\xD0\xB4\xCF\x83.h", windows));      // Cyrillic, Greek
    EXPECT_FALSE(same("\xC3\x97.h", "\xC3\xB7.h", windows));                     // U+00D7, U+00F7
    EXPECT_FALSE(same("item_mgr.h", "item_mgr.hh", windows));
    EXPECT_FALSE(same("a\xFF", "a\xDF", windows));  // bytes that are no UTF-8 stay apart
    EXPECT_TRUE(could_be_one_name("Item_Mgr.h", 10, "item_mgr.h", 10));
    EXPECT_FALSE(could_be_one_name("item.h", 6, "item_mgr.h", 10));
    EXPECT_TRUE(could_be_one_name("item_mgr.h. .", 13, "item_mgr.h", 10));  // dropped by FAT
    EXPECT_TRUE(could_be_one_name("caf\xC3\xA9.h", 7, "cafe\xCC\x81.h", 8));  // composed, decomposed
}

TEST(NameRulesTest, LexicalNormalForm)
{
    EXPECT_EQ(normal("/a/b/../c/./d//", posix), "/a/c/d");
    EXPECT_EQ(normal("/../a/..", posix), "/");
    EXPECT_EQ(normal("nosuch/../item_mgr.h", posix), "item_mgr.h");
    EXPECT_EQ(normal("../../x/..", posix), "../..");
    EXPECT_EQ(normal("./../work/./item_mgr.h", posix), "../work/item_mgr.h");
    EXPECT_TRUE(climbs_out("../work/item_mgr.h", 18));
    EXPECT_FALSE(climbs_out("..x/item_mgr.h", 14));
    EXPECT_EQ(normal("C:\\a\\..\\B\\.\\c", windows), "C:/B/c");
    EXPECT_EQ(normal("\\\\server\\share\\..\\x", windows), "//server/share/x");
    EXPECT_EQ(normal("a\\b/..\\c", windows), "a/c");
    EXPECT_EQ(normal("\\\\?\\C:\\a\\..\\b", windows), "C:/b");
    EXPECT_EQ(normal("\\\\?\\UNC\\server\\share\\x", windows), "//server/share/x");
    EXPECT_EQ(normal("\\\\.\\C:\\x\\.", windows), "C:/x");
}
