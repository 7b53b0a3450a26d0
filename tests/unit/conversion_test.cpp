#include "conversion.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "program_run.h"
#include "test_paths.h"
#include "text_helpers.h"
#include "text_limits.h"

namespace {

// A data line of a conversion file: roll-up target (columns 1-3), category (4-7), label
// (10-59), codes or bound (61 on).
std::string cnvLine(const std::string& rollUp, int category, const std::string& label,
                    const std::string& codes) {
  char head[24];
  std::snprintf(head, sizeof head, "%3s%4d  ", rollUp.c_str(), category);
  std::string label50 = label;
  label50.resize(50, ' ');
  return head + label50 + " " + codes;
}

// Writes the lines with CR LF and returns the dimension line that names the file.
std::string writeCnv(const std::string& name, const std::vector<std::string>& lines,
                     const std::string& field = "codmun", const std::string& start = "") {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  writeFileBytes(tempPath(name), bytes);
  return normalizeDimensionLine("LMunic\xEDpio," + field + "," + start + "," + tempPath(name));
}

class Conversion : public testing::Test {
 protected:
  // Loads and returns what a page shows of the loader's refusal (its lines, each with CR LF);
  // empty when the dimension loaded.
  static std::string load(const std::string& line, int limit, Dimension& dimension) {
    const Status failure = loadDimension(line, limit, dimension);
    return failure ? failure->text + "\r\n" : "";
  }
  static std::string loadOutput(const std::string& line, int limit = 5700) {
    Dimension dimension;
    return load(line, limit, dimension);
  }
};

TEST_F(Conversion, CodeNumber) {
  const struct {
    const char* code;
    int number;
  } cases[] = {{"A01", 101},
               {"Z99", 2699},
               {" 7", 7},
               {"a5", 15},
               {"A5", 15},
               {"[5", 275},
               {"15", 15},
               {"  ", 0},
               {"", 0},
               {"1 ", 10},
               {"X", 24},
               {"1A", 10},
               {"-5", 65531},
               {"9999", 9999},
               {"z999", 26999},
               {"B 1", 201},
               {"\xE3"
                "1",
                1},
               {"A-1", 99},
               {"1234567", 54919}};
  for (const auto& c : cases) EXPECT_EQ(c.number, codeNumber(c.code)) << "\"" << c.code << "\"";
}

TEST_F(Conversion, CodeTableKind) {
  const std::string line =
      writeCnv("sexo.cnv", {"; sexo do paciente", "", "  3 2  ; tres categorias",
                            cnvLine("", 1, "Masculino", "11,12-15"),
                            cnvLine("  1", 2, "Feminino", "20,Z1-Z3 isto fica de fora, 30"),
                            cnvLine("", 3, "Ignorado", "  ,[5")});
  Dimension d;
  ASSERT_EQ("", load(line, 5700, d));
  EXPECT_EQ(MappingKind::codeTable, d.mappingKind);
  EXPECT_EQ(3, d.categoryCount);
  EXPECT_EQ(2, d.codeWidth);
  EXPECT_EQ(270u, d.codeTable.size());
  EXPECT_EQ("Munic\xEDpio", d.title);
  EXPECT_EQ("CODMUN", d.fieldName);
  EXPECT_EQ(1, d.codeStart);
  EXPECT_EQ(18, d.labelWidth);
  EXPECT_EQ((std::vector<std::string>{"", "Masculino", "Feminino", "Ignorado", ""}),
            d.categoryNames);
  EXPECT_EQ((std::vector<std::int16_t>{0, 0, 1, 0}), d.rollUpTarget);
  // The codes as listed, up to the first space: what scripts name the categories by.
  EXPECT_EQ((std::vector<std::string>{"", "11,12-15", "20,Z1-Z3", ""}), d.categoryCodes);
  const struct {
    const char* value;
    int category;
  } cases[] = {{"11", 1}, {"12", 1}, {"15", 1}, {"10", 4}, {"16", 4}, {"20", 2},
               {"Z2", 2}, {"z2", 2}, {"Z4", 4}, {"30", 4}, {"  ", 3}, {"00", 3},
               {"[5", 4}, {"99", 4}, {"1", 4},  {"115", 1}};
  for (const auto& c : cases) EXPECT_EQ(c.category, categoryOf(d, c.value)) << c.value;
}

TEST_F(Conversion, CodeTableListQuirks) {
  const std::string line = writeCnv(
      "q.cnv", {"4 2",
                // "13x" is not stored, reading goes on at the "x"; a range downwards sets nothing.
                cnvLine("", 1, "Um", "11,13x,14,20-17"),
                // A line without codes claims no code at all.
                cnvLine("", 2, "Dois", ""),
                // A range clipped at the end of the table; "[0" lies beyond it.
                cnvLine("", 3, "Tres", "Z5-[0"),
                // A later line adds codes and keeps the label when its own is empty.
                cnvLine("", 1, "", "40"), cnvLine("", 4, "Quatro", "01,02")});
  Dimension d;
  ASSERT_EQ("", load(line, 5700, d));
  const struct {
    const char* value;
    int category;
  } cases[] = {{"11", 1}, {"13", 5}, {"14", 1}, {"17", 5}, {"20", 5}, {"00", 5}, {"  ", 5},
               {"40", 1}, {"Z5", 3}, {"Z9", 3}, {"[0", 5}, {"01", 4}, {"02", 4}};
  for (const auto& c : cases) EXPECT_EQ(c.category, categoryOf(d, c.value)) << c.value;
  EXPECT_EQ("Um", d.categoryNames[1]);
  // A category given on two lines lists the codes of both; one given none lists nothing.
  EXPECT_EQ((std::vector<std::string>{"", "11,13x,14,20-17,40", "", "Z5-[0", "01,02"}),
            d.categoryCodes);
}

TEST_F(Conversion, CodeStartAndWidthFour) {
  const std::string line = writeCnv(
      "cid.cnv",
      {"2 4", cnvLine("", 1, "Grupo A", "A000-A099"), cnvLine("", 2, "Grupo B", "B000-B999,9000")},
      "causabas", "3");
  Dimension d;
  ASSERT_EQ("", load(line, 5700, d));
  EXPECT_EQ(3, d.codeStart);
  EXPECT_EQ(27000u, d.codeTable.size());
  EXPECT_EQ(1, categoryOf(d, "xxA050"));
  EXPECT_EQ(2, categoryOf(d, "xxB500yy"));
  EXPECT_EQ(2, categoryOf(d, "xx9000"));
  EXPECT_EQ(3, categoryOf(d, "xxA100"));
  EXPECT_EQ(3, categoryOf(d, "x"));
}

TEST_F(Conversion, DictionaryKind) {
  const std::string line = writeCnv(
      "l.cnv",
      {
          "2 3 l ; letra minuscula tambem vale", cnvLine("", 1, "Faixa", "110-119,200"),
          cnvLine("", 2, "Digitos e espaco", "12 ,abc"),
          cnvLine("", 2, "Uma denomina\xE7\xE3o de categoria bem comprida", "")  // length checked
      });
  Dimension d;
  // The third line is too short for a code: 60 + width characters are needed.
  EXPECT_EQ(tempPath("l.cnv") + " : Codigo nao valido na linha 2\r\n", load(line, 5700, d));

  const std::string good =
      writeCnv("l.cnv", {"2 3 L", cnvLine("", 1, "Faixa", "110-119,200"),
                         cnvLine("", 2, "Digitos e espaco", "12 ,abc"),
                         cnvLine("", 2, "Uma denomina\xE7\xE3o de categoria bem comprida", "999")});
  Dimension g;
  ASSERT_EQ("", load(good, 5700, g));
  EXPECT_EQ(MappingKind::dictionary, g.mappingKind);
  EXPECT_EQ(41, g.labelWidth);
  EXPECT_EQ("Uma denomina\xE7\xE3o de categoria bem comprida", g.categoryNames[2]);
  const struct {
    const char* value;
    int category;
  } cases[] = {{"115", 1}, {"110", 1}, {"119", 1}, {"11A", 3}, {"12", 3},  {"12 ", 2},
               {"120", 3}, {"200", 1}, {"abc", 2}, {"ABC", 3}, {"999", 2}, {"1150", 1}};
  // Twice over, so that the remembered last code is exercised in both orders.
  for (int round = 0; round < 2; ++round) {
    for (const auto& c : cases) EXPECT_EQ(c.category, categoryOf(g, c.value)) << c.value;
  }
}

TEST_F(Conversion, WideCodesUseTheDictionaryWithRanges) {
  const std::string line =
      writeCnv("mun.cnv", {"3 6", cnvLine("35", 2, "Resto de SP", "350000-359999"),
                           cnvLine("35", 1, "S\xE3o Paulo", "355030"),
                           cnvLine("", 3, "Trailing comma", "110001,")});
  Dimension d;
  ASSERT_EQ("", load(line, 5700, d));
  EXPECT_EQ(MappingKind::dictionary, d.mappingKind);
  EXPECT_EQ(1, categoryOf(d, "355030"));
  EXPECT_EQ(2, categoryOf(d, "355031"));
  EXPECT_EQ(2, categoryOf(d, "350000"));
  EXPECT_EQ(3, categoryOf(d, "110001"));
  EXPECT_EQ(4, categoryOf(d, ""));
  EXPECT_EQ(4, categoryOf(d, "530010"));
  EXPECT_EQ((std::vector<std::int16_t>{0, 35, 35, 0}), d.rollUpTarget);
  EXPECT_EQ((std::vector<std::string>{"", "355030", "350000-359999", "110001,"}), d.categoryCodes);
}

TEST_F(Conversion, ThresholdKind) {
  std::vector<std::string> lines = {"6 3 F"};
  for (int i = 1; i <= 5; ++i)
    lines.push_back(cnvLine("", i, "Ate " + std::to_string(i * 10), " " + std::to_string(i * 10)));
  // Category 6 gets no bound: it is never chosen.
  const std::string line = writeCnv("idade.cnv", lines, "idade");
  Dimension d;
  ASSERT_EQ("", load(line, 5700, d));
  EXPECT_EQ(MappingKind::thresholds, d.mappingKind);
  const struct {
    const char* value;
    int category;
  } cases[] = {{"15", 2}, {"10", 1}, {"51", 7}, {" 50", 5}, {"-3", 1}, {"9.5", 1}, {"10.01", 1}};
  for (const auto& c : cases) EXPECT_EQ(c.category, categoryOf(d, c.value)) << c.value;
  // Kind F: the bound, without the spaces that align it.
  EXPECT_EQ((std::vector<std::string>{"", "10", "20", "30", "40", "50", ""}), d.categoryCodes);

  // A value that is no number is left for the caller to report, every time.
  EXPECT_EQ(kUnreadableValue, categoryOf(d, "1x"));
  EXPECT_EQ(kUnreadableValue, categoryOf(d, "1x"));
}

TEST_F(Conversion, ThresholdBoundMustBeANumber) {
  const std::string line =
      writeCnv("f.cnv", {"2 3 F", cnvLine("", 1, "Um", " 10"), cnvLine("", 2, "Dois", "2,5")});
  EXPECT_EQ(tempPath("f.cnv") + " : Valor num\xE9rico nao valido na linha 2\r\n", loadOutput(line));
}

TEST_F(Conversion, FailureMessages) {
  const std::string file = tempPath("x.cnv");
  const struct {
    std::vector<std::string> lines;
    int limit;
    std::string output;
  } cases[] = {
      {{"3"}, 5700, file + ": Falta largura do codigo\r\n"},
      {{"0 2"}, 5700, file + ": Numero de categorias nao valido\r\n"},
      {{"-4 2"}, 5700, file + ": Numero de categorias nao valido\r\n"},
      {{"3 0"}, 5700, file + ": Comprimento do codigo nao valido\r\n"},
      {{"3 2 x"}, 5700, file + ": terceiro parametro <> \"L\"  ou \"F\" = X\r\n"},
      {{"3 2 xyzzy"}, 5700, file + ": terceiro parametro <> \"L\"  ou \"F\" = Xyzz\r\n"},
      {{"5700 2"}, 5700, file + ": Linhas = 5700 > Max = 5699\r\n"},
      {{"3 -2"}, 5700, file + ": Compr Var = -2 (deve ser positivo)\r\n"},
      {{"300 -2"},
       256,
       file + ": Linhas = 300 > Max = 255\r\n" + file + ": Compr Var = -2 (deve ser positivo)\r\n"},
      {{"3 2", cnvLine("", 0, "Zero", "11")}, 5700, file + " : Indice nao valido na linha 0\r\n"},
      {{"3 2", cnvLine("", 4, "Quatro", "11")}, 5700, file + " : Indice nao valido na linha 4\r\n"},
      {{"3 2", "     x"}, 5700, file + " : Indice nao valido na linha 0\r\n"},
      {{"3 6", cnvLine("", 2, "Curta", "12345")},
       5700,
       file + " : Codigo nao valido na linha 2\r\n"},
      {{"3 6", cnvLine("", 4, "Curta", "12345")},
       5700,
       file + " : Indice nao valido na linha 4\r\n"},
      {{}, 5700, file + ": Falta cabecalho\r\n"},
      {{"; so comentarios", "   ", "  ;3 2"}, 5700, file + ": Falta cabecalho\r\n"},
  };
  for (const auto& c : cases) {
    const std::string line = writeCnv("x.cnv", c.lines);
    Dimension d;
    EXPECT_EQ(c.output, load(line, c.limit, d)) << c.output;
    // A refusal ends a request as a page, with status 0.
    EXPECT_EQ(0, loadDimension(line, c.limit, d)->status) << c.output;
  }
}

TEST_F(Conversion, CountBelowLimitIsAccepted) {
  const std::string line = writeCnv("n.cnv", {"5699 2"});
  Dimension d;
  EXPECT_EQ("", load(line, 5700, d));
  EXPECT_EQ(5699, d.categoryCount);
  EXPECT_EQ(5701u, d.categoryNames.size());
  EXPECT_EQ(0, d.rollUpTarget[17]);
  // Header tokens are cut to four characters.
  EXPECT_EQ("", load(writeCnv("n.cnv", {"12345 2"}), 5700, d));
  EXPECT_EQ(1234, d.categoryCount);
}

TEST_F(Conversion, FileNotFoundOrUnsupported) {
  const std::string missing = tempPath("nada.cnv");
  EXPECT_EQ(missing + ": Tabela de conversao nao encontrada\r\n",
            loadOutput(normalizeDimensionLine("LX,campo," + missing)));
  writeFileBytes(tempPath("tabela.txt"), "3 2\r\n");
  const std::string text = tempPath("tabela.txt");
  EXPECT_EQ(text + ": Tipo de tabela de conversao nao suportado\r\n",
            loadOutput(normalizeDimensionLine("LX,campo," + text)));
}

TEST_F(Conversion, FileFoundIgnoringCaseAndPathFromItemTwo) {
  writeFileBytes(tempPath("Sexo.CNV"),
                 "2 1\n" + cnvLine("", 1, "M", "1") + "\n" + cnvLine("", 2, "F", "2") + "\n");
  Dimension d;
  // Item 3 empty: item 2 is the path and the code starts at 1.
  ASSERT_EQ("", load(normalizeDimensionLine("LSexo,sexo," + tempPath("sexo.cnv")), 256, d));
  EXPECT_EQ(tempPath("sexo.cnv"), d.conversionFile);
  EXPECT_EQ(1, d.codeStart);
  EXPECT_EQ(2, categoryOf(d, "2"));
  EXPECT_EQ(3, categoryOf(d, "3"));
}

TEST_F(Conversion, NonIntegerHeaderTokensEndTheProgram) {
  const struct {
    const char* header;
    const char* text;
  } cases[] = {{"3a 2", "3a"}, {"3 2a", "2a"}, {"3 ;sem largura", ""}, {"3 2.0", "2.0"}};
  for (const auto& c : cases) {
    const std::string line = writeCnv("e.cnv", {c.header});
    Dimension d;
    const Status failure = loadDimension(line, 5700, d);
    ASSERT_TRUE(failure) << c.header;
    EXPECT_EQ(1, failure->status) << c.header;
    EXPECT_EQ("Erro: '" + std::string(c.text) + "' n\xE3o \xE9 um inteiro v\xE1lido", failure->text)
        << c.header;
  }
}

TEST_F(Conversion, FileReadingDetails) {
  // LF lines, a Ctrl-Z that ends the file, a comment cut inside a line, tabs kept in labels,
  // a line longer than 255 characters cut.
  std::string bytes = "2 2\n";
  bytes += cnvLine("", 1, "Um ; comentario", "11") + "\n";
  bytes += cnvLine("", 2, "Dois", "12," + std::string(200, '9') + ",13") + "\r";
  bytes += cnvLine("", 2, "", "14") + "\n\x1A";
  bytes += cnvLine("", 1, "", "15") + "\n";
  writeFileBytes(tempPath("d.cnv"), bytes);
  Dimension d;
  ASSERT_EQ("", load(normalizeDimensionLine("LX,campo,," + tempPath("d.cnv")), 5700, d));
  EXPECT_EQ("Um", d.categoryNames[1]);
  EXPECT_EQ("Dois", d.categoryNames[2]);
  EXPECT_EQ(3, categoryOf(d, "11"));  // cut off with the comment
  EXPECT_EQ(2, categoryOf(d, "12"));
  EXPECT_EQ(3, categoryOf(d, "13"));  // beyond column 255
  EXPECT_EQ(2, categoryOf(d, "14"));  // after a lone CR
  EXPECT_EQ(3, categoryOf(d, "15"));  // after Ctrl-Z
}

TEST_F(Conversion, DictionarySizingLimits) {
  // A line with one code and a short code after a comma is counted as one entry by the sizing
  // pass but stores two: 210 such lines need more than the 200 spare entries.
  std::vector<std::string> lines = {"1 6"};
  for (int l = 0; l < 210; ++l) {
    char codes[16];
    std::snprintf(codes, sizeof codes, "C%05d,%02d", l, l);
    lines.push_back(cnvLine("", 1, "Muitos", codes));
  }
  EXPECT_EQ(tempPath("big.cnv") + ": Tabela de conversao grande demais\r\n",
            loadOutput(writeCnv("big.cnv", lines)));

  // A file whose sizing sum does not fit 16 bits is refused before anything is read.
  std::vector<std::string> huge = {"1 1 L"};
  const std::string longLine = cnvLine("", 1, "x", std::string(194, '1'));
  for (int l = 0; l < 340; ++l) huge.push_back(longLine);
  EXPECT_EQ(tempPath("huge.cnv") + ": Tabela de conversao grande demais\r\n",
            loadOutput(writeCnv("huge.cnv", huge)));
}

TEST_F(Conversion, UnloadedDimensionPutsEveryValueInNoCategory) {
  Dimension d;
  EXPECT_EQ(1, categoryOf(d, "12"));
  EXPECT_EQ(1, categoryOf(d, "A1"));
  d.mappingKind = static_cast<MappingKind>(7);
  EXPECT_EQ(0, categoryOf(d, "12"));
}

}  // namespace
