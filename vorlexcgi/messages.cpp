#include "messages.h"

std::string localMessage(int, int) { return ""; }
void setNumberSeparators(TabulationState& state) {
  state.thousandsSeparator = state.language == 2 ? ',' : '.';
  state.decimalSeparator = state.language == 2 ? '.' : ',';
}
