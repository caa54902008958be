#pragma once

// Reading a program's command line: options named in a table, each with or
// without a value, operands where the program takes them, and the whole
// numbers and WxH sizes that values hold. vnxtest3D, vnxview and vnxplay all
// read theirs with it; what an option means, and what a program says about a
// value it refuses, stay with the program.
//
// Our own rather than a library's: the programs' messages, usage texts and
// exit statuses are fixed (scripts and tests read them), no option library
// reports errors in those words or without exceptions, and the benchmark
// cross-builds for Windows, where anything it links must be built too.

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace vnxcmd {

/// One option of a program's table.
struct Option {
    const char* name; ///< exactly as typed: "--frames"
    bool takesValue; ///< the argument after it (or the text after '=') is its value
};

/// Where the programs' command lines differ.
struct Rules {
    /// "--name=VALUE" as well as "--name VALUE", and "--flag=..." refused.
    bool joinedValues = false;
    /// An option given twice is refused (otherwise the last one counts).
    bool once = false;
    /// Arguments that are not options (a lone "-" among them) are operands
    /// for the program; otherwise each one is refused.
    bool operands = false;
};

/// `Argument::option` of an operand.
const int kOperand = -1;

/// One argument read: an option of the table, with its value when it takes
/// one, or an operand.
struct Argument {
    int option = kOperand; ///< index into the table, or kOperand
    const char* value = nullptr; ///< the option's value, or the operand itself
};

/// Reads argv[1] on, one argument a call, against a table of options. The
/// first refusal, its own or the program's, ends the reading; its line is
/// error(). The table and argv must outlive the reader.
class Reader {
public:
    template <std::size_t N>
    Reader(int argc, const char* const* argv, const Option (&options)[N], Rules rules)
        : Reader(argc, argv, options, N, rules)
    {
    }
    Reader(int argc, const char* const* argv, const Option* options, std::size_t count, Rules rules);

    /// The next argument; false at the end or once something was refused.
    bool Next(Argument& argument);

    /// Whether option `option` has been read.
    bool given(int option) const;

    /// Refuses the command line with `line` (one line, no newline, without
    /// the program's name) unless something was refused already. Returns
    /// false.
    bool Fail(const std::string& line);
    /// Refuses `argument`'s value: "NAME wants WHAT, not "VALUE"". Returns false.
    bool Refuse(const Argument& argument, const std::string& what);

    /// The value as a whole number from minimum to maximum into `value`; or
    /// refused as wanting one (and `value` left as it was).
    bool Whole(const Argument& argument, int minimum, int maximum, int& value);
    /// The value as "WxH", each from 1 to maximum; or refused as wanting one.
    bool Size(const Argument& argument, int maximum, int& width, int& height);

    bool failed() const { return !line.empty(); }
    /// What was refused; empty while nothing was.
    const std::string& error() const { return line; }

private:
    int argc;
    const char* const* argv;
    const Option* options;
    std::size_t count;
    Rules rules;
    int next = 1; // the argument Next reads
    std::vector<bool> read; // by option
    std::string line; // the refusal
};

/// A whole number written from first to last character as digits only (no
/// sign, space or suffix), from minimum to maximum.
bool ParseWhole(const char* text, long minimum, long maximum, long& value);

/// "WxH", each a whole number from 1 to maximum.
bool ParseSize(const char* text, int maximum, int& width, int& height);

/// Prints "PROGRAM: LINE", then the usage, to standard error, and returns 2:
/// the exit status of a refused command line.
int Refused(const char* program, const std::string& line, void (*usage)(std::FILE*));

} // namespace vnxcmd
