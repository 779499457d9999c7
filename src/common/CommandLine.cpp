#include "common/CommandLine.h"

#include <algorithm>

namespace netrova {

namespace {

// The option as it was written ("--all", "-platform"); "-x" when it came among short options.
std::string AsGiven(const std::string& name, const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        std::string option = arg.substr(0, arg.find('='));
        const std::size_t dashes = option.find_first_not_of('-');
        if (dashes != 0 && dashes != std::string::npos && option.substr(dashes) == name)
            return option;
    }
    return "-" + name;
}

} // namespace

std::optional<CommandLineAsk> ParseCommandLine(QCommandLineParser& parser,
                                               const std::vector<std::string>& args,
                                               std::string& why) {
    why.clear();
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    QStringList list{QStringLiteral("program")}; // parse() skips the program's name
    for (const std::string& arg : args)
        list << QString::fromLatin1(arg.data(), static_cast<qsizetype>(arg.size()));
    // Asked for help, the program gives it, whatever else the line holds: every Netrova program
    // alike.
    const bool parsed = parser.parse(list);
    if (parser.isSet(help))
        return CommandLineAsk::Help;
    if (!parsed) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            why = "unknown option \"" + AsGiven(ArgumentText(unknown.front()), args) + "\"";
        } else if (!args.empty() && args.back().rfind('-', 0) == 0) {
            // Parsing fails otherwise only on a value option at the end.
            why = args.back() + " needs a value";
        } else {
            why = ArgumentText(parser.errorText());
        }
        return std::nullopt;
    }
    if (parser.isSet(version))
        return CommandLineAsk::Version;
    return CommandLineAsk::Run;
}

std::string ArgumentText(const QString& parsed) {
    return parsed.toLatin1().toStdString();
}

std::optional<CommandLineAsk> ParseCommandWords(const std::vector<std::string>& args,
                                                std::vector<std::string>& words, std::string& why) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const auto ask = ParseCommandLine(parser, args, why);
    words.clear();
    for (const QString& word : parser.positionalArguments())
        words.push_back(ArgumentText(word));
    // Help after the command too, as every Netrova program gives it ("dial --help" must not
    // report a connection named "--help").
    if (std::find_if(words.begin(), words.end(), [](const std::string& w) {
            return w == "--help" || w == "-h";
        }) != words.end()) {
        why.clear();
        return CommandLineAsk::Help;
    }
    return ask;
}

std::string VersionText(std::string_view program) {
    return std::string(program) + " " NETROVA_VERSION "\n";
}

std::string BadArgumentsText(std::string_view program, std::string_view why) {
    const std::string name(program);
    return name + ": " + std::string(why) + "\nTry '" + name + " --help' for more information.\n";
}

} // namespace netrova
