#include "gamelist/protocol/game_list_reply.h"

#include <array>

namespace gamelist {
namespace {

// Calls `piece` for every maximal run of bytes other than `separator`, in
// order, until it returns false.
template <typename F> void ForEachPiece(std::string_view text, char separator, F&& piece) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && text[i] == separator)
            ++i;
        if (i == n)
            return;
        std::size_t end = text.find(separator, i);
        if (end == std::string_view::npos)
            end = n;
        if (!piece(text.substr(i, end - i)))
            return;
        i = end;
    }
}

bool AddEntry(GameList& list, std::string_view record) {
    std::array<std::string_view, GameListEntry::kFieldCount> fields{};
    std::size_t field = 0;
    ForEachPiece(record, '|', [&](std::string_view piece) {
        fields[field++] = piece;
        return field < GameListEntry::kFieldCount;
    });
    return list.Add(fields);
}

} // namespace

GameListReply ParseStrippedV2(std::string_view body) {
    GameListReply reply;
    std::size_t record = 0;
    ForEachPiece(body, '\r', [&](std::string_view text) {
        switch (record++) {
        case 0:
            reply.ownAddress.assign(text);
            break;
        case 1:
            reply.watchers.assign(text);
            break;
        case 2:
            reply.complete = true;
            ForEachPiece(text, '|', [&](std::string_view c) {
                if (reply.classes.size() == kMaxListClasses) {
                    reply.cut = true;
                    return false;
                }
                reply.classes.emplace_back(c);
                return true;
            });
            break;
        default:
            if (reply.entries.size() == kMaxListEntries || !AddEntry(reply.entries, text)) {
                reply.cut = true;
                return false;
            }
            break;
        }
        return true;
    });
    return reply;
}

void AppendStrippedV2Entry(std::string& body, const GameListEntry& entry) {
    body += '\r';
    for (std::size_t f = 0; f < GameListEntry::kFieldCount; ++f) {
        if (f > 0)
            body += '|';
        body += entry.fields[f];
    }
}

std::string BuildStrippedV2(std::string_view ownAddress, std::string_view watchers,
                            const std::vector<std::string>& classes,
                            const std::vector<GameListEntry>& entries) {
    std::string body;
    body.reserve(64 + entries.size() * 96);
    // An empty leading record would collapse and move the records behind it
    // up, so each of the three is at least one blank.
    const auto record = [&](std::string_view text) { body += text.empty() ? std::string_view(" ") : text; };
    record(ownAddress);
    body += '\r';
    record(watchers);
    body += '\r';
    const std::size_t classesStart = body.size();
    for (std::size_t i = 0; i < classes.size(); ++i) {
        if (i > 0)
            body += '|';
        body += classes[i];
    }
    if (body.size() == classesStart)
        body += ' ';
    for (const auto& entry : entries)
        AppendStrippedV2Entry(body, entry);
    return body;
}

std::string SafeListField(std::string_view text, std::size_t maxLength) {
    std::string out;
    out.reserve(text.size() < maxLength ? text.size() : maxLength);
    for (const char c : text) {
        if (out.size() >= maxLength)
            break;
        if (c != '\r' && c != '\n' && c != '|')
            out += c;
    }
    if (out.empty())
        out = " ";
    return out;
}

} // namespace gamelist
