#include "tab_export.h"

#include <gtest/gtest.h>

#include "result_model.h"
#include "result_state.h"
#include "test_paths.h"
#include "text_output.h"

TEST(TabExport, MapLineFollowsTheRowConversionFileName) {
  const struct {
    const char* conversionFile;
    const char* line;
  } cases[] = {
      {"UF.CNV", "Nomemapa=c:\\durnix\\brasil.map"},
      {"cnv/uf.cnv", "Nomemapa=c:\\durnix\\brasil.map"},
      {"cnv/municsp.cnv", "Nomemapa=c:\\durnix\\sp.map"},
      {"C:\\tab\\MUNICPE.CNV", "Nomemapa=c:\\durnix\\PE.map"},
      {"MICRORJ.CNV", "Nomemapa=c:\\durnix\\RJmic.map"},
      {"mesoMG.cnv", "Nomemapa=c:\\durnix\\MGmeso.map"},
      {"RSAUDba.cnv", "Nomemapa=c:\\durnix\\bareg.map"},
      {"UF2.CNV", ""},
      {"sexo.cnv", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.line, mapLine(c.conversionFile)) << c.conversionFile;
}

TEST(TabExport, CopyLeavesOutZeroColumnsAndFollowsTheLanguage) {
  ResultTable table;
  table.language = Language::english;
  table.rowLabels = {"Acre", "S\xE3o Paulo", "Roraima"};
  table.columnChoice = "Sexo                           SEXO,1,SEXO.CNV";
  table.rowChoice = "UF_Resid                       MUNIC,1,MUNICsp.CNV";
  table.columnLabels = {"Masc", "Sem_info", "Fem"};
  table.decimals = {2, 2, 2};
  table.cells = {{1234.5, 0, 0}, {56789, 0, 4321}, {0, 0, 0}};
  TabulationState state = resultState(table);
  state.rowDimension.conversionFile = "cnv/MUNICsp.CNV";
  state.periodCodes = {"96"};
  SelectionFilter age;
  age.dimension.title = "Faixa_etaria";
  age.dimension.categoryCount = 5;
  age.dimension.categoryNames = {"", "0 a 4", "5 a 9", "10 a 14", "15 a 19", "20 a 24", ""};
  age.selected = {false, false, true, false, false, true, false};
  state.selections = {SelectionFilter(), age};
  state.selectionCount = 1;
  state.showTotalRow = false;
  state.sortRows = true;
  state.rowOrder = {0, 3, 1, 2};
  const std::string path = tempPath("copy.tab");
  ASSERT_FALSE(writeSpreadsheetCopy(resultModel(state), path));
  EXPECT_EQ(
      "Titulo1=Nascidos vivos\r\n"
      "Titulo2=Nascimentos por Sexo segundo UF Resid\r\n"
      "Rodape=Per\xEDodo:1996\r\n"
      "Nomemapa=c:\\durnix\\sp.map\r\n"
      "Faixa etaria: 5 a 9, 20 a 24\r\n"
      "\"UF Resid\";\"Masc\";\"Fem\";\"Total\"\r\n"
      "\"Acre\";1234.50;0.00;1234.50\r\n"
      "\"S\xE3o Paulo\";56789.00;4321.00;61110.00\r\n",
      readFileBytes(path));
}

TEST(TabExport, CopyWithMeasuresAsColumns) {
  ResultTable table;
  table.rowLabels = {"Acre", "Amapa"};
  table.measureNames = {"Nascidos_vivos", "Obitos"};
  table.decimals = {0, 2};
  table.cells = {{10, 0}, {0, 0}};
  TabulationState state = resultState(table);
  state.periodCodes = {"96"};
  state.showZeroRows = true;
  state.rowDimension.conversionFile = "sexo.cnv";
  const std::string path = tempPath("copy.tab");
  ASSERT_FALSE(writeSpreadsheetCopy(resultModel(state), path));
  // A zero total leaves no column out when the measures are the columns.
  EXPECT_EQ(
      "Titulo1=Nascidos vivos\r\n"
      "Titulo2=Nascidos vivosObitos segundo UF Resid\r\n"
      "Rodape=Per\xEDodo:1996\r\n"
      "\"UF Resid\";\"Nascidos_vivos\";\"Obitos\"\r\n"
      "\"Acre\";10;0,00\r\n"
      "\"Amapa\";0;0,00\r\n"
      "\"Total\";10;0,00\r\n",
      readFileBytes(path));
  EXPECT_EQ(kNoCopyPermission,
            writeSpreadsheetCopy(resultModel(state), tempPath("missing/copy.tab"))->text);
}
