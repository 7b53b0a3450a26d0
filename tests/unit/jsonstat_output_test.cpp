#include "jsonstat_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "program_run.h"
#include "regions_result.h"
#include "result_model.h"
#include "result_state.h"

namespace {

using Json = nlohmann::json;

// The states by sex of regions_result.h, with the texts a dataset carries.
TabulationState regionsBySexWithTexts() {
  ResultTable table;
  table.title = "Nascidos por resid\xEAncia";
  table.rowChoice = "UF_de_resid\xEAncia";
  table.rowTitle = "UF_de_resid\xEAncia";
  TabulationState state = regionsBySex(table);
  state.periodCodes = {"97", "96"};
  state.footnoteLines = {"<b>Fonte:</b> IBGE &amp; SUS", ""};
  state.footerLines = {"<p class=\"rodape\">Minist\xE9rio</p>", "<hr>"};
  return state;
}

Json dataset(const ResultModel& model) {
  const ProgramRun run{runInChild([&] { writeJsonStat(stdout, model); }).output, "", 0};
  EXPECT_TRUE(run.output.ends_with("}\r\n"));
  EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << "one line";
  return Json::parse(run.output);
}

}  // namespace

TEST(JsonStatOutput, DatasetOfRowsColumnsAndTheMeasure) {
  ResultModel model = resultModel(regionsBySexWithTexts());
  model.dataUpdated = 1709649015;
  const Json d = dataset(model);
  EXPECT_EQ("2.0", d["version"]);
  EXPECT_EQ("dataset", d["class"]);
  EXPECT_EQ("Nascidos por resid\xC3\xAAncia", d["label"]);
  EXPECT_EQ("Minist\xC3\xA9rio", d["source"]);
  EXPECT_EQ("2024-03-05T14:30:15Z", d["updated"]);
  EXPECT_EQ(Json({"Fonte: IBGE & SUS", "Per\xC3\xADodo: 1997, 1996"}), d["note"]);
  EXPECT_EQ(Json({"UF_de_resid\xC3\xAAncia", "Sexo", "Incremento"}), d["id"]);
  EXPECT_EQ(Json({5, 3, 1}), d["size"]);
  EXPECT_EQ(Json({{"metric", {"Incremento"}}}), d["role"]);

  const Json& rows = d["dimension"]["UF_de_resid\xC3\xAAncia"];
  EXPECT_EQ("UF de resid\xC3\xAAncia", rows["label"]);
  // The page's order: the totals row first. Norte has no code of its own: its number.
  EXPECT_EQ(Json({"_T", "1", "12", "15", "99"}), rows["category"]["index"]);
  EXPECT_EQ("Par\xC3\xA1", rows["category"]["label"]["15"]);
  EXPECT_EQ(Json({{"_T", {"1"}}, {"1", {"12", "15"}}}), rows["category"]["child"]);
  // Plain categories are the default: not listed.
  EXPECT_EQ(Json({{"_T", "total"}, {"1", "subtotal"}, {"99", "excluded"}}),
            rows["extension"]["level"]);

  const Json& columns = d["dimension"]["Sexo"];
  EXPECT_EQ(Json({"1", "2", "_T"}), columns["category"]["index"]);
  EXPECT_EQ(Json({{"_T", {"1", "2"}}}), columns["category"]["child"]);

  const Json& measures = d["dimension"]["Incremento"];
  EXPECT_EQ(
      "Conte\xC3\xBA"
      "do",
      measures["label"]);
  EXPECT_EQ(Json({{"Nascimentos", {{"label", "Nascimentos"}, {"decimals", 0}}}}),
            measures["category"]["unit"]);

  EXPECT_EQ(Json({3, 4, 7, 3, 4, 7, 1, 2, 3, 2, 2, 4, 1, 0, 1}), d["value"]);
  EXPECT_FALSE(d.contains("status"));
}

TEST(JsonStatOutput, ConfidentialityMarksAreTheStatusAndHideTheirValues) {
  ResultModel model = resultModel(regionsBySexWithTexts());
  markCell(model, 2, 1, CellMark::suppressed);
  markCell(model, 2, 2, CellMark::unreliable);
  markCell(model, 3, 0, CellMark::notComputable);
  model.markLegend = "X: valor suprimido por sigilo";
  const Json d = dataset(model);
  // Rows _T, Norte, Acre, Para, Ignorado by Masc, Fem, Total: Acre starts at 6.
  EXPECT_EQ(Json({3, 4, 7, 3, 4, 7, nullptr, 2, 3, 2, 2, nullptr, 1, 0, 1}), d["value"]);
  EXPECT_EQ(Json({{"6", "X"}, {"7", "*"}, {"11", ".."}}), d["status"]);
  EXPECT_EQ("X: valor suprimido por sigilo", d["note"].back());
  // Without the options there is no status at all.
  model.marks.clear();
  model.markLegend.clear();
  EXPECT_FALSE(dataset(model).contains("status"));
}

TEST(JsonStatOutput, MeasuresAsTheMetricWithTheirDecimals) {
  ResultTable table;
  table.rowLabels = {"Acre", "Roraima"};
  table.measureNames = {"Nascimentos", "Taxa_de_mortalidade"};
  table.decimals = {0, 2};
  table.cells = {{10, 12.345}, {0, 0}};
  table.language = Language::english;
  TabulationState state = resultState(table);
  state.showZeroRows = true;
  const Json d = dataset(resultModel(state));
  EXPECT_EQ(Json({"UF_Resid", "Incremento"}), d["id"]);
  EXPECT_EQ(Json({3, 2}), d["size"]);
  EXPECT_FALSE(d.contains("source"));
  EXPECT_FALSE(d.contains("updated"));
  const Json& measures = d["dimension"]["Incremento"];
  EXPECT_EQ("Measure", measures["label"]);
  EXPECT_EQ(Json({"Nascimentos", "Taxa_de_mortalidade"}), measures["category"]["index"]);
  EXPECT_EQ("Taxa de mortalidade", measures["category"]["label"]["Taxa_de_mortalidade"]);
  EXPECT_EQ(2, measures["category"]["unit"]["Taxa_de_mortalidade"]["decimals"]);
  // Rounded to the measure's decimals; whole values are integers.
  EXPECT_EQ(Json({10, 12.35, 10, 12.35, 0, 0}), d["value"]);
  EXPECT_TRUE(d["value"][0].is_number_integer());
  EXPECT_TRUE(d["value"][4].is_number_integer());
}

TEST(JsonStatOutput, EmptyResultHasItsTotalsAlone) {
  // As the page flow hands over a result that counted nothing: no row or column has a value,
  // and the totals are shown.
  ResultTable table;
  table.rowLabels = {"Acre"};
  table.columnChoice = "Sexo";
  table.columnLabels = {"Masc"};
  table.cells = {{0}};
  const Json d = dataset(resultModel(resultState(table)));
  EXPECT_EQ(Json({1, 1, 1}), d["size"]);
  EXPECT_EQ(Json({0}), d["value"]);
  EXPECT_EQ("Nenhum registro selecionado", d["note"].back());
}
