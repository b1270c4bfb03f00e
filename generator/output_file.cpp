#include "generator/output_file.h"

#include <cerrno>
#include <cstring>

#include "generator/gen_context.h"
#include "generator/platform.h"

namespace {

// Large enough that a generated file goes out in one write.
char stream_buffer[1 << 16];

const char open_error_format[] = "file open error.(%s)";
const char write_error_format[] = "file write error.(%s)";
const char rename_error_format[] = "file rename error.(%s)";
const char no_temp_name_format[] = "no free temporary file name.(%s)";

// "<format with the file name> <cause>[ (left <temporary>)]\n" as the run's
// reason; a temporary that could not be removed is named, so that the user
// knows what to delete.
int fail(const char *format, const char *file_name, const char *left_temp = nullptr)
{
    char head[file_name_max + 64];
    std::snprintf(head, sizeof head, format, file_name);
    char left[temp_name_max + 16] = "";
    if (left_temp != nullptr) std::snprintf(left, sizeof left, " (left %s)", left_temp);
    const char *cause = system_cause();
    char text[failure_reason_max + 1];
    std::snprintf(text, sizeof text, "%s%s%s%s\n", head, cause[0] != '\0' ? " " : "", cause, left);
    set_failure_reason("%s", text);
    return 1;
}

// Removes the temporary after a failure; its name when it stays.
const char *remove_temporary(output_file *file)
{
    char cause[cause_max + 1];
    std::strcpy(cause, system_cause());  // the failure's own cause comes first
    int left = remove_file(file->temp_name);
    set_cause(cause);
    hold_interrupts();
    set_pending(nullptr);
    release_interrupts();
    return left ? file->temp_name : nullptr;
}

}  // namespace

int open_output(output_file *file, const char *final_name)
{
    file->stream = nullptr;
    file->final_name = final_name;
    set_cause("");
    prepare_interrupts();
    // A short name of our own: the final name may be as long as the file
    // system allows, and a longer temporary one would fail where it would not.
    // The process id keeps parallel runs and stale files of killed runs apart.
    create_result result = name_taken;
    for (int attempt = 0; attempt < temp_name_attempts && result == name_taken; ++attempt) {
        std::snprintf(file->temp_name, sizeof file->temp_name, ".tavrik-%ld-%d.tmp", process_id(), attempt);
        hold_interrupts();
        result = create_exclusive(file->temp_name, &file->stream);
        if (result == created) set_pending(file->temp_name);
        release_interrupts();
    }
    if (result == name_taken) return fail(no_temp_name_format, final_name);
    if (result == create_failed) return fail(open_error_format, final_name);
    std::setvbuf(file->stream, stream_buffer, _IOFBF, sizeof stream_buffer);
    errno = 0;  // so that a failed write's cause is its own
    return 0;
}

int commit_output(output_file *file)
{
    // A failed write leaves its errno; the flush and close report their own.
    int write_failed = std::ferror(file->stream);
    int error = write_failed ? errno : 0;
    if (std::fflush(file->stream) != 0) {
        if (!write_failed) error = errno;
        write_failed = 1;
    }
    if (std::fclose(file->stream) != 0) {
        if (!write_failed) error = errno;
        write_failed = 1;
    }
    file->stream = nullptr;
    if (write_failed) {
        set_cause_from_errno(error);
        return fail(write_error_format, file->final_name, remove_temporary(file));
    }
    // Not held: on Windows the replace may wait for another process's handle,
    // and an interrupt meanwhile must still remove the temporary.
    if (replace_file(file->temp_name, file->final_name) != 0)
        return fail(rename_error_format, file->final_name, remove_temporary(file));
    hold_interrupts();
    set_pending(nullptr);
    release_interrupts();
    return 0;
}
