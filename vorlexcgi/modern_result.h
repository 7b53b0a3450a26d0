// The modern result page (definition option OHTML5): its head and landmarks, the result in the
// chosen format with download links that give the file type and size, and the page that answers
// a request that makes no sense with one reason per choice to change.
#pragma once

#include <string>
#include <vector>

#include "result_model.h"
#include "state.h"

// Whether the request gets the modern page: the definition asks for it and the format is one the
// form offers (the notebook format keeps the page its readers parse).
bool modernPageAsked(const TabulationState& state);
// The head, the H lines in the header and the opening of main.
void writeModernPageHead(const TabulationState& state);
// The reasons a request makes no sense, in the definition's language, each naming the choice to
// change as the form shows it; empty for a request the tabulator can answer. Needs the
// definition read and the files chosen, not the dimensions loaded.
std::vector<std::string> nonsenseReasons(const TabulationState& state);
// The refusal: the reasons and the way back to the form, then the end of the page.
void writeModernRefusal(const TabulationState& state, const std::vector<std::string>& reasons);
// A message of the tabulator that ends the request early (already in page form), then the end
// of the page.
void writeModernEarlyEnd(const TabulationState& state, const std::string& message);
// The result in the chosen format, the copies and the links to them, and the end of main and
// the footer; "</body>" and the rest are the page flow's. Fails when a copy cannot be written.
[[nodiscard]] Status writeModernResult(TabulationState& state, const ResultModel& model);
