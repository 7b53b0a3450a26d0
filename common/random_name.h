// The unguessable part of a file name that others must not find or plant beforehand (a copy
// that only its requester may fetch, the temporary index), from the system's random source.
#pragma once

#include <string>

// 16 lower-case hex digits (64 bits) from getrandom(); a source that fails ends the program
// with an "Erro: " line.
std::string randomHexName();
