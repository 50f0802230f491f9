// The numbers of the report's path steps, written as std::to_chars writes
// them, fast for the short ones nearly every step has.
#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace vorlane {

// The text of the numbers below a thousand, each in four bytes (its digits
// first), and its length.
struct SmallNumbers {
    std::array<std::array<char, 4>, 1000> text{};
    std::array<std::uint8_t, 1000> length{};
};

constexpr SmallNumbers smallNumbers()
{
    SmallNumbers numbers;
    for (int n = 0; n < 1000; ++n) {
        const int length = n < 10 ? 1 : n < 100 ? 2 : 3;
        numbers.length[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(length);
        for (int i = length - 1, rest = n; i >= 0; --i, rest /= 10)
            numbers.text[static_cast<std::size_t>(n)][static_cast<std::size_t>(i)] = static_cast<char>('0' + rest % 10);
    }
    return numbers;
}

inline constexpr SmallNumbers SMALL_NUMBERS = smallNumbers();

// A number of a path step, as std::to_chars writes it, at `at` (room for
// 11 characters: a number below a thousand writes four bytes after its sign,
// the last of them beyond its end). Most steps are a few millimetres: their
// numbers have at most three digits, written from a table without a branch
// on their length, which follows no pattern.
[[gnu::always_inline]] inline char* writeStepNumber(char* at, std::int32_t value)
{
    const bool negative = value < 0;
    *at = '-';
    at += negative;
    const std::uint32_t magnitude =
        negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    if (magnitude < 1000) [[likely]] {
        std::memcpy(at, SMALL_NUMBERS.text[magnitude].data(), 4);
        return at + SMALL_NUMBERS.length[magnitude];
    }
    return std::to_chars(at, at + 10, magnitude).ptr;
}

} // namespace vorlane
