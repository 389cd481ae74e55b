#include <cstdio>
#include <string>
#include <vector>

#include "cli/report_command.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return vy::cli::RunCommandLine(args, stdout, stderr);
}
