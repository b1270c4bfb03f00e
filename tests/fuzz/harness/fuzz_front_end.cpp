// libFuzzer harness: each input is one tavrik command line, run in-process in
// a private folder. After the run it checks what the tool promises about exit
// statuses and files, not merely that nothing crashed, and aborts with a
// message on the first broken promise.
//
// Input layout: byte 0 holds the folder flags below; the rest is split on NUL
// bytes (which no real argument can hold) into the arguments after
// argv[0] = "tavrik". So empty arguments, very long ones and bytes above 0x7F
// all occur.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "cli/front_end.h"
#include "cli/options.h"
#include "generator/gen_context.h"
#include "generator/generate_files.h"
#include "generator/limits.h"

namespace fs = std::filesystem;

namespace {

// How the private folder is prepared before the run (byte 0 of the input).
constexpr unsigned place_include = 1;    // create the -i file (when it names one in the folder)
constexpr unsigned include_is_link = 2;  // ... as a link to a real file target.h
constexpr unsigned link_is_hard = 4;     // ... a hard link rather than a symbolic one
constexpr unsigned stale_temps = 8;      // someone else's .tavrik-0.tmp and .tavrik-1.tmp
constexpr unsigned block_header = 16;    // a folder where the header would go
constexpr unsigned block_source = 32;    // a folder where the source file would go
constexpr unsigned header_is_link = 64;  // a symbolic link to the placed include file where the header would go

constexpr int max_arguments = 64;
constexpr char link_target[] = "target.h";
constexpr char include_text[] = "typedef struct { int id; char name[8]; } Item;\n";
constexpr char stale_text[] = "not tavrik's\n";

std::string fuzz_root;  // made for this process; holds nothing but the private folder
std::string work_dir;   // the private folder: the tool's current directory
std::FILE *sink;        // the tool's standard output and error
std::string current_input;  // printed with a broken promise
int start_folder = -1;      // libFuzzer's own current directory, for its corpus and artifacts

void remove_root()
{
    if (fuzz_root.empty()) return;
    if (fchdir(start_folder) != 0) return;
    std::error_code error;
    fs::remove_all(fuzz_root, error);
    fuzz_root.clear();
}

[[noreturn]] void broken(const char *format, ...)
{
    std::fprintf(stderr, "\nbroken promise: ");
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fprintf(stderr, "\ncommand line (NUL-separated, flags byte first): ");
    for (unsigned char c : current_input) {
        if (c >= 0x20 && c < 0x7F && c != '\\')
            std::fputc(c, stderr);
        else
            std::fprintf(stderr, "\\x%02x", c);
    }
    std::fprintf(stderr, "\n");
    remove_root();
    std::abort();
}

// ---- what the command line asks for, modelled independently of the tool -------------

struct expectation {
    int status;  // 1, 2, 3 or 4 when the scan ends the run; -1 when generation follows
    std::string inc_file, struct_name, key_val, key_string;
    std::string body_suffix = "_mgr";
};

expectation scan(const std::vector<std::string> &args)
{
    expectation e;
    e.status = 4;
    if (args.empty()) {
        e.status = 1;
        return e;
    }
    if (args.size() == 1 && args[0] == "-h") {
        e.status = 2;
        return e;
    }
    if (args.size() == 1 && args[0] == "-V") {
        e.status = 3;
        return e;
    }
    bool seen_i = false;
    bool seen_n = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string *field;
        if (args[i] == "-i") {
            field = &e.inc_file;
            seen_i = true;
        } else if (args[i] == "-n") {
            field = &e.struct_name;
            seen_n = true;
        } else if (args[i] == "-k") {
            field = &e.key_val;
        } else if (args[i] == "-K") {
            field = &e.key_string;
        } else if (args[i] == "-s") {
            field = &e.body_suffix;
        } else {
            return e;
        }
        if (i + 1 >= args.size()) return e;
        *field = args[++i];
    }
    if (seen_i && seen_n) e.status = -1;
    return e;
}

std::string map_case(const std::string &text, char from, char to)
{
    std::string mapped = text;
    for (char &c : mapped)
        if (c >= from && c <= from + 25) c = static_cast<char>(c - from + to);
    return mapped;
}

// ---- the private folder ----------------------------------------------------

struct entry {
    char type;  // 'f' file, 'd' folder, 'l' link, '?' other
    ino_t inode;
};

using listing = std::map<std::string, entry>;

void list_into(listing &into, const std::string &folder, const std::string &prefix)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        struct stat st;
        if (lstat(it->path().c_str(), &st) != 0) broken("lstat of %s failed", name.c_str());
        char type = S_ISREG(st.st_mode) ? 'f' : S_ISDIR(st.st_mode) ? 'd' : S_ISLNK(st.st_mode) ? 'l' : '?';
        into[prefix + name] = entry{type, st.st_ino};
        if (type == 'd') list_into(into, it->path().string(), prefix + name + "/");
    }
    if (error) broken("cannot list %s: %s", folder.c_str(), error.message().c_str());
}

listing list_folder(const std::string &folder)
{
    listing entries;
    list_into(entries, folder, "");
    return entries;
}

bool read_file(const std::string &path, std::string *content)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    content->clear();
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content->append(buffer, got);
    std::fclose(file);
    return true;
}

bool write_new_file(const std::string &path, const char *text)
{
    std::FILE *file = std::fopen(path.c_str(), "wx");
    if (file == nullptr) return false;
    std::fputs(text, file);
    return std::fclose(file) == 0;
}

// A file placed before the run that the run must leave exactly as it was.
struct watched {
    std::string path;
    struct stat before;
    std::string content;
    std::string link;  // where a symbolic link points
};

std::vector<watched> watch_list;
bool header_linked;  // the header's name leads to the include file

void watch(const std::string &path)
{
    watched w;
    w.path = path;
    if (lstat(path.c_str(), &w.before) != 0) broken("cannot stat the placed %s", path.c_str());
    if (!read_file(path, &w.content)) broken("cannot read the placed %s", path.c_str());
    if (S_ISLNK(w.before.st_mode)) {
        char target[PATH_MAX];
        ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length < 0) broken("cannot read the placed link %s", path.c_str());
        w.link.assign(target, static_cast<std::size_t>(length));
    }
    watch_list.push_back(w);
}

void check_watched()
{
    for (const watched &w : watch_list) {
        struct stat now;
        if (lstat(w.path.c_str(), &now) != 0) broken("placed file %s is gone", w.path.c_str());
        if (now.st_ino != w.before.st_ino || (now.st_mode & S_IFMT) != (w.before.st_mode & S_IFMT))
            broken("placed file %s was replaced", w.path.c_str());
        std::string content;
        if (!read_file(w.path, &content) || content != w.content)
            broken("placed file %s was changed", w.path.c_str());
        if (S_ISLNK(now.st_mode)) {
            char target[PATH_MAX];
            ssize_t length = readlink(w.path.c_str(), target, sizeof target);
            if (length < 0 || std::string(target, static_cast<std::size_t>(length)) != w.link)
                broken("placed link %s points elsewhere", w.path.c_str());
        }
    }
}

// The -i value names a file directly in the private folder (possibly through
// "./" or "sub/../"), so placing it cannot touch anything outside.
bool names_file_in_folder(const std::string &inc_file)
{
    if (inc_file.empty() || inc_file.size() > name_max) return false;
    fs::path normal = fs::path(inc_file).lexically_normal();
    return normal.is_relative() && normal == normal.filename() && normal != "." && normal != "..";
}

void place_files(unsigned flags, const expectation &e, const std::string &header, const std::string &source)
{
    if (flags & stale_temps) {
        for (const char *name : {".tavrik-0.tmp", ".tavrik-1.tmp"}) {
            if (!write_new_file(name, stale_text)) broken("cannot place %s", name);
            watch(name);
        }
    }
    if (e.status != -1) return;
    if ((flags & place_include) && names_file_in_folder(e.inc_file)) {
        if (mkdir("sub", 0700) != 0) broken("cannot make sub");
        std::string normal = fs::path(e.inc_file).lexically_normal().string();
        std::size_t watched_before = watch_list.size();
        if (flags & include_is_link) {
            if (!write_new_file(link_target, include_text)) broken("cannot place %s", link_target);
            int made = (flags & link_is_hard) ? link(link_target, e.inc_file.c_str())
                                              : symlink(link_target, e.inc_file.c_str());
            if (made == 0) {
                watch(e.inc_file);
                watch(link_target);
            } else if (normal == link_target) {
                watch(link_target);
            } else {
                std::remove(link_target);
            }
        } else if (write_new_file(e.inc_file, include_text)) {
            watch(e.inc_file);
        }
        bool placed = watch_list.size() > watched_before;
        if ((flags & header_is_link) && placed && !header.empty() &&
            symlink(normal.c_str(), header.c_str()) == 0)
            header_linked = true;
    }
    // Folders in the way make the writers fail after their temporary file is written.
    if ((flags & block_header) && !header.empty()) mkdir(header.c_str(), 0700);
    if ((flags & block_source) && !source.empty()) mkdir(source.c_str(), 0700);
}

void empty_folder()
{
    std::error_code error;
    for (fs::directory_iterator it(work_dir, error), end; !error && it != end; it.increment(error)) {
        std::error_code remove_error;
        fs::remove_all(it->path(), remove_error);
        if (remove_error) broken("cannot empty the private folder: %s", remove_error.message().c_str());
    }
    if (error) broken("cannot list the private folder: %s", error.message().c_str());
}

// ---- the checks --------------------------------------------------------------

void check_store(const expectation &e)
{
    // Each of the first four fields keeps at least 256 characters of its value.
    struct {
        const char *name;
        const std::string &value;
        const char *stored;
    } fields[] = {
        {"inc_file", e.inc_file, get_inc_file()},
        {"struct_name", e.struct_name, get_struct_name()},
        {"key_val", e.key_val, get_key_val()},
        {"key_string", e.key_string, get_key_string()},
    };
    for (const auto &f : fields) {
        std::string stored = f.stored;
        bool ok = f.value.size() <= option_value_max ? stored == f.value
                                                     : stored.size() >= option_value_max &&
                                                           f.value.compare(0, stored.size(), stored) == 0;
        if (!ok) broken("option field %s holds %zu characters that are not its value", f.name, stored.size());
    }
    std::string suffix = get_body_suffix();
    if (e.body_suffix.size() <= name_max) {
        if (suffix != e.body_suffix || is_body_suffix_cut()) broken("body_suffix is not its value");
    } else if (!is_body_suffix_cut() || e.body_suffix.compare(0, suffix.size(), suffix) != 0) {
        broken("an over-long suffix was not marked as cut");
    }
}

// The guard macro's form of a text: ASCII characters that cannot stand in an
// identifier become '_'; bytes above 0x7F stay.
std::string guard_part(const std::string &text)
{
    std::string part = map_case(text, 'a', 'A');
    for (char &c : part) {
        unsigned char u = static_cast<unsigned char>(c);
        bool keep = u > 0x7F || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_';
        if (!keep) c = '_';
    }
    return part;
}

bool ends_with(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The header's frame rows and its first prototype, with the request's names
// (however long or odd) written in full.
void check_header(const expectation &e, const std::string &header)
{
    std::string text;
    if (!read_file(header, &text)) broken("cannot read the header");
    std::string guard = guard_part(e.struct_name) + guard_part(e.body_suffix) + "_H";
    if (text.compare(0, 8 + guard.size() + 1, "#ifndef " + guard + "\n") != 0)
        broken("the header's first line is not its guard line");
    std::string head = "#ifndef " + guard + "\n#define " + guard + " 1\n#include \"" + e.inc_file + "\"\n\n" +
                       "/* container operation */\nextern int " + map_case(e.struct_name, 'A', 'a') +
                       "_push_back( const " + e.struct_name + " * );\n";
    if (text.compare(0, head.size(), head) != 0) broken("the header does not open with its guard, include and first prototype");
    if (!ends_with(text, "\n#endif  /* !" + guard + " */\n")) broken("the header does not end with its guard's #endif");
}

void check_source(const expectation &e, const std::string &source)
{
    std::string text;
    if (!read_file(source, &text)) broken("cannot read the source file");
    std::string head = "#include <stdio.h>\n#include <stdlib.h>\n#include <string.h>\n#include \"" + e.inc_file + "\"\n\n";
    if (text.compare(0, head.size(), head) != 0) broken("the source file does not open with its includes");
}

bool starts_with(const std::string &text, const std::string &start) { return text.compare(0, start.size(), start) == 0; }

// The reason a failed run leaves: the one its request calls for when that is
// decided before any file is opened, otherwise one of the file reasons.
void check_reason(const std::string &reason, const expectation &e, const std::string &key, const std::string &header)
{
    std::string expected;
    if (e.inc_file.size() > name_max || e.struct_name.size() > name_max || key.size() > name_max)
        expected = "string is too long.\n";
    else if (e.body_suffix.size() > name_max || header.size() > file_name_max)
        expected = "file name is too long.\n";
    else if (header.find('/') != std::string::npos)
        expected = "output file outside the current directory.(" + header + ")\n";
    if (!expected.empty()) {
        if (reason != expected) broken("reason \"%s\" where \"%s\" is due", reason.c_str(), expected.c_str());
        return;
    }
    // The file reasons may end in the system's cause (a name may hold a line end).
    bool known = starts_with(reason, "output file is the include file.(") || starts_with(reason, "file open error.(") ||
                 starts_with(reason, "file write error.(") || starts_with(reason, "file rename error.(") ||
                 starts_with(reason, "no free temporary file name.(") ||
                 starts_with(reason, "include file check error.(");
    if (!known || reason.find(')') == std::string::npos || reason.back() != '\n')
        broken("unknown reason \"%s\"", reason.c_str());
}

void check_run(unsigned flags, const expectation &e, int status, const listing &before)
{
    if (status < 0 || status > 4) broken("exit status %d", status);

    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr || work_dir != cwd) broken("the run left the private folder");
    std::error_code error;
    int in_root = 0;
    for (fs::directory_iterator it(fuzz_root, error), end; !error && it != end; it.increment(error))
        if (++in_root > 1 || it->path().filename() != "run") broken("something was created outside the private folder");
    if (error || in_root != 1) broken("the private folder is gone");
    check_watched();

    listing after = list_folder(work_dir);
    if (e.status != -1) {
        if (status != e.status) broken("exit status %d where the scan ends with %d", status, e.status);
        if (after.size() != before.size()) broken("status %d created a file", status);
        return;
    }
    check_store(e);

    const std::string &key = e.key_val.empty() ? e.key_string : e.key_val;
    std::string stem = map_case(e.struct_name, 'A', 'a');
    std::string header = stem + e.body_suffix + ".h";
    std::string source = stem + e.body_suffix + ".c";
    bool refused = e.inc_file.size() > name_max || e.struct_name.size() > name_max || key.size() > name_max ||
                   e.body_suffix.size() > name_max || header.size() > file_name_max ||
                   header.find('/') != std::string::npos;
    // Nothing could make the run fail: the names fit the file system, no
    // folder is in the way, and the include file cannot be an output (its
    // normalised name differs from both, and no link leads to one).
    // Trailing separators and "." components name the file they follow.
    std::string include_name = e.inc_file;
    while (include_name.size() > 1 && (include_name.back() == '/' ||
                                       (include_name.back() == '.' && include_name[include_name.size() - 2] == '/')))
        include_name.pop_back();
    std::string include_leaf = fs::path(include_name).lexically_normal().filename().string();
    bool plain = !refused && header.size() <= name_max && !(flags & (block_header | block_source)) && !header_linked &&
                 include_leaf != header && include_leaf != source &&
                 (!(flags & include_is_link) || (header != link_target && source != link_target));

    // Everything new in the folder, and anything that changed kind or identity.
    std::vector<std::string> created;
    for (const auto &[name, what] : after) {
        auto old = before.find(name);
        if (old == before.end() || old->second.type != what.type || old->second.inode != what.inode)
            created.push_back(name);
    }
    for (const auto &[name, what] : before)
        if (after.count(name) == 0) broken("%s disappeared", name.c_str());

    if (status != 0 && status != 1) broken("generation ended with status %d", status);
    const char *reason = get_failure_reason();
    if (status == 1) {
        if (reason[0] == '\0') broken("status 1 without a reason");
        check_reason(reason, e, key, header);
        // Only the header may stay behind, and only when it was written.
        for (const std::string &name : created)
            if (name != header) broken("status 1 left %s behind", name.c_str());
        if (!created.empty()) check_header(e, header);
        if (plain) broken("status 1 for a request nothing stands in the way of: %s", reason);
        return;
    }

    if (refused) broken("status 0 for a request that must be refused");
    if (header_linked) broken("status 0 though the header's name leads to the include file");
    if (reason[0] != '\0') broken("status 0 with a reason left behind");
    if (created.size() != 2 || after.count(header) != 1 || after.count(source) != 1 ||
        after.at(header).type != 'f' || after.at(source).type != 'f')
        broken("status 0 without exactly the two files named from the structure name and suffix");
    check_header(e, header);
    check_source(e, source);
    if (std::string(g_context.type_name) != e.struct_name || std::string(g_context.lower_name) != stem ||
        std::string(g_context.key_name) != key || g_context.has_key != !key.empty())
        broken("the generation context does not hold the request's names");
}

// Runs before libFuzzer reads its flags: a crash inside the tool happens in
// the private folder, so crash files need a prefix that does not depend on it.
void add_artifact_prefix(int *argc, char ***argv)
{
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-artifact_prefix=", 17) == 0 || std::strncmp((*argv)[i], "-exact_artifact_path=", 21) == 0)
            return;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) return;
    static std::string prefix = std::string("-artifact_prefix=") + cwd + "/";
    static std::vector<char *> args;
    args.assign(*argv, *argv + *argc);
    args.push_back(prefix.data());
    args.push_back(nullptr);
    *argc += 1;
    *argv = args.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    add_artifact_prefix(argc, argv);
    start_folder = open(".", O_RDONLY | O_DIRECTORY);
    if (start_folder < 0) {
        std::perror("open .");
        std::abort();
    }
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "tavrik-fuzz-XXXXXX").string();
    if (error) pattern = "/tmp/tavrik-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    fuzz_root = name.data();
    work_dir = fuzz_root + "/run";
    if (mkdir(work_dir.c_str(), 0700) != 0) broken("cannot make the private folder");
    // Spelled the way getcwd spells it, which the checks compare with.
    work_dir = fs::canonical(work_dir).string();
    fuzz_root = fs::path(work_dir).parent_path().string();
    sink = std::fopen("/dev/null", "w");
    if (sink == nullptr) broken("cannot open /dev/null");
    std::atexit(remove_root);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0) return 0;
    current_input.assign(reinterpret_cast<const char *>(data), size);
    unsigned flags = data[0];

    std::vector<std::string> args;
    if (size > 1) {
        std::string rest(reinterpret_cast<const char *>(data) + 1, size - 1);
        std::size_t start = 0;
        for (;;) {
            std::size_t end = rest.find('\0', start);
            args.push_back(rest.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    if (args.size() > max_arguments) return 0;

    expectation e = scan(args);
    std::string header;
    std::string source;
    if (e.status == -1 && e.body_suffix.size() <= name_max) {
        std::string stem = map_case(e.struct_name, 'A', 'a');
        header = stem + e.body_suffix + ".h";
        source = stem + e.body_suffix + ".c";
        if (header.find('/') != std::string::npos) header = source = "";
    }
    // Only for this input: libFuzzer resolves its own relative paths between inputs.
    if (chdir(work_dir.c_str()) != 0) broken("cannot enter the private folder");
    header_linked = false;
    place_files(flags, e, header, source);
    listing before = list_folder(work_dir);

    std::vector<char *> argv;
    argv.push_back(const_cast<char *>("tavrik"));
    for (std::string &arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int status = run_front_end(static_cast<int>(args.size() + 1), argv.data(), sink, sink);

    check_run(flags, e, status, before);
    watch_list.clear();
    empty_folder();
    if (fchdir(start_folder) != 0) broken("cannot leave the private folder");
    return 0;
}
