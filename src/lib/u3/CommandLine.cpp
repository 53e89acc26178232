#include "u3/CommandLine.h"

namespace u3 {
namespace {

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& text)
{
    std::vector<std::string> args;
    const size_t n = text.size();
    size_t i = 0;
    while (true) {
        while (i < n && IsSeparator(text[i]))
            ++i;
        if (i >= n)
            break;
        std::string arg;
        bool quoted = false;
        while (i < n) {
            const char c = text[i];
            if (!quoted && IsSeparator(c))
                break;
            if (c == '\\') {
                size_t run = 0;
                while (i < n && text[i] == '\\') {
                    ++run;
                    ++i;
                }
                if (i < n && text[i] == '"') {
                    arg.append(run / 2, '\\');
                    if (run % 2 == 1) {
                        arg.push_back('"');
                        ++i;
                    }
                    // With an even run the quote is handled as a delimiter next.
                } else {
                    arg.append(run, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && text[i + 1] == '"') {
                    arg.push_back('"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.push_back(c);
                ++i;
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string JoinCommandLine(const std::vector<std::string>& args)
{
    std::string out;
    for (const std::string& arg : args) {
        if (!out.empty())
            out.push_back(' ');
        if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
            out += arg;
            continue;
        }
        out.push_back('"');
        size_t backslashes = 0;
        for (char c : arg) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            if (c == '"') {
                out.append(2 * backslashes + 1, '\\');
            } else {
                out.append(backslashes, '\\');
            }
            backslashes = 0;
            out.push_back(c);
        }
        // Before the closing quote every backslash must be doubled.
        out.append(2 * backslashes, '\\');
        out.push_back('"');
    }
    return out;
}

} // namespace u3
