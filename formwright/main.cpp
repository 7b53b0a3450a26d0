// formwright: the selection form of the definition named by the request, on standard output.
#include "form_page.h"
#include "output.h"

int main(int argc, char** argv) {
  const std::string name = formDefinitionName(argc, argv);
  if (name.empty()) return 0;  // nothing asked for: nothing written
  writeLine(stdout, "Content-type: text/html");
  writeLine(stdout, "");
  const std::string path = formDefinitionPath(name);
  const std::string found = existingDefinition(path);
  if (found.empty()) {
    writeMissingDefinition(path);
    return finishOutput();
  }
  SelectionForm form = newSelectionForm(name);
  Status failure = readSelectionForm(form, found);
  if (!failure) failure = writeSelectionForm(form);
  return failure ? endWith(*failure) : finishOutput();
}
