#include "support.h"

#include <algorithm>
#include <chrono>
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
    for (const auto &entry : fs::directory_iterator(fs::u8path(dir)))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

run_result run_tavrik(const std::vector<std::string> &args, std::FILE *out_stream)
{
    std::vector<std::string> storage;
    storage.push_back("/opt/elsewhere/renamed-tool");
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &arg : storage) argv.push_back(arg.data());
    argv.push_back(nullptr);

    std::FILE *out = out_stream != nullptr ? out_stream : std::tmpfile();
    std::FILE *err = std::tmpfile();
    if (out == nullptr || err == nullptr) {
        ADD_FAILURE() << "tmpfile failed";
        return {-1, "", ""};
    }
    run_result result;
    result.status = run_front_end(static_cast<int>(storage.size()), argv.data(), out, err);
    if (out_stream == nullptr) result.out = read_stream(out);
    result.err = read_stream(err);
    if (out_stream == nullptr) std::fclose(out);
    std::fclose(err);
    return result;
}

// Text mode, as the files are written: on Windows each CR LF reads as LF.
std::string read_file(const std::string &path)
{
    std::ifstream in(fs::u8path(path));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string &path, const std::string &text)
{
    std::ofstream(fs::u8path(path), std::ios::binary) << text;
}

bool path_exists(const std::string &path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(fs::u8path(path), error));
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
    // A new folder of our own: creating it fails when the name is taken.
    static unsigned serial = 0;
    const auto clock = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path base;
    for (int attempt = 0;; ++attempt) {
        ASSERT_LT(attempt, 100) << "cannot create a scratch folder";
        base = fs::temp_directory_path() /
               ("tavrik-unit-" + std::to_string(clock % 1000000007) + "-" + std::to_string(++serial));
        std::error_code error;
        if (fs::create_directory(base, error)) break;
    }
    base_dir = base.u8string();
    work_dir = base_dir + "/work";
    fs::create_directory(fs::u8path(work_dir));
    previous_dir = fs::current_path().u8string();
    fs::current_path(fs::u8path(work_dir));
}

void ScratchDirTest::TearDown()
{
    if (!previous_dir.empty()) fs::current_path(fs::u8path(previous_dir));
    std::error_code error;
    if (!base_dir.empty()) fs::remove_all(fs::u8path(base_dir), error);
}

std::vector<std::string> ScratchDirTest::work_entries() const { return sorted_entries(work_dir); }

std::vector<std::string> ScratchDirTest::base_entries() const { return sorted_entries(base_dir); }
