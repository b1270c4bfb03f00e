#include <cstdio>

#include "cli/front_end.h"

#ifdef _WIN32

#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// Windows hands narrow arguments over in the ANSI code page, which loses
// every character outside it; the wide ones are converted to UTF-8, the
// encoding the whole run works in.
int wmain(int argc, wchar_t **wide_argv)
{
    std::vector<std::string> storage(static_cast<std::size_t>(argc));
    std::vector<char *> argv;
    for (int i = 0; i < argc; ++i) {
        int size = WideCharToMultiByte(CP_UTF8, 0, wide_argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string &arg = storage[static_cast<std::size_t>(i)];
        arg.resize(size > 0 ? static_cast<std::size_t>(size) : 1);
        if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide_argv[i], -1, &arg[0], size, nullptr, nullptr);
        argv.push_back(&arg[0]);
    }
    argv.push_back(nullptr);
    return run_front_end(argc, argv.data(), stdout, stderr);
}

#else

int main(int argc, char **argv)
{
    return run_front_end(argc, argv, stdout, stderr);
}

#endif
