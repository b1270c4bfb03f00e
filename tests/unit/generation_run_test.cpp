// The generation run: output names, name lengths, case mapping, and every
// refusal and failure of a run (status 1, its reason on stderr, no file that
// a build could mistake for a good one).
#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cctype>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "expected_text.h"
#include "generator/gen_context.h"
#include "generator/generate_files.h"
#include "generator/include_check.h"
#include "generator/output_file.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

using names = std::vector<std::string>;

const std::string too_long = "string is too long.\n";
const std::string file_name_too_long = "file name is too long.\n";

std::string outside(const std::string &name) { return "output file outside the current directory.(" + name + ")\n"; }
std::string clash(const std::string &name) { return "output file is the include file.(" + name + ")\n"; }
// File reasons; the system's cause follows them on the line.
[[maybe_unused]] std::string open_error(const std::string &name) { return "file open error.(" + name + ")"; }
std::string rename_error(const std::string &name) { return "file rename error.(" + name + ")"; }

#ifdef _WIN32
long own_process_id() { return static_cast<long>(_getpid()); }
#else
long own_process_id() { return static_cast<long>(getpid()); }
#endif

class GenerationRunTest : public ScratchDirTest {
protected:
    // A refused or failed run: status 1, exactly this reason, nothing else printed.
    void expect_failure(const run_result &r, const std::string &reason)
    {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, reason);
        EXPECT_EQ(r.out, "");
    }

    // A failed run whose reason ends in the system's cause: exactly this one,
    // or, where the cause is the system's wording (empty), any.
    void expect_failure_with_cause(const run_result &r, const std::string &reason, const std::string &cause)
    {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        if (!cause.empty()) {
            EXPECT_EQ(r.err, reason + " " + cause + "\n");
            return;
        }
        const std::string start = reason + " ";
        EXPECT_EQ(r.err.compare(0, start.size(), start), 0) << r.err;
        EXPECT_GT(r.err.size(), start.size() + 1) << "no cause: " << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "not one line: " << r.err;
    }

    void expect_success(const run_result &r)
    {
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, "");
    }

    // The generator's own length checks let the request through. The file
    // system may still refuse a name this long (most allow 255 characters):
    // the complete temporary then cannot take the name, and nothing is left.
    void expect_passes_length_checks(const run_result &r, const std::string &header_name)
    {
        if (r.status == 0) {
            EXPECT_EQ(r.err, "");
            EXPECT_TRUE(path_exists(header_name));
        } else {
            expect_failure_with_cause(r, rename_error(header_name), "");
            EXPECT_TRUE(work_entries().empty());
        }
    }
};

}  // namespace

// ---- output names ---------------------------------------------------------

TEST_F(GenerationRunTest, DefaultSuffixNamesItemMgrAndPrintsNothing)
{
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item"}));
    EXPECT_EQ(work_entries(), (names{"item_mgr.c", "item_mgr.h"}));
#ifdef _WIN32
    // Text mode: every line ends in CR LF, and nothing else is translated.
    std::ifstream raw("item_mgr.h", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
    std::string expected;
    for (char c : read_file("item_mgr.h")) expected += (c == '\n') ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(bytes, expected);
#endif
}

TEST_F(GenerationRunTest, SuffixKeepsItsCaseInFileNamesButNotInGuard)
{
    expect_success(run_tavrik({"-i", "itemrec.h", "-n", "ItemRec", "-s", "_Mgr"}));
    EXPECT_EQ(work_entries(), (names{"itemrec_Mgr.c", "itemrec_Mgr.h"}));
    EXPECT_EQ(split_lines(read_file("itemrec_Mgr.h"))[0], "#ifndef ITEMREC_MGR_H\n");
}

TEST_F(GenerationRunTest, EmptySuffixNamesLowerCaseNameDotHAndDotC)
{
    expect_success(run_tavrik({"-i", "defs.h", "-n", "ItemRec", "-s", ""}));
    EXPECT_EQ(work_entries(), (names{"itemrec.c", "itemrec.h"}));
}

TEST_F(GenerationRunTest, EmptyStructureNameGivesMgrFilesAndBareFunctionNames)
{
    expect_success(run_tavrik({"-i", "item.h", "-n", ""}));
    EXPECT_EQ(work_entries(), (names{"_mgr.c", "_mgr.h"}));
    EXPECT_EQ(read_file("_mgr.h"), expected_header({"item.h", "", "", "", false}, "_MGR"));
    EXPECT_NE(read_file("_mgr.c").find("int\n_push_back( const  *pst_ )\n"), std::string::npos);
}

// The file names too: on Windows a name is UTF-8 (the arguments arrive so),
// and a letter outside the ANSI code page (U+0114) must survive.
TEST_F(GenerationRunTest, BytesAboveAsciiAreKeptInLowerAndUpperNames)
{
    expect_success(run_tavrik({"-i", "item.h", "-n", "\xC4\x94tem\xC3\xA9"}));
    ASSERT_EQ(work_entries(), (names{"\xC4\x94tem\xC3\xA9_mgr.c", "\xC4\x94tem\xC3\xA9_mgr.h"}));
    EXPECT_EQ(split_lines(read_file("\xC4\x94tem\xC3\xA9_mgr.h"))[0], "#ifndef \xC4\x94TEM\xC3\xA9_MGR_H\n");
#ifndef _WIN32
    // Elsewhere a name is bytes, UTF-8 or not.
    const std::string name = "Ab\xC3\xA9\x80\xFFz";
    expect_success(run_tavrik({"-i", "item.h", "-n", name}));
    EXPECT_TRUE(path_exists("ab\xC3\xA9\x80\xFFz_mgr.c"));
    EXPECT_EQ(split_lines(read_file("ab\xC3\xA9\x80\xFFz_mgr.h"))[0], "#ifndef AB\xC3\xA9\x80\xFFZ_MGR_H\n");
#endif
}

// A run repeated in one process starts from a fresh context: a key of the
// first run must not give the second one keyed functions. Each run replaces
// the files of the one before (which Windows refuses to a plain rename).
TEST_F(GenerationRunTest, SecondRunInOneProcessForgetsTheFirstKey)
{
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item", "-k", "id"}));
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item", "-k", "id"}));
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item"}));
    EXPECT_EQ(read_file("item_mgr.h"), expected_header({"item.h", "Item", "item", "", false}, "ITEM_MGR"));
    EXPECT_EQ(work_entries(), (names{"item_mgr.c", "item_mgr.h"}));
}

// ---- case mapping ---------------------------------------------------------

TEST(CaseMappingTest, OnlyTheAsciiLettersChangeCase)
{
    for (int byte = 1; byte < 256; ++byte) {
        const char text[] = {static_cast<char>(byte), '\0'};
        char lower[2] = {'?', '?'};
        char upper[2] = {'?', '?'};
        copy_lower(lower, text);
        copy_upper(upper, text);
        char want_lower = (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte + 32) : text[0];
        char want_upper = (byte >= 'a' && byte <= 'z') ? static_cast<char>(byte - 32) : text[0];
        EXPECT_EQ(lower[0], want_lower) << "byte " << byte;
        EXPECT_EQ(upper[0], want_upper) << "byte " << byte;
        EXPECT_EQ(lower[1], '\0');
        EXPECT_EQ(upper[1], '\0');
    }
}

// Under a single-byte locale whose case tables differ from the "C" ones
// (Turkish: i -> 0xDD, I -> 0xFD, 0xE9 -> 0xC9), names must still map by the
// "C" tables. The locale is compiled into the scratch folder when the
// machine's locale data allows; otherwise the test is skipped.
TEST_F(GenerationRunTest, CaseMappingIgnoresTheProcessLocale)
{
#ifdef _WIN32
    GTEST_SKIP() << "builds a locale with localedef and LOCPATH, which Windows lacks";
#else
    const std::string locale_dir = base_dir + "/locales";
    fs::create_directory(locale_dir);
    // The locale files in this program's byte order, which is not the
    // localedef's when an emulator runs this program for another CPU.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    const std::string byte_order = "--big-endian";
#else
    const std::string byte_order = "--little-endian";
#endif
    std::string command = "localedef " + byte_order + " -c -i tr_TR -f ISO-8859-9 '" + locale_dir +
                          "/tr_TR.ISO-8859-9' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !path_exists(locale_dir + "/tr_TR.ISO-8859-9"))
        GTEST_SKIP() << "cannot build a Turkish single-byte locale here";

    const char *old_locpath = std::getenv("LOCPATH");
    std::string saved_locpath = old_locpath ? old_locpath : "";
    setenv("LOCPATH", locale_dir.c_str(), 1);
    const bool switched = std::setlocale(LC_ALL, "tr_TR.ISO-8859-9") != nullptr;
    const bool tables_differ = switched && std::toupper('i') != 'I';

    run_result r{};
    if (tables_differ) r = run_tavrik({"-i", "item.h", "-n", "Item\xE9"});

    std::setlocale(LC_ALL, "C");
    if (old_locpath)
        setenv("LOCPATH", saved_locpath.c_str(), 1);
    else
        unsetenv("LOCPATH");
    if (!tables_differ) GTEST_SKIP() << "the Turkish locale did not take effect";

    expect_success(r);
    EXPECT_EQ(work_entries(), (names{"item\xE9_mgr.c", "item\xE9_mgr.h"}));
    EXPECT_EQ(split_lines(read_file("item\xE9_mgr.h"))[0], "#ifndef ITEM\xE9_MGR_H\n");
#endif
}

// ---- name lengths: 255 characters pass, 256 fail --------------------------

TEST_F(GenerationRunTest, IncludeNameOf255PassesAnd256Fails)
{
    const std::string include = std::string(253, 'i') + ".h";
    expect_success(run_tavrik({"-i", include, "-n", "Item"}));
    EXPECT_EQ(split_lines(read_file("item_mgr.h"))[2], "#include \"" + include + "\"\n");
    fs::remove("item_mgr.h");
    fs::remove("item_mgr.c");

    expect_failure(run_tavrik({"-i", include + "x", "-n", "Item"}), too_long);
    EXPECT_TRUE(work_entries().empty());
}

TEST_F(GenerationRunTest, StructureNameOf255PassesAnd256Fails)
{
    const std::string name(255, 'S');
    // Empty suffix: the shortest file name such a structure can have.
    expect_passes_length_checks(run_tavrik({"-i", "item.h", "-n", name, "-s", ""}), std::string(255, 's') + ".h");

    expect_failure(run_tavrik({"-i", "item.h", "-n", name + "S", "-s", ""}), too_long);
    EXPECT_TRUE(work_entries().empty());
}

TEST_F(GenerationRunTest, ChosenKeyNameOf255PassesAnd256Fails)
{
    const std::string key(255, 'k');
    const std::string compare_row = "\tif ( ((Item *)p1)->" + key + " > ((Item *)p2)->" + key + " )\n";
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item", "-k", key}));
    EXPECT_NE(read_file("item_mgr.c").find(compare_row), std::string::npos);
    fs::remove("item_mgr.h");
    fs::remove("item_mgr.c");

    expect_success(run_tavrik({"-i", "item.h", "-n", "Item", "-K", key}));
    fs::remove("item_mgr.h");
    fs::remove("item_mgr.c");

    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item", "-k", key + "k"}), too_long);
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item", "-K", key + "k"}), too_long);
    EXPECT_TRUE(work_entries().empty());
}

// Only the chosen key is tested: a long -K value loses to -k and is ignored.
TEST_F(GenerationRunTest, UnchosenStringKeyIsNotLengthTested)
{
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item", "-k", "id", "-K", std::string(256, 'k')}));
    EXPECT_EQ(work_entries(), (names{"item_mgr.c", "item_mgr.h"}));
}

// ---- over-long suffix ----------------------------------------------------

TEST_F(GenerationRunTest, SuffixCutToItsFieldIsRefused)
{
    expect_failure(run_tavrik({"-i", "item.h", "-n", "", "-s", std::string(256, 'x')}), file_name_too_long);
    EXPECT_TRUE(work_entries().empty());
}

TEST_F(GenerationRunTest, SuffixOf255CharactersPassesTheLengthChecks)
{
    // "" + 255 + ".h" is 257 characters: within the file-name field.
    expect_passes_length_checks(run_tavrik({"-i", "item.h", "-n", "", "-s", std::string(255, 'x')}),
                                std::string(255, 'x') + ".h");
}

TEST_F(GenerationRunTest, ComposedFileNameOver259CharactersIsRefused)
{
    // 4 + 254 + 2 = 260.
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item", "-s", std::string(254, 'x')}), file_name_too_long);
    EXPECT_TRUE(work_entries().empty());
    // 254 + 4 + 2 = 260 with the default suffix.
    expect_failure(run_tavrik({"-i", "item.h", "-n", std::string(254, 'n')}), file_name_too_long);
    EXPECT_TRUE(work_entries().empty());
}

TEST_F(GenerationRunTest, ComposedFileNameOf259CharactersPassesTheLengthChecks)
{
    expect_passes_length_checks(run_tavrik({"-i", "item.h", "-n", "Item", "-s", std::string(253, 'x')}),
                                "item" + std::string(253, 'x') + ".h");
    expect_passes_length_checks(run_tavrik({"-i", "item.h", "-n", std::string(253, 'n')}),
                                std::string(253, 'n') + "_mgr.h");
}

// ---- the programmer's include file is never overwritten -------------------

class IncludeClashTest : public GenerationRunTest {
protected:
    const std::string own_text = "typedef struct { int id; } Item;\n";
};

TEST_F(IncludeClashTest, IncludeNamedLikeTheHeaderIsRefused)
{
    expect_failure(run_tavrik({"-i", "item_mgr.h", "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_TRUE(work_entries().empty());

    write_file("item_mgr.h", own_text);
    expect_failure(run_tavrik({"-i", "item_mgr.h", "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_EQ(read_file("item_mgr.h"), own_text);
    EXPECT_EQ(work_entries(), (names{"item_mgr.h"}));
}

TEST_F(IncludeClashTest, EmptySuffixMakingTheHeaderTheIncludeIsRefused)
{
    write_file("item.h", own_text);
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item", "-s", ""}), clash("item.h"));
    EXPECT_EQ(read_file("item.h"), own_text);
    EXPECT_EQ(work_entries(), (names{"item.h"}));
}

// Trailing separators and "." components name the file they follow; on
// Windows so do a name relative to the current folder of a drive and
// another letter case.
TEST_F(IncludeClashTest, OtherSpellingsOfTheHeaderAreRefused)
{
    std::vector<std::string> spellings = {"./item_mgr.h", "../work/item_mgr.h", work_dir + "/item_mgr.h",
                                          ".//item_mgr.h", "item_mgr.h/", "item_mgr.h/.", "item_mgr.h//./",
                                          "nosuch/../item_mgr.h"};
#ifdef _WIN32
    // The other Windows spellings are text alone (name_rules_test.cpp); this
    // one asks the system for the drive's current folder.
    spellings.push_back(work_dir.substr(0, 2) + "item_mgr.h");  // "C:item_mgr.h"
    spellings.push_back("..\\work\\Item_Mgr.h");
#endif
    for (const std::string &spelling : spellings)
        expect_failure(run_tavrik({"-i", spelling, "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_TRUE(work_entries().empty());

    write_file("item_mgr.h", own_text);
    for (const std::string &spelling : spellings)
        expect_failure(run_tavrik({"-i", spelling, "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_EQ(read_file("item_mgr.h"), own_text);
    EXPECT_EQ(work_entries(), (names{"item_mgr.h"}));
}

// A hard link on Windows, where a symbolic one needs a privilege.
TEST_F(IncludeClashTest, LinkUnderTheHeaderNameToTheIncludeIsRefused)
{
    write_file("item.h", own_text);
#ifdef _WIN32
    fs::create_hard_link("item.h", "item_mgr.h");
#else
    fs::create_symlink("item.h", "item_mgr.h");
    EXPECT_TRUE(fs::is_symlink("item_mgr.h"));
#endif
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_EQ(read_file("item.h"), own_text);
    EXPECT_EQ(read_file("item_mgr.h"), own_text);
    EXPECT_EQ(work_entries(), (names{"item.h", "item_mgr.h"}));
#ifndef _WIN32
    // An include that is a link to the header yet to be written reaches it too.
    fs::create_symlink("item_mgr.h", "inc.h");
    fs::create_directory("sub");
    fs::create_symlink("../inc.h", "sub/inc.h");
    fs::remove("item_mgr.h");
    for (const char *spelling : {"inc.h", "sub/inc.h"})
        expect_failure(run_tavrik({"-i", spelling, "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_EQ(work_entries(), (names{"inc.h", "item.h", "sub"}));
#endif
}

TEST_F(IncludeClashTest, IncludeNamedLikeTheSourceIsRefusedBeforeTheHeaderIsWritten)
{
    write_file("item_mgr.c", own_text);
    expect_failure(run_tavrik({"-i", "item_mgr.c", "-n", "Item"}), clash("item_mgr.c"));
    EXPECT_EQ(read_file("item_mgr.c"), own_text);
    EXPECT_EQ(work_entries(), (names{"item_mgr.c"}));
}

// Same base name in another folder is a different file: no refusal. So is
// a spelling that climbs out of a linked folder: with x a link to q/r,
// x/../item_mgr.h is q/item_mgr.h, present or not. (Windows needs a
// privilege for symbolic links; that case runs on POSIX only.)
TEST_F(IncludeClashTest, SameNameInAnotherFolderIsNotTheIncludeFile)
{
    fs::create_directory("inc");
    write_file("inc/item_mgr.h", own_text);
    expect_success(run_tavrik({"-i", "inc/item_mgr.h", "-n", "Item"}));
    EXPECT_EQ(read_file("inc/item_mgr.h"), own_text);
    EXPECT_EQ(work_entries(), (names{"inc", "item_mgr.c", "item_mgr.h"}));
#ifndef _WIN32
    fs::create_directories("q/r");
    fs::create_directory_symlink("q/r", "x");
    write_file("q/item_mgr.h", own_text);
    expect_success(run_tavrik({"-i", "x/../item_mgr.h", "-n", "Item"}));
    EXPECT_EQ(read_file("q/item_mgr.h"), own_text);
    fs::remove("q/item_mgr.h");
    expect_success(run_tavrik({"-i", "x/../item_mgr.h", "-n", "Item"}));
    EXPECT_FALSE(path_exists("q/item_mgr.h"));
#endif
}

#ifndef _WIN32
// What a 32-bit build without 64-bit times could not read: a link and a hard
// link to a header dated 2040 are refused, an include dated 2040 is fine.
TEST_F(IncludeClashTest, FilesDatedPast2038AreJudgedLikeAnyOther)
{
    write_file("item_mgr.h", own_text);
    write_file("item.h", own_text);
    fs::create_symlink("item_mgr.h", "alias.h");
    fs::create_hard_link("item_mgr.h", "hard.h");
    const timespec year_2040[2] = {{2208988800, 0}, {2208988800, 0}};
    for (const char *name : {"item_mgr.h", "item.h", "alias.h"})
        ASSERT_EQ(utimensat(AT_FDCWD, name, year_2040, AT_SYMLINK_NOFOLLOW), 0) << name;
    for (const char *spelling : {"alias.h", "hard.h"})
        expect_failure(run_tavrik({"-i", spelling, "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_EQ(read_file("item_mgr.h"), own_text);
    for (const char *name : {"item_mgr.h", "alias.h", "hard.h"}) fs::remove(name);
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item"}));
}

// Links to the header yet to be written, whatever the length of the link's
// target or of the spelling through linked folders, and a current folder
// deeper than the longest path the system hands back.
TEST_F(IncludeClashTest, LongLinksAndDeepFoldersAreFollowed)
{
    std::string long_target;
    while (long_target.size() < 300) long_target += "./";
    fs::create_symlink(long_target + "item_mgr.h", "far.h");
    const std::string long_folder(200, 'f');
    fs::create_directory(long_folder);
    fs::create_directory_symlink("..", long_folder + "/up");
    fs::create_symlink("../" + long_target.substr(0, 60) + "item_mgr.h", long_folder + "/near.h");
    for (const std::string &spelling : {std::string("far.h"), long_folder + "/up/far.h", long_folder + "/near.h"})
        expect_failure(run_tavrik({"-i", spelling, "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_EQ(work_entries(), (names{"far.h", long_folder}));

    const std::string level(200, 'd');
    int depth = 0;
    for (; depth < 25; ++depth) ASSERT_TRUE(mkdir(level.c_str(), 0755) == 0 && chdir(level.c_str()) == 0);
    for (const char *spelling : {"./item_mgr.h", "nosuch/../item_mgr.h"})
        expect_failure(run_tavrik({"-i", spelling, "-n", "Item"}), clash("item_mgr.h"));
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item"}));
    EXPECT_EQ(unlink("item_mgr.h") + unlink("item_mgr.c"), 0);
    for (; depth > 0; --depth) ASSERT_TRUE(chdir("..") == 0 && rmdir(level.c_str()) == 0);
}

// A spelling whose folder is another one keeps the probe's token out of the
// files: on a folder that tells case apart, ITEM_MGR.H is another file.
TEST_F(IncludeClashTest, ProbedRunWritesExactlyItsFiles)
{
    expect_success(run_tavrik({"-i", "ITEM_MGR.H", "-n", "Item", "-k", "id"}));
    EXPECT_EQ(read_file("item_mgr.h"), expected_header({"ITEM_MGR.H", "Item", "item", "id", true}, "ITEM_MGR"));
    EXPECT_EQ(split_source(read_file("item_mgr.c")).fixed_part,
              expected_source_fixed_part({"ITEM_MGR.H", "Item", "item", "id", true}));
    EXPECT_EQ(work_entries(), (names{"item_mgr.c", "item_mgr.h"}));
}

// A name that cannot be looked up, when it could reach an output, refuses
// the run rather than let a guess replace the include file.
TEST_F(IncludeClashTest, FailedLookUpRefusesTheRun)
{
    fs::create_symlink("loop", "loop");
    run_result r = run_tavrik({"-i", "loop/item_mgr.h", "-n", "Item"});
    expect_failure(r, "include file check error.(item_mgr.h) " + std::string(std::strerror(ELOOP)) + "\n");
    EXPECT_EQ(work_entries(), (names{"loop"}));
    // An output name that leads nowhere is replaced, not followed: no reason
    // to refuse.
    fs::create_symlink("loop", "item_mgr.h");
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item"}));
    EXPECT_FALSE(fs::is_symlink("item_mgr.h"));
}

// The check runs again just before each file takes its name: a folder
// swapped for a link to the current one while the header is written is seen.
TEST_F(IncludeClashTest, LinkSwappedWhileWritingIsSeenBeforeTheRename)
{
    fs::create_directory("sub");
    const char *output_name = nullptr;
    ASSERT_EQ(check_include_first("sub/item_mgr.h", "item_mgr.h", "item_mgr.c", &output_name), include_clear);
    output_file file;
    ASSERT_EQ(open_output(&file, "item_mgr.h"), 0);
    std::fputs("#ifndef ITEM_MGR_H\n", file.stream);
    fs::remove("sub");
    fs::create_directory_symlink(".", "sub");
    EXPECT_EQ(commit_output(&file), 1);
    EXPECT_EQ(std::string(get_failure_reason()), clash("item_mgr.h"));
    EXPECT_EQ(work_entries(), (names{"sub"}));
}
#endif

#ifdef _WIN32
// A short name the folder makes names a file only once it is there: an
// include spelled so names nothing before the run and must not name an
// output after it. (Wine and most NTFS volumes make short names.)
TEST_F(IncludeClashTest, ShortNameOfAnOutputIsSeenAfterTheRename)
{
    write_file("items_mgr.c", "");
    wchar_t short_name[MAX_PATH];
    DWORD length = GetShortPathNameW(L"items_mgr.c", short_name, MAX_PATH);
    fs::remove("items_mgr.c");
    const std::string spelling = fs::path(std::wstring(short_name, length)).u8string();
    if (length == 0 || spelling == "items_mgr.c") GTEST_SKIP() << "no short names on this volume";
    expect_failure(run_tavrik({"-i", spelling, "-n", "Items"}), clash("items_mgr.c"));
    EXPECT_EQ(work_entries(), (names{"items_mgr.h"}));
}
#endif

// ---- output stays in the current folder ----------------------------------

TEST_F(GenerationRunTest, SlashInStructureNameIsRefused)
{
    expect_failure(run_tavrik({"-i", "item.h", "-n", "../x"}), outside("../x_mgr.h"));
    EXPECT_TRUE(work_entries().empty());
    EXPECT_EQ(base_entries(), (names{"work"}));

    fs::create_directory("sub");
    expect_failure(run_tavrik({"-i", "item.h", "-n", "sub/x"}), outside("sub/x_mgr.h"));
    EXPECT_TRUE(fs::is_empty("sub"));
#ifdef _WIN32
    // Backslashes and the drive mark separate too.
    expect_failure(run_tavrik({"-i", "item.h", "-n", "..\\x"}), outside("..\\x_mgr.h"));
    expect_failure(run_tavrik({"-i", "item.h", "-n", "sub\\x"}), outside("sub\\x_mgr.h"));
    expect_failure(run_tavrik({"-i", "item.h", "-n", "C:x"}), outside("c:x_mgr.h"));
    EXPECT_TRUE(fs::is_empty("sub"));
    EXPECT_EQ(work_entries(), (names{"sub"}));
    EXPECT_EQ(base_entries(), (names{"work"}));
#endif
}

TEST_F(GenerationRunTest, SlashInSuffixIsRefused)
{
    fs::create_directory("item");
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item", "-s", "/y"}), outside("item/y.h"));
#ifdef _WIN32
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item", "-s", "\\y"}), outside("item\\y.h"));
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item", "-s", ":y"}), outside("item:y.h"));
#endif
    EXPECT_TRUE(fs::is_empty("item"));
    EXPECT_EQ(work_entries(), (names{"item"}));
    EXPECT_EQ(base_entries(), (names{"work"}));
}

// ---- failures while writing ----------------------------------------------

namespace {

#ifndef _WIN32
std::string write_error(const std::string &name) { return "file write error.(" + name + ")"; }

// Lowers the file-size limit with SIGXFSZ at its default action, which ends
// the process: the run itself must keep a write past the limit from doing
// so, and fail it as a write error instead. Restores both.
class file_size_limit {
public:
    explicit file_size_limit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_limit);
        saved_handler = std::signal(SIGXFSZ, SIG_DFL);
        rlimit lowered = saved_limit;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~file_size_limit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_limit);
        std::signal(SIGXFSZ, saved_handler);
    }
    file_size_limit(const file_size_limit &) = delete;
    file_size_limit &operator=(const file_size_limit &) = delete;

private:
    rlimit saved_limit{};
    void (*saved_handler)(int) = SIG_DFL;
};

run_result run_with_file_size_limit(rlim_t bytes, const std::vector<std::string> &args)
{
    file_size_limit limit(bytes);
    return run_tavrik(args);
}
#endif

}  // namespace

using WriteFailureTest = GenerationRunTest;

#ifdef _WIN32
#define SKIP_WITHOUT_FILE_SIZE_LIMIT() GTEST_SKIP() << "Windows has no per-process file-size limit"
#else
#define SKIP_WITHOUT_FILE_SIZE_LIMIT() (void)0
#endif

TEST_F(WriteFailureTest, FailedHeaderWriteLeavesNoFile)
{
    SKIP_WITHOUT_FILE_SIZE_LIMIT();
#ifndef _WIN32
    run_result r = run_with_file_size_limit(64, {"-i", "item.h", "-n", "Item"});
    expect_failure_with_cause(r, write_error("item_mgr.h"), std::strerror(EFBIG));
    EXPECT_TRUE(work_entries().empty()) << "a partial output or temporary file was left";
#endif
}

TEST_F(WriteFailureTest, FailedSourceWriteKeepsTheHeaderAndLeavesNoSource)
{
    SKIP_WITHOUT_FILE_SIZE_LIMIT();
#ifndef _WIN32
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item", "-k", "id"}));
    const std::string header = read_file("item_mgr.h");
    const std::size_t source_size = read_file("item_mgr.c").size();
    ASSERT_LT(header.size() + 100, source_size);
    fs::remove("item_mgr.h");
    fs::remove("item_mgr.c");

    run_result r = run_with_file_size_limit((header.size() + source_size) / 2,
                                            {"-i", "item.h", "-n", "Item", "-k", "id"});
    expect_failure_with_cause(r, write_error("item_mgr.c"), std::strerror(EFBIG));
    EXPECT_EQ(work_entries(), (names{"item_mgr.h"}));
    EXPECT_EQ(read_file("item_mgr.h"), header);
#endif
}

TEST_F(WriteFailureTest, FailedWriteLeavesEarlierGoodFilesIntact)
{
    SKIP_WITHOUT_FILE_SIZE_LIMIT();
#ifndef _WIN32
    write_file("item_mgr.h", "good header\n");
    write_file("item_mgr.c", "good source\n");
    run_result r = run_with_file_size_limit(64, {"-i", "item.h", "-n", "Item"});
    expect_failure_with_cause(r, write_error("item_mgr.h"), std::strerror(EFBIG));
    EXPECT_EQ(read_file("item_mgr.h"), "good header\n");
    EXPECT_EQ(read_file("item_mgr.c"), "good source\n");
    EXPECT_EQ(work_entries(), (names{"item_mgr.c", "item_mgr.h"}));
#endif
}

// A folder standing under the output name cannot be replaced by a file: the
// complete temporary cannot take its name, and is removed.
#ifdef _WIN32
const std::string directory_cause;  // the system's wording, whatever it is
#else
const std::string directory_cause = std::strerror(EISDIR);
#endif

TEST_F(WriteFailureTest, HeaderThatCannotBeCreatedStopsBeforeTheSource)
{
    fs::create_directory("item_mgr.h");
    expect_failure_with_cause(run_tavrik({"-i", "item.h", "-n", "Item"}), rename_error("item_mgr.h"), directory_cause);
    EXPECT_EQ(work_entries(), (names{"item_mgr.h"}));
    EXPECT_TRUE(fs::is_directory("item_mgr.h"));
    EXPECT_TRUE(fs::is_empty("item_mgr.h"));
}

TEST_F(WriteFailureTest, SourceThatCannotBeCreatedKeepsTheHeader)
{
    fs::create_directory("item_mgr.c");
    expect_failure_with_cause(run_tavrik({"-i", "item.h", "-n", "Item"}), rename_error("item_mgr.c"), directory_cause);
    EXPECT_EQ(work_entries(), (names{"item_mgr.c", "item_mgr.h"}));
    EXPECT_EQ(read_file("item_mgr.h"), expected_header({"item.h", "Item", "item", "", false}, "ITEM_MGR"));
    EXPECT_TRUE(fs::is_empty("item_mgr.c"));
}

#ifdef TAVRIK_WRAPPED_UNLINK
namespace {
// The unit tests are linked with the C library's unlink wrapped: when set,
// every removal fails as in an append-only folder.
bool refuse_unlink = false;
}  // namespace
extern "C" int __real_unlink(const char *name);
extern "C" int __wrap_unlink(const char *name)
{
    if (!refuse_unlink) return __real_unlink(name);
    errno = EPERM;
    return -1;
}
#endif

// A temporary that cannot be removed after a failure stays, and the reason
// names it so that the user can.
TEST_F(WriteFailureTest, TemporaryThatCannotBeRemovedIsNamed)
{
#ifndef TAVRIK_WRAPPED_UNLINK
    GTEST_SKIP() << "needs unlink wrapped by the linker; on Windows windows.acceptance shows it with a "
                    "handle held open past the retries";
#else
    fs::create_directory("item_mgr.h");
    refuse_unlink = true;
    run_result r = run_tavrik({"-i", "item.h", "-n", "Item"});
    refuse_unlink = false;
    const std::string temp = ".tavrik-" + std::to_string(own_process_id()) + "-0.tmp";
    expect_failure(r, rename_error("item_mgr.h") + " " + directory_cause + " (left " + temp + ")\n");
    EXPECT_EQ(work_entries(), (names{temp, "item_mgr.h"}));
#endif
}

// Windows refuses to replace a file that another program holds open without
// sharing delete access: the run fails with the system's cause, the file
// stays as it was and the temporary is removed. (POSIX renames over an open
// file, so there is nothing to refuse.)
TEST_F(WriteFailureTest, ReplaceThatWindowsRefusesFailsTheRename)
{
#ifdef _WIN32
    write_file("item_mgr.h", "held open\n");
    HANDLE held = CreateFileW(L"item_mgr.h", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    run_result r = run_tavrik({"-i", "item.h", "-n", "Item"});
    CloseHandle(held);
    expect_failure_with_cause(r, rename_error("item_mgr.h"), "");
    EXPECT_EQ(read_file("item_mgr.h"), "held open\n");
    EXPECT_EQ(work_entries(), (names{"item_mgr.h"}));
#else
    GTEST_SKIP() << "POSIX replaces a file that is held open";
#endif
}

// Where permissions are enforced, a folder that takes no new file makes the
// header fail to open; root ignores the permission, so there it is skipped.
TEST_F(WriteFailureTest, ReadOnlyFolderFailsTheHeaderOpen)
{
#ifdef _WIN32
    GTEST_SKIP() << "a folder's read-only attribute does not stop file creation on Windows";
#else
    if (geteuid() == 0) GTEST_SKIP() << "root can write into a read-only folder";
    chmod(work_dir.c_str(), 0555);
    run_result r = run_tavrik({"-i", "item.h", "-n", "Item"});
    chmod(work_dir.c_str(), 0755);
    expect_failure_with_cause(r, open_error("item_mgr.h"), std::strerror(EACCES));
    EXPECT_TRUE(work_entries().empty());
#endif
}

// The current folder removed under the run: nothing can be created in it,
// whoever runs it. Windows does not remove a process's current folder; there
// a name the system refuses fails the rename of the complete temporary.
TEST_F(WriteFailureTest, FileThatCannotBeCreatedNamesTheCause)
{
#ifdef _WIN32
    expect_failure_with_cause(run_tavrik({"-i", "item.h", "-n", "a*b"}), rename_error("a*b_mgr.h"), "");
    EXPECT_TRUE(work_entries().empty());
#else
    fs::remove(work_dir);
    expect_failure_with_cause(run_tavrik({"-i", "item.h", "-n", "Item"}), open_error("item_mgr.h"),
                              std::strerror(ENOENT));
    EXPECT_EQ(base_entries(), names{});
#endif
}

// ---- temporaries -----------------------------------------------------------

// Temporaries of other runs (killed ones included, in any number) and files
// of the user's that look like them are never used or touched.
TEST_F(WriteFailureTest, OtherFilesUnderTemporaryNamesAreKept)
{
    const std::string text = "not this run's\n";
    std::vector<std::string> kept;
    for (int n = 0; n < 1000; ++n) kept.push_back(".tavrik-" + std::to_string(n) + ".tmp");
    kept.push_back(".tavrik-" + std::to_string(own_process_id()) + "-0.tmp");
    kept.push_back(".tavrik-" + std::to_string(own_process_id() + 1) + "-0.tmp");
    for (const std::string &name : kept) write_file(name, text);

    expect_success(run_tavrik({"-i", "item.h", "-n", "Item"}));
    EXPECT_EQ(read_file("item_mgr.h"), expected_header({"item.h", "Item", "item", "", false}, "ITEM_MGR"));
    EXPECT_EQ(work_entries().size(), kept.size() + 2);
    for (const std::string &name : kept) EXPECT_EQ(read_file(name), text) << name;
}

TEST_F(WriteFailureTest, EveryTemporaryNameTakenHasItsOwnReason)
{
    for (int n = 0; n < temp_name_attempts; ++n)
        write_file(".tavrik-" + std::to_string(own_process_id()) + "-" + std::to_string(n) + ".tmp", "x");
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item"}), "no free temporary file name.(item_mgr.h)\n");
    EXPECT_EQ(work_entries().size(), static_cast<std::size_t>(temp_name_attempts));
}

// ---- interrupted runs --------------------------------------------------------

#ifdef _WIN32
namespace {

constexpr DWORD no_console = 77;  // the child's status when it has no console to press Ctrl-C on

// The parent stays: the Ctrl-C its child sends goes to every process of the
// console. Registered last, this handler is asked first.
BOOL WINAPI keep_running(DWORD) { return TRUE; }

}  // namespace

// The child half of WriteFailureTest.InterruptedRunRemovesItsTemporary: in
// the folder it is given, opens an output file, writes a line and presses
// Ctrl-C on its console.
TEST(WindowsInterruptChild, OpensItsFileAndPressesCtrlC)
{
    wchar_t dir[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"TAVRIK_INTERRUPT_DIR", dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) GTEST_SKIP() << "runs only as the child of InterruptedRunRemovesItsTemporary";
    if (!SetCurrentDirectoryW(dir)) ExitProcess(2);
    output_file file;
    if (open_output(&file, "item_mgr.h") != 0) ExitProcess(2);
    std::fputs("#ifndef ITEM_MGR_H\n", file.stream);
    std::fflush(file.stream);
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) ExitProcess(no_console);
    Sleep(30000);
    ExitProcess(3);
}

// Ctrl-C while a file is being written removes the temporary and ends the
// run with the status of a Ctrl-C. Under Wine this needs a terminal; without
// one there is no console to press Ctrl-C on, and the test is skipped.
TEST_F(WriteFailureTest, InterruptedRunRemovesItsTemporary)
{
    static const BOOL registered = SetConsoleCtrlHandler(keep_running, TRUE);
    ASSERT_TRUE(registered);
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=WindowsInterruptChild.*";
    ASSERT_TRUE(SetEnvironmentVariableW(L"TAVRIK_INTERRUPT_DIR", fs::u8path(work_dir).wstring().c_str()));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableW(L"TAVRIK_INTERRUPT_DIR", nullptr);
    ASSERT_TRUE(started);
    DWORD status = 0;
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 60000), WAIT_OBJECT_0);
    GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (status == no_console) GTEST_SKIP() << "no console to press Ctrl-C on (Wine without a terminal)";
    EXPECT_EQ(status, static_cast<DWORD>(STATUS_CONTROL_C_EXIT));
    EXPECT_TRUE(work_entries().empty()) << "Ctrl-C left a temporary";
}
#else
namespace {

// A forked copy of this process opens an output file, writes a line and
// raises the signal; as_init, it does so as the first process of a new PID
// namespace. Returns the wait status of that copy, passed on as it was.
int interrupted_run_status(int signal_number, bool as_init)
{
    pid_t child = fork();
    if (child == -1) return -1;
    if (child == 0) {
        if (as_init) {
            if (unshare(CLONE_NEWPID) != 0) _exit(77);
            pid_t init = fork();
            if (init != 0) {
                int status = 0;
                if (init == -1 || waitpid(init, &status, 0) != init) _exit(2);
                if (WIFSIGNALED(status)) raise(WTERMSIG(status));
                _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 2);
            }
        }
        const rlimit no_core = {0, 0};  // SIGQUIT would leave a core file in the folder
        setrlimit(RLIMIT_CORE, &no_core);
        std::signal(signal_number, SIG_DFL);
        output_file file;
        if (open_output(&file, "item_mgr.h") != 0) _exit(2);
        std::fputs("#ifndef ITEM_MGR_H\n", file.stream);
        std::fflush(file.stream);
        raise(signal_number);
        _exit(3);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child ? status : -1;
}

const int interrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

}  // namespace

// A run ended by SIGINT, SIGTERM, SIGHUP or SIGQUIT while a file is being
// written leaves no temporary and ends by that signal.
TEST_F(WriteFailureTest, InterruptedRunRemovesItsTemporary)
{
    for (int signal_number : interrupts) {
        int status = interrupted_run_status(signal_number, false);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number)
            << "signal " << signal_number << ", wait status " << status;
        EXPECT_TRUE(work_entries().empty()) << "signal " << signal_number << " left a temporary";
    }
}

// The first process of a PID namespace (a container's entry point) is spared
// a signal it has no handler for, so the raised signal may not end it: the
// run then ends with 128 and the signal's number.
TEST_F(WriteFailureTest, InterruptedInitRemovesItsTemporary)
{
#ifdef TAVRIK_TESTS_EMULATED
    GTEST_SKIP() << "qemu-user's own signal handlers stand between the kernel and the program, so the kernel's "
                    "rule for a namespace's first process does not reach it";
#endif
    for (int signal_number : interrupts) {
        int status = interrupted_run_status(signal_number, true);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no new PID namespace here (needs root)";
        EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == signal_number) ||
                    (WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal_number))
            << "signal " << signal_number << ", wait status " << status;
        EXPECT_TRUE(work_entries().empty()) << "signal " << signal_number << " left a temporary";
    }
}
#endif
