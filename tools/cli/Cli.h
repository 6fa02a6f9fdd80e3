#pragma once
// Subcommands of nconfig-cli, git style: "nconfig-cli packet decode HEX".
// Exit status: 0 success, 1 the operation failed, 2 bad arguments (usage printed).

#include <string>
#include <vector>

namespace cli {

using Args = std::vector<std::string>;
using Handler = int (*)(const Args& args); // args after the command name

struct Command {
    const char* name;
    const char* summary;
    Handler handler;
};

// Registers a top-level command; used through NCONFIG_CLI_COMMAND.
bool registerCommand(const Command& command);
const std::vector<Command>& commands();

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

// Prints "nconfig-cli: MESSAGE" and the usage text to stderr; returns Usage.
int usageError(const std::string& message, const std::string& usage);

// True when args hold "--help" or "-h".
bool wantsHelp(const Args& args);

// Reads "--name value" and "--name=value" options. Returns false (and sets
// error) on an unknown option or a missing value; positional args are collected.
struct Options {
    std::vector<std::pair<std::string, std::string>> values; // in order, repeats kept
    std::vector<std::string> positional;
    bool has(const std::string& name) const;
    std::string get(const std::string& name, const std::string& fallback = {}) const;
    std::vector<std::string> all(const std::string& name) const;
};
bool parseOptions(const Args& args, const std::vector<std::string>& known, const std::vector<std::string>& flags,
                  Options& out, std::string& error);

} // namespace cli

#define NCONFIG_CLI_CAT2(a, b) a##b
#define NCONFIG_CLI_CAT(a, b) NCONFIG_CLI_CAT2(a, b)
#define NCONFIG_CLI_COMMAND(NAME, SUMMARY, HANDLER)                                                                 \
    static const bool NCONFIG_CLI_CAT(cliRegistered_, __LINE__) = ::cli::registerCommand({NAME, SUMMARY, HANDLER})
