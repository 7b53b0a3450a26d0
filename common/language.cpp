#include "language.h"

namespace {

const char* const kMonths[3][12] = {
    {"Jan", "Fev", "Mar", "Abr", "Mai", "Jun", "Jul", "Ago", "Set", "Out", "Nov", "Dez"},
    {"Ene", "Feb", "Mar", "Abr", "May", "Jun", "Jul", "Ago", "Sep", "Oct", "Nov", "Dic"},
    {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
};

}  // namespace

bool readLanguageOption(std::string_view upperOption, Language& language) {
  if (upperOption.starts_with("L=POR")) {
    language = Language::portuguese;
  } else if (upperOption.starts_with("L=ESP")) {
    language = Language::spanish;
  } else if (upperOption.starts_with("L=ENG")) {
    language = Language::english;
  } else {
    return false;
  }
  return true;
}

const char* htmlLanguageTag(Language language) {
  static const char* const kTags[3] = {"pt-BR", "es", "en"};
  return kTags[textColumn(language)];
}

const char* monthAbbreviation(Language language, int month) {
  return kMonths[textColumn(language)][month];
}
