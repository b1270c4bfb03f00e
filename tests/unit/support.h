// Shared helpers of the unit tests: a scratch folder per test, one in-process
// invocation with its texts captured, and small file utilities.
#ifndef TAVRIK_TESTS_UNIT_SUPPORT_H
#define TAVRIK_TESTS_UNIT_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

struct run_result {
    int status;
    std::string out;  // what the invocation wrote to standard output
    std::string err;  // ... and to standard error
};

// Runs one whole invocation with these arguments (the program name is added
// in front; it is deliberately not "tavrik", since no text may depend on it).
// Standard output is captured unless another stream is given.
run_result run_tavrik(const std::vector<std::string> &args, std::FILE *out_stream = nullptr);

// Paths are UTF-8 on every platform, as tavrik's own names are.
std::string read_file(const std::string &path);  // in text mode, as tavrik writes
void write_file(const std::string &path, const std::string &text);
bool path_exists(const std::string &path);  // without following a final link

// Splits a text into lines, each keeping its line end.
std::vector<std::string> split_lines(const std::string &text);

// Every test that may write files runs in a fresh folder "work" inside a
// fresh temporary folder "base", so that a file escaping the current folder
// is seen in base. Both are removed afterwards.
class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Names in the current folder, sorted (hidden ones included).
    std::vector<std::string> work_entries() const;
    // Names in base, sorted; only "work" unless something escaped.
    std::vector<std::string> base_entries() const;

    std::string base_dir;
    std::string work_dir;

private:
    std::string previous_dir;
};

#endif
