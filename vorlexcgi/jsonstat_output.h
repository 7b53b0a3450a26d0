// The result as a JSON-stat 2.0 dataset, for scripts (formato=jsonstat). Texts in UTF-8.
#pragma once

#include <cstdio>

#include "result_model.h"

// The dataset as one line of JSON.
void writeJsonStat(std::FILE* file, const ResultModel& model);
