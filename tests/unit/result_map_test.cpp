// The map below the modern result: features classified by the row dimension's own conversion
// (so that the states of a region take the region's value), classes from the published values
// as the table writes them, the neutral styles, and the one line that says why a map is missing.
#include "result_map.h"

#include <gtest/gtest.h>

#include <regex>

#include "program_run.h"
#include "result_state.h"
#include "test_paths.h"
#include "text_helpers.h"

namespace {

std::string conversionLine(int category, const std::string& label, const std::string& codes) {
  std::string number = std::to_string(category);
  std::string line = "   " + std::string(4 - number.size(), ' ') + number + "  " + label;
  return line + std::string(60 - line.size(), ' ') + codes + "\r\n";
}

// Regions of two-digit state codes: 11 and 12 in the north, 21 in the south.
Dimension regions() {
  writeFileBytes(tempPath("regiao.cnv"),
                 "2 2\r\n" + conversionLine(1, "Norte", "11,12") + conversionLine(2, "Sul", "21"));
  Dimension dimension;
  EXPECT_FALSE(loadDimension(normalizeDimensionLine("LRegi\xE3o,UF,1," + tempPath("regiao.cnv")),
                             100, dimension));
  return dimension;
}

// Unit squares side by side from west to east, one per code.
MapGeometry squares(const std::vector<std::string>& codes) {
  MapGeometry map;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const double west = static_cast<double>(i);
    map.features.push_back({codes[i], ringCount(map), 0});
    addRing(map, {{west, 0}, {west + 1, 0}, {west + 1, 1}, {west, 1}});
  }
  return map;
}

ResultModel regionResult(std::vector<double> values, int decimals = 0) {
  ResultTable table;
  table.rowTitle = "Regi\xE3o";
  table.rowLabels = {"Norte", "Sul"};
  table.decimals = {decimals};
  for (const double value : values) table.cells.push_back({value});
  return resultModel(resultState(table));
}

std::string mapOf(const ResultModel& model, const MapGeometry& map) {
  const Dimension dimension = regions();
  return runInChild([&] { writeMapPicture(model, dimension, map); }).output;
}

// Each feature's class and title, in order.
std::vector<std::string> features(const std::string& svg) {
  std::vector<std::string> found;
  const std::regex path("<path class=\"([^\"]+)\" d=\"[^\"]*\"><title>([^<]*)</title></path>");
  for (std::sregex_iterator m(svg.begin(), svg.end(), path), end; m != end; ++m) {
    found.push_back(std::string((*m)[1]) + " " + std::string((*m)[2]));
  }
  return found;
}

}  // namespace

TEST(ResultMap, StatesTakeTheirRegionsValueAndClass) {
  const std::string svg = mapOf(regionResult({10, 30}), squares({"11", "12", "21", "99", ""}));
  EXPECT_EQ((std::vector<std::string>{"vx-c1 Norte: 10", "vx-c1 Norte: 10", "vx-c5 Sul: 30",
                                      "vx-nulo 99: Sem valor", "vx-nulo Sem valor"}),
            features(svg));
  EXPECT_NE(std::string::npos,
            svg.find("<figure class=\"vx-mapa\">\r\n<figcaption><h2 id=\"vx-mapa-titulo\">Mapa: "
                     "Nascimentos por Regi&atilde;o</h2></figcaption>\r\n"
                     "<ul class=\"vx-cores\">\r\n"
                     "<li><span class=\"vx-amostra vx-c1\"></span>10</li>\r\n"
                     "<li><span class=\"vx-amostra vx-c5\"></span>30</li>\r\n"
                     "<li><span class=\"vx-amostra vx-nulo\"></span>Sem valor</li>\r\n</ul>\r\n"
                     "<svg class=\"vx-areas\" viewBox=\"0 0 8000 1600\" width=\"800\" "
                     "height=\"160\" role=\"group\" aria-labelledby=\"vx-mapa-titulo\">\r\n"
                     "<path class=\"vx-c1\" d=\"M0 1600l1600 0 0-1600-1600 0z\">"))
      << svg;
  EXPECT_EQ(std::string::npos, svg.find("<defs>")) << "no hatching without a suppressed value";
}

TEST(ResultMap, ClassesFromThePublishedValuesAsTheTableWritesThem) {
  // 1.234 and 1.236 are shown as 1,23 and 1,24: two classes, as a reader would see them.
  ResultModel model = regionResult({1.234, 1.236}, 2);
  std::string svg = mapOf(model, squares({"11", "21"}));
  EXPECT_EQ((std::vector<std::string>{"vx-c1 Norte: 1,23", "vx-c5 Sul: 1,24"}), features(svg));
  EXPECT_NE(std::string::npos, svg.find("vx-c1\"></span>1,23</li>")) << svg;

  // A suppressed value is hatched and its classes are those of the others; a value not
  // computable has none.
  model = regionResult({5, 3000});
  markCell(model, 2, 1, CellMark::suppressed);
  svg = mapOf(model, squares({"11", "21", "12"}));
  EXPECT_EQ((std::vector<std::string>{"vx-c3 Norte: 5", "vx-oculta Sul: X", "vx-c3 Norte: 5"}),
            features(svg));
  EXPECT_NE(std::string::npos,
            svg.find("<li><span class=\"vx-amostra vx-c3\"></span>5</li>\r\n"
                     "<li><span class=\"vx-amostra vx-oculta\"></span>Valor suprimido (X)</li>\r\n"
                     "</ul>"))
      << svg;
  EXPECT_NE(std::string::npos, svg.find("<defs><pattern id=\"vx-hachura\"")) << svg;
  markCell(model, 1, 1, CellMark::notComputable);
  markCell(model, 2, 1, CellMark::unreliable);
  EXPECT_EQ(
      (std::vector<std::string>{"vx-nulo Norte: ..", "vx-c3 Sul: 3.000*", "vx-nulo Norte: .."}),
      features(mapOf(model, squares({"11", "21", "12"}))));
}

TEST(ResultMap, ARowTheTableLeavesOutHasNoValueOnTheMap) {
  // Nothing counted in the north: the table has no row for it, nor has the map a zero (and
  // the one value left is one class, drawn in the palette's middle).
  ResultModel model = regionResult({0, 30});
  EXPECT_EQ((std::vector<std::string>{"vx-nulo Norte: Sem valor", "vx-c3 Sul: 30"}),
            features(mapOf(model, squares({"11", "21"}))));
  model.showZeroRows = true;
  EXPECT_EQ((std::vector<std::string>{"vx-c1 Norte: 0", "vx-c5 Sul: 30"}),
            features(mapOf(model, squares({"11", "21"}))));
}

TEST(ResultMap, WithAColumnTheRowsTotal) {
  ResultTable table;
  table.rowLabels = {"Norte", "Sul"};
  table.columnChoice = "Sexo";
  table.columnLabels = {"Masc", "Fem"};
  table.cells = {{1, 2}, {30, 40}};
  TabulationState state = resultState(table);
  EXPECT_EQ((std::vector<std::string>{"vx-c1 Norte: 3", "vx-c5 Sul: 70"}),
            features(mapOf(resultModel(state), squares({"11", "21"}))));
}

TEST(ResultMap, AMapThatCannotBeDrawnIsOneLineAndThePageGoesOn) {
  const std::string folder = tempDirectory();
  writeFileBytes(folder + "ruim.geojson", "{\"type\":\"Feature\"}");
  writeFileBytes(folder + "vazio.geojson", "{\"type\":\"FeatureCollection\",\"features\":[]}");
  ResultModel model = regionResult({10, 30});
  const struct {
    MapOption option;
    bool noTotals;
    const char* note;  // empty: nothing written
  } cases[] = {
      {{"Regi\xE3o", folder + "nada<.geojson", "COD", true},
       false,
       "Mapa n\xE3o dispon\xEDvel: o arquivo %Fnada&lt;.geojson n\xE3o foi encontrado."},
      {{"Regi\xE3o", folder + "ruim.geojson", "COD", true},
       false,
       "Mapa n\xE3o dispon\xEDvel: o arquivo %Fruim.geojson n\xE3o \xE9 um GeoJSON de "
       "pol\xEDgonos."},
      {{"Regi\xE3o", folder + "vazio.geojson", "COD", true},
       false,
       "Mapa n\xE3o dispon\xEDvel: o arquivo %Fvazio.geojson n\xE3o \xE9 um GeoJSON de "
       "pol\xEDgonos."},
      {{"Regi\xE3o", "", "", false},
       false,
       "Mapa n\xE3o dispon\xEDvel: OMAPA pede a vari\xE1vel, o arquivo e a propriedade."},
      {{"Regi\xE3o", folder + "ruim.geojson", "COD", true},
       true,
       "Mapa n\xE3o dispon\xEDvel: esta tabela n\xE3o tem o total de cada linha."},
  };
  const Dimension dimension = regions();
  for (const auto& c : cases) {
    ResultModel shown = model;
    if (c.noTotals) {
      shown.columnActive = true;
      shown.totalColumnShown = false;
    }
    std::string note = c.note;
    const std::size_t at = note.find("%F");
    if (at != std::string::npos) note.replace(at, 2, folder);
    EXPECT_EQ("<p class=\"vx-aviso\">" + note + "</p>\r\n",
              runInChild([&] { writeResultMap(shown, dimension, &c.option); }).output);
  }
  EXPECT_EQ("", runInChild([&] { writeResultMap(model, dimension, nullptr); }).output);
}

TEST(ResultMap, TheFirstLineForTheChosenRowIsItsMap) {
  const std::vector<MapOption> maps = {{"UF_de_resid\xEAncia", "a.geojson", "COD", true},
                                       {"Munic\xEDpio", "b.geojson", "COD", true},
                                       {"UF_de_resid\xEAncia", "c.geojson", "COD", true}};
  EXPECT_EQ("a.geojson", mapForRow(maps, "UF_de_resid\xEAncia")->file);
  EXPECT_EQ("b.geojson", mapForRow(maps, "Munic\xEDpio")->file);
  EXPECT_EQ(nullptr, mapForRow(maps, "Sexo"));
}
