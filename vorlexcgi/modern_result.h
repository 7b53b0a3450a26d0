// The modern result page (definition option OHTML5): its head and landmarks, the result in the
// chosen format with download links that give the file type and size, and the page that answers
// a request that makes no sense with one reason per choice to change.
#pragma once

#include <string>
#include <vector>

#include "modern_texts.h"
#include "request_end.h"
#include "result_model.h"
#include "state.h"

// Whether the request gets the modern page: the definition asks for it and the format is one the
// form offers (the notebook format keeps the page its readers parse).
bool modernPageAsked(const TabulationState& state);
// The head, the H lines in the header and the opening of main.
void writeModernPageHead(TabulationState& state);

struct NonsenseFound {
  Nonsense reason;
  std::string message;  // in the definition's language, naming the choice to change
};
// What makes the request nonsense, each naming the choice to change as the form shows it; empty
// for a request the tabulator can answer. Needs the definition read and the files chosen, not
// the dimensions loaded. Every check the classic page makes after loading is made here too,
// at least as strictly, so that the modern page never shows the classic text of one.
std::vector<NonsenseFound> nonsenseFound(const TabulationState& state);
// The end of a request that makes no sense: its first reason, the rest for the modern page.
Ending nonsenseEnd(const TabulationState& state);
// Writes an early end on the modern page: the reasons of a nonsense request, or the tabulator's
// message, and the way back to the form; then closes what is open. Returns the exit status.
int writeModernEnd(const TabulationState& state, const RequestEnd& end);
// The result in the chosen format, the copies and the links to them, and the end of main and
// the footer; "</body>" and the rest are the page flow's. Fails when a copy cannot be written.
[[nodiscard]] Status writeModernResult(TabulationState& state, const ResultModel& model);
