#include <cstdio>

#include "cli/front_end.h"

int main(int argc, char **argv)
{
    return run_front_end(argc, argv, stdout, stderr);
}
