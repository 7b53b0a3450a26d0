#include "engine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "municipality_index.h"
#include "program_run.h"
#include "test_dbf.h"
#include "test_paths.h"
#include "text_helpers.h"

namespace {

// Sex by municipality: codes A (records 1-3), B (4-5), C (6); record 3 is marked deleted.
TestDbf municipalities() {
  TestDbf dbf;
  dbf.fields = {{"MUN", 'C', 1}, {"SEXO", 'C', 1}, {"PESO", 'N', 6, 2}, {"POP", 'N', 5}};
  dbf.rows = {{"A", "1", "1.50", "100"},  {"A", "2", "2.25", "100"}, {"A", "1", "", "100"},
              {"B", "2", "12abc", "200"}, {"B", "9", "3", "200"},    {"C", "1", "1e1", "50"}};
  dbf.rows[2].mark = '*';
  return dbf;
}

std::string conversionFile(const std::string& name, const std::string& header,
                           const std::vector<std::string>& codes) {
  std::string text = header + "\r\n";
  for (std::size_t k = 0; k < codes.size(); ++k) {
    std::string line = "   " + std::string(3 - std::to_string(k + 1).size() + 1, ' ') +
                       std::to_string(k + 1) + "  " + "Categoria " + std::to_string(k + 1);
    line.resize(60, ' ');
    text += line + codes[k] + "\r\n";
  }
  writeFileBytes(tempPath(name), text);
  return tempPath(name);
}

void loadInto(Dimension& dimension, const std::string& field, const std::string& cnv) {
  const Status failure =
      loadDimension(normalizeDimensionLine("LDim," + field + "," + cnv), 5700, dimension);
  ASSERT_FALSE(failure) << failure->text;
}

// Rows by sex (1, 2), one measure, no column; optionally a selection on MUN.
TabulationState sexState(const std::string& valueField, const std::vector<int>& municipalities) {
  TabulationState state;
  loadInto(state.rowDimension, "SEXO", conversionFile("sexo.cnv", "2 1", {"1", "2"}));
  state.rowCount = 2;
  state.measures.assign(2, MeasureSpec{});
  state.measures[1].valueField = valueField;
  state.measures[1].multiplier = 1;
  state.measureCount = 1;
  state.columnCount = 1;
  state.selections.assign(1, SelectionFilter{});
  if (!municipalities.empty()) {
    SelectionFilter selection;
    loadInto(selection.dimension, "MUN", conversionFile("mun.cnv", "3 1 L", {"A", "B", "C"}));
    selection.selected.assign(5, false);
    for (int k : municipalities) selection.selected[k] = true;
    state.selections.push_back(selection);
    state.selectionCount = 1;
  }
  state.valueCells.assign(3, std::vector<double>(4, 0.0));
  state.divisorCells = state.valueCells;
  state.columnDecimals.assign(2, 0);
  return state;
}

// What the page shows of the file's tabulation: each note on a line of its own, then the failure
// that ends it, if any, as the page writes it.
std::string tabulated(TabulationState& state, const std::string& path) {
  std::string page;
  const Status failure =
      tabulateFile(state, path, [&](std::string_view line) { page += std::string(line) + "\r\n"; });
  if (failure) page += failure->text + (failure->lineEnd ? "\r\n" : "");
  return page;
}

void setModified(const std::string& path, std::time_t seconds) {
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0)) << path;
}

}  // namespace

TEST(Engine, MeasureValueTakesOnlyTheWholeNumberForm) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"", 0},    {"   ", 0},   {" 12.50 ", 12.5}, {"1e3", 1000}, {"-2.5", -2.5}, {"+.5", 0.5},
      {"5.", 5},  {"12abc", 0}, {"1.2.3", 0},      {".", 0},      {"1e", 0},      {"e5", 0},
      {"1 2", 0}, {"0012", 12}, {"2E-2", 0.02},    {"1,5", 0},    {"-", 0},       {"12.5e+1", 125},
  };
  for (const auto& c : cases) EXPECT_EQ(c.value, measureValue(c.text)) << '"' << c.text << '"';
}

TEST(Engine, MeasureValueRoundsLikeTheLibrary) {
  // The hand-written reading must give the very double that strtod gives.
  const char* const texts[] = {"0.1",
                               "0.3",
                               "123456.78",
                               "9007199254740993",
                               "1.7976931348623157e308",
                               "4.9e-324",
                               "3.14159265358979323846",
                               "0.000001234",
                               "99999999.99",
                               "1e22",
                               "1e23",
                               "123456789012345678901234",
                               "-0.0000000000000000001"};
  for (const char* text : texts) {
    EXPECT_EQ(std::strtod(text, nullptr), measureValue(text)) << text;
  }
  for (int i = 0; i < 20000; ++i) {
    const std::string text =
        std::to_string(i * 7919 % 100000) + "." + std::to_string(i % 1000 + 1000).substr(1);
    ASSERT_EQ(std::strtod(text.c_str(), nullptr), measureValue(text)) << text;
  }
  // Longer than 31 characters: only the first 31 count.
  EXPECT_EQ(1111111111111111111111111111111.0, measureValue("11111111111111111111111111111119999"));
}

TEST(Engine, MeasureValueOfShortTextsIsTheGeneralReadersToTheBit) {
  // Short texts take a quicker reading than parseDecimal's; it must give the very same double,
  // signed zeros included, and fail where parseDecimal fails.
  std::uint64_t state = 12345;
  auto next = [&] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  const std::string alphabet = "0123456789012345678901234567890123456789. .+-eE";
  for (int i = 0; i < 300000; ++i) {
    std::string text(1 + next() % 17, ' ');
    for (char& c : text) c = alphabet[next() % alphabet.size()];
    const std::string trimmed = trimSpaces(text);
    double expected = 0;
    if (trimmed.empty() || !parseDecimal(trimmed, expected)) expected = 0;
    const double value = measureValue(text);
    ASSERT_EQ(std::signbit(expected), std::signbit(value)) << '"' << text << '"';
    ASSERT_EQ(expected, value) << '"' << text << '"';
  }
}

TEST(Engine, CountsSumsAndRatesEveryRecordDeletedOnesToo) {
  const std::string path = municipalities().writeTo(tempPath("dados.dbf"));
  TabulationState counts = sexState("#", {});
  EXPECT_EQ("", tabulated(counts, path));
  EXPECT_EQ(3, counts.valueCells[1][1]);
  EXPECT_EQ(2, counts.valueCells[1][2]);
  EXPECT_EQ(1, counts.valueCells[1][3]);  // sex 9: in no category
  EXPECT_EQ(0, counts.columnDecimals[1]);

  TabulationState sums = sexState("peso", {});
  sums.measures[1].isRate = true;
  sums.measures[1].secondField = "POP";
  sums.measures[1].decimals = 4;
  tabulated(sums, path);
  EXPECT_DOUBLE_EQ(11.5, sums.valueCells[1][1]);  // blank adds 0, 1e1 adds 10
  EXPECT_DOUBLE_EQ(2.25, sums.valueCells[1][2]);  // 12abc adds 0
  EXPECT_EQ(250, sums.divisorCells[1][1]);
  EXPECT_EQ(300, sums.divisorCells[1][2]);
  EXPECT_EQ(4, sums.columnDecimals[1]);  // a rate keeps its declared decimals

  TabulationState field = sexState("PESO", {});
  tabulated(field, path);
  EXPECT_EQ(2, field.columnDecimals[1]);  // a summed field shows its own decimals
}

TEST(Engine, BlankRecordsPastTheEndOfTheFileCountAsOneLot) {
  // The header claims two billion records; the file holds the six, then its end byte.
  TestDbf dbf = municipalities();
  dbf.recordCount = 2147483647;
  const std::string path = dbf.writeTo(tempPath("dados.dbf"));
  TabulationState counts = sexState("#", {});
  EXPECT_EQ("", tabulated(counts, path));
  EXPECT_EQ(3, counts.valueCells[1][1]);
  EXPECT_EQ(2, counts.valueCells[1][2]);
  // sex 9, the record holding the end byte, and every blank record after it
  EXPECT_EQ(2147483647.0 - 5, counts.valueCells[1][3]);

  TabulationState sums = sexState("PESO", {});
  tabulated(sums, path);
  EXPECT_DOUBLE_EQ(11.5, sums.valueCells[1][1]);
  EXPECT_EQ(3, sums.valueCells[1][3]);  // a blank value adds nothing

  // Through an index whose range runs past the records claimed: read up to the last one, then
  // the reader refuses the next number.
  dbf.recordCount = 10;
  dbf.writeTo(tempPath("dados.dbf"));
  const std::time_t now = std::time(nullptr) / 2 * 2;
  setModified(path, now);
  writeFileBytes(tempPath("dados.IXM"), "MUN\r\nC            6      12\r\n");
  setModified(tempPath("dados.IXM"), now + 2);
  TabulationState indexed = sexState("#", {3});
  const Status failure = tabulateFile(indexed, path, [](std::string_view) {});
  std::remove(tempPath("dados.IXM").c_str());
  ASSERT_TRUE(failure);
  EXPECT_EQ("readDBF:" + path + " N\xFAmero de Reg inv\xE1lido = 11", failure->text);
  EXPECT_FALSE(failure->lineEnd);
  EXPECT_EQ(1, failure->status);
}

TEST(Engine, RecordsAreCountedPerCellOnlyWhenAsked) {
  TestDbf dbf = municipalities();
  const std::string path = dbf.writeTo(tempPath("dados.dbf"));
  // Without a column dimension each record counts once, in column 1, whatever its measure adds.
  TabulationState rows = sexState("PESO", {});
  rows.countCells = rows.valueCells;
  tabulated(rows, path);
  EXPECT_EQ((std::vector<double>{0, 3, 2, 1}), rows.countCells[1]);
  EXPECT_EQ((std::vector<double>{0, 0, 0, 0}), rows.countCells[2]);
  EXPECT_DOUBLE_EQ(11.5, rows.valueCells[1][1]);

  // With one, per cell: municipalities A and B are columns, C falls in no category.
  TabulationState cells = sexState("PESO", {});
  loadInto(cells.columnDimension, "MUN", conversionFile("mun.cnv", "2 1 L", {"A", "B"}));
  cells.columnActive = true;
  cells.columnCount = 2;
  cells.valueCells.assign(4, std::vector<double>(4, 0.0));
  cells.divisorCells = cells.valueCells;
  cells.countCells = cells.valueCells;
  tabulated(cells, path);
  EXPECT_EQ((std::vector<double>{0, 2, 1, 0}), cells.countCells[1]);
  EXPECT_EQ((std::vector<double>{0, 0, 1, 1}), cells.countCells[2]);
  EXPECT_EQ((std::vector<double>{0, 1, 0, 0}), cells.countCells[3]);

  // Blank records past the end of the file count as many as they are.
  dbf.recordCount = 1000;
  dbf.writeTo(path);
  rows = sexState("PESO", {});
  rows.countCells = rows.valueCells;
  tabulated(rows, path);
  EXPECT_EQ(1000 - 5, rows.countCells[1][3]);

  // Off: no array, nothing counted.
  TabulationState off = sexState("#", {});
  tabulated(off, path);
  EXPECT_TRUE(off.countCells.empty());
}

TEST(Engine, CodesOfEveryWidthAreToldApartByTheirLastByte) {
  for (int width = 1; width <= 10; ++width) {
    const std::string stem(static_cast<std::size_t>(width - 1), '7');
    // The field after the code changes from record to record and must never count.
    TestDbf dbf{{{"COD", 'C', width}, {"NEXT", 'C', 8}},
                {{stem + "1", "abcdefgh"},
                 {stem + "2", "abcdefgh"},
                 {stem + "1", "zzzzzzzz"},
                 {stem + "2", "12345678"},
                 {stem + "1", "12345678"},
                 {stem + "3", "x"}}};
    const std::string path = dbf.writeTo(tempPath("dados.dbf"));
    TabulationState state = sexState("#", {});
    loadInto(state.rowDimension, "COD",
             conversionFile("cod.cnv", "2 " + std::to_string(width), {stem + "1", stem + "2"}));
    EXPECT_EQ("", tabulated(state, path)) << width;
    EXPECT_EQ(3, state.valueCells[1][1]) << width;
    EXPECT_EQ(2, state.valueCells[1][2]) << width;
    EXPECT_EQ(1, state.valueCells[1][3]) << width;
  }
}

TEST(Engine, RepeatedAndSharedMeasureFieldsAddEachRecordsOwnValue) {
  // Values that differ only in their last byte, repeated values, and one field summed by two
  // measures and divided by a third.
  for (int width : {7, 8, 9}) {
    TestDbf dbf{
        {{"SEXO", 'C', 1}, {"V", 'N', width, 2}, {"W", 'N', width, 0}},
        {{"1", "1.51", "10"}, {"1", "1.52", "10"}, {"1", "1.52", "20"}, {"2", "1.5", "20"}}};
    const std::string path = dbf.writeTo(tempPath("dados.dbf"));
    TabulationState state = sexState("V", {});
    state.measures.assign(3, MeasureSpec{});
    state.measures[1].valueField = "V";
    state.measures[2].valueField = "V";
    state.measures[2].isRate = true;
    state.measures[2].secondField = "W";
    state.measureCount = 2;
    state.columnCount = 2;
    state.valueCells.assign(3, std::vector<double>(4, 0.0));
    state.divisorCells = state.valueCells;
    state.columnDecimals.assign(3, 0);
    EXPECT_EQ("", tabulated(state, path)) << width;
    EXPECT_DOUBLE_EQ(4.55, state.valueCells[1][1]) << width;
    EXPECT_DOUBLE_EQ(4.55, state.valueCells[2][1]) << width;
    EXPECT_EQ(40, state.divisorCells[2][1]) << width;
    EXPECT_DOUBLE_EQ(1.5, state.valueCells[1][2]) << width;
    EXPECT_EQ(20, state.divisorCells[2][2]) << width;
  }
}

TEST(Engine, MissingFieldsLeaveTheFileOut) {
  const std::string path = municipalities().writeTo(tempPath("dados.dbf"));
  TabulationState dimension = sexState("#", {});
  dimension.rowDimension.fieldName = "SEX";
  EXPECT_EQ("SEX nao encontrado em " + path + "\r\n", tabulated(dimension, path));
  EXPECT_EQ(0, dimension.valueCells[1][1] + dimension.valueCells[1][2]);

  TabulationState value = sexState("IDADE", {});
  EXPECT_EQ("Campo Incremento IDADE nao encontrado em " + path + "\r\n", tabulated(value, path));
  EXPECT_EQ(0, value.valueCells[1][1]);

  TabulationState divisor = sexState("#", {});
  divisor.measures[1].isRate = true;
  divisor.measures[1].secondField = "HAB";
  EXPECT_EQ("Campo Divisor HAB nao encontrado em " + path + "\r\n", tabulated(divisor, path));
  EXPECT_EQ(0, divisor.valueCells[1][1]);
}

TEST(Engine, EachRecordWithAnUnreadableThresholdValueIsReported) {
  TestDbf dbf{{{"SEXO", 'C', 1}, {"IDADE", 'C', 3}},
              {{"1", "  5"}, {"1", "1x "}, {"2", "1x "}, {"2", " 30"}, {"1", "abc"}, {"1", " 99"}}};
  const std::string path = dbf.writeTo(tempPath("dados.dbf"));
  TabulationState state = sexState("#", {});
  loadInto(state.rowDimension, "IDADE", conversionFile("idade.cnv", "2 3 F", {" 10", " 50"}));
  // Every record is reported, the same value again too; each counts in no category.
  EXPECT_EQ(
      "1x :Valor Inv\xE1lido em IDADE\r\n"
      "1x :Valor Inv\xE1lido em IDADE\r\n"
      "abc:Valor Inv\xE1lido em IDADE\r\n",
      tabulated(state, path));
  EXPECT_EQ(1, state.valueCells[1][1]);
  EXPECT_EQ(1, state.valueCells[1][2]);
  EXPECT_EQ(4, state.valueCells[1][3]);
}

TEST(Engine, ReadsTheIndexSeriakWrites) {
  // Municipality by sex, sorted by municipality, then the same records out of order.
  const std::vector<std::vector<std::string>> sorted = {
      {"110001", "1"}, {"110001", "2"}, {"110001", "1"}, {"110002", "2"},
      {"120001", "1"}, {"120001", "1"}, {"120001", "2"}, {"130001", "2"}};
  std::vector<std::vector<std::string>> unsorted = sorted;
  std::swap(unsorted[1], unsorted[6]);
  const struct {
    const char* what;
    std::vector<std::vector<std::string>> rows;
    bool indexed;
  } cases[] = {{"sorted", sorted, true}, {"out of order", unsorted, false}};
  const std::string municipalities =
      conversionFile("mun.cnv", "3 6 L", {"110001", "110002", "120001"});
  for (const auto& c : cases) {
    const std::string folder = tempPath(std::string("site-") + (c.indexed ? "a" : "b")) + "/";
    std::filesystem::create_directories(folder);
    TestDbf dbf{{{"MUN", 'C', 6}, {"SEXO", 'C', 1}}, {}};
    for (const auto& row : c.rows) dbf.rows.push_back({row[0], row[1]});
    const std::string path = dbf.writeTo(folder + "DO96.DBF");
    std::string pattern = folder + "DO*", field = "MUN";
    char program[] = "seriak";
    char* argv[] = {program, field.data(), pattern.data(), nullptr};
    runInChild([&] { std::exit(runSeriak(3, argv)); });
    ASSERT_EQ(c.indexed, std::filesystem::exists(folder + "DO96.IXM")) << c.what;

    for (const std::vector<int>& chosen : std::vector<std::vector<int>>{{1}, {3}, {1, 3}, {4}}) {
      TabulationState read = sexState("#", {});
      loadInto(read.selections.emplace_back().dimension, "MUN", municipalities);
      read.selections[1].selected.assign(5, false);
      for (int k : chosen) read.selections[1].selected[k] = true;
      read.selectionCount = 1;
      TabulationState whole = read;
      EXPECT_EQ("", tabulated(read, path)) << c.what;
      // The same request on the data file alone.
      const std::string alone = folder + "ALONE.DBF";
      std::filesystem::copy_file(path, alone, std::filesystem::copy_options::overwrite_existing);
      EXPECT_EQ("", tabulated(whole, alone)) << c.what;
      EXPECT_EQ(whole.valueCells, read.valueCells) << c.what << " " << chosen.front();
    }
  }
}

TEST(Engine, CurrentIndexNamingASelectionLimitsTheRecordsRead) {
  const std::string path = municipalities().writeTo(tempPath("dados.dbf"));
  // The index leaves record 3 (a third A) out, so a read through it is told from a full read.
  const std::string index =
      "MUN\r\nA            1       2\r\nB            4       5\r\n"
      "C            6       6\r\n";
  const std::time_t now = std::time(nullptr) / 2 * 2;
  setModified(path, now + 1);

  const struct {
    const char* what;
    std::string name, text;
    std::time_t modified;
    std::vector<int> selected;
    double men;  // row 1 after the tabulation
  } cases[] = {
      {"current", "dados.IXM", index, now, {1}, 1},
      {"lower-case extension", "dados.ixm", index, now + 1, {1}, 1},
      {"older by two seconds", "dados.IXM", index, now - 2, {1}, 2},
      {"header in small letters", "dados.IXM", "mun" + index.substr(3), now + 2, {1}, 2},
      {"empty range", "dados.IXM", "MUN\r\nA            2       1\r\n", now + 2, {1, 2, 3}, 0},
      {"selection on C only", "dados.IXM", index, now + 2, {3}, 1},
  };
  for (const auto& c : cases) {
    std::remove(tempPath("dados.IXM").c_str());
    std::remove(tempPath("dados.ixm").c_str());
    writeFileBytes(tempPath(c.name), c.text);
    setModified(tempPath(c.name), c.modified);
    TabulationState state = sexState("#", c.selected);
    EXPECT_EQ("", tabulated(state, path)) << c.what;
    EXPECT_EQ(c.men, state.valueCells[1][1]) << c.what;
  }

  // Without a selection the index is never read.
  writeFileBytes(tempPath("dados.IXM"), "MUN\r\nA            1       1\r\n");
  TabulationState all = sexState("#", {});
  tabulated(all, path);
  EXPECT_EQ(3, all.valueCells[1][1]);
}
