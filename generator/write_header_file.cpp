#include <cstring>

#include "cli/options.h"
#include "generator/emit.h"
#include "generator/gen_context.h"
#include "generator/output_file.h"
#include "generator/writers.h"

int write_header_file(const char *file_name)
{
    output_file file;
    if (open_output(&file, file_name) != 0) return 1;
    std::FILE *out = file.stream;
    // The guard is one macro name whatever the suffix holds (".gen", "-x"):
    // otherwise it guards nothing and defines a macro named after the type.
    char U[name_max + 1];
    std::strcpy(U, g_context.upper_name);
    replace_non_identifier(U);
    char upper_suffix[name_max + 1];
    copy_upper(upper_suffix, get_body_suffix());
    replace_non_identifier(upper_suffix);

    std::fprintf(out, "#ifndef %s%s_H\n", U, upper_suffix);
    std::fprintf(out, "#define %s%s_H 1\n", U, upper_suffix);
    std::fprintf(out, "#include \"%s\"\n", g_context.include_name);
    std::fprintf(out, "\n");
    emit_prototypes(out, "extern ");
    std::fprintf(out, "\n");
    std::fprintf(out, "#endif  /* !%s%s_H */\n", U, upper_suffix);

    return commit_output(&file);
}
