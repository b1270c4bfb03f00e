/* Starts a program the way Windows programs start each other, for the
 * acceptance checks under Wine:
 *
 *   launcher [--hold MS] [--runs N] [--until-failure] PROGRAM ARG...
 *
 * Runs PROGRAM with the arguments N times in a row (default 1) through
 * CreateProcessW and prints each exit status on a line. "\uXXXX" in an
 * argument stands for that UTF-16 unit, so that an argument may hold what
 * no UTF-8 text can (a lone surrogate). With --hold, a thread meanwhile
 * opens every new .tavrik-*.tmp in the current folder for MS milliseconds,
 * without sharing delete access, as virus scanners and indexers do.
 * --until-failure stops after the first run that does not exit with 0. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

#define COMMAND_MAX 32768
#define HELD_MAX 256

static DWORD hold_ms;
static volatile LONG stopping;

static DWORD WINAPI hold_new_temporaries(LPVOID unused)
{
    static wchar_t held[HELD_MAX][MAX_PATH];
    int held_count = 0;
    (void)unused;
    while (!stopping) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(L".tavrik-*.tmp", &found);
        if (search == INVALID_HANDLE_VALUE) {
            Sleep(0);
            continue;
        }
        do {
            int i, seen = 0;
            HANDLE file;
            for (i = 0; i < held_count; ++i) seen |= wcscmp(held[i], found.cFileName) == 0;
            if (seen) continue;
            file = CreateFileW(found.cFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, 0, NULL);
            if (file == INVALID_HANDLE_VALUE) continue;
            if (held_count < HELD_MAX) wcscpy(held[held_count++], found.cFileName);
            Sleep(hold_ms);
            CloseHandle(file);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return 0;
}

/* Appends one argument, quoted as the C runtime splits command lines. */
static void append_argument(wchar_t *command, const wchar_t *arg)
{
    size_t n = wcslen(command);
    const wchar_t *p;
    command[n++] = L'"';
    for (p = arg; *p; ++p) {
        if (p[0] == L'\\' && p[1] == L'u' && wcslen(p) >= 6) {
            wchar_t digits[5] = {0};
            wcsncpy(digits, p + 2, 4);
            command[n++] = (wchar_t)wcstoul(digits, NULL, 16);
            p += 5;
        } else {
            if (*p == L'"') command[n++] = L'\\';
            command[n++] = *p;
        }
    }
    command[n++] = L'"';
    command[n++] = L' ';
    command[n] = L'\0';
}

int wmain(int argc, wchar_t **argv)
{
    static wchar_t command[COMMAND_MAX];
    int first = 1, runs = 1, until_failure = 0, i, run;
    HANDLE holder = NULL;
    for (; first < argc && wcsncmp(argv[first], L"--", 2) == 0; ++first) {
        if (wcscmp(argv[first], L"--hold") == 0 && first + 1 < argc) hold_ms = (DWORD)_wtoi(argv[++first]);
        else if (wcscmp(argv[first], L"--runs") == 0 && first + 1 < argc) runs = _wtoi(argv[++first]);
        else if (wcscmp(argv[first], L"--until-failure") == 0) until_failure = 1;
    }
    if (first >= argc) {
        fputs("usage: launcher [--hold MS] [--runs N] [--until-failure] PROGRAM ARG...\n", stderr);
        return 2;
    }
    for (i = first; i < argc; ++i) append_argument(command, argv[i]);
    if (hold_ms > 0) holder = CreateThread(NULL, 0, hold_new_temporaries, NULL, 0, NULL);
    for (run = 0; run < runs; ++run) {
        STARTUPINFOW startup;
        PROCESS_INFORMATION child;
        DWORD status = 0;
        int tries = 0;
        memset(&startup, 0, sizeof startup);
        startup.cb = sizeof startup;
        /* Wine now and then fails a start with an internal error; a second
           try goes through. */
        while (!CreateProcessW(NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &child)) {
            if (++tries == 5) {
                fprintf(stderr, "launcher: CreateProcessW failed (%lu)\n", (unsigned long)GetLastError());
                return 2;
            }
            Sleep(200);
        }
        WaitForSingleObject(child.hProcess, INFINITE);
        GetExitCodeProcess(child.hProcess, &status);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        printf("%lu\n", (unsigned long)status);
        fflush(stdout);
        if (until_failure && status != 0) break;
    }
    if (holder != NULL) {
        InterlockedExchange(&stopping, 1);
        WaitForSingleObject(holder, INFINITE);
    }
    return 0;
}
