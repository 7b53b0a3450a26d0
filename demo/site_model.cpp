// The invented places and categories of the demo site. Names are made up from common words;
// accented letters are Windows-1252 bytes, as the conversion files and pages carry them.
#include "site_model.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

Category category(const std::string& codes, const std::string& pt, const std::string& es,
                  const std::string& en, int rollUp = 0) {
  Category c;
  c.codes = codes;
  c.rollUp = rollUp;
  c.label[0] = pt;
  c.label[1] = es;
  c.label[2] = en;
  return c;
}

// Cause chapters by code range; the last one gathers the remaining ranges in one code list.
const char* const kChapterRanges[] = {
    "A000-B999", "C000-D489", "I000-I999", "J000-J999",
    "P000-P969", "Q000-Q999", "V010-Y989", "D500-H959,K000-O999,R000-U999"};
// Relative frequency of each chapter among the events.
const int kChapterWeights[] = {10, 15, 20, 15, 5, 3, 12, 20};

int codeValue(const std::string& code) {  // "A123" -> 1123, letters counted from 1
  return (code[0] - 'A' + 1) * 1000 + std::stoi(code.substr(1));
}
std::string codeText(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%c%03d", 'A' + value / 1000 - 1, value % 1000);
  return text;
}

std::vector<std::pair<std::string, std::string>> splitRanges(const std::string& codes) {
  std::vector<std::pair<std::string, std::string>> ranges;
  std::size_t start = 0;
  while (start <= codes.size()) {
    std::size_t end = codes.find(',', start);
    if (end == std::string::npos) end = codes.size();
    const std::string item = codes.substr(start, end - start);
    const std::size_t dash = item.find('-');
    if (dash == std::string::npos)
      ranges.emplace_back(item, item);
    else
      ranges.emplace_back(item.substr(0, dash), item.substr(dash + 1));
    start = end + 1;
  }
  return ranges;
}

}  // namespace

std::uint64_t Random::next() {
  state += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}
int Random::below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
double Random::unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }

int categoryFor(const CategoryTable& table, const std::string& code) {
  for (std::size_t i = 0; i < table.categories.size(); ++i) {
    const Category& c = table.categories[i];
    if (table.kind == 'F') {
      if (std::stod(code) <= std::stod(c.codes)) return static_cast<int>(i) + 1;
      continue;
    }
    if (c.codes.empty()) continue;
    for (const auto& [low, high] : splitRanges(c.codes)) {
      if (code.size() == low.size() && low <= code && code <= high) return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

SiteModel buildSiteModel(int municipalityCount) {
  SiteModel m;
  m.regions = {{{"Regi\xE3o Serrana", "Regi\xF3n Serrana", "Highlands Region"}},
               {{"Regi\xE3o Litor\xE2nea", "Regi\xF3n Litoral", "Coastal Region"}},
               {{"Regi\xE3o Central", "Regi\xF3n Central", "Central Region"}}};
  m.states = {{"11", "Ara\xFAna", 0},     {"12", "Itaver\xE1", 0},
              {"13", "Serra Dourada", 0}, {"21", "Marac\xE1", 1},
              {"22", "Porto A\xE7u", 1},  {"23", "Ibirap\xE9", 1},
              {"31", "Jequiri", 2},       {"32", "Campo Alegre do Oeste", 2},
              {"33", "Cerrado Alto", 2}};

  const char* const prefixes[] = {"",      "S\xE3o ",       "Santa ",    "Nova ",    "Porto ",
                                  "Vila ", "Bom Jesus do ", "Lagoa do ", "Barra do "};
  const char* const roots[] = {"Ara\xE7\xE1",
                               "Jatob\xE1",
                               "Ip\xEA",
                               "Buriti",
                               "Jacarand\xE1",
                               "Ararib\xE1",
                               "Guar\xE1",
                               "Ita\xFAna",
                               "Piracema",
                               "Tambor\xE9",
                               "Cara\xED"
                               "ba",
                               "Ja\xFA",
                               "Maraca\xED",
                               "Pira\xED",
                               "Ub\xE1",
                               "Caj\xE1",
                               "A\xE7"
                               "a\xED",
                               "Pequi",
                               "Jenipapo",
                               "Camboat\xE1",
                               "Manda\xE7"
                               "aia",
                               "Sabi\xE1",
                               "Juriti",
                               "Anaj\xE1",
                               "Tucum\xE3"};
  const char* const suffixes[] = {
      "",          " do Sul", " do Norte", " da Serra", " das Flores", " dos Campos",
      " do Oeste", " Velha",  " Grande",   " do Leste"};
  std::vector<std::string> names;
  for (const char* suffix : suffixes)
    for (const char* prefix : prefixes)
      for (const char* root : roots) names.push_back(std::string(prefix) + root + suffix);
  Random random{20240611};
  for (std::size_t i = names.size() - 1; i > 0; --i)
    std::swap(names[i], names[random.below(static_cast<int>(i) + 1)]);

  const int stateCount = static_cast<int>(m.states.size());
  std::vector<int> perState(stateCount, 0);
  for (int i = 0; i < municipalityCount; ++i) {
    const int s = i % stateCount;
    char code[8];
    std::snprintf(code, sizeof code, "%s%04d", m.states[s].code.c_str(),
                  10 + 10 * perState[s] + random.below(9));
    ++perState[s];
    // A few large towns and many small ones.
    const double weight = 1.0 / (1 + random.below(40)) + 0.02;
    m.municipalities.push_back(
        {code, names[static_cast<std::size_t>(i) % names.size()], s, weight});
  }
  std::sort(m.municipalities.begin(), m.municipalities.end(),
            [](const Municipality& a, const Municipality& b) { return a.code < b.code; });

  m.sex = {"sexo.cnv",
           "Sexo",
           1,
           ' ',
           {category("1", "Masculino", "Masculino", "Male"),
            category("2", "Feminino", "Femenino", "Female"),
            category("0,9", "Ignorado", "Ignorado", "Unknown")}};
  m.ageGroups = {
      "fxetaria.cnv",
      "Faixa et\xE1ria em anos completos",
      3,
      ' ',
      {category("000", "Menos de 1 ano", "Menos de 1 a\xF1o", "Under 1 year"),
       category("001-004", "1 a 4 anos", "1 a 4 a\xF1os", "1 to 4 years"),
       category("005-014", "5 a 14 anos", "5 a 14 a\xF1os", "5 to 14 years"),
       category("015-029", "15 a 29 anos", "15 a 29 a\xF1os", "15 to 29 years"),
       category("030-044", "30 a 44 anos", "30 a 44 a\xF1os", "30 to 44 years"),
       category("045-059", "45 a 59 anos", "45 a 59 a\xF1os", "45 to 59 years"),
       category("060-074", "60 a 74 anos", "60 a 74 a\xF1os", "60 to 74 years"),
       category("075-150", "75 anos e mais", "75 a\xF1os y m\xE1s", "75 years and over")}};
  m.weightBands = {"peso.cnv",
                   "Peso ao nascer em gramas: limite superior de cada faixa",
                   4,
                   'F',
                   {category("1499", "Menos de 1.500 g", "Menos de 1.500 g", "Under 1,500 g"),
                    category("2499", "1.500 a 2.499 g", "1.500 a 2.499 g", "1,500 to 2,499 g"),
                    category("2999", "2.500 a 2.999 g", "2.500 a 2.999 g", "2,500 to 2,999 g"),
                    category("3999", "3.000 a 3.999 g", "3.000 a 3.999 g", "3,000 to 3,999 g"),
                    category("9999", "4.000 g e mais", "4.000 g y m\xE1s", "4,000 g and over")}};
  const char* const chapterLabels[][kLanguages] = {
      {"Doen\xE7"
       "as infecciosas e parasit\xE1rias",
       "Enfermedades infecciosas y parasitarias", "Infectious and parasitic diseases"},
      {"Neoplasias", "Neoplasias", "Neoplasms"},
      {"Doen\xE7"
       "as do aparelho circulat\xF3rio",
       "Enfermedades del sistema circulatorio", "Diseases of the circulatory system"},
      {"Doen\xE7"
       "as do aparelho respirat\xF3rio",
       "Enfermedades del sistema respiratorio", "Diseases of the respiratory system"},
      {"Afec\xE7\xF5"
       "es do per\xEDodo perinatal",
       "Afecciones del per\xEDodo perinatal", "Perinatal conditions"},
      {"Malforma\xE7\xF5"
       "es cong\xEAnitas",
       "Malformaciones cong\xE9nitas", "Congenital malformations"},
      {"Causas externas", "Causas externas", "External causes"},
      {"Demais causas", "Dem\xE1s causas", "Other causes"}};
  m.chapters = {"capitulo.cnv",
                "Cap\xEDtulos de causas, por faixas de c\xF3"
                "digos",
                4,
                ' ',
                {}};
  for (int i = 0; i < 8; ++i)
    m.chapters.categories.push_back(
        category(kChapterRanges[i], chapterLabels[i][0], chapterLabels[i][1], chapterLabels[i][2]));

  const char* const monthNames[][kLanguages] = {{"Janeiro", "Enero", "January"},
                                                {"Fevereiro", "Febrero", "February"},
                                                {"Mar\xE7o", "Marzo", "March"},
                                                {"Abril", "Abril", "April"},
                                                {"Maio", "Mayo", "May"},
                                                {"Junho", "Junio", "June"},
                                                {"Julho", "Julio", "July"},
                                                {"Agosto", "Agosto", "August"},
                                                {"Setembro", "Septiembre", "September"},
                                                {"Outubro", "Octubre", "October"},
                                                {"Novembro", "Noviembre", "November"},
                                                {"Dezembro", "Diciembre", "December"}};
  m.months = {"mes.cnv",
              "M\xEAs do evento: posi\xE7\xF5"
              "es 5 e 6 da data",
              2,
              ' ',
              {}};
  for (int i = 0; i < 12; ++i) {
    char code[4];
    std::snprintf(code, sizeof code, "%02d", i + 1);
    m.months.categories.push_back(
        category(code, monthNames[i][0], monthNames[i][1], monthNames[i][2]));
  }
  m.years = {"ano.cnv",
             "Ano do evento: posi\xE7\xF5"
             "es 1 a 4 da data",
             4,
             ' ',
             {}};
  for (int year = 2019; year <= 2023; ++year) {
    const std::string y = std::to_string(year);
    m.years.categories.push_back(category(y, y, y, y));
  }

  // A fixed set of cause codes per chapter, as a real file would use a few hundred of them.
  std::set<std::string> codes;
  for (int chapter = 0; chapter < 8; ++chapter) {
    const auto ranges = splitRanges(kChapterRanges[chapter]);
    for (int k = 0; k < 24; ++k) {
      const auto& [low, high] = ranges[static_cast<std::size_t>(k) % ranges.size()];
      const int lowValue = codeValue(low), highValue = codeValue(high);
      codes.insert(codeText(lowValue + random.below(highValue - lowValue + 1)));
    }
  }
  m.causeCodes.assign(codes.begin(), codes.end());
  m.chapterCodes.resize(8);
  for (const std::string& code : m.causeCodes)
    m.chapterCodes[static_cast<std::size_t>(categoryFor(m.chapters, code) - 1)].push_back(code);
  m.causeGroups = {{"01",
                    "Doen\xE7"
                    "as transmiss\xEDveis"},
                   {"02",
                    "Doen\xE7"
                    "as cr\xF4nicas n\xE3o transmiss\xEDveis"},
                   {"03",
                    "Afec\xE7\xF5"
                    "es perinatais e cong\xEAnitas"},
                   {"04",
                    "Causas externas de les\xF5"
                    "es"}};
  // Chapter 8 ("other causes") has no group: its codes fall outside the translation table.
  m.chapterGroup = {0, 1, 2, 2, 2, 3, 3, 4, 0};
  return m;
}

CategoryTable stateTable(const SiteModel& model) {
  CategoryTable table{"uf.cnv",
                      "Unidades da federa\xE7\xE3o (dois primeiros d\xEDgitos do munic\xEDpio) "
                      "com subtotais por regi\xE3o",
                      2,
                      ' ',
                      {}};
  for (std::size_t r = 0; r < model.regions.size(); ++r) {
    const Region& region = model.regions[r];
    table.categories.push_back(category("", region.label[0], region.label[1], region.label[2]));
    const int regionRow = static_cast<int>(table.categories.size());
    for (const State& state : model.states) {
      if (state.region != static_cast<int>(r)) continue;
      table.categories.push_back(
          category(state.code, state.name, state.name, state.name, regionRow));
    }
  }
  return table;
}

CategoryTable municipalityTable(const SiteModel& model) {
  CategoryTable table{"municip.cnv", "Munic\xEDpios de resid\xEAncia", 6, ' ', {}};
  for (const Municipality& place : model.municipalities)
    table.categories.push_back(category(place.code, place.name, place.name, place.name));
  return table;
}

EventRecord drawEvent(const SiteModel& model, Random& random, const Municipality& place, int year) {
  EventRecord e;
  e.municipality = place.code;
  const int s = random.below(1000);
  e.sex = s < 485 ? '1' : s < 985 ? '2' : '9';
  e.age = random.below(100) < 8 ? 0 : (random.below(90) + random.below(15)) % 105;

  int pick = random.below(100), chapter = 0;
  while (pick >= kChapterWeights[chapter]) pick -= kChapterWeights[chapter++];
  const std::vector<std::string>& inChapter = model.chapterCodes[static_cast<std::size_t>(chapter)];
  e.cause = inChapter[static_cast<std::size_t>(random.below(static_cast<int>(inChapter.size())))];

  e.birthWeight = 500 + random.below(1500) + random.below(1500) + random.below(1500);
  e.costCents = 5000 + random.below(150000) + (chapter == 1 ? random.below(400000) : 0);
  static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0;
  int dayOfYear = random.below(leap ? 366 : 365);
  e.year = year;
  e.month = 1;
  for (int i = 0; i < 12; ++i) {
    const int days = monthDays[i] + (i == 1 && leap ? 1 : 0);
    if (dayOfYear < days) break;
    dayOfYear -= days;
    ++e.month;
  }
  e.day = dayOfYear + 1;
  e.died = random.below(1000) < (e.age >= 75 ? 100 : 25) ? 1 : 0;
  e.followedUp = random.below(100) < 20 ? 1 : 0;
  return e;
}
