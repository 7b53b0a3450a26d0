// The heading block that opens every result: title, what was counted by which dimensions, the
// selections and the period. The HTML tables and the text formats all write it first.
#pragma once

#include "result_model.h"

void writeHeadingBlock(const ResultModel& model);
