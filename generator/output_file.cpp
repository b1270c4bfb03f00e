#include "generator/output_file.h"

#include <cerrno>
#include <cstring>

#include "generator/gen_context.h"

namespace {

// Large enough that a generated file goes out in one write.
char stream_buffer[1 << 16];

const char open_error_format[] = "file open error.(%s)\n";
const char write_error_format[] = "file write error.(%s)\n";

// Bounded so that a folder full of stale temporaries cannot stall the run.
constexpr int temp_name_attempts = 1000;

}  // namespace

int open_output(output_file *file, const char *final_name)
{
    file->stream = nullptr;
    file->final_name = final_name;
    // A short name of our own: the final name may be as long as the file
    // system allows, and a longer temporary one would fail where it would not.
    for (int attempt = 0; attempt < temp_name_attempts; ++attempt) {
        std::snprintf(file->temp_name, sizeof file->temp_name, ".tavrik-%d.tmp", attempt);
        errno = 0;
        // "x": never reuse a file that is already there (another run's, or the user's).
        file->stream = std::fopen(file->temp_name, "wx");
        if (file->stream != nullptr || errno != EEXIST) break;
    }
    if (file->stream == nullptr) {
        set_failure_reason(open_error_format, final_name);
        return 1;
    }
    std::setvbuf(file->stream, stream_buffer, _IOFBF, sizeof stream_buffer);
    return 0;
}

int commit_output(output_file *file)
{
    int failed = std::ferror(file->stream);
    if (std::fclose(file->stream) != 0) failed = 1;
    file->stream = nullptr;
    if (failed) {
        std::remove(file->temp_name);
        set_failure_reason(write_error_format, file->final_name);
        return 1;
    }
    if (std::rename(file->temp_name, file->final_name) != 0) {
        std::remove(file->temp_name);
        set_failure_reason(open_error_format, file->final_name);
        return 1;
    }
    return 0;
}
