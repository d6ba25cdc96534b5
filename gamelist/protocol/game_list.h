#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gamelist {

// One open game as the service lists it: eight fields in wire order.
struct GameListEntry {
    enum Field { IP, Username, Posted, Version, Map, Players, Comment, Class, kFieldCount };
    std::array<std::string, kFieldCount> fields;

    const std::string& operator[](Field f) const { return fields[f]; }
    std::string& operator[](Field f) { return fields[f]; }
    bool operator==(const GameListEntry&) const = default;
};

class GameList;

// A look at one entry of a GameList; valid while the list is unchanged.
class GameListEntryRef {
public:
    GameListEntryRef(const GameList& list, std::size_t index) : m_list(&list), m_index(index) {}
    std::string_view operator[](GameListEntry::Field f) const;
    // A copy with fields of its own.
    GameListEntry Copy() const;
    operator GameListEntry() const { return Copy(); }
    bool operator==(const GameListEntry& other) const;

private:
    const GameList* m_list;
    std::size_t m_index;
};

// The entries of a list reply, kept compact: the bytes of all fields in one
// buffer and, per entry, where each field ends (32 bytes). A reply of
// 100,000 entries costs its bytes and 3.2 MB, and filtering or showing it
// copies no field.
class GameList {
public:
    class Iterator {
    public:
        using value_type = GameListEntryRef;
        using difference_type = std::ptrdiff_t;
        Iterator(const GameList* list, std::size_t index) : m_list(list), m_index(index) {}
        GameListEntryRef operator*() const { return GameListEntryRef(*m_list, m_index); }
        Iterator& operator++() {
            ++m_index;
            return *this;
        }
        bool operator==(const Iterator&) const = default;

    private:
        const GameList* m_list;
        std::size_t m_index;
    };

    // Adds one entry; false (and nothing added) when the list's bytes would
    // pass 4 GiB, which its offsets cannot reach.
    bool Add(const std::array<std::string_view, GameListEntry::kFieldCount>& fields);
    bool Add(const GameListEntry& entry);

    std::size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.empty(); }
    std::string_view Field(std::size_t index, GameListEntry::Field f) const;
    GameListEntryRef operator[](std::size_t index) const { return GameListEntryRef(*this, index); }
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, size()); }

    bool operator==(const GameList&) const = default;
    bool operator==(const std::vector<GameListEntry>& entries) const;

private:
    std::string m_bytes;
    std::vector<std::array<std::uint32_t, GameListEntry::kFieldCount>> m_ends;
};

} // namespace gamelist
