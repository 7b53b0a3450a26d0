// The three languages a definition chooses for its page texts ("OL=POR", "OL=ESP", "OL=ENG"),
// shared by the tabulator's pages and the form, with the month abbreviations of period labels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class Language : std::uint8_t { portuguese, spanish, english };

// The position of the language in the tables of texts that list Portuguese, Spanish, English.
constexpr std::size_t textColumn(Language language) { return static_cast<std::size_t>(language); }

// Reads a language option: the option's text after its "O", upper-cased ("L=ESP..."). False when
// the text names no language, and `language` is then unchanged.
bool readLanguageOption(std::string_view upperOption, Language& language);

// The language's tag for <html lang>: "pt-BR", "es", "en".
const char* htmlLanguageTag(Language language);

// "Jan" .. "Dez" in the language; `month` 0..11.
const char* monthAbbreviation(Language language, int month);
