#include "generator/include_check.h"

#include <cstdlib>
#include <cstring>

#include "generator/output_file.h"
#include "system/platform.h"

const char include_clash_format[] = "output file is the include file.(%s)";
const char include_check_error_format[] = "include file check error.(%s)";

namespace {

// Links followed from an include name, as far as a system follows them.
constexpr int links_followed_max = 40;

constexpr int output_count = 2;  // the header and the source

// The request, kept by check_include_first for the later judgements.
const char *include_spelling;
const char *outputs[output_count];

// Whether the include spelling named no file at the last judgement.
bool include_was_absent;

// What judging found, output by output; a clash outranks a failed check.
struct findings {
    bool clash[output_count];
    bool failed[output_count];
    char cause[cause_max + 1];  // of the first failed call
};

// The temporary an output is written under, and the token that marks it
// while the run looks for it.
struct probe {
    std::FILE *stream;
    const char *temp_name;
    long long content_length;
    bool token_written;
    char token[token_max + 1];
};

// Texts made while judging, every one released when the judgement ends
// (no destructors: the tool has no C++ runtime to unwind with).
struct scratch_block {
    scratch_block *next;
};
scratch_block *scratch = nullptr;

bool new_text(std::size_t size, char **text)
{
    char *block = nullptr;
    if (!allocate_text(sizeof(scratch_block) + size, &block)) return false;
    scratch_block *head = reinterpret_cast<scratch_block *>(block);
    head->next = scratch;
    scratch = head;
    *text = block + sizeof(scratch_block);
    return true;
}

void release_scratch()
{
    while (scratch != nullptr) {
        scratch_block *next = scratch->next;
        std::free(scratch);
        scratch = next;
    }
}

// head (its first head_length bytes) followed by tail; false when there is
// no memory for it.
bool join(const char *head, std::size_t head_length, const char *tail, char **joined)
{
    std::size_t tail_length = std::strlen(tail);
    if (!new_text(head_length + tail_length + 1, joined)) return false;
    std::memcpy(*joined, head, head_length);
    std::memcpy(*joined + head_length, tail, tail_length + 1);
    return true;
}

// A text the system layer allocated, taken into the scratch texts.
bool adopt(char *allocated, char **text)
{
    bool copied = join(allocated, std::strlen(allocated), "", text);
    std::free(allocated);
    return copied;
}

// A failed call while judging outputs that the spelling could name (all of
// them when it could name none by its spelling, as through a link).
void note_failure(findings *f, const bool could[output_count])
{
    if (!f->failed[0] && !f->failed[1]) std::strcpy(f->cause, system_cause());
    bool any = could[0] || could[1];
    for (int k = 0; k < output_count; ++k)
        if (could[k] || !any) f->failed[k] = true;
}

const bool every_output[output_count] = {true, true};

bool still_open(const findings *f, const bool could[output_count])
{
    for (int k = 0; k < output_count; ++k)
        if (could[k] && !f->clash[k]) return true;
    return false;
}

bool same_identity(const file_identity &a, const file_identity &b) { return a.volume == b.volume && a.index == b.index; }

// A look-up that failed because nothing by that name is there, or can be.
bool names_nothing(failure_kind kind) { return kind == failure_kind::absent || kind == failure_kind::bad_name; }

// 1 when the file under that name is the one marked with the token after
// content_length bytes, 0 when there is none or another, -1 on a failure.
int find_marked_file(const char *name, long long content_length, const char *token)
{
    std::size_t token_length = std::strlen(token);
    char tail[token_max + 1];
    long long length = 0;
    if (!read_tail(name, &length, tail, token_length)) return names_nothing(last_failure()) ? 0 : -1;
    return length == content_length + static_cast<long long>(token_length) &&
           std::memcmp(tail, token, token_length) == 0;
}

bool write_token(probe *p)
{
    if (p->token_written) return true;
    if (!file_length(p->stream, &p->content_length)) return false;
    unique_token(p->token, sizeof p->token);
    if (!write_text(p->stream, p->token)) return false;
    p->token_written = true;
    return true;
}

void judge(const char *spelling, int links_left, probe *p, findings *f);

// Hard links and links to an output that exists: one file by identity. An
// output that cannot be identified (a link that leads nowhere) is not the
// include file: the rename replaces the link, never what it leads to.
void judge_identity(const char *name, findings *f)
{
    file_identity output_ids[output_count];
    bool present[output_count];
    bool any_present = false;
    for (int k = 0; k < output_count; ++k) {
        present[k] = identify(outputs[k], &output_ids[k]);
        any_present = any_present || present[k];
    }
    if (!any_present) return;
    file_identity include_id;
    if (!identify(name, &include_id)) {
        if (!names_nothing(last_failure())) note_failure(f, every_output);
        return;
    }
    for (int k = 0; k < output_count; ++k)
        if (present[k] && same_identity(include_id, output_ids[k])) f->clash[k] = true;
}

// A link is judged by what it points to as well, whether that exists or not:
// writing the output would make a link to it lead there.
void judge_link(const char *name, const char *folder, std::size_t folder_length, int links_left, probe *p,
                findings *f)
{
    bool is_link = false;
    char *allocated = nullptr;
    if (!read_link(name, &is_link, &allocated)) {
        if (!names_nothing(last_failure())) note_failure(f, every_output);
        return;
    }
    if (!is_link) return;
    char *target = nullptr;
    if (!adopt(allocated, &target)) return note_failure(f, every_output);
    if (links_left == 0) {
        fail_with_link_loop();
        note_failure(f, every_output);
        return;
    }
    if (!is_relative(target, std::strlen(target), host_name_style())) return judge(target, links_left - 1, p, f);
    char *next = nullptr;  // a relative target starts from the link's own folder
    if (!join(folder, folder_length, target, &next)) return note_failure(f, every_output);
    judge(next, links_left - 1, p, f);
}

// Where the folder does not exist, the spelling is all there is to judge.
void judge_as_text(const char *name, const bool could[output_count], findings *f)
{
    const name_style style = host_name_style();
    std::size_t length = std::strlen(name);
    char *path = nullptr;
    if (is_relative(name, length, style)) {
        if (!join(name, length, "", &path)) return note_failure(f, could);
        length = normalize(path, length, style);
        if (!climbs_out(path, length)) {
            for (int k = 0; k < output_count; ++k)
                if (could[k] && same_name(path, length, outputs[k], std::strlen(outputs[k]), style))
                    f->clash[k] = true;
            return;
        }
    }
    char *allocated = nullptr;
    if (!absolute_name(name, &allocated) || !adopt(allocated, &path)) return note_failure(f, could);
    length = normalize(path, std::strlen(path), style);
    for (int k = 0; k < output_count; ++k) {
        if (!could[k]) continue;
        char *output = nullptr;
        if (!absolute_name(outputs[k], &allocated) || !adopt(allocated, &output)) return note_failure(f, could);
        std::size_t output_length = normalize(output, std::strlen(output), style);
        if (same_name(path, length, output, output_length, style)) f->clash[k] = true;
    }
}

// Makes a folder of this run's own beside the temporary, for a probe file.
bool make_private_folder(char *name, std::size_t size)
{
    for (int attempt = 0; attempt < temp_name_attempts; ++attempt) {
        std::snprintf(name, size, ".tavrik-%ld-%d.d", process_id(), attempt);
        hold_interrupts();
        bool made = make_folder(name);
        if (made) set_pending(pending_probe_folder, name);
        release_interrupts();
        if (made) return true;
        if (last_failure() != failure_kind::taken) return false;
    }
    return false;  // every name taken by folders of earlier runs
}

// Asks the current folder whether the include's last component and an
// output name are one name there: a file named like the output, made in a
// folder of this run's own, is looked for under the include's name through
// the include's folder. A name the folder cannot hold is no output's name.
void ask_folder(const char *folder, std::size_t folder_length, const char *last, int k, const probe *p,
                findings *f)
{
    const bool this_output[output_count] = {k == 0, k == 1};
    char private_folder[temp_name_max + 1];
    char *probe_name = nullptr;
    char *lookup_name = nullptr;
    if (!make_private_folder(private_folder, sizeof private_folder)) return note_failure(f, this_output);
    std::FILE *stream = nullptr;
    bool made = join(private_folder, std::strlen(private_folder), "/", &probe_name) &&
                join(probe_name, std::strlen(probe_name), outputs[k], &probe_name) &&
                join(folder, folder_length, probe_name, &lookup_name);
    std::size_t lookup_folder_length = folder_length + std::strlen(private_folder) + 1;
    made = made && join(lookup_name, lookup_folder_length, last, &lookup_name);
    hold_interrupts();
    made = made && create_exclusive(probe_name, &stream);
    if (made) set_pending(pending_probe, probe_name);
    release_interrupts();
    if (!made && last_failure() != failure_kind::too_long && last_failure() != failure_kind::bad_name)
        note_failure(f, this_output);
    if (made) {
        bool written = write_text(stream, p->token);
        std::fclose(stream);
        // Held: a FUSE file system may not bear a file removed while it is
        // open under another name.
        hold_interrupts();
        int found = written ? find_marked_file(lookup_name, 0, p->token) : -1;
        release_interrupts();
        if (found < 0) note_failure(f, this_output);
        if (found > 0) f->clash[k] = true;
    }
    hold_interrupts();
    if ((made && !remove_file(probe_name)) || !remove_folder(private_folder)) note_failure(f, this_output);
    set_pending(pending_probe, nullptr);
    set_pending(pending_probe_folder, nullptr);
    release_interrupts();
}

// Looks for the temporary through the include's folder: found and marked,
// that folder is the current one, whatever the path, link, mount or file
// system. Names that differ there but could be one are then asked of it.
void probe_folder(const char *folder, std::size_t folder_length, const char *last, const bool could[output_count],
                  probe *p, findings *f)
{
    char *name = nullptr;
    if (!write_token(p) || !join(folder, folder_length, p->temp_name, &name)) return note_failure(f, could);
    hold_interrupts();
    int found = find_marked_file(name, p->content_length, p->token);
    release_interrupts();
    if (found < 0) return note_failure(f, could);
    if (found == 0) return;  // another folder
    const name_style style = host_name_style();
    std::size_t last_length = std::strlen(last);
    for (int k = 0; k < output_count; ++k)
        if (could[k] && same_name(last, last_length, outputs[k], std::strlen(outputs[k]), style)) f->clash[k] = true;
    for (int k = 0; k < output_count; ++k)
        if (could[k] && !f->clash[k]) ask_folder(folder, folder_length, last, k, p, f);
}

// The include's folder: plainly the current one by identity, another one,
// missing (judged as text), or only a probe can tell.
void judge_folder(const char *name, std::size_t base, const bool could[output_count], probe *p, findings *f)
{
    const name_style style = host_name_style();
    const char *last = name + base;
    std::size_t last_length = std::strlen(last);
    // "" and a drive mark ("C:") name folders with ".", a part that ends in
    // a separator names one as it is (as the "\\?\" spellings need).
    char *folder = nullptr;
    bool needs_dot = base == 0 || !is_separator(name[base - 1], style);
    if (!join(name, base, needs_dot ? "." : "", &folder)) return note_failure(f, could);
    file_identity folder_id;
    file_identity current_id;
    if (!identify(folder, &folder_id)) {
        if (names_nothing(last_failure())) return judge_as_text(name, could, f);
        return note_failure(f, could);
    }
    if (!identify(".", &current_id)) return note_failure(f, could);
    bool folder_is_current = same_identity(folder_id, current_id);
    bool needs_probe = !folder_is_current;
    for (int k = 0; k < output_count; ++k) {
        if (!could[k] || f->clash[k]) continue;
        if (folder_is_current && same_name(last, last_length, outputs[k], std::strlen(outputs[k]), style))
            f->clash[k] = true;
        else
            needs_probe = true;
    }
    if (needs_probe && p != nullptr) probe_folder(name, base, last, could, p, f);
}

void judge(const char *spelling, int links_left, probe *p, findings *f)
{
    const name_style style = host_name_style();
    std::size_t full_length = std::strlen(spelling);
    std::size_t length = named_length(spelling, full_length, style);
    std::size_t base = last_component(spelling, length, style);
    const char *name = spelling;
    char *named = nullptr;  // the spelling without what follows the file it names
    if (length < full_length) {
        if (!join(spelling, length, "", &named)) return note_failure(f, every_output);
        name = named;
    }

    bool could[output_count];
    for (int k = 0; k < output_count; ++k) {
        std::size_t output_length = std::strlen(outputs[k]);
        could[k] = could_be_one_name(name + base, length - base, outputs[k], output_length);
        if (is_plainly_current(name, base, style) &&
            same_name(name + base, length - base, outputs[k], output_length, style))
            f->clash[k] = true;
    }
    if (length == 0) return;
    judge_identity(name, f);
    judge_link(name, name, base, links_left, p, f);
    if (still_open(f, could)) judge_folder(name, base, could, p, f);
}

// The identity of the file the include spelling (without what follows the
// file it names) reaches: 1 found, 0 when it names nothing, -1 when the
// look-up failed.
int identify_include(file_identity *identity)
{
    std::size_t length = named_length(include_spelling, std::strlen(include_spelling), host_name_style());
    char *named = nullptr;
    if (!join(include_spelling, length, "", &named)) return -1;
    if (identify(named, identity)) return 1;
    return names_nothing(last_failure()) ? 0 : -1;
}

int verdict_of(const findings *f, const char **output_name)
{
    for (int k = 0; k < output_count; ++k) {
        if (!f->clash[k]) continue;
        *output_name = outputs[k];
        set_cause("");
        return include_clash;
    }
    for (int k = 0; k < output_count; ++k) {
        if (!f->failed[k]) continue;
        *output_name = outputs[k];
        set_cause(f->cause);
        return include_check_failed;
    }
    return include_clear;
}

}  // namespace

int check_include_first(const char *include_name, const char *header_name, const char *source_name,
                        const char **output_name)
{
    include_spelling = include_name;
    outputs[0] = header_name;
    outputs[1] = source_name;
    findings f{};
    judge(include_spelling, links_followed_max, nullptr, &f);
    release_scratch();
    return verdict_of(&f, output_name);
}

int check_include_again(std::FILE *temp_stream, const char *temp_name, const char **output_name)
{
    probe p{temp_stream, temp_name, 0, false, ""};
    findings f{};
    judge(include_spelling, links_followed_max, &p, &f);
    file_identity include_id;
    int found = identify_include(&include_id);
    if (found < 0) note_failure(&f, every_output);
    include_was_absent = found == 0;
    release_scratch();
    // The temporary must hold its file's bytes and nothing else.
    if (p.token_written && !cut_file(temp_stream, p.content_length)) note_failure(&f, every_output);
    return verdict_of(&f, output_name);
}

int check_include_after_rename(const char *output_name)
{
    if (!include_was_absent) return include_clear;
    file_identity output_id;
    file_identity include_id;
    int found = identify(output_name, &output_id) ? identify_include(&include_id) : -1;
    release_scratch();
    if (found < 0) return names_nothing(last_failure()) ? include_clear : include_check_failed;
    if (found == 0 || !same_identity(output_id, include_id)) return include_clear;
    set_cause("");
    return include_clash;
}
