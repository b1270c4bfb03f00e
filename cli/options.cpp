#include "cli/options.h"

#include <cstring>

#include "system/platform.h"

namespace {

option_store store;

// Copies as much of the value as the field holds; reports whether any was cut.
int copy_value(char *field, std::size_t field_chars, const char *value)
{
    std::size_t length = std::strlen(value);
    int cut = length > field_chars;
    if (cut) length = field_chars;
    std::memcpy(field, value, length);
    field[length] = '\0';
    return cut;
}

void reset_store()
{
    store = option_store{};
    copy_value(store.body_suffix, name_max, "_mgr");
}

int end_with(parse_outcome *outcome, int status, const char *out_text, const char *err_format,
             const char *err_arg)
{
    outcome->exit_status = status;
    outcome->out_text = out_text;
    outcome->err_format = err_format;
    outcome->err_arg = err_arg;
    return 1;
}

}  // namespace

// The usage, help, version and option messages are fixed to the byte,
// spellings included ("opetare", "structre", "argments"): scripts match
// them, so a corrected word would break them. Leave them as they are.
const char usage_text[] =
    "usage: tavrik -i <inc_file> -n <struct_name> [-k <key_val>] [-K <key_string>] [-s <body_suffix>]\n";
const char help_text[] =
    "usage: tavrik -i <inc_file> -n <struct_name> [-k <key_val>] [-K <key_string>] [-s <body_suffix>]\n"
    "Structure opetare code generator\n"
    "    -i <inc_file>    input include file. (required)\n"
    "    -n <struct_name> structre name(case sensitive). (required)\n"
    "    -k <key_val>     primary key type `value'\n"
    "    -K <key_string>  primary key type `string'\n"
    "    -s <body_suffix> body suffix of the filename(default:_mgr)\n"
    "    -h               produce this help message\n"
    "    -V               report version\n";
// TAVRIK_VERSION comes from the build (project() in CMakeLists.txt).
const char version_text[] = "version " TAVRIK_VERSION "\n";
const char invalid_option_format[] = "option `%s' is invalid.\n";
const char too_few_arguments_text[] = "too few argments\nTry tavrik -h\n";
const char i_required_text[] = "option `-i' is required.\n";
const char n_required_text[] = "option `-n' is required.\n";
const char output_write_error_text[] = "file write error.(standard output)";
const char invalid_argument_format[] = "argument is not valid Unicode.(%d)\n";

int need_value(int i, int argc)
{
    if (i + 1 >= argc) return -1;
    return i + 1;
}

int parse_options(int argc, char **argv, parse_outcome *outcome)
{
    reset_store();
    if (argc < 2) return end_with(outcome, exit_failure, usage_text, nullptr, nullptr);
    if (argc == 2) {
        if (std::strcmp(argv[1], "-h") == 0) return end_with(outcome, exit_help, help_text, nullptr, nullptr);
        if (std::strcmp(argv[1], "-V") == 0) return end_with(outcome, exit_version, version_text, nullptr, nullptr);
    }

    int seen_i = 0;
    int seen_n = 0;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        char *field = nullptr;
        std::size_t field_chars = option_value_max;
        if (std::strcmp(arg, "-i") == 0) {
            field = store.inc_file;
            seen_i = 1;
        } else if (std::strcmp(arg, "-n") == 0) {
            field = store.struct_name;
            seen_n = 1;
        } else if (std::strcmp(arg, "-k") == 0) {
            field = store.key_val;
        } else if (std::strcmp(arg, "-K") == 0) {
            field = store.key_string;
        } else if (std::strcmp(arg, "-s") == 0) {
            field = store.body_suffix;
            field_chars = name_max;
        } else {
            return end_with(outcome, exit_option_error, nullptr, invalid_option_format, arg);
        }
        i = need_value(i, argc);
        if (i < 0) return end_with(outcome, exit_option_error, nullptr, too_few_arguments_text, nullptr);
        int cut = copy_value(field, field_chars, argv[i]);
        if (field == store.body_suffix) store.body_suffix_cut = cut;
    }
    if (!seen_i) return end_with(outcome, exit_option_error, nullptr, i_required_text, nullptr);
    if (!seen_n) return end_with(outcome, exit_option_error, nullptr, n_required_text, nullptr);
    return 0;
}

// The format's text with the argument in place of its "%s", written in
// pieces: an argument may be longer than any field.
void write_message(std::FILE *err, const char *format, const char *arg)
{
    const char *mark = std::strstr(format, "%s");
    if (arg == nullptr || mark == nullptr) {
        write_text(err, format);
        return;
    }
    char head[message_max + 1];
    std::size_t head_length = static_cast<std::size_t>(mark - format);
    if (head_length > message_max) head_length = message_max;
    std::memcpy(head, format, head_length);
    head[head_length] = '\0';
    write_text(err, head);
    write_text(err, arg);
    write_text(err, mark + 2);
}

int write_outcome(const parse_outcome *outcome, std::FILE *out, std::FILE *err)
{
    // Statuses 1 to 3 of a text say that it was printed: when standard output
    // would not take it, the run fails and says so instead.
    if (outcome->out_text && !write_text(out, outcome->out_text)) {
        const char *cause = system_cause();
        write_text(err, output_write_error_text);
        write_text(err, cause[0] != '\0' ? " " : "");
        write_text(err, cause);
        write_text(err, "\n");
        return exit_failure;
    }
    if (outcome->err_format) write_message(err, outcome->err_format, outcome->err_arg);
    return outcome->exit_status;
}

key_choice select_key()
{
    if (store.key_val[0] != '\0') return {store.key_val, 1};
    if (store.key_string[0] != '\0') return {store.key_string, 0};
    return {"", 0};
}

const char *get_inc_file() { return store.inc_file; }
const char *get_struct_name() { return store.struct_name; }
const char *get_key_val() { return store.key_val; }
const char *get_key_string() { return store.key_string; }
const char *get_body_suffix() { return store.body_suffix; }
int is_body_suffix_cut() { return store.body_suffix_cut; }
