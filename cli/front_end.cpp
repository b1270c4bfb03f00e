#include "cli/front_end.h"

#include "cli/options.h"
#include "generator/generate_files.h"
#include "system/platform.h"

int run_front_end(int argc, char **argv, std::FILE *out, std::FILE *err)
{
    parse_outcome outcome;
    if (parse_options(argc, argv, &outcome) != 0) return write_outcome(&outcome, out, err);

    key_choice key = select_key();
    if (generate_files(get_inc_file(), get_struct_name(), key.name, key.is_value) != 0) {
        write_text(err, get_failure_reason());
        return exit_failure;
    }
    return exit_ok;
}

int report_invalid_argument(int position, std::FILE *err)
{
    char text[message_max + 16];
    std::snprintf(text, sizeof text, invalid_argument_format, position);
    write_text(err, text);
    return exit_failure;
}
