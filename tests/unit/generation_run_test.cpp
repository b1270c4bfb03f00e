// The generation run: output names, name lengths, case mapping, and every
// refusal and failure of a run (status 1, its reason on stderr, no file that
// a build could mistake for a good one).
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "expected_text.h"
#include "generator/gen_context.h"
#include "support.h"

namespace fs = std::filesystem;

namespace {

using names = std::vector<std::string>;

const std::string too_long = "string is too long.\n";
const std::string file_name_too_long = "file name is too long.\n";

std::string outside(const std::string &name) { return "output file outside the current directory.(" + name + ")\n"; }
std::string clash(const std::string &name) { return "output file is the include file.(" + name + ")\n"; }
std::string open_error(const std::string &name) { return "file open error.(" + name + ")\n"; }
std::string write_error(const std::string &name) { return "file write error.(" + name + ")\n"; }

class GenerationRunTest : public ScratchDirTest {
protected:
    // A refused or failed run: status 1, exactly this reason, nothing else printed.
    void expect_failure(const run_result &r, const std::string &reason)
    {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, reason);
        EXPECT_EQ(r.out, "");
    }

    void expect_success(const run_result &r)
    {
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, "");
    }

    // The generator's own length checks let the request through. The file
    // system may still refuse a name this long (most allow 255 characters),
    // which is an ordinary open failure that leaves nothing behind.
    void expect_passes_length_checks(const run_result &r, const std::string &header_name)
    {
        if (r.status == 0) {
            EXPECT_EQ(r.err, "");
            EXPECT_TRUE(path_exists(header_name));
        } else {
            expect_failure(r, open_error(header_name));
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

TEST_F(GenerationRunTest, BytesAboveAsciiAreKeptInLowerAndUpperNames)
{
    const std::string name = "Ab\xC3\xA9\x80\xFFz";
    expect_success(run_tavrik({"-i", "item.h", "-n", name}));
    EXPECT_EQ(work_entries(), (names{"ab\xC3\xA9\x80\xFFz_mgr.c", "ab\xC3\xA9\x80\xFFz_mgr.h"}));
    EXPECT_EQ(split_lines(read_file("ab\xC3\xA9\x80\xFFz_mgr.h"))[0], "#ifndef AB\xC3\xA9\x80\xFFZ_MGR_H\n");
}

// A run repeated in one process starts from a fresh context: a key of the
// first run must not give the second one keyed functions.
TEST_F(GenerationRunTest, SecondRunInOneProcessForgetsTheFirstKey)
{
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item", "-k", "id"}));
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item"}));
    EXPECT_EQ(read_file("item_mgr.h"), expected_header({"item.h", "Item", "item", "", false}, "ITEM_MGR"));
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
    const std::string locale_dir = base_dir + "/locales";
    fs::create_directory(locale_dir);
    std::string command =
        "localedef -c -i tr_TR -f ISO-8859-9 '" + locale_dir + "/tr_TR.ISO-8859-9' >/dev/null 2>&1";
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

TEST_F(IncludeClashTest, OtherSpellingsOfTheHeaderAreRefused)
{
    expect_failure(run_tavrik({"-i", "./item_mgr.h", "-n", "Item"}), clash("item_mgr.h"));
    expect_failure(run_tavrik({"-i", "../work/item_mgr.h", "-n", "Item"}), clash("item_mgr.h"));
    expect_failure(run_tavrik({"-i", work_dir + "/item_mgr.h", "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_TRUE(work_entries().empty());

    write_file("item_mgr.h", own_text);
    expect_failure(run_tavrik({"-i", ".//item_mgr.h", "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_EQ(read_file("item_mgr.h"), own_text);
}

TEST_F(IncludeClashTest, LinkUnderTheHeaderNameToTheIncludeIsRefused)
{
    write_file("item.h", own_text);
    fs::create_symlink("item.h", "item_mgr.h");
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item"}), clash("item_mgr.h"));
    EXPECT_EQ(read_file("item.h"), own_text);
    EXPECT_TRUE(fs::is_symlink("item_mgr.h"));
    EXPECT_EQ(work_entries(), (names{"item.h", "item_mgr.h"}));
}

TEST_F(IncludeClashTest, IncludeNamedLikeTheSourceIsRefusedBeforeTheHeaderIsWritten)
{
    write_file("item_mgr.c", own_text);
    expect_failure(run_tavrik({"-i", "item_mgr.c", "-n", "Item"}), clash("item_mgr.c"));
    EXPECT_EQ(read_file("item_mgr.c"), own_text);
    EXPECT_EQ(work_entries(), (names{"item_mgr.c"}));
}

// Same base name in another folder is a different file: no refusal.
TEST_F(IncludeClashTest, SameNameInAnotherFolderIsNotTheIncludeFile)
{
    fs::create_directory("inc");
    write_file("inc/item_mgr.h", own_text);
    expect_success(run_tavrik({"-i", "inc/item_mgr.h", "-n", "Item"}));
    EXPECT_EQ(read_file("inc/item_mgr.h"), own_text);
    EXPECT_EQ(work_entries(), (names{"inc", "item_mgr.c", "item_mgr.h"}));
}

// ---- output stays in the current folder ----------------------------------

TEST_F(GenerationRunTest, SlashInStructureNameIsRefused)
{
    expect_failure(run_tavrik({"-i", "item.h", "-n", "../x"}), outside("../x_mgr.h"));
    EXPECT_TRUE(work_entries().empty());
    EXPECT_EQ(base_entries(), (names{"work"}));

    fs::create_directory("sub");
    expect_failure(run_tavrik({"-i", "item.h", "-n", "sub/x"}), outside("sub/x_mgr.h"));
    EXPECT_TRUE(fs::is_empty("sub"));
}

TEST_F(GenerationRunTest, SlashInSuffixIsRefused)
{
    fs::create_directory("item");
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item", "-s", "/y"}), outside("item/y.h"));
    EXPECT_TRUE(fs::is_empty("item"));
    EXPECT_EQ(work_entries(), (names{"item"}));
    EXPECT_EQ(base_entries(), (names{"work"}));
}

// ---- failures while writing ----------------------------------------------

namespace {

// Lowers the file-size limit with SIGXFSZ ignored, so that a write past it
// fails with an error instead of ending the process; restores both.
class file_size_limit {
public:
    explicit file_size_limit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_limit);
        saved_handler = std::signal(SIGXFSZ, SIG_IGN);
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

}  // namespace

using WriteFailureTest = GenerationRunTest;

TEST_F(WriteFailureTest, FailedHeaderWriteLeavesNoFile)
{
    run_result r = run_with_file_size_limit(64, {"-i", "item.h", "-n", "Item"});
    expect_failure(r, write_error("item_mgr.h"));
    EXPECT_TRUE(work_entries().empty()) << "a partial output or temporary file was left";
}

TEST_F(WriteFailureTest, FailedSourceWriteKeepsTheHeaderAndLeavesNoSource)
{
    expect_success(run_tavrik({"-i", "item.h", "-n", "Item", "-k", "id"}));
    const std::string header = read_file("item_mgr.h");
    const std::size_t source_size = read_file("item_mgr.c").size();
    ASSERT_LT(header.size() + 100, source_size);
    fs::remove("item_mgr.h");
    fs::remove("item_mgr.c");

    run_result r = run_with_file_size_limit((header.size() + source_size) / 2,
                                            {"-i", "item.h", "-n", "Item", "-k", "id"});
    expect_failure(r, write_error("item_mgr.c"));
    EXPECT_EQ(work_entries(), (names{"item_mgr.h"}));
    EXPECT_EQ(read_file("item_mgr.h"), header);
}

TEST_F(WriteFailureTest, FailedWriteLeavesEarlierGoodFilesIntact)
{
    write_file("item_mgr.h", "good header\n");
    write_file("item_mgr.c", "good source\n");
    run_result r = run_with_file_size_limit(64, {"-i", "item.h", "-n", "Item"});
    expect_failure(r, write_error("item_mgr.h"));
    EXPECT_EQ(read_file("item_mgr.h"), "good header\n");
    EXPECT_EQ(read_file("item_mgr.c"), "good source\n");
    EXPECT_EQ(work_entries(), (names{"item_mgr.c", "item_mgr.h"}));
}

// A folder standing under the output name cannot be replaced by a file.
TEST_F(WriteFailureTest, HeaderThatCannotBeCreatedStopsBeforeTheSource)
{
    fs::create_directory("item_mgr.h");
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item"}), open_error("item_mgr.h"));
    EXPECT_EQ(work_entries(), (names{"item_mgr.h"}));
    EXPECT_TRUE(fs::is_directory("item_mgr.h"));
    EXPECT_TRUE(fs::is_empty("item_mgr.h"));
}

TEST_F(WriteFailureTest, SourceThatCannotBeCreatedKeepsTheHeader)
{
    fs::create_directory("item_mgr.c");
    expect_failure(run_tavrik({"-i", "item.h", "-n", "Item"}), open_error("item_mgr.c"));
    EXPECT_EQ(work_entries(), (names{"item_mgr.c", "item_mgr.h"}));
    EXPECT_EQ(read_file("item_mgr.h"), expected_header({"item.h", "Item", "item", "", false}, "ITEM_MGR"));
    EXPECT_TRUE(fs::is_empty("item_mgr.c"));
}

// Where permissions are enforced, a folder that takes no new file makes the
// header fail to open; root ignores the permission, so there it is skipped.
TEST_F(WriteFailureTest, ReadOnlyFolderFailsTheHeaderOpen)
{
    if (geteuid() == 0) GTEST_SKIP() << "root can write into a read-only folder";
    chmod(work_dir.c_str(), 0555);
    run_result r = run_tavrik({"-i", "item.h", "-n", "Item"});
    chmod(work_dir.c_str(), 0755);
    expect_failure(r, open_error("item_mgr.h"));
    EXPECT_TRUE(work_entries().empty());
}
