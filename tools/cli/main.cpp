#include "Cli.h"

#include <iostream>

namespace {

void printUsage(std::ostream& out)
{
    out << "usage: nconfig-cli COMMAND [ARGS...]\n\nCommands:\n";
    for (const auto& c : cli::commands())
        out << "  " << c.name << std::string(c.name[0] && std::string(c.name).size() < 10 ? 10 - std::string(c.name).size() : 1, ' ')
            << c.summary << '\n';
    out << "\nRun 'nconfig-cli COMMAND --help' for the command's own usage.\n";
}

} // namespace

int main(int argc, char** argv)
{
    cli::Args args(argv + 1, argv + argc);
    if (args.empty()) {
        printUsage(std::cerr);
        return cli::Usage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printUsage(std::cout);
        return cli::Ok;
    }
    for (const auto& c : cli::commands()) {
        if (args[0] == c.name)
            return c.handler(cli::Args(args.begin() + 1, args.end()));
    }
    std::cerr << "nconfig-cli: unknown command '" << args[0] << "'\n\n";
    printUsage(std::cerr);
    return cli::Usage;
}
