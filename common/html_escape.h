// The one escape for text that a page shows but the program does not own: request text, and
// file names, which a request can choose. Here rather than in text_helpers because the DBF
// reader, which seriak links alone, builds its messages with it.
#pragma once

#include <string>
#include <string_view>

// & < > " as entities: for any text that comes from the request.
std::string htmlEscape(std::string_view text);
