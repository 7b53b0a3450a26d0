// The CGI side of input: where the form data comes from (the posted body, or "query.txt" outside
// a web server), the redirect of an empty post, the CGI header, and the lookups on the data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "state.h"

// The form data of the request and, unless it asks for a data format, the CGI header: the
// posted body, or query.txt outside a web server; a GET whose address holds form fields is read
// like a posted body, any other GET takes the classic way. A body larger than any form fails
// with the line of memory that ran out, and its length.
[[nodiscard]] Status readFormData(TabulationState& state);
// The form part of a GET address: QUERY_STRING without the definition name, its first item that
// holds no "=". Empty unless the request is a GET and that part holds a field (an "=").
std::string addressFormFields();
// The definition name of a GET address: its first item that holds no "=" (cut to 255); empty
// when the request is no GET or no item qualifies.
std::string addressDefinitionName();
std::string decodeFormData(std::string_view text);
// The first value of the field, cut to 255; empty when the field is absent.
std::string formValue(const std::string& query, std::string_view name);
// Every value of a repeated field, in order (at most 5700).
std::vector<std::string> formValues(const std::string& query, std::string_view name);
// A number taken from the request (a category, a period count): a text that is not an integer
// fails with an "Erro: " line that shows it HTML-escaped, since it lands in the page.
[[nodiscard]] Status requirePostedInteger(std::string_view text, std::int32_t& value);
