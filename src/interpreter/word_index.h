// The index of a table of rows by their words: a hash table of every word of every
// row, made at compile time, that a lookup reaches in one hash and, mostly, one
// comparison. A row is any struct with a `words` array of upper-case words; unused
// places of the array stay null.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

template <typename Row>
struct IndexedWord {
    std::string_view word;
    const Row* row = nullptr;  // null: a free slot
};

// FNV-1a over the word's bytes.
constexpr std::uint32_t WordHash(std::string_view word) {
    std::uint32_t hash = 2166136261u;
    for (char c : word) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

// The slots of the index of a table: a power of two, at least twice its words, so
// that a word's run of taken slots stays short.
template <typename Row, std::size_t Rows>
constexpr std::size_t IndexSlots(const Row (&rows)[Rows]) {
    std::size_t words = 0;
    for (const Row& row : rows)
        for (const char* word : row.words) words += word ? 1 : 0;
    std::size_t slots = 1;
    while (slots < 2 * words) slots *= 2;
    return slots;
}

template <typename Row, std::size_t Slots>
struct WordIndex {
    std::array<IndexedWord<Row>, Slots> slots{};
    bool unique = true;  // false when two rows share a word
};

// The index of the rows; use as MakeWordIndex<IndexSlots(kRows)>(kRows). A word goes
// to the first free slot from its hash on.
template <std::size_t Slots, typename Row, std::size_t Rows>
constexpr WordIndex<Row, Slots> MakeWordIndex(const Row (&rows)[Rows]) {
    static_assert((Slots & (Slots - 1)) == 0, "the slots are a power of two");
    WordIndex<Row, Slots> index;
    for (const Row& row : rows) {
        for (const char* word : row.words) {
            if (!word) continue;
            std::size_t slot = WordHash(word) & (Slots - 1);
            for (; index.slots[slot].row; slot = (slot + 1) & (Slots - 1))
                if (index.slots[slot].word == word) index.unique = false;
            index.slots[slot] = {word, &row};
        }
    }
    return index;
}

// The row that has the word, or null.
template <typename Row>
const Row* FindWord(std::span<const IndexedWord<Row>> slots, std::string_view word) {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t slot = WordHash(word) & mask; slots[slot].row; slot = (slot + 1) & mask)
        if (slots[slot].word == word) return slots[slot].row;
    return nullptr;
}
