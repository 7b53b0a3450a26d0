// Fixed maxima of the working texts. Input longer than a maximum is cut where it enters,
// silently: the stored definitions and tables have always been read that way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxText = 255;       // working texts: lines, messages, labels
inline constexpr std::size_t kMaxFileName = 120;   // file names taken from definitions and tables
inline constexpr std::size_t kSeriakFileName = 64; // the index builder's shorter stored name
inline constexpr std::size_t kMaxName = 31;        // dimension and measure names
inline constexpr std::size_t kMaxFieldName = 10;   // DBF field names

// The first `limit` bytes of `text`; the cut is silent by design.
std::string cut(std::string_view text, std::size_t limit);
