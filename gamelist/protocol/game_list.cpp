#include "gamelist/protocol/game_list.h"

namespace gamelist {

std::string_view GameListEntryRef::operator[](GameListEntry::Field f) const {
    return m_list->Field(m_index, f);
}

GameListEntry GameListEntryRef::Copy() const {
    GameListEntry entry;
    for (std::size_t f = 0; f < GameListEntry::kFieldCount; ++f)
        entry.fields[f].assign((*this)[static_cast<GameListEntry::Field>(f)]);
    return entry;
}

bool GameListEntryRef::operator==(const GameListEntry& other) const {
    for (std::size_t f = 0; f < GameListEntry::kFieldCount; ++f)
        if ((*this)[static_cast<GameListEntry::Field>(f)] != other.fields[f])
            return false;
    return true;
}

bool GameList::Add(const std::array<std::string_view, GameListEntry::kFieldCount>& fields) {
    std::size_t total = m_bytes.size();
    for (const auto field : fields)
        total += field.size();
    if (total > UINT32_MAX)
        return false;
    auto& ends = m_ends.emplace_back();
    for (std::size_t f = 0; f < fields.size(); ++f) {
        m_bytes += fields[f];
        ends[f] = static_cast<std::uint32_t>(m_bytes.size());
    }
    return true;
}

bool GameList::Add(const GameListEntry& entry) {
    std::array<std::string_view, GameListEntry::kFieldCount> fields;
    for (std::size_t f = 0; f < fields.size(); ++f)
        fields[f] = entry.fields[f];
    return Add(fields);
}

std::string_view GameList::Field(std::size_t index, GameListEntry::Field f) const {
    const auto& ends = m_ends[index];
    const std::uint32_t begin = f > 0 ? ends[f - 1] : index > 0 ? m_ends[index - 1].back() : 0;
    return std::string_view(m_bytes).substr(begin, ends[f] - begin);
}

bool GameList::operator==(const std::vector<GameListEntry>& entries) const {
    if (entries.size() != size())
        return false;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!((*this)[i] == entries[i]))
            return false;
    return true;
}

} // namespace gamelist
