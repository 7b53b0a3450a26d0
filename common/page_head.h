// The head that the classic pages of both CGI programs open with: document type, title and the
// site's style sheets. Each program closes the head its own way.
#pragma once

#include <string>

struct PageHead {
  std::string title;  // the definition's title, written through htmlAccents
  bool styleSheetsOn = false;
  std::string styleSheet, printStyleSheet;
  // The result page names its character set when it links style sheets; the form never did.
  bool declareCharset = false;
};

// Everything up to, not including, "</HEAD>".
void writeClassicHeadStart(const PageHead& head);
