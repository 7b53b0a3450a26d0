// The frame of the modern pages (definition option OHTML5) that the form and the result page
// share: the HTML5 head with the language, character set, viewport, the style of the modern
// pages and the site's style sheets; the header, main and footer landmarks around the body.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "language.h"

struct ModernHead {
  std::string title;  // the definition's title, written through htmlAccents
  Language language = Language::portuguese;
  bool styleSheetsOn = false;
  std::string styleSheet, printStyleSheet;  // the site's, linked after the modern style
};

// From the document type to "</head>".
void writeModernHead(const ModernHead& head);
// "<body>", the definition's H lines in the header landmark, and the opening of main.
void writeModernBodyStart(const std::vector<std::string>& headerLines);
// The end of main; then `footerLines` (as they stand) in the footer landmark when there are any.
void writeModernMainEnd(const std::vector<std::string>& footerLines);
// The title as the page shows it: through htmlAccents, or the product's name when the definition
// has none, so that the page and its first heading are never empty.
std::string modernTitle(std::string_view title);
// The text fit for an attribute value in double quotes: `"` as an entity. The texts are the
// program's own or the definition's, already in page form.
std::string attributeText(std::string_view text);

// The style of the modern pages: one sheet for the form, the result and what is drawn below
// the result table; a print part keeps the table whole.
std::string_view modernStyle();
