// The address of a request and the links to it. The address is built from the decoded form
// data, so a posted form and the address built from it, or the address and the address built
// again from that, give the same page.
#include "table_links.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "form_fields.h"
#include "form_input.h"
#include "output.h"
#include "text_helpers.h"

namespace {

// The fields the request reads, in the form's order; the selections ("S" + a name) stand
// between Periodo and opcoes.
constexpr std::string_view kFieldOrder[] = {
    formField::row,      formField::column,   formField::measure,
    formField::files,    formField::periods,  "S",
    formField::sortRows, formField::zeroRows, formField::format};
constexpr int kSelectionRank = 5;
constexpr int kNotRead = -1;

int rankOf(std::string_view name) {
  for (int rank = 0; rank < static_cast<int>(std::size(kFieldOrder)); ++rank) {
    if (rank != kSelectionRank && name == kFieldOrder[rank]) return rank;
  }
  return name.size() > 1 && name[0] == 'S' ? kSelectionRank : kNotRead;
}

// Every byte but letters, digits and "-._~" as %XX, as a browser encodes a form.
std::string encoded(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string result;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      result += c;
    } else {
      result += '%';
      result += kHex[byte >> 4];
      result += kHex[byte & 15];
    }
  }
  return result;
}

std::string scriptPath() {
  const std::string script = getEnv("SCRIPT_NAME");
  return script.empty() ? "vorlexcgi.exe" : script;
}

// Windows-1252 bytes; one row per language: the three links, then the modern page's heading.
const char* const kLinkTexts[3][4] = {
    {"Link para esta tabela", "Dados em JSON-stat", "Dados em CSV", "Endere\xE7o desta tabela"},
    {"Enlace a esta tabla", "Datos en JSON-stat", "Datos en CSV", "Direcci\xF3n de esta tabla"},
    {"Link to this table", "Data as JSON-stat", "Data as CSV", "Address of this table"},
};

// Below a table in the table or pre format: not under a text to paste (copies suppressed) nor
// when run by hand.
bool linksShown(const TabulationState& state) {
  const std::string format = formValue(state.query, formField::format);
  return !state.suppressCopies &&
         (format == formatValue::table || format == formatValue::preformatted);
}

}  // namespace

std::string tableAddress(const TabulationState& state, std::string_view format) {
  struct Item {
    int rank;
    std::string_view name, value;
  };
  std::vector<Item> items;
  std::unordered_set<std::string_view> seen;
  // A selection whose first value is "all categories" filters nothing and is left out whole,
  // so that the address shows only the choices made.
  std::unordered_set<std::string_view> selections, unfiltered;
  std::string_view rest = state.query;
  while (!rest.empty()) {
    const std::size_t end = rest.find('&');
    const std::string_view item = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const std::size_t equals = item.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = item.substr(0, equals);
    const int rank = rankOf(name);
    if (rank == kNotRead || !seen.insert(item).second) continue;
    if (rank == kSelectionRank && selections.insert(name).second &&
        item.substr(equals + 1) == kAllCategories) {
      unfiltered.insert(name);
    }
    if (unfiltered.contains(name)) continue;
    if (!format.empty() && name == formField::format) continue;
    items.push_back({rank, name, item.substr(equals + 1)});
  }
  if (!format.empty()) items.push_back({rankOf(formField::format), formField::format, format});
  std::stable_sort(items.begin(), items.end(),
                   [](const Item& a, const Item& b) { return a.rank < b.rank; });
  std::string address = scriptPath() + "?" + encoded(state.definitionName);
  for (const Item& item : items) {
    address += '&';
    address += encoded(item.name);
    address += '=';
    address += encoded(item.value);
  }
  return address;
}

void writeTableLinks(const TabulationState& state) {
  if (!linksShown(state)) return;
  const char* const* texts = kLinkTexts[textColumn(state.language)];
  const auto link = [](const std::string& address, const char* text) {
    return "<A HREF=\"" + htmlEscape(address) + "\">" + htmlAccents(text) + "</A>";
  };
  writeLine(stdout, "<DIV CLASS=\"NIVEL2\" ALIGN=\"CENTER\">");
  writeLine(stdout, link(tableAddress(state), texts[0]) + " |");
  writeLine(stdout, link(tableAddress(state, formatValue::jsonStat), texts[1]) + " |");
  writeLine(stdout, link(tableAddress(state, formatValue::tidyCsv), texts[2]));
  writeLine(stdout, "</DIV>");
}

void writeModernTableLinks(const TabulationState& state) {
  if (!linksShown(state)) return;
  const char* const* texts = kLinkTexts[textColumn(state.language)];
  const auto item = [](const std::string& address, const char* text, const char* type) {
    return "<li><a href=\"" + htmlEscape(address) + "\"" + type + ">" + htmlAccents(text) +
           "</a></li>";
  };
  // Laid out and left out of print as the copies' links are.
  writeLine(stdout, "<div class=\"vx-copias vx-enderecos\">");
  writeLine(stdout, "<h2>" + htmlAccents(texts[3]) + "</h2>");
  writeLine(stdout, "<ul>");
  writeLine(stdout, item(tableAddress(state), texts[0], ""));
  writeLine(stdout, item(tableAddress(state, formatValue::jsonStat), texts[1],
                         " type=\"application/json\""));
  writeLine(stdout,
            item(tableAddress(state, formatValue::tidyCsv), texts[2], " type=\"text/csv\""));
  writeLine(stdout, "</ul>");
  writeLine(stdout, "</div>");
}
