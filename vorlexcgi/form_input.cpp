#include "form_input.h"

void readFormData(TabulationState&) {}
std::string decodeFormData(std::string_view text) { return std::string(text); }
std::string formValue(const std::string&, std::string_view) { return ""; }
std::vector<std::string> formValues(const std::string&, std::string_view) { return {}; }
