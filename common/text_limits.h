// Fixed maxima of the working texts. Input longer than a maximum is cut where it enters,
// silently: the stored definitions and tables have always been read that way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxText = 255;        // working texts: lines, messages, labels
inline constexpr std::size_t kMaxFileName = 120;    // file names taken from definitions and tables
inline constexpr std::size_t kSeriakFileName = 64;  // the index builder's shorter stored name
inline constexpr std::size_t kMaxName = 31;         // dimension and measure names
inline constexpr std::size_t kMaxFieldName = 10;    // DBF field names

// Categories a dimension may hold; loadDimension refuses a conversion that defines more. Rows
// and selections were sized for the largest conversion files in use (municipalities); columns
// for what a page can show side by side.
inline constexpr int kMaxRowCategories = 5699;
inline constexpr int kMaxColumnCategories = 255;
inline constexpr int kMaxSelectionCategories = 5699;
// The form lists a selection dimension of one category more than the tabulator takes, so a
// conversion of exactly 5700 categories is offered and then refused, with the loader's message,
// when one of its categories is chosen. Sites have always seen it so; the fix is a smaller file.
inline constexpr int kMaxFormSelectionCategories = 5700;

// The first `limit` bytes of `text`; the cut is silent by design.
std::string cut(std::string_view text, std::size_t limit);
