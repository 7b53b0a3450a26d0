#include "published_cells.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "result_model.h"
#include "result_state.h"

namespace {

std::vector<std::string> rowIds(const std::vector<std::string>& codes) {
  ResultTable table;
  for (std::size_t i = 1; i < codes.size(); ++i) table.rowLabels.push_back("r");
  table.cells.assign(codes.size() - 1, {1});
  TabulationState state = resultState(table);
  state.rowDimension.categoryCodes = codes;
  std::vector<std::string> ids;
  for (const PublishedCategory& c : publishedTable(resultModel(state)).rows.categories) {
    ids.push_back(c.id);
  }
  return ids;
}

}  // namespace

TEST(PublishedCells, CategoryIdsAreTheCodesWhereTheyAreUnique) {
  const struct {
    std::vector<std::string> codes;  // [0] unused
    std::vector<std::string> ids;    // the totals first
  } cases[] = {
      {{"", "11", "12,13", "9"}, {"_T", "11", "12,13", "9"}},
      // No code, or a code two categories share: the category number.
      {{"", "", "7", "7"}, {"_T", "1", "2", "3"}},
      // A number another category's code holds is set apart by "_".
      {{"", "2", ""}, {"_T", "2", "_2"}},
      // A code "_T" keeps it; the totals give way.
      {{"", "_T", "x"}, {"__T", "_T", "x"}},
      // Codes are read as the page's bytes and given in UTF-8.
      {{"", "S\xE3", "s"}, {"_T", "S\xC3\xA3", "s"}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.ids, rowIds(c.codes)) << c.codes[1];
}

TEST(PublishedCells, AxisIdsStayApart) {
  // A dimension chosen as rows and columns, and a dimension named like the measures' axis.
  ResultTable table;
  table.rowChoice = "Incremento";
  table.rowLabels = {"a"};
  table.columnChoice = "Incremento";
  table.columnLabels = {"b"};
  table.cells = {{1}};
  const PublishedTable published = publishedTable(resultModel(resultState(table)));
  EXPECT_EQ("Incremento", published.rows.id);
  EXPECT_EQ("_Incremento", published.columns.id);
  EXPECT_EQ("__Incremento", published.measures.id);
}

TEST(PublishedCells, PlainUtf8OfPageTexts) {
  const struct {
    const char* html;
    const char* text;
  } cases[] = {
      {"<p class=\"rodape\">Fonte: <b>SIM</b></p>", "Fonte: SIM"},
      {"  Rodap\xE9   da\r\np\xE1gina  ", "Rodap\xC3\xA9 da p\xC3\xA1gina"},
      {"A &amp; B &lt;x&gt; &quot;q&quot;", "A & B <x> \"q\""},
      {"Per&iacute;odo&nbsp;&middot; &#233;&#xE9; &euro;",
       "Per\xC3\xADodo \xC2\xB7 \xC3\xA9\xC3\xA9 \xE2\x82\xAC"},
      {"sem &fim e &#xZZ; e &;", "sem &fim e &#xZZ; e &;"},
      {"linha<br>quebrada", "linha quebrada"},
      {"corte <b sem fim", "corte"},
      {"\x93"
       "aspas\x94",
       "\xE2\x80\x9C"
       "aspas\xE2\x80\x9D"},
  };
  for (const auto& c : cases) EXPECT_EQ(std::string(c.text), plainUtf8(c.html)) << c.html;
}

TEST(PublishedCells, NumbersForScripts) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {{1234567, 0, "1234567"},
               {2.5, 0, "3"},
               {-2.5, 0, "-3"},
               {0.125, 2, "0.13"},
               {1e20, 0, "100000000000000000000"},
               {-0.001, 2, "0.00"},
               {12, 1, "12.0"}};
  for (const auto& c : cases) EXPECT_EQ(c.text, publishedNumber(c.value, c.decimals)) << c.value;
  EXPECT_EQ("", publishedNumber(0.0 / 0.0, 0));
}
