#include "CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vnxcmd {

Reader::Reader(int argc, const char* const* argv, const Option* options, std::size_t count, Rules rules)
    : argc(argc)
    , argv(argv)
    , options(options)
    , count(count)
    , rules(rules)
    , read(count, false)
{
}

bool Reader::Next(Argument& argument)
{
    if (failed() || next >= argc)
        return false;
    const char* arg = argv[next++];
    const char* equals = rules.joinedValues ? std::strchr(arg, '=') : nullptr;
    const std::string name
        = equals ? std::string(arg, static_cast<std::size_t>(equals - arg)) : std::string(arg);
    int option = kOperand;
    for (std::size_t o = 0; o < count; ++o)
        if (name == options[o].name)
            option = static_cast<int>(o);

    if (option == kOperand) {
        const bool dashed = arg[0] == '-';
        if (rules.operands && !(dashed && arg[1] != '\0')) {
            argument = Argument { kOperand, arg };
            return true;
        }
        return Fail((dashed ? "unknown option \"" : "unexpected argument \"") + std::string(arg) + "\"");
    }
    if (rules.once && read[static_cast<std::size_t>(option)])
        return Fail(name + " is given twice");
    read[static_cast<std::size_t>(option)] = true;

    const char* value = nullptr;
    if (options[option].takesValue) {
        if (equals)
            value = equals + 1;
        else if (next < argc)
            value = argv[next++];
        else
            return Fail(name + " needs a value");
    } else if (equals)
        return Fail(name + " takes no value");
    argument = Argument { option, value };
    return true;
}

bool Reader::given(int option) const
{
    return option >= 0 && static_cast<std::size_t>(option) < count && read[static_cast<std::size_t>(option)];
}

bool Reader::Fail(const std::string& refusal)
{
    if (line.empty())
        line = refusal;
    return false;
}

bool Reader::Refuse(const Argument& argument, const std::string& what)
{
    const char* name = argument.option == kOperand ? "" : options[argument.option].name;
    return Fail(
        std::string(name) + " wants " + what + ", not \"" + (argument.value ? argument.value : "") + "\"");
}

bool Reader::Whole(const Argument& argument, int minimum, int maximum, int& value)
{
    long number = 0;
    if (!ParseWhole(argument.value, minimum, maximum, number))
        return Refuse(
            argument, "a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum));
    value = static_cast<int>(number);
    return true;
}

bool Reader::Size(const Argument& argument, int maximum, int& width, int& height)
{
    if (!ParseSize(argument.value, maximum, width, height))
        return Refuse(argument, "WIDTHxHEIGHT, each from 1 to " + std::to_string(maximum));
    return true;
}

bool ParseWhole(const char* text, long minimum, long maximum, long& value)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < minimum || parsed > maximum)
        return false;
    value = parsed;
    return true;
}

bool ParseSize(const char* text, int maximum, int& width, int& height)
{
    const char* x = text ? std::strchr(text, 'x') : nullptr;
    if (!x)
        return false;
    const std::string w(text, static_cast<std::size_t>(x - text));
    long parsedWidth = 0, parsedHeight = 0;
    if (!ParseWhole(w.c_str(), 1, maximum, parsedWidth) || !ParseWhole(x + 1, 1, maximum, parsedHeight))
        return false;
    width = static_cast<int>(parsedWidth);
    height = static_cast<int>(parsedHeight);
    return true;
}

int Refused(const char* program, const std::string& line, void (*usage)(std::FILE*))
{
    std::fprintf(stderr, "%s: %s\n", program, line.c_str());
    usage(stderr);
    return 2;
}

} // namespace vnxcmd
