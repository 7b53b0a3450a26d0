// The result as the modern page's table (definition option OHTML5, formato=table): a caption
// with the title and the heading block, column heads and row labels as header cells with their
// scope, the totals and roll-up rows marked for assistive technology and for the style sheet,
// inside a box that scrolls sideways on its own.
#pragma once

#include "result_model.h"

void writeModernTable(const ResultModel& model);
// The heading block of the modern page: the title as the page's first heading, what was counted,
// the selections and the period. The table's caption holds it; the text formats write it above
// their text.
void writeModernHeading(const ResultModel& model);
