// The links that OLINKS adds below a result page: the GET address of the request just
// answered, which asks for the same table again (a bookmark, a message to a colleague), and the
// same address asking for the data as JSON-stat and as tidy CSV.
#pragma once

#include <string>
#include <string_view>

#include "state.h"

// The request as a GET address: the script's path, "?", the definition name, then the form
// values the request reads, %-encoded, in the order of the form (Linha, Coluna, Incremento,
// Arquivos, Periodo, the selections, opcoes, zeradas, formato), each value as posted and in
// posted order within its field; a field posted twice alike counts once, and a selection whose
// first value is "all categories" is left out (it filters nothing). `format` replaces
// the posted formato when not empty. Built again from the address, it is the same address.
std::string tableAddress(const TabulationState& state, std::string_view format = {});
// The three links, below the table of a page in the table or pre format: the classic page's
// line of links, and the modern page's block (OHTML5).
void writeTableLinks(const TabulationState& state);
void writeModernTableLinks(const TabulationState& state);
