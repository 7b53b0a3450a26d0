#include "data_answer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "output.h"
#include "program_run.h"
#include "removal_registry.h"
#include "request_guards.h"

namespace {

TabulationState request(bool fromFile = false) {
  TabulationState state;
  state.definitionName = "obitos";
  state.fromFile = fromFile;
  return state;
}

const std::string kJsonType = "Content-Type: application/json; charset=utf-8\r\n";
const std::string kCsvType =
    "Content-Type: text/csv; charset=utf-8\r\n"
    "Content-Disposition: inline; filename=\"obitos.csv\"\r\n";
const std::string kOpen =
    "Access-Control-Allow-Origin: *\r\nX-Content-Type-Options: nosniff\r\n\r\n";

}  // namespace

TEST(DataAnswer, FormatIsChosenByFormato) {
  EXPECT_EQ(DataFormat::jsonStat, dataFormatOf("Linha=a&formato=jsonstat"));
  EXPECT_EQ(DataFormat::tidyCsv, dataFormatOf("formato=csv&Linha=a"));
  EXPECT_EQ(DataFormat::none, dataFormatOf("formato=table"));
  EXPECT_EQ(DataFormat::none, dataFormatOf("formato=CSV"));
  EXPECT_EQ(DataFormat::none, dataFormatOf("Linha=a"));
}

TEST(DataAnswer, EarlyEndsAnswerWithTheirStatusAndReason) {
  const struct {
    DataFormat format;
    DataStatus status;
    bool fromFile;
    const char* text;
    std::string answer;
  } cases[] = {
      {DataFormat::jsonStat, DataStatus::notFound, false, "x.def: arquivo DEF nao encontrado",
       "Status: 404 Not Found\r\n" + kJsonType + kOpen +
           "{\"error\":\"x.def: arquivo DEF nao encontrado\",\"status\":404}\r\n"},
      {DataFormat::tidyCsv, DataStatus::badRequest, false, "<H2>Linha nao definida: a&amp;b</H2>",
       "Status: 400 Bad Request\r\n" + kCsvType + kOpen + "# Linha nao definida: a&b\r\n"},
      {DataFormat::jsonStat, DataStatus::siteFault, false, "c\xE9u \"x\"",
       "Status: 500 Internal Server Error\r\n" + kJsonType + kOpen +
           "{\"error\":\"c\xC3\xA9u \\\"x\\\"\",\"status\":500}\r\n"},
      // Run by hand: the body alone.
      {DataFormat::tidyCsv, DataStatus::siteFault, true, "Erro: falha", "# Erro: falha\r\n"},
  };
  for (const auto& c : cases) {
    const TabulationState state = request(c.fromFile);
    EXPECT_EQ(c.answer,
              runInChild([&] { writeDataError(state, c.format, c.status, c.text); }).output)
        << c.text;
  }
}

TEST(DataAnswer, EachEndHasItsStatus) {
  const struct {
    EndReason reason;
    DataStatus status;
  } cases[] = {
      {EndReason::missingDefinition, DataStatus::notFound},
      {EndReason::rowNotDefined, DataStatus::badRequest},
      {EndReason::columnNotDefined, DataStatus::badRequest},
      {EndReason::noPeriod, DataStatus::badRequest},
      {EndReason::noMeasure, DataStatus::badRequest},
      {EndReason::rowEqualsColumn, DataStatus::badRequest},
      {EndReason::noCategory, DataStatus::badRequest},
      {EndReason::measuresWithColumn, DataStatus::badRequest},
      {EndReason::tableTooLarge, DataStatus::badRequest},
      {EndReason::stockOverPeriods, DataStatus::badRequest},
      {EndReason::percentageWithoutVariable, DataStatus::badRequest},
      {EndReason::refusedConversion, DataStatus::siteFault},
      {EndReason::siteFault, DataStatus::siteFault},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.status, dataStatusOf(c.reason)) << static_cast<int>(c.reason);
  }
}

TEST(DataAnswer, EndsKeepTheirExitStatusForSiteFaultsOnly) {
  const struct {
    RequestEnd end;
    int exitStatus;
    std::string body;
  } cases[] = {
      {{EndReason::siteFault, {"OpenDBF:dados/X.DBF Arquivo n\xE3o encontrado!", true, 1}, ""},
       1,
       "{\"error\":\"OpenDBF:dados/X.DBF Arquivo n\xC3\xA3o encontrado!\",\"status\":500}\r\n"},
      {{EndReason::refusedConversion, {"m.cnv: Falta cabecalho", true, 0}, ""},
       0,
       "{\"error\":\"m.cnv: Falta cabecalho\",\"status\":500}\r\n"},
      // The stock warning's two lines and closing tags: one reason.
      {{EndReason::stockOverPeriods,
        {"<H2>Aten&ccedil;&atilde;o</H2><br>\r\nPara tabelas de E, os per&iacute;odos devem"
         "</BODY></HTML>",
         false, 0},
        "E"},
       0,
       "{\"error\":\"Aten\xC3\xA7\xC3\xA3o Para tabelas de E, os per\xC3\xAD"
       "odos devem\","
       "\"status\":400}\r\n"},
  };
  for (const auto& c : cases) {
    const TabulationState state = request(true);
    const ChildRun run =
        runInChild([&] { std::exit(endDataRequest(state, DataFormat::jsonStat, c.end)); });
    EXPECT_EQ(c.exitStatus, run.status) << c.end.classic.text;
    EXPECT_EQ(c.body, run.output) << c.end.classic.text;
  }
  // A refused selection has been given before the page head: its text is the reason.
  TabulationState state = request(true);
  state.selectionRefusals.push_back({"s.cnv: Falta cabecalho", true, 0});
  const RequestEnd refused{EndReason::refusedConversion, {"", false, 0}, {}};
  EXPECT_EQ("# s.cnv: Falta cabecalho\r\n",
            runInChild([&] { endDataRequest(state, DataFormat::tidyCsv, refused); }).output);
}

TEST(DataAnswer, ProcessorTimeEndsWithAnAnswerInTheFormat) {
  const ChildRun run = runInChild([] {
    TabulationState state = request();
    state.settings.cpuSeconds = 7;
    installRemovalOnSignals(cpuLimitMessage(7));
    answerCpuLimitIn(state, DataFormat::jsonStat);
    std::raise(SIGXCPU);
  });
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("Status: 500 Internal Server Error\r\n" + kJsonType + kOpen +
                "{\"error\":\"A tabula\xC3\xA7\xC3\xA3o passou de 7 segundos e foi interrompida: "
                "escolha menos per\xC3\xAD"
                "odos ou conte\xC3\xBA"
                "dos, ou selecione "
                "categorias\",\"status\":500}\r\n",
            run.output);
}

TEST(DataAnswer, ATableWithoutCellsIsNotAsked) {
  TabulationState state = request();
  state.measureCount = 0;
  state.files = {"DO96.DBF"};
  ASSERT_TRUE(nothingAsked(state));
  EXPECT_EQ(EndReason::noMeasure, nothingAsked(state)->reason);
  state.measureCount = 1;
  state.files.clear();
  ASSERT_TRUE(nothingAsked(state));
  EXPECT_EQ(EndReason::noPeriod, nothingAsked(state)->reason);
  // The modern page's words, which the answer's reason takes out of their markup.
  EXPECT_EQ(
      "Nenhum per\xEDodo escolhido: escolha ao menos um em \xABPer&iacute;odos "
      "Dispon&iacute;veis\xBB.",
      nothingAsked(state)->classic.text);
  state.files = {"DO96.DBF"};
  EXPECT_FALSE(nothingAsked(state));
}
