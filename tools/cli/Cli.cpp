#include "Cli.h"

#include <algorithm>
#include <iostream>

namespace cli {

namespace {
std::vector<Command>& registry()
{
    static std::vector<Command> list;
    return list;
}
} // namespace

bool registerCommand(const Command& command)
{
    registry().push_back(command);
    std::sort(registry().begin(), registry().end(),
              [](const Command& a, const Command& b) { return std::string(a.name) < b.name; });
    return true;
}

const std::vector<Command>& commands() { return registry(); }

int usageError(const std::string& message, const std::string& usage)
{
    std::cerr << "nconfig-cli: " << message << "\n\n" << usage;
    if (!usage.empty() && usage.back() != '\n')
        std::cerr << '\n';
    return Usage;
}

bool wantsHelp(const Args& args)
{
    return std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; });
}

bool Options::has(const std::string& name) const
{
    return std::any_of(values.begin(), values.end(), [&](const auto& v) { return v.first == name; });
}

std::string Options::get(const std::string& name, const std::string& fallback) const
{
    for (auto it = values.rbegin(); it != values.rend(); ++it)
        if (it->first == name)
            return it->second;
    return fallback;
}

std::vector<std::string> Options::all(const std::string& name) const
{
    std::vector<std::string> out;
    for (const auto& v : values)
        if (v.first == name)
            out.push_back(v.second);
    return out;
}

bool parseOptions(const Args& args, const std::vector<std::string>& known, const std::vector<std::string>& flags,
                  Options& out, std::string& error)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 3 || a.compare(0, 2, "--") != 0) {
            out.positional.push_back(a);
            continue;
        }
        std::string name = a.substr(2);
        std::string value;
        bool inlineValue = false;
        if (auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
            out.values.emplace_back(name, inlineValue ? value : "1");
            continue;
        }
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            error = "unknown option --" + name;
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = "option --" + name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        out.values.emplace_back(name, value);
    }
    return true;
}

} // namespace cli
