#include "testing/link_control.h"

#include <charconv>
#include <cmath>

namespace linksim {

namespace {

// Upper bounds keep a mistyped value from freezing a line for ages.
constexpr double kMaxDelayMs = 600'000;
constexpr double kMaxRateKbit = 100'000'000;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSpace(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !IsSpace(line[i]))
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// A plain decimal number ("12", "0.5"); no signs, exponents, inf or nan.
std::optional<double> Decimal(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || c == '.'))
            return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// User text inside a message: printable, short, in quotes.
std::string Quote(std::string_view text) {
    constexpr std::size_t kShown = 40;
    std::string quoted = "'";
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i)
        quoted += text[i] >= 0x20 && text[i] < 0x7f ? text[i] : '?';
    return quoted + (text.size() > kShown ? "...'" : "'");
}

bool AllDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::optional<std::vector<std::size_t>> Ports(std::string_view word, const std::vector<std::string>& names) {
    if (word == "all") {
        std::vector<std::size_t> all(names.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = i;
        return all;
    }
    if (AllDigits(word)) {
        std::size_t index = 0;
        const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), index);
        if (ec == std::errc() && end == word.data() + word.size() && index < names.size())
            return std::vector<std::size_t>{index};
        return std::nullopt;
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == word)
            return std::vector<std::size_t>{i};
    return std::nullopt;
}

ControlCommand Error(std::string message) {
    ControlCommand command;
    command.kind = ControlCommand::Kind::Error;
    command.error = std::move(message);
    return command;
}

// Sets one key of `change`; an error text, or empty when the pair is good.
std::string ReadPair(std::string_view pair, SettingsChange& change) {
    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos)
        return "expected key=value, got " + Quote(pair);
    const std::string_view key = pair.substr(0, equals);
    const std::string_view text = pair.substr(equals + 1);
    const std::optional<double> value = Decimal(text);
    if (!value)
        return "value of " + Quote(key) + " is not a decimal number of at least 0: " + Quote(text);
    const auto within = [&](double high, std::optional<double>& slot) -> std::string {
        if (*value > high)
            return std::string(key) + " must be at most " + std::to_string(static_cast<long long>(high));
        slot = *value;
        return {};
    };
    if (key == "delay")
        return within(kMaxDelayMs, change.delayMs);
    if (key == "jitter")
        return within(kMaxDelayMs, change.jitterMs);
    if (key == "loss")
        return within(100, change.lossPercent);
    if (key == "reorder")
        return within(100, change.reorderPercent);
    if (key == "rate") {
        if (*value > 0 && *value < 1)
            return "rate must be 0 (unlimited) or at least 1 kbit/s";
        return within(kMaxRateKbit, change.rateKbit);
    }
    if (key == "partition") {
        if (*value != 0 && *value != 1)
            return "partition must be 0 or 1";
        change.partition = *value == 1;
        return {};
    }
    return "unknown key " + Quote(key) + " (delay jitter loss reorder rate partition)";
}

} // namespace

void SettingsChange::ApplyTo(LineSettings& settings) const {
    if (delayMs)
        settings.delayMs = *delayMs;
    if (jitterMs)
        settings.jitterMs = *jitterMs;
    if (lossPercent)
        settings.lossPercent = *lossPercent;
    if (reorderPercent)
        settings.reorderPercent = *reorderPercent;
    if (rateKbit)
        settings.rateKbit = *rateKbit;
    if (partition)
        settings.partition = *partition;
}

ControlCommand ParseControlLine(std::string_view line, const std::vector<std::string>& portNames) {
    const std::vector<std::string_view> words = Words(line);
    if (words.empty())
        return {};
    const std::string_view verb = words[0];
    if (verb == "quit") {
        if (words.size() != 1)
            return Error("quit takes no arguments");
        ControlCommand command;
        command.kind = ControlCommand::Kind::Quit;
        return command;
    }
    if (verb == "stats") {
        // The rest of the line is the path, so it may hold spaces.
        const std::string_view path = Trim(Trim(line).substr(verb.size()));
        if (path.empty())
            return Error("usage: stats PATH");
        ControlCommand command;
        command.kind = ControlCommand::Kind::Stats;
        command.path = std::string(path);
        return command;
    }
    if (verb == "set") {
        if (words.size() < 3)
            return Error("usage: set PORT key=value ...");
        const auto ports = Ports(words[1], portNames);
        if (!ports)
            return Error("no port " + Quote(words[1]) + " (an index below " +
                         std::to_string(portNames.size()) + ", a device name, or all)");
        ControlCommand command;
        command.kind = ControlCommand::Kind::Set;
        command.ports = *ports;
        for (std::size_t i = 2; i < words.size(); ++i)
            if (std::string problem = ReadPair(words[i], command.change); !problem.empty())
                return Error(problem);
        return command;
    }
    return Error("unknown command " + Quote(verb) + " (set, stats, quit)");
}

} // namespace linksim
