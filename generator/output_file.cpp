#include "generator/output_file.h"

#include <cerrno>
#include <cstring>

#include "generator/generate_files.h"
#include "generator/include_check.h"
#include "system/platform.h"

namespace {

// Large enough that a generated file goes out in one write.
char stream_buffer[1 << 16];

const char open_error_format[] = "file open error.(%s)";
const char write_error_format[] = "file write error.(%s)";
const char rename_error_format[] = "file rename error.(%s)";
const char no_temp_name_format[] = "no free temporary file name.(%s)";

void forget_temporary()
{
    hold_interrupts();
    set_pending(pending_temporary, nullptr);
    release_interrupts();
}

// Removes a file after a failure, keeping the failure's own cause, which
// comes first; the name when the file stays.
const char *remove_after_failure(const char *name)
{
    char cause[cause_max + 1];
    std::strcpy(cause, system_cause());
    bool removed = remove_file(name);
    set_cause(cause);
    return removed ? nullptr : name;
}

const char *remove_temporary(output_file *file)
{
    const char *left = remove_after_failure(file->temp_name);
    forget_temporary();
    return left;
}

// The first failure of flushing or closing, with its errno (a failed write
// leaves its own).
void note_write_failure(int *failed, int *error)
{
    if (!*failed) *error = errno;
    *failed = 1;
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
    bool created = false;
    bool taken = true;
    for (int attempt = 0; attempt < temp_name_attempts && taken; ++attempt) {
        std::snprintf(file->temp_name, sizeof file->temp_name, ".tavrik-%ld-%d.tmp", process_id(), attempt);
        hold_interrupts();
        created = create_exclusive(file->temp_name, &file->stream);
        if (created) set_pending(pending_temporary, file->temp_name);
        release_interrupts();
        taken = !created && last_failure() == failure_kind::taken;
    }
    if (taken) {
        set_cause("");
        return report_failure(no_temp_name_format, final_name, nullptr);
    }
    if (!created) return report_failure(open_error_format, final_name, nullptr);
    std::setvbuf(file->stream, stream_buffer, _IOFBF, sizeof stream_buffer);
    errno = 0;  // so that a failed write's cause is its own
    return 0;
}

int commit_output(output_file *file)
{
    int write_failed = std::ferror(file->stream);
    int error = write_failed ? errno : 0;
    if (std::fflush(file->stream) != 0) note_write_failure(&write_failed, &error);
    // Judged again just before the file takes its name, so that a link or a
    // folder changed while it was written is seen.
    const char *output_name = nullptr;
    int verdict = write_failed ? include_clear : check_include_again(file->stream, file->temp_name, &output_name);
    if (std::fclose(file->stream) != 0) note_write_failure(&write_failed, &error);
    file->stream = nullptr;
    if (verdict != include_clear) {
        const char *format = verdict == include_clash ? include_clash_format : include_check_error_format;
        return report_failure(format, output_name, remove_temporary(file));
    }
    if (write_failed) {
        set_cause_from_errno(error);
        return report_failure(write_error_format, file->final_name, remove_temporary(file));
    }
    // Not held: on Windows the replace may wait for another process's handle,
    // and an interrupt meanwhile must still remove the temporary.
    if (!replace_file(file->temp_name, file->final_name))
        return report_failure(rename_error_format, file->final_name, remove_temporary(file));
    forget_temporary();
    // The include named nothing before; should it lead to the new file now,
    // the file goes, so that the include does not name generated text.
    verdict = check_include_after_rename(file->final_name);
    if (verdict != include_clear) {
        const char *format = verdict == include_clash ? include_clash_format : include_check_error_format;
        return report_failure(format, file->final_name, remove_after_failure(file->final_name));
    }
    return 0;
}
