#include "cli/front_end.h"

#include "cli/options.h"
#include "generator/gen_context.h"

int run_front_end(int argc, char **argv, std::FILE *out, std::FILE *err)
{
    parse_outcome outcome;
    if (parse_options(argc, argv, &outcome) != 0) return write_outcome(&outcome, out, err);

    key_choice key = select_key();
    if (generate_files(get_inc_file(), get_struct_name(), key.name, key.is_value) != 0) {
        std::fputs(get_failure_reason(), err);
        return exit_failure;
    }
    return exit_ok;
}
