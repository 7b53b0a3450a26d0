#include "definition.h"

#include <gtest/gtest.h>

#include "form_input.h"
#include "program_run.h"
#include "test_paths.h"
#include "text_helpers.h"

namespace {

// The definition read into `state` with a posted form, the row, column and measures taken from
// the form first, as the request does.
Status readInto(const std::string& definition, const std::string& query, TabulationState& state) {
  writeFileBytes(tempPath("t.def"), definition);
  state.defPath = tempPath("t.def");
  state.query = query;
  state.rowChoice = formValue(query, "Linha");
  state.columnChoice = formValue(query, "Coluna");
  state.measures.resize(1);
  for (const std::string& name : formValues(query, "Incremento")) {
    MeasureSpec measure;
    measure.name = name;
    state.measures.push_back(measure);
  }
  state.measureCount = static_cast<int>(state.measures.size()) - 1;
  return readDefinition(state);
}

TabulationState readWith(const std::string& definition, const std::string& query = "") {
  TabulationState state;
  const Status failure = readInto(definition, query, state);
  EXPECT_FALSE(failure) << failure->text;
  return state;
}

// A dimension line as the loader receives it: the name padded to 31, then the fields.
std::string normalized(const std::string& name, const std::string& fields) {
  return name + std::string(31 - name.size(), ' ') + fields;
}

// A conversion file of three categories with codes 1, 2 and 9.
std::string sexConversion() {
  const std::string path = tempPath("sexo.cnv");
  std::string text = "3 1\r\n";
  const char* const labels[] = {"Masculino", "Feminino", "Ignorado"};
  const char* const codes[] = {"1", "2", "9"};
  for (int k = 0; k < 3; ++k) {
    std::string label = labels[k];
    label.resize(50, ' ');
    text += "      " + std::to_string(k + 1) + "  " + label + " " + codes[k] + "\r\n";
  }
  writeFileBytes(path, text);
  return path;
}

class Definition : public testing::Test {};

}  // namespace

TEST_F(Definition, TitleTextsAndOptions) {
  const TabulationState state = readWith(
      ";Mortalidade geral\r\n"
      "AC:\\dados\\DO*.DBF\r\n"
      "H<h1>a\\b</h1>\r\n"
      " H<p>c\\d</p>\r\n"  // not in column 1: prepared like any line
      "hx, y\\z\r\n"       // lower case: prepared too
      "F<p>rodap\xE9</p>\r\n"
      "R nota\r\n"
      "; comment\r\n"
      "\r\n"
      "oL=ESP\r\n"
      "OL=engLISH\r\n"  // a later option wins; what follows the option is ignored
      "OCSS=/estilo.css\r\n"
      "OCSSP=/impressao.css\r\n"
      "OINCLUDE=x.htm\r\n"
      "Ozerohifen\r\n"
      "Xanything\n");
  EXPECT_EQ("Mortalidade geral", state.title);
  EXPECT_EQ("C:/dados/DO*.DBF", state.dataFileSpec);
  EXPECT_EQ((std::vector<std::string>{"<h1>a\\b</h1>", "<p>c/d</p>", "x, y/z"}), state.headerLines);
  EXPECT_EQ(std::vector<std::string>{"<p>rodap\xE9</p>"}, state.footerLines);
  EXPECT_EQ(std::vector<std::string>{" nota"}, state.footnoteLines);
  EXPECT_EQ(Language::english, state.language);
  EXPECT_TRUE(state.styleSheetsOn);
  EXPECT_EQ("/estilo.css", state.styleSheet);
  EXPECT_EQ("/impressao.css", state.printStyleSheet);
  EXPECT_TRUE(state.zeroAsHyphen);
}

TEST_F(Definition, FirstLineIsNeverAnEntry) {
  const TabulationState state = readWith("AFIRST*.DBF\nHfirst\nASECOND*.DBF", "");
  EXPECT_EQ("", state.title);
  EXPECT_EQ("SECOND*.DBF", state.dataFileSpec);
  EXPECT_EQ(std::vector<std::string>{"first"}, state.headerLines);
}

TEST_F(Definition, LongLinesAreCutAndTheRestSkipped) {
  const TabulationState state = readWith(";t\r\nH" + std::string(300, 'x') + "\r\nHnext\r\n");
  EXPECT_EQ((std::vector<std::string>{std::string(254, 'x'), "next"}), state.headerLines);
}

TEST_F(Definition, PostedRowAndColumnTakeTheFirstMatchingLine) {
  const std::string definition =
      ";t\r\n"
      "LSexo,SEXO,1,cnv\\sexo.cnv\r\n"
      "LSexo,OTHER,1,other.cnv\r\n"
      "dIdade,IDADE, 1 ,idade.cnv\r\n"
      "LFaixa etaria,FAIXA,1,faixa.cnv\r\n"
      "CSexo,CSEXO,1,csexo.cnv\r\n"
      "TAno,ANO,1,ano.cnv\r\n";
  const struct {
    const char* query;
    std::string row;
    bool rowMatched;
    std::string column;
    bool columnMatched;
  } cases[] = {
      {"Linha=Sexo&Coluna=Sexo", normalized("Sexo", "SEXO,1,cnv/sexo.cnv"), true,
       normalized("Sexo", "CSEXO,1,csexo.cnv"), true},
      {"Linha=Idade&Coluna=--N\xE3o-Ativa--", normalized("Idade", "IDADE,1,idade.cnv"), true,
       "--N\xE3o-Ativa--", false},
      {"Linha=Faixa_etaria&Coluna=", normalized("Faixa_etaria", "FAIXA,1,faixa.cnv"), true, "",
       false},
      {"Linha=Ano&Coluna=Ano", normalized("Ano", "ANO,1,ano.cnv"), true,
       normalized("Ano", "ANO,1,ano.cnv"), true},
      {"Linha=Faixa etaria&Coluna=Idade", "Faixa etaria", false, "Idade", false},
      {"Linha=sexo&Coluna=../x.cnv", "sexo", false, "../x.cnv", false},
  };
  for (const auto& c : cases) {
    const TabulationState state = readWith(definition, c.query);
    EXPECT_EQ(c.row, state.rowChoice) << c.query;
    EXPECT_EQ(c.rowMatched, state.rowChoiceMatched) << c.query;
    EXPECT_EQ(c.column, state.columnChoice) << c.query;
    EXPECT_EQ(c.columnMatched, state.columnChoiceMatched) << c.query;
  }
}

TEST_F(Definition, PostedMeasuresTakeTheirLines) {
  const TabulationState state = readWith(
      ";t\r\n"
      "IFreq,#\r\n"
      "ITaxa,OBITOS,POP,1000.5,2\r\n"
      "EEstoque,LEITOS,ANO\r\n"
      "%Pct,#,SEXO\r\n"
      "ILongo,ABCDEFGHIJKLMN,OPQRSTUVWXYZ,10,1\r\n"
      "IPeso,PESO\r\n"
      "IPeso, PE SO2 \r\n",  // a later line with the same key answers too
      "Incremento=Freq&Incremento=Taxa&Incremento=Estoque&Incremento=Pct&Incremento=Nada&"
      "Incremento=Longo&Incremento=Peso&Incremento=Freq");
  const struct {
    const char* name;
    const char* valueField;
    const char* secondField;
    bool isStock, isPercentage, isRate;
    double multiplier;
    int decimals;
  } expected[] = {
      {"Freq", "#", "", false, false, false, 1.0, 0},
      {"Taxa", "OBITOS", "POP", false, false, true, 1000.5, 2},
      {"Estoque", "LEITOS", "ANO", true, false, false, 1.0, 0},
      {"Pct", "#", "SEXO", false, true, false, 1.0, 0},
      {"Nada", "", "", false, false, false, 0.0, 0},  // matched no line
      {"Longo", "ABCDEFGHIJ", "OPQRSTUVWX", false, false, true, 10.0, 1},
      {"Peso", "PESO2", "", false, false, false, 1.0, 0},
      {"Freq", "#", "", false, false, false, 1.0, 0},
  };
  ASSERT_EQ(8, state.measureCount);
  for (int i = 1; i <= 8; ++i) {
    const MeasureSpec& m = state.measures[i];
    const auto& e = expected[i - 1];
    EXPECT_EQ(e.name, m.name) << i;
    EXPECT_EQ(e.valueField, m.valueField) << e.name;
    EXPECT_EQ(e.secondField, m.secondField) << e.name;
    EXPECT_EQ(e.isStock, m.isStock) << e.name;
    EXPECT_EQ(e.isPercentage, m.isPercentage) << e.name;
    EXPECT_EQ(e.isRate, m.isRate) << e.name;
    EXPECT_EQ(e.multiplier, m.multiplier) << e.name;
    EXPECT_EQ(e.decimals, m.decimals) << e.name;
  }
}

TEST_F(Definition, RateWithoutReadableNumbersEndsWithAnErrorLine) {
  for (const char* line : {"ITaxa,OBITOS,POP,abc,2", "ITaxa,OBITOS,POP,10", "ITaxa,OBITOS,POP"}) {
    TabulationState state;
    const Status failure =
        readInto(std::string(";t\r\n") + line + "\r\n", "Incremento=Taxa", state);
    ASSERT_TRUE(failure) << line;
    EXPECT_EQ(1, failure->status) << line;
    EXPECT_TRUE(failure->text.starts_with("Erro: '")) << failure->text;
  }
}

TEST_F(Definition, PostedCategoriesFilterASelection) {
  const std::string conversion = sexConversion();
  const std::string definition = ";t\r\nSSexo,SEXO,1," + conversion + "\r\nHafter\r\n";
  const struct {
    const char* query;
    int selections;
    std::vector<bool> selected;  // slot 0 unused; slot 4 holds the codes in no category
  } cases[] = {
      {"SSexo=1&SSexo=3", 1, {false, true, false, true, false}},
      {"SSexo=4&SSexo=0&SSexo=5&SSexo=-1&SSexo=2", 1, {false, false, true, false, true}},
      {"SSexo=TODAS_AS_CATEGORIAS__&SSexo=2", 0, {}},
      {"Linha=Sexo", 0, {}},
  };
  for (const auto& c : cases) {
    const TabulationState state = readWith(definition, c.query);
    ASSERT_EQ(c.selections, state.selectionCount) << c.query;
    EXPECT_EQ(std::vector<std::string>{"after"}, state.headerLines);
    if (c.selections == 0) continue;
    const SelectionFilter& filter = state.selections[1];
    EXPECT_EQ(3, filter.dimension.categoryCount);
    EXPECT_EQ("SEXO", filter.dimension.fieldName);
    EXPECT_EQ(c.selected, filter.selected) << c.query;
  }
}

TEST_F(Definition, SelectionEdges) {
  const std::string conversion = sexConversion();
  // Without a comma there is no field to read: the line is ignored.
  EXPECT_EQ(0, readWith(";t\r\nSSexo\r\n", "SSexo=1").selectionCount);
  // The form posts a long name cut to 30 characters; the whole name is read as well.
  const std::string name = "Sexo_da_pessoa_falecida_no_ano_x";
  const std::string definition = ";t\r\nS" + name + ",SEXO,1," + conversion + "\r\n";
  EXPECT_EQ(1, readWith(definition, "S" + name.substr(0, 30) + "=2").selectionCount);
  EXPECT_EQ(1, readWith(definition, "S" + name + "=2").selectionCount);
  // Selections are in definition order and not capped.
  std::string many = ";t\r\n";
  std::string query;
  for (int i = 1; i <= 450; ++i) {
    many += "SS" + std::to_string(i) + ",SEXO,1," + conversion + "\r\n";
    query += "SS" + std::to_string(i) + "=" + std::to_string(i % 3 + 1) + "&";
  }
  const TabulationState state = readWith(many, query);
  ASSERT_EQ(450, state.selectionCount);
  EXPECT_TRUE(state.selections[450].selected[1]);
  EXPECT_TRUE(state.selections[1].selected[2]);
}

TEST_F(Definition, SelectionThatFailsToLoadLeavesTheMessageAndReadingGoesOn) {
  const TabulationState state =
      readWith(";t\r\nSSexo,SEXO,1," + tempPath("missing.cnv") + "\r\nHafter\r\n", "SSexo=1");
  ASSERT_EQ(1u, state.selectionRefusals.size());
  EXPECT_EQ(tempPath("missing.cnv") + ": Tabela de conversao nao encontrada",
            state.selectionRefusals[0].text);
  EXPECT_EQ(1, state.selectionCount);
  EXPECT_EQ(std::vector<std::string>{"after"}, state.headerLines);
}

TEST_F(Definition, SelectionValueThatIsNotANumberEndsWithAnEscapedErrorLine) {
  const std::string definition = ";t\r\nSSexo,SEXO,1," + sexConversion() + "\r\n";
  TabulationState state;
  const Status failure = readInto(definition, "SSexo=1&SSexo=<b>x", state);
  ASSERT_TRUE(failure);
  EXPECT_EQ(1, failure->status);
  EXPECT_EQ("Erro: '&lt;b&gt;x' n\xE3o \xE9 um inteiro v\xE1lido", failure->text);
}

TEST_F(Definition, DefinitionIsFoundIgnoringCase) {
  writeFileBytes(tempPath("sim.def"), ";Found\r\n");
  TabulationState state;
  state.defPath = tempPath("SIM.DEF");
  EXPECT_FALSE(readDefinition(state));
  EXPECT_EQ("Found", state.title);
}

TEST_F(Definition, ConfidentialityOptions) {
  const struct {
    const char* lines;
    int smallCountLimit;
    double unreliableLimit;
  } cases[] = {
      {"", 0, 0},
      {"OSIGILO=5\r\nOINSTAVEL=20\r\n", 5, 20},
      {"osigilo= 2 \r\noInstavel=2.5\r\n", 2, 2.5},
      {"OSIGILO=10\r\nOSIGILO=3\r\n", 3, 0},  // the later line wins, like the other options
  };
  for (const auto& c : cases) {
    const TabulationState state = readWith(std::string(";t\r\n") + c.lines);
    EXPECT_EQ(c.smallCountLimit, state.smallCountLimit) << c.lines;
    EXPECT_EQ(c.unreliableLimit, state.unreliableLimit) << c.lines;
  }
}

TEST_F(Definition, ConfidentialityOptionsThatCannotHoldEndTheRequest) {
  // A protection that was asked for and cannot be given must not pass as none.
  const struct {
    const char* line;
    const char* text;
  } cases[] = {
      {"OSIGILO=1", "Erro: OSIGILO=1: o limite deve ser um inteiro de 2 ou mais"},
      {"OSIGILO=", "Erro: OSIGILO=: o limite deve ser um inteiro de 2 ou mais"},
      {"Osigilo=5x", "Erro: Osigilo=5x: o limite deve ser um inteiro de 2 ou mais"},
      {"OINSTAVEL=0", "Erro: OINSTAVEL=0: o limite deve ser um n\xFAmero maior que zero"},
      {"OINSTAVEL=vinte", "Erro: OINSTAVEL=vinte: o limite deve ser um n\xFAmero maior que zero"},
  };
  for (const auto& c : cases) {
    TabulationState state;
    const Status failure = readInto(std::string(";t\r\n") + c.line + "\r\n", "", state);
    ASSERT_TRUE(failure) << c.line;
    EXPECT_EQ(c.text, failure->text) << c.line;
    EXPECT_EQ(1, failure->status) << c.line;
  }
}

TEST_F(Definition, MapLinesInOrderEachWithItsRowKeyFileAndProperty) {
  const TabulationState state = readWith(
      ";t\r\n"
      "OMAPA=Munic\xEDpio de resid\xEAncia, mapas\\municipios.geojson , CODIGO\r\n"
      "omapa=UF,mapas/uf.geojson,COD,mais\r\n"
      "OMAPA=Sexo,mapas/sexo.geojson\r\n"
      "OMAPA=\r\n");
  const struct {
    const char* rowKey;
    const char* file;
    const char* property;
    bool complete;
  } expected[] = {
      {"Munic\xEDpio_de_resid\xEAncia", "mapas/municipios.geojson", "CODIGO", true},
      {"UF", "mapas/uf.geojson", "COD", true},
      {"Sexo", "mapas/sexo.geojson", "", false},
      {"", "", "", false},
  };
  ASSERT_EQ(std::size(expected), state.maps.size());
  for (std::size_t i = 0; i < state.maps.size(); ++i) {
    EXPECT_EQ(expected[i].rowKey, state.maps[i].rowKey) << i;
    EXPECT_EQ(expected[i].file, state.maps[i].file) << i;
    EXPECT_EQ(expected[i].property, state.maps[i].property) << i;
    EXPECT_EQ(expected[i].complete, state.maps[i].complete) << i;
  }
}
