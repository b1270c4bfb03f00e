// The command-line front end: requests answered with a text, option errors,
// the option store after a scan, key selection and over-long values.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/options.h"
#include "support.h"

namespace {

const std::string usage =
    "usage: tavrik -i <inc_file> -n <struct_name> [-k <key_val>] [-K <key_string>] [-s <body_suffix>]\n";
const std::string too_few = "too few argments\nTry tavrik -h\n";
const std::string i_required = "option `-i' is required.\n";
const std::string n_required = "option `-n' is required.\n";

std::string invalid(const std::string &arg) { return "option `" + arg + "' is invalid.\n"; }

// Every case here ends before generation: one message, status 4, no file.
class OptionErrorTest : public ScratchDirTest {
protected:
    void expect_option_error(const std::vector<std::string> &args, const std::string &message)
    {
        run_result r = run_tavrik(args);
        EXPECT_EQ(r.status, 4);
        EXPECT_EQ(r.err, message);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(work_entries().empty());
    }
};

// Scans a command line that is expected to be complete, for reading the store.
void scan_complete(std::vector<std::string> args)
{
    args.insert(args.begin(), "tavrik");
    std::vector<char *> argv;
    for (auto &arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    parse_outcome outcome{};
    ASSERT_EQ(parse_options(static_cast<int>(args.size()), argv.data(), &outcome), 0);
}

}  // namespace

// Scans never write a file, but run in a scratch folder all the same so that
// a fault that did would not touch the tree the tests were started from.
using AnsweredRequestTest = ScratchDirTest;
using OptionStoreTest = ScratchDirTest;
using KeySelectionTest = ScratchDirTest;

TEST_F(AnsweredRequestTest, BareInvocationPrintsUsageOnStdoutWithStatus1)
{
    run_result r = run_tavrik({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, usage);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(work_entries().empty());
}

TEST_F(AnsweredRequestTest, LoneHelpPrintsTheNineHelpLinesWithStatus2)
{
    run_result r = run_tavrik({"-h"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out,
              "usage: tavrik -i <inc_file> -n <struct_name> [-k <key_val>] [-K <key_string>] [-s <body_suffix>]\n"
              "Structure opetare code generator\n"
              "    -i <inc_file>    input include file. (required)\n"
              "    -n <struct_name> structre name(case sensitive). (required)\n"
              "    -k <key_val>     primary key type `value'\n"
              "    -K <key_string>  primary key type `string'\n"
              "    -s <body_suffix> body suffix of the filename(default:_mgr)\n"
              "    -h               produce this help message\n"
              "    -V               report version\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(work_entries().empty());
}

TEST_F(AnsweredRequestTest, LoneVersionPrintsVersionWithStatus3)
{
    run_result r = run_tavrik({"-V"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "version 1.0\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(work_entries().empty());
}

// Statuses 1 to 3 say that the text was printed: where standard output takes
// nothing (a full disk, a closed stream; here one open for reading), the run
// fails with a reason instead.
TEST_F(AnsweredRequestTest, TextThatStandardOutputRefusesFailsTheRun)
{
    write_file("read-only", "");
    for (const std::vector<std::string> &request : {std::vector<std::string>{}, {"-h"}, {"-V"}}) {
        std::FILE *out = std::fopen("read-only", "r");
        ASSERT_NE(out, nullptr);
        run_result r = run_tavrik(request, out);
        std::fclose(out);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "file write error.(standard output) " + std::string(std::strerror(EBADF)) + "\n");
    }
}

// -h and -V are requests only when alone; elsewhere the scan meets them as
// unknown options.
TEST_F(OptionErrorTest, HelpOrVersionAmongOtherArgumentsIsAnInvalidOption)
{
    expect_option_error({"-h", "-i", "item.h", "-n", "Item"}, invalid("-h"));
    expect_option_error({"-V", "-V"}, invalid("-V"));
    expect_option_error({"-h", "-V"}, invalid("-h"));
    expect_option_error({"-i", "item.h", "-n", "Item", "-V"}, invalid("-V"));
}

TEST_F(OptionErrorTest, UnknownArgumentsAreMatchedWhole)
{
    expect_option_error({"-x"}, invalid("-x"));
    expect_option_error({"-i=item.h", "-n", "Item"}, invalid("-i=item.h"));
    expect_option_error({"-iitem.h", "-n", "Item"}, invalid("-iitem.h"));
    expect_option_error({"-I", "item.h", "-n", "Item"}, invalid("-I"));
    expect_option_error({"item.h"}, invalid("item.h"));
    expect_option_error({""}, invalid(""));
}

TEST_F(OptionErrorTest, FirstBadArgumentInScanOrderDecides)
{
    expect_option_error({"-x", "-y"}, invalid("-x"));
    // The invalid option comes before the option that lacks its value.
    expect_option_error({"-i", "item.h", "-x", "-n"}, invalid("-x"));
    // An invalid option is reported before -i and -n are missed.
    expect_option_error({"-k", "id", "-q"}, invalid("-q"));
    // The missing value is reported before the missing -n.
    expect_option_error({"-i", "item.h", "-k"}, too_few);
}

TEST_F(OptionErrorTest, ValueTakingOptionAsLastArgumentLacksItsValue)
{
    expect_option_error({"-i"}, too_few);
    expect_option_error({"-n"}, too_few);
    expect_option_error({"-i", "item.h", "-n"}, too_few);
    expect_option_error({"-i", "item.h", "-n", "Item", "-k"}, too_few);
    expect_option_error({"-i", "item.h", "-n", "Item", "-K"}, too_few);
    expect_option_error({"-i", "item.h", "-n", "Item", "-s"}, too_few);
}

TEST_F(OptionErrorTest, MissingIncludeIsReportedBeforeMissingStructure)
{
    expect_option_error({"-n", "Item"}, i_required);
    expect_option_error({"-i", "item.h"}, n_required);
    expect_option_error({"-k", "id"}, i_required);
    expect_option_error({"-s", "_x", "-K", "name"}, i_required);
}

// A value that spells an option is a value: it must not count as that option.
TEST_F(OptionErrorTest, ValueSpellingAnOptionDoesNotSetThatOption)
{
    expect_option_error({"-i", "-n"}, n_required);
    expect_option_error({"-n", "-i"}, i_required);
    // "-n" is -i's value, so "Item" is met as an option.
    expect_option_error({"-i", "-n", "Item"}, invalid("Item"));
}

TEST_F(OptionStoreTest, LaterValueOfARepeatedOptionWins)
{
    scan_complete({"-i", "first.h", "-n", "First", "-i", "second.h", "-n", "Second", "-s", "_a", "-s", "_b",
                   "-k", "a", "-k", "b", "-K", "c", "-K", "d"});
    EXPECT_STREQ(get_inc_file(), "second.h");
    EXPECT_STREQ(get_struct_name(), "Second");
    EXPECT_STREQ(get_body_suffix(), "_b");
    EXPECT_STREQ(get_key_val(), "b");
    EXPECT_STREQ(get_key_string(), "d");
}

TEST_F(OptionStoreTest, ValuesStartingWithADashAreStoredVerbatim)
{
    scan_complete({"-n", "-k", "-i", "-h", "-k", "-V", "-K", "-K", "-s", "-s"});
    EXPECT_STREQ(get_struct_name(), "-k");
    EXPECT_STREQ(get_inc_file(), "-h");
    EXPECT_STREQ(get_key_val(), "-V");
    EXPECT_STREQ(get_key_string(), "-K");
    EXPECT_STREQ(get_body_suffix(), "-s");
}

TEST_F(OptionStoreTest, EmptyValuesAreAcceptedAndSuffixDefaultsToMgr)
{
    scan_complete({"-i", "", "-n", ""});
    EXPECT_STREQ(get_inc_file(), "");
    EXPECT_STREQ(get_struct_name(), "");
    EXPECT_STREQ(get_key_val(), "");
    EXPECT_STREQ(get_key_string(), "");
    EXPECT_STREQ(get_body_suffix(), "_mgr");
}

// A scan starts from a fresh store: nothing of an earlier command line stays.
TEST_F(OptionStoreTest, EachScanStartsFromTheInitialStore)
{
    scan_complete({"-i", "a.h", "-n", "A", "-k", "id", "-K", "name", "-s", "_x"});
    scan_complete({"-i", "b.h", "-n", "B"});
    EXPECT_STREQ(get_key_val(), "");
    EXPECT_STREQ(get_key_string(), "");
    EXPECT_STREQ(get_body_suffix(), "_mgr");
}

TEST_F(KeySelectionTest, ValueKeyWinsOverStringKey)
{
    scan_complete({"-i", "item.h", "-n", "Item", "-K", "name", "-k", "id"});
    key_choice key = select_key();
    EXPECT_STREQ(key.name, "id");
    EXPECT_EQ(key.is_value, 1);
}

TEST_F(KeySelectionTest, EmptyValueKeyLeavesTheStringKey)
{
    scan_complete({"-i", "item.h", "-n", "Item", "-k", "", "-K", "name"});
    key_choice key = select_key();
    EXPECT_STREQ(key.name, "name");
    EXPECT_EQ(key.is_value, 0);
}

TEST_F(KeySelectionTest, NoKeyWhenNeitherIsGivenOrBothAreEmpty)
{
    scan_complete({"-i", "item.h", "-n", "Item"});
    key_choice key = select_key();
    EXPECT_STREQ(key.name, "");
    EXPECT_EQ(key.is_value, 0);

    scan_complete({"-i", "item.h", "-n", "Item", "-k", "", "-K", ""});
    key = select_key();
    EXPECT_STREQ(key.name, "");
    EXPECT_EQ(key.is_value, 0);
}

// A value of any length must overrun nothing and still end as the run's
// length failure: status 1, the reason on stderr, no file.
using OverLongValueTest = ScratchDirTest;

TEST_F(OverLongValueTest, HugeValueOfEveryOptionEndsAsLengthFailure)
{
    const std::string huge(100000, 'a');
    struct {
        std::vector<std::string> args;
        const char *reason;
    } cases[] = {
        {{"-i", huge, "-n", "Item"}, "string is too long.\n"},
        {{"-i", "item.h", "-n", huge}, "string is too long.\n"},
        {{"-i", "item.h", "-n", "Item", "-k", huge}, "string is too long.\n"},
        {{"-i", "item.h", "-n", "Item", "-K", huge}, "string is too long.\n"},
        {{"-i", "item.h", "-n", "Item", "-s", huge}, "file name is too long.\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[c.args.size() - 2]);
        run_result r = run_tavrik(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.reason);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(work_entries().empty());
    }
}

// The store must not keep part of an earlier huge value either.
TEST_F(OverLongValueTest, HugeValueLeavesNoTraceInTheNextRun)
{
    run_tavrik({"-i", "item.h", "-n", std::string(100000, 'Q')});
    run_result r = run_tavrik({"-i", "item.h", "-n", "Item"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(work_entries(), (std::vector<std::string>{"item_mgr.c", "item_mgr.h"}));
}
