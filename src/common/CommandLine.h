#pragma once

#include "common/ExitCodes.h"

#include <QCommandLineParser>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace netrova {

enum class CommandLineAsk { Run, Help, Version };

// Parses args (without the program's name) with the options already added to parser and
// -h/--help and -v/--version added here. Returns what was asked for, or nothing with the
// problem in why ("unknown option \"--all\"", "--user needs a value"). -h/--help among the
// options is Help whatever else is given, an unknown option included; the caller prints the
// help on stdout and exits with kExitOk, as for --version. Anything else it cannot use is a
// usage error: BadArgumentsText on stderr and kExitBadArguments. The arguments reach the
// parser byte for byte, one character each (a file name need not be UTF-8): ArgumentText turns
// what the parser gives back into the bytes given.
std::optional<CommandLineAsk> ParseCommandLine(QCommandLineParser& parser,
                                               const std::vector<std::string>& args,
                                               std::string& why);
std::string ArgumentText(const QString& parsed);

// For programs of the form "program [OPTIONS] COMMAND ARGUMENTS...": options come before the
// command only, so that after it "-5" is data and "--x" a name; but -h and --help ask for the
// help wherever they are, as in every Netrova program. words gets the command and its
// arguments exactly as given.
std::optional<CommandLineAsk> ParseCommandWords(const std::vector<std::string>& args,
                                                std::vector<std::string>& words, std::string& why);

// The answer to --version: "netrova-reg 1.2\n".
std::string VersionText(std::string_view program);

// A refusal on one line and one more pointing to --help, rather than the whole usage.
std::string BadArgumentsText(std::string_view program, std::string_view why);

} // namespace netrova
