#include "support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/front_end.h"

namespace fs = std::filesystem;

namespace {

std::string read_stream(std::FILE *stream)
{
    std::string text;
    std::rewind(stream);
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, got);
    return text;
}

std::vector<std::string> sorted_entries(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

run_result run_tavrik(const std::vector<std::string> &args)
{
    std::vector<std::string> storage;
    storage.push_back("/opt/elsewhere/renamed-tool");
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &arg : storage) argv.push_back(arg.data());
    argv.push_back(nullptr);

    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    if (out == nullptr || err == nullptr) {
        ADD_FAILURE() << "tmpfile failed";
        return {-1, "", ""};
    }
    run_result result;
    result.status = run_front_end(static_cast<int>(storage.size()), argv.data(), out, err);
    result.out = read_stream(out);
    result.err = read_stream(err);
    std::fclose(out);
    std::fclose(err);
    return result;
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

bool path_exists(const std::string &path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::vector<std::string> split_lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = (end == std::string::npos) ? text.size() : end + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

void ScratchDirTest::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "tavrik-unit-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    base_dir = pattern;
    work_dir = base_dir + "/work";
    fs::create_directory(work_dir);
    previous_dir = fs::current_path().string();
    fs::current_path(work_dir);
}

void ScratchDirTest::TearDown()
{
    if (!previous_dir.empty()) fs::current_path(previous_dir);
    std::error_code error;
    if (!base_dir.empty()) fs::remove_all(base_dir, error);
}

std::vector<std::string> ScratchDirTest::work_entries() const { return sorted_entries(work_dir); }

std::vector<std::string> ScratchDirTest::base_entries() const { return sorted_entries(base_dir); }
