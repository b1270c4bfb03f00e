#include <cstdio>

#include "cli/front_end.h"
#include "system/platform.h"

#ifdef _WIN32

// Windows hands narrow arguments over in the ANSI code page, which loses
// every character outside it; the wide ones are converted to UTF-8, the
// encoding the whole run works in.
int wmain(int argc, wchar_t **wide_argv)
{
    char **argv = nullptr;
    int invalid = 0;
    if (!utf8_arguments(argc, wide_argv, &argv, &invalid)) return report_invalid_argument(invalid, stderr);
    return run_front_end(argc, argv, stdout, stderr);
}

#else

int main(int argc, char **argv)
{
    return run_front_end(argc, argv, stdout, stderr);
}

#endif
