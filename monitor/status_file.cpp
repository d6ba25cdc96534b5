#include "monitor/status_file.h"

#include "common/file_system.h"
#include "common/text_codec.h"

namespace monitor {
namespace {

// A JSON string of an ANSI text: converted to UTF-8, quotes, backslashes and
// control characters escaped.
void AppendString(std::string& out, std::string_view ansi) {
    out += '"';
    for (const char c : common::AnsiToUtf8(ansi)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

template <class Texts> void AppendArray(std::string& out, const Texts& texts) {
    out += '[';
    bool first = true;
    for (const auto& text : texts) {
        if (!first)
            out += ',';
        first = false;
        AppendString(out, text);
    }
    out += ']';
}

void AppendField(std::string& out, const char* name, std::string_view value) {
    out += '"';
    out += name;
    out += "\":";
    AppendString(out, value);
    out += ",\n";
}

} // namespace

std::string StatusJson(const SharedState& state, const MonitorDisplay& display) {
    std::string out = "{\n";
    AppendField(out, "role", state.IsServer == 1 ? "server" : "joiner");
    AppendField(out, "state_text", display.StateText);
    AppendField(out, "label3", display.Label3);
    AppendField(out, "label6", display.Label6);
    AppendField(out, "surun", display.Surun);
    AppendField(out, "started", display.StartetLabel);
    AppendField(out, "checked", display.Correct);
    AppendField(out, "extern_ip", display.ExternIP);
    AppendField(out, "inter_ip", display.InterIP);
    AppendField(out, "player", state.PlayerName);
    out += "\"peer_table\":";
    AppendArray(out, state.PeerTable);
    out += ",\n\"candidates\":";
    AppendArray(out, state.CandidateServers);
    out += ",\n\"list1\":";
    AppendArray(out, display.List1);
    out += ",\n\"list2\":";
    AppendArray(out, display.List2);
    out += "\n}\n";
    return out;
}

bool WriteStatusFile(std::string_view path, const SharedState& state, const MonitorDisplay& display,
                     std::string& written) {
    std::string json = StatusJson(state, display);
    if (json == written)
        return true;
    if (!common::WriteFileAtomically(path, json))
        return false;
    written = std::move(json);
    return true;
}

} // namespace monitor
