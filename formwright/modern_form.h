// The modern selection form (definition option OHTML5): the same fields as the classic form,
// each control with its own id and a visible label, the rules the tabulator enforces beside the
// lists they concern, and a script that filters the lists and checks the rules before posting.
// Without the script the form posts the same fields.
#pragma once

#include <string>
#include <vector>

#include "form_page.h"

// Writes the page after the CGI header; `files` are the data files the pattern matched. Fails as
// writeSelectionForm does.
[[nodiscard]] Status writeModernForm(const SelectionForm& form,
                                     const std::vector<std::string>& files);

// The script of the modern form, one line per element.
const std::vector<std::string_view>& modernFormScript();
