// How library code reports a failure: the program's own text, composed where the failure is
// found, handed back to the caller. Library code never writes a failure and never ends the
// process; each program has one top-level function that writes it and chooses the exit status.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct Failure {
  std::string text;  // written as it stands; several lines are joined by CR LF
  // Whether CR LF follows the text. The reader's record-number message has always ended the
  // output without one.
  bool lineEnd = true;
  // The exit status when the failure ends the program: 1, except for the refusals of a
  // conversion file, which end a request with status 0 as they always have.
  int status = 1;
};

// The outcome of a step: empty when it succeeded, else its failure.
using Status = std::optional<Failure>;

// A failure the system has no text of its own for (a bad number, an input/output error):
// "Erro: " + what failed.
inline Failure runtimeError(std::string_view what) { return {"Erro: " + std::string(what)}; }
