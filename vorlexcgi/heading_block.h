// The heading block that opens every result: title, what was counted by which dimensions, the
// selections and the period. The HTML tables and the text formats all write it first.
#pragma once

#include <string>

#include "result_model.h"

void writeHeadingBlock(const ResultModel& model);
// What was counted by which dimensions: "Eventos por Sexo segundo UF", in page form.
std::string headingChoices(const ResultModel& model);
// A chosen dimension's name: the first 31 characters of its normalized line.
std::string choiceName(const std::string& choice);
// The chosen categories of a selection, in page form, separated by ", ".
std::string chosenCategories(const ResultSelection& selection);
