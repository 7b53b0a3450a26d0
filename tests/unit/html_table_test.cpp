#include "html_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "heading_block.h"
#include "postprocess.h"
#include "result_model.h"

namespace {

std::string captured(void (*writer)(const ResultModel&), const TabulationState& state) {
  const ResultModel model = resultModel(state);
  testing::internal::CaptureStdout();
  writer(model);
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

// Rows A, B, C (C empty) by columns X, Y, Z (Y empty), one counted measure.
TabulationState crossTable() {
  TabulationState state;
  state.title = "Casos";
  state.language = Language::english;
  state.thousandsSeparator = ',';
  state.decimalSeparator = '.';
  state.rowChoice = "Regiao";
  state.columnChoice = "Sexo";
  state.measures.assign(2, MeasureSpec{});
  state.measures[1].name = "Casos";
  state.measureCount = 1;
  state.rowDimension.title = "Regiao";
  state.rowDimension.categoryNames = {"", "A", "B", "C", ""};
  state.rowDimension.rollUpTarget = {0, 0, 0, 0};
  state.columnDimension.categoryNames = {"", "X", "Y", "Z", ""};
  state.columnActive = true;
  state.rowCount = 3;
  state.columnCount = 3;
  state.valueCells.assign(5, std::vector<double>(5, 0.0));
  state.valueCells[1][1] = 1234;
  state.valueCells[3][1] = 1;
  state.valueCells[3][2] = 2;
  finishTotals(state);
  state.columnDecimals = {0, 0, 0, 0};
  state.rowOrder = {0, 1, 2, 3};
  return state;
}

}  // namespace

TEST(HtmlTable, PlainTableLeavesOutZeroColumnsAndRows) {
  const TabulationState state = crossTable();
  EXPECT_EQ(
      "<CENTER>\r\n"
      "<H2>Casos</H2>\r\n"
      "<b>Casos by Sexo and Regiao</b><br>\r\n"
      "<b>Period:</b> <P>\r\n"
      "<TABLE BORDER>\r\n"
      "<TR ALIGN=RIGHT>\r\n"
      "<TH ALIGN=LEFT>Regiao<TH>X<TH>Z<TH>Total\r\n"
      "<TR ALIGN=RIGHT>\r\n"
      "<TH ALIGN=LEFT> TOTAL\r\n"
      "<TD>1,234<TD>3<TD>1,237\r\n"
      "<TR ALIGN=RIGHT>\r\n"
      "<TH ALIGN=LEFT>A\r\n"
      "<TD>1,234<TD>1<TD>1,235\r\n"
      "<TR ALIGN=RIGHT>\r\n"
      "<TH ALIGN=LEFT>B\r\n"
      "<TD>0<TD>2<TD>2\r\n"
      "</TABLE>\r\n"
      "</CENTER>\r\n"
      "<BR>\r\n",
      captured(writePlainTable, state));
}

TEST(HtmlTable, SortedRowsZeroRowsHyphensAndSwitches) {
  TabulationState state = crossTable();
  state.sortRows = true;
  state.rowOrder = {0, 3, 2, 1};  // ascending totals; the table reads it from the end
  state.showZeroRows = true;
  state.zeroAsHyphen = true;
  state.showTotalColumn = false;
  state.showTotalRow = false;
  state.language = Language::portuguese;
  state.thousandsSeparator = '.';
  state.decimalSeparator = ',';
  const std::string page = captured(writePlainTable, state);
  EXPECT_NE(std::string::npos,
            page.find("<TH ALIGN=LEFT>Regiao<TH>X<TH>Z\r\n"
                      "<TR ALIGN=RIGHT>\r\n<TH ALIGN=LEFT>A\r\n<TD>1.234<TD>1\r\n"
                      "<TR ALIGN=RIGHT>\r\n<TH ALIGN=LEFT>B\r\n<TD>-<TD>2\r\n"
                      "<TR ALIGN=RIGHT>\r\n<TH ALIGN=LEFT>C\r\n<TD>-<TD>-\r\n</TABLE>"))
      << page;
  EXPECT_NE(std::string::npos, page.find("<b>Casos por Sexo segundo Regiao</b><br>")) << page;
}

TEST(HtmlTable, StyledTableWithRollUpsAndFootnotes) {
  TabulationState state = crossTable();
  state.styleSheetsOn = true;
  state.rowDimension.rollUpTarget = {0, 0, 1, -1};
  state.footnoteLines = {"Fonte: teste"};
  EXPECT_EQ(
      "<TABLE CLASS=\"tabdados\" ALIGN=\"CENTER\">\r\n"
      "<COLGROUP>\r\n"
      "<COL ALIGN=\"LEFT\" VALIGN=\"TOP\">\r\n"
      "<COLGROUP>\r\n"
      "<COL SPAN=4 ALIGN=\"RIGHT\" VALIGN=\"TOP\">\r\n"
      "<THEAD>\r\n"
      "<TR CLASS=\"cabtabela\">\r\n"
      "<TD COLSPAN=5>\r\n"
      "<H1 CLASS=\"Nivel0\">Casos</H1>\r\n"
      "<b>Casos by Sexo and Regiao</b><br>\r\n"
      "<b>Period:</b> <TR VALIGN=\"BOTTOM\">\r\n"
      "<TH CLASS=\"cabesquerdo\">Regiao\r\n"
      "<TH CLASS=\"cabmeio\">X\r\n"
      "<TH CLASS=\"cabmeio\">Z\r\n"
      "<TH CLASS=\"cabdireito\">Total\r\n"
      "</THEAD>\r\n"
      "<TFOOT>\r\n"
      "<TR VALIGN=\"BOTTOM\">\r\n"
      "<TD CLASS=\"rodape\" COLSPAN=5>\r\n"
      "Fonte: teste\r\n"
      "&nbsp;\r\n"
      "</TFOOT>\r\n"
      "<TBODY VALIGN=\"BOTTOM\">\r\n"
      "<TR CLASS=\"separador\" align=\"right\">\r\n"
      "<TD align=\"left\"> TOTAL\r\n"
      "<TD>1,234<TD>3<TD>1,237\r\n"
      "<TR CLASS=\"separador\" align=\"right\">\r\n"
      "<TD ALIGN=LEFT>A\r\n"
      "<TD>1,234<TD>1<TD>1,235\r\n"
      "<TR align=\"right\">\r\n"
      "<TD ALIGN=LEFT>B\r\n"
      "<TD>0<TD>2<TD>2\r\n"
      "</TABLE>\r\n"
      "<BR>\r\n",
      captured(writeStyledTable, state));
}

TEST(HtmlTable, StyledHeadingsWithoutColumnDimension) {
  TabulationState state = crossTable();
  state.styleSheetsOn = true;
  state.columnActive = false;
  state.measureCount = 2;
  state.measures.assign(3, MeasureSpec{});
  state.measures[1].name = "Casos";
  state.measures[2].name = "Obitos";
  state.columnCount = 2;
  state.columnDecimals = {0, 0, 1};
  const std::string page = captured(writeStyledTable, state);
  EXPECT_NE(std::string::npos, page.find("<COL SPAN=2 ALIGN")) << page;
  EXPECT_NE(std::string::npos, page.find("<TD COLSPAN=3>")) << page;
  EXPECT_NE(std::string::npos, page.find("<b>Casos, Obitos and Regiao</b><br>")) << page;
  EXPECT_NE(std::string::npos,
            page.find("<TH CLASS=\"cabmeio\">Casos\r\n<TH CLASS=\"cabdireito\">Obitos\r\n"))
      << page;
  EXPECT_NE(std::string::npos, page.find("<TD>1,234<TD>0.0\r\n")) << page;
}

TEST(HtmlTable, SelectionLinesListTheChosenCategories) {
  TabulationState state = crossTable();
  state.selections.assign(3, SelectionFilter{});
  state.selectionCount = 2;
  for (int s = 1; s <= 2; ++s) {
    state.selections[s].dimension.title = s == 1 ? "Idade" : "Raca";
    state.selections[s].dimension.categoryCount = 3;
    state.selections[s].dimension.categoryNames = {"", "Jovem", "Adulto", "Idoso", ""};
    state.selections[s].selected.assign(5, false);
  }
  state.selections[1].selected[1] = true;
  state.selections[1].selected[3] = true;
  const std::string page = captured(writeHeadingBlock, state);
  EXPECT_NE(std::string::npos,
            page.find("<b>Idade:</b> Jovem, Idoso<BR>\r\n<b>Raca:</b><BR>\r\n<b>Period"))
      << page;
}
