// The modern result table: header cells with their scope, the totals and roll-up rows marked for
// screen readers and the style sheet, and the same rows and columns as the classic layouts.
#include "modern_table.h"

#include <gtest/gtest.h>

#include "program_run.h"
#include "result_model.h"
#include "result_state.h"

namespace {

std::string tableOf(const TabulationState& state) {
  const ResultModel model = resultModel(state);
  return runInChild([&] { writeModernTable(model); }).output;
}

// States of a region with its two towns (the region rolls them up and stays out of the column
// totals), an unknown one, an empty one; men and women, no one of unknown sex.
TabulationState regions() {
  ResultTable table;
  table.title = "Casos_por_UF";
  table.rowChoice = "UF";
  table.rowTitle = "UF";
  table.rowLabels = {"Norte", "Acre", "Amap\xE1", "Ignorada", "Vazia"};
  table.columnChoice = "Sexo";
  table.columnLabels = {"Masc", "Fem", "Ign"};
  table.cells = {{5, 3, 0}, {2, 1, 0}, {3, 2, 0}, {1, 0, 0}, {0, 0, 0}};
  TabulationState state = resultState(table);
  state.rowDimension.rollUpTarget = {0, -1, 1, 1, 0, 0};
  // The region's own cells are the roll-up of its towns: the column totals leave it out.
  state.columnTotals = {0, 6, 3, 0};
  state.grandTotal = 9;
  state.footnoteLines = {"Fonte: <b>teste</b>"};
  return state;
}

}  // namespace

TEST(ModernTable, CaptionHeadCellsAndMarkedRows) {
  const std::string table = tableOf(regions());
  EXPECT_EQ(
      "<div class=\"vx-tabela\" role=\"region\" aria-labelledby=\"vx-titulo\" tabindex=\"0\">\r\n"
      "<table class=\"vx-resultado tabdados\">\r\n"
      "<caption>\r\n"
      "<div class=\"vx-cabecalho\">\r\n"
      "<h1 id=\"vx-titulo\" class=\"Nivel0\">Casos por UF</h1>\r\n"
      "<p>Nascimentos por Sexo segundo UF</p>\r\n"
      "<p><strong>Per&iacute;odo:</strong> </p>\r\n"
      "</div>\r\n"
      "</caption>\r\n"
      "<thead>\r\n"
      "<tr><th scope=\"col\">UF</th><th scope=\"col\">Masc</th><th scope=\"col\">Fem</th>"
      "<th scope=\"col\">Total</th></tr>\r\n"
      "</thead>\r\n"
      "<tbody>\r\n"
      "<tr class=\"vx-total\"><th scope=\"row\">Total</th><td>6</td><td>3</td><td>9</td></tr>\r\n"
      "<tr class=\"vx-subtotal vx-fora\"><th scope=\"row\">Norte<span class=\"vx-oculto\"> "
      "(subtotal)</span></th><td>5</td><td>3</td><td>8</td></tr>\r\n"
      "<tr class=\"vx-parte\"><th scope=\"row\">Acre</th><td>2</td><td>1</td><td>3</td></tr>\r\n"
      "<tr class=\"vx-parte\"><th scope=\"row\">Amap&aacute;</th><td>3</td><td>2</td><td>5</td>"
      "</tr>\r\n"
      "<tr><th scope=\"row\">Ignorada</th><td>1</td><td>0</td><td>1</td></tr>\r\n"
      "</tbody>\r\n"
      "</table>\r\n"
      "</div>\r\n"
      "<div class=\"vx-notas\">\r\n"
      "Fonte: <b>teste</b>\r\n"
      "</div>\r\n",
      table);
}

TEST(ModernTable, FollowsTheDisplayChoices) {
  const struct {
    const char* what;
    void (*change)(TabulationState&);
    const char* present;
    const char* absent;
  } cases[] = {
      {"zero rows shown", [](TabulationState& s) { s.showZeroRows = true; },
       "<th scope=\"row\">Vazia</th><td>0</td>", nullptr},
      {"zeros as hyphens, not in the totals row",
       [](TabulationState& s) {
         s.zeroAsHyphen = true;
         s.showZeroRows = true;
         s.columnTotals[2] = 0;
       },
       "<th scope=\"row\">Vazia</th><td>-</td><td>-</td>", "<td>-</td><td>9</td></tr>"},
      {"no totals row", [](TabulationState& s) { s.showTotalRow = false; }, nullptr, "vx-total"},
      {"no totals column", [](TabulationState& s) { s.showTotalColumn = false; },
       "<th scope=\"col\">Fem</th></tr>", "<td>9</td>"},
      {"English", [](TabulationState& s) { s.language = Language::english; }, "by Sexo and UF",
       nullptr},
  };
  for (const auto& c : cases) {
    TabulationState state = regions();
    c.change(state);
    const std::string table = tableOf(state);
    if (c.present) {
      EXPECT_NE(std::string::npos, table.find(c.present)) << c.what << table;
    }
    if (c.absent) {
      EXPECT_EQ(std::string::npos, table.find(c.absent)) << c.what << table;
    }
  }
}

TEST(ModernTable, MeasuresAreTheColumnsWithoutAColumnDimension) {
  ResultTable table;
  table.rowLabels = {"AC", "AM"};
  table.measureNames = {"Nascidos",
                        "Peso_m\xE9"
                        "dio"};
  table.decimals = {0, 2};
  table.cells = {{3, 2.5}, {1, 3.25}};
  const std::string page = tableOf(resultState(table));
  EXPECT_NE(std::string::npos,
            page.find("<tr><th scope=\"col\">UF Resid</th><th scope=\"col\">Nascidos</th>"
                      "<th scope=\"col\">Peso m&eacute;dio</th></tr>"))
      << page;
  EXPECT_NE(std::string::npos, page.find("<th scope=\"row\">AM</th><td>1</td><td>3,25</td></tr>"))
      << page;
}

TEST(ModernTable, MarkedCellsAndTheirLegendBelowTheBox) {
  ResultModel model = resultModel(regions());
  markCell(model, 2, 1, CellMark::suppressed);
  markCell(model, 3, 0, CellMark::unreliable);
  model.markLegend = "X: valor suprimido por sigilo";
  const std::string table = runInChild([&] { writeModernTable(model); }).output;
  EXPECT_NE(std::string::npos,
            table.find("<th scope=\"row\">Acre</th><td>X</td><td>1</td><td>3</td></tr>"))
      << table;
  EXPECT_NE(std::string::npos, table.find("<td>2</td><td>5*</td></tr>")) << table;
  EXPECT_NE(std::string::npos,
            table.find("</table>\r\n</div>\r\n<p class=\"vx-legenda legenda\">X: valor suprimido "
                       "por sigilo</p>\r\n<div class=\"vx-notas\">"))
      << table;
}
