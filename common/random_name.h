// The unguessable part of a file name that others must not find or plant beforehand (a copy
// that only its requester may fetch, the temporary index), from the system's random source.
#pragma once

#include <string>

#include "failure.h"

// 16 lower-case hex digits (64 bits) from getrandom() into `name`; a source that fails gives an
// "Erro: " line.
[[nodiscard]] Status randomHexName(std::string& name);
