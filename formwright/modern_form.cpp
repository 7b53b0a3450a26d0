// The modern form: the fields of the classic form (same names, same values, the same choices
// made at first), laid out for any width, with the rules of the tabulator beside the lists and
// the texts the script shows in data-vx-* attributes.
#include "modern_form.h"

#include <algorithm>
#include <cstdio>

#include "conversion.h"
#include "form_fields.h"
#include "modern_page.h"
#include "modern_texts.h"
#include "output.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

// Lines a list shows before it scrolls.
constexpr std::size_t kListLines = 6;

void writeOut(std::string_view text) { writeLine(stdout, text); }

std::string attribute(std::string_view name, std::string_view text) {
  return std::string(" ") + std::string(name) + "=\"" + attributeText(text) + "\"";
}

std::string sizeFor(std::size_t options) {
  return std::to_string(std::clamp<std::size_t>(options, 2, kListLines));
}

// The field of a row or column name: the first line of that name answers.
std::string fieldOf(const std::vector<NamedField>& fields, const std::string& name) {
  for (const NamedField& entry : fields) {
    if (entry.name == name) return entry.field;
  }
  return "";
}

// The last line of a measure name answers, as in the tabulator.
const MeasureReference* referenceOf(const SelectionForm& form, const std::string& name) {
  const MeasureReference* found = nullptr;
  for (const MeasureReference& entry : form.measureReferences) {
    if (entry.name == name) found = &entry;
  }
  return found;
}

std::string label(FormLabel which, Language language) { return formLabel(which, language); }

void writeFieldStart(const std::string& id, const std::string& text) {
  writeOut("<div class=\"vx-campo\">");
  writeOut("<label for=\"" + id + "\">" + text + "</label>");
}

void writeRowList(const SelectionForm& form) {
  writeFieldStart("vx-linha", label(FormLabel::rows, form.language));
  writeOut("<select name=\"" + std::string(formField::row) + "\" id=\"vx-linha\" size=\"" +
           sizeFor(form.rowList.size()) + "\">");
  for (std::size_t i = 0; i < form.rowList.size(); ++i) {
    const std::string& name = form.rowList[i];
    writeOut("<option" + attribute("value", htmlEscape(name)) +
             attribute("data-vx-campo", fieldOf(form.rowFields, name)) +
             (i == 0 ? " selected>" : ">") + htmlAccents(name) + "</option>");
  }
  writeOut("</select>");
  writeOut("</div>");
}

void writeColumnList(const SelectionForm& form) {
  const Language language = form.language;
  writeFieldStart("vx-coluna", label(FormLabel::columns, language));
  // The rule of several measures stands beside the measure list, when there is one.
  const std::string describedBy =
      form.measureList.empty() ? "" : " aria-describedby=\"vx-regra-varios\"";
  writeOut("<select name=\"" + std::string(formField::column) + "\" id=\"vx-coluna\"" +
           describedBy + " size=\"" + sizeFor(form.columnList.size() + 1) + "\">");
  writeOut("<option" + attribute("value", htmlEscape(kNoColumn)) + " selected>" +
           label(FormLabel::noColumn, language) + "</option>");
  for (const std::string& name : form.columnList) {
    const std::string shown = htmlAccents(name);
    writeOut(
        "<option" + attribute("value", htmlEscape(name)) +
        attribute("data-vx-campo", fieldOf(form.columnFields, name)) +
        attribute("data-vx-igual", nonsenseMessage(Nonsense::rowEqualsColumn, language, shown)) +
        ">" + shown + "</option>");
  }
  writeOut("</select>");
  writeOut("</div>");
}

// The measures, and beside them the rules that choosing them brings.
void writeMeasureList(const SelectionForm& form) {
  const Language language = form.language;
  writeFieldStart("vx-conteudo", label(FormLabel::cells, language));
  writeOut(
      "<select name=\"" + std::string(formField::measure) +
      "\" id=\"vx-conteudo\" multiple size=\"" + sizeFor(form.measureList.size()) +
      "\" aria-describedby=\"vx-dica vx-regras\"" +
      attribute("data-vx-vazio", nonsenseMessage(Nonsense::noMeasure, language)) +
      attribute("data-vx-com-coluna", nonsenseMessage(Nonsense::measuresWithColumn, language)) +
      ">");
  std::vector<std::string> rules = {severalMeasuresRule(language)};
  for (std::size_t i = 0; i < form.measureList.size(); ++i) {
    const std::string& name = form.measureList[i];
    const std::string shown = htmlAccents(name);
    std::string data;
    const MeasureReference* reference = referenceOf(form, name);
    if (reference != nullptr && (reference->letter == '%' || reference->letter == 'E')) {
      const bool percentage = reference->letter == '%';
      const std::vector<std::string> names =
          namesOnField(form.rowFields, form.columnFields, reference->referenceField);
      const Nonsense reason =
          percentage ? Nonsense::percentageWithoutVariable : Nonsense::stockOverPeriods;
      data = attribute("data-vx-tipo", std::string(1, reference->letter)) +
             attribute("data-vx-campo", reference->referenceField) +
             attribute("data-vx-erro", nonsenseMessage(reason, language, shown, names));
      rules.push_back(percentage ? percentageRule(language, shown, names)
                                 : stockRule(language, shown, names));
    }
    writeOut("<option" + attribute("value", htmlEscape(name)) + data +
             (i == 0 ? " selected>" : ">") + shown + "</option>");
  }
  writeOut("</select>");
  writeOut("<ul class=\"vx-regras\" id=\"vx-regras\">");
  writeOut("<li id=\"vx-regra-varios\">" + rules[0] + "</li>");
  for (std::size_t i = 1; i < rules.size(); ++i) writeOut("<li>" + rules[i] + "</li>");
  writeOut("</ul>");
  writeOut("</div>");
}

void writePeriodList(const SelectionForm& form, const std::vector<std::string>& files) {
  const std::vector<std::string> names = periodsLatestFirst(files);
  writeFieldStart("vx-periodos", label(FormLabel::availablePeriods, form.language));
  writeOut("<select name=\"" + std::string(formField::files) +
           "\" id=\"vx-periodos\" multiple size=\"" + sizeFor(names.size()) +
           "\" aria-describedby=\"vx-dica\"" +
           attribute("data-vx-vazio", nonsenseMessage(Nonsense::noPeriod, form.language)) + ">");
  for (std::size_t i = 0; i < names.size(); ++i) {
    writeOut("<option" + attribute("value", htmlEscape(names[i])) + (i == 0 ? " selected>" : ">") +
             periodLabel(names[i], form.language) + "</option>");
  }
  writeOut("</select>");
  writeOut("</div>");
}

// One selection list. A conversion file the loader refuses has its message inside the field, beside
// the list it concerns, which then offers "all categories" alone; a fault of the site ends the
// page.
Status writeSelection(const SelectionForm& form, const std::string& line, int n) {
  const std::string name = trimBlanks(std::string_view(line).substr(0, kSelectionFieldName));
  const std::string field = "S" + name;
  const std::string id = "vx-s" + std::to_string(n);
  const std::string shown = htmlAccents(name);
  Dimension dimension;
  const Status refused = loadDimension(line, kMaxFormSelectionCategories + 1, dimension);
  if (refused && refused->status != 0) return refused;
  writeOut("<div class=\"vx-campo\">");
  if (refused) writeOut(refused->text);
  const bool loaded = !refused;
  writeOut("<label for=\"" + id + "\">" + shown + "</label>");
  const int categories = loaded ? dimension.categoryCount : 0;
  writeOut("<select" + attribute("name", htmlEscape(field)) + " id=\"" + id +
           "\" class=\"vx-selecao\" multiple size=\"" +
           sizeFor(static_cast<std::size_t>(std::max(categories, 0)) + 1) +
           "\" aria-describedby=\"vx-dica\"" +
           attribute("data-vx-vazio", nonsenseMessage(Nonsense::noCategory, form.language, shown)) +
           ">");
  writeOut("<option" + attribute("value", kAllCategories) + " selected>" +
           label(FormLabel::allCategories, form.language) + "</option>");
  for (int k = 1; k <= categories; ++k) {
    writeOut("<option value=\"" + std::to_string(k) + "\">" +
             htmlAccents(dimension.categoryNames[k]) + "</option>");
  }
  writeOut("</select>");
  writeOut("<input type=\"hidden\"" + attribute("name", formField::selectionLists) +
           attribute("value", htmlEscape(field)) + ">");
  writeOut("</div>");
  return std::nullopt;
}

Status writeSelections(const SelectionForm& form) {
  if (form.selectionList.empty()) return std::nullopt;
  writeOut("<h2>" + label(FormLabel::availableSelections, form.language) + "</h2>");
  writeOut("<div class=\"vx-campos\">");
  const std::size_t shown = std::min(form.selectionList.size(), kMaxFormSelections);
  for (std::size_t i = 0; i < shown; ++i) {
    if (Status failure = writeSelection(form, form.selectionList[i], static_cast<int>(i + 1))) {
      return failure;
    }
  }
  writeOut("</div>");
  return std::nullopt;
}

void writeChoice(const std::string& type, std::string_view name, const std::string& id,
                 std::string_view value, bool checked, const std::string& text) {
  writeOut("<span class=\"vx-escolha\"><input type=\"" + type + "\"" + attribute("name", name) +
           " id=\"" + id + "\"" + attribute("value", value) + (checked ? " checked>" : ">") +
           "<label for=\"" + id + "\">" + text + "</label></span>");
}

void writeChoicesAndButtons(const SelectionForm& form) {
  const Language language = form.language;
  writeOut("<div class=\"vx-escolhas\">");
  writeChoice("checkbox", formField::sortRows, "vx-ordenar", kSortRowsValue, false,
              label(FormLabel::sortByColumnValues, language));
  writeChoice("checkbox", formField::zeroRows, "vx-zeradas", kShowZeroRowsValue, false,
              modernText(ModernText::showZeroRows, language));
  writeOut("</div>");
  writeOut("<fieldset class=\"vx-formato\">");
  writeOut("<legend>" + label(FormLabel::format, language) + "</legend>");
  const struct {
    std::string_view value;
    FormLabel text;
    const char* after;
  } formats[] = {{formatValue::table, FormLabel::tableWithBorders, ""},
                 {formatValue::preformatted, FormLabel::preformattedText, ""},
                 {formatValue::separated, FormLabel::columnsSeparatedBy, " \";\""}};
  for (const auto& format : formats) {
    writeChoice("radio", formField::format, "vx-formato-" + std::string(format.value), format.value,
                format.value == formatValue::table, label(format.text, language) + format.after);
  }
  writeOut("</fieldset>");
  writeOut("<div class=\"vx-avisos\" id=\"vx-avisos\" role=\"alert\"" +
           attribute("data-vx-titulo", modernText(ModernText::fixBeforeShowing, language)) +
           "></div>");
  writeOut("<div class=\"vx-botoes\">");
  writeOut("<input type=\"submit\"" + attribute("name", formField::submit) +
           attribute("value", label(FormLabel::show, language)) + ">");
  writeOut("<input type=\"reset\"" + attribute("value", label(FormLabel::reset, language)) + ">");
  writeOut("</div>");
}

// The R and F lines and the include file in the footer, as the classic form writes them after the
// form; then the script, and the end of the page.
Status writePageEnd(const SelectionForm& form, bool withScript) {
  std::vector<std::string> lines = form.footnoteLines;
  lines.insert(lines.end(), form.footerLines.begin(), form.footerLines.end());
  std::vector<std::string> included;
  if (Status failure = includeLines(form, included)) return failure;
  lines.insert(lines.end(), included.begin(), included.end());
  writeModernMainEnd(lines);
  if (withScript) {
    writeOut("<script>");
    for (const std::string_view line : modernFormScript()) writeOut(line);
    writeOut("</script>");
  }
  writeOut("</body>");
  writeOut("</html>");
  return std::nullopt;
}

}  // namespace

Status writeModernForm(const SelectionForm& form, const std::vector<std::string>& files) {
  const Language language = form.language;
  writeModernHead(
      {form.title, language, form.styleSheetsOn, form.styleSheet, form.printStyleSheet});
  writeModernBodyStart(form.headerLines);
  writeOut("<h1 class=\"Nivel0\">" + modernTitle(form.title) + "</h1>");
  if (files.empty()) {
    writeOut("<p class=\"vx-mensagem\">" + modernText(ModernText::noData, language) + "</p>");
    return writePageEnd(form, false);
  }
  writeOut("<form id=\"vx-formulario\" method=\"post\"" +
           attribute("action",
                     htmlEscape(form.scriptDirectory + "vorlexcgi.exe?" + form.definitionName)) +
           attribute("data-vx-filtro", modernText(ModernText::filter, language)) + ">");
  writeOut("<p class=\"vx-dica\" id=\"vx-dica\">" + modernText(ModernText::severalHint, language) +
           "</p>");
  writeOut("<div class=\"vx-campos\">");
  if (!form.rowList.empty()) writeRowList(form);
  if (!form.columnList.empty()) writeColumnList(form);
  if (!form.measureList.empty()) writeMeasureList(form);
  writePeriodList(form, files);
  writeOut("</div>");
  if (Status failure = writeSelections(form)) return failure;
  writeChoicesAndButtons(form);
  writeOut("</form>");
  return writePageEnd(form, true);
}
