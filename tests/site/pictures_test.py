"""The chart and the map below the modern result, in Debian's headless chromium, on a demo site
of 300 municipalities: every bar's title equals the table's value of its row (and column), the
bars are the rows the table shows (the 40 largest when it shows more), and every area of the
map is coloured by the class of the legend that holds its place's value, hatched when the value
is suppressed and neutral when there is none. axe-core finds no violation on any of these pages.
Screenshots of the chart and of the map of each page are kept in the test's work folder."""

import re
import unittest

import modern_test
import sitetest

NO_COLUMN = "--N\u00e3o-Ativa--"
MUNICIPALITY, STATE = "Munic\u00edpio_de_resid\u00eancia", "UF_de_resid\u00eancia"
# (name, the form's choices): counts of many places (more rows than the chart draws), small
# counts that the definition suppresses, a rate (unreliable and not computable values), and a
# column by states under their regions' subtotal rows.
PAGES = [
    ("events", {"Linha": [MUNICIPALITY], "Coluna": [NO_COLUMN], "Incremento": ["Eventos"]}),
    ("deaths", {"Linha": [MUNICIPALITY], "Coluna": [NO_COLUMN], "Incremento": ["\u00d3bitos"]}),
    ("lethality", {"Linha": [MUNICIPALITY], "Coluna": [NO_COLUMN],
                   "Incremento": ["Letalidade_por_100_eventos"]}),
    ("states_by_sex", {"Linha": [STATE], "Coluna": ["Sexo"], "Incremento": ["Eventos"]}),
]
MOST_ROWS, MOST_SERIES = 40, 8
# The table, the chart and the map as a reader of the page finds them.
READ_PAGE = """
var text = function (e) { return e ? e.textContent.trim() : null; };
var all = function (selector) { return Array.from(document.querySelectorAll(selector)); };
return {
  header: all('table.vx-resultado thead th').map(text),
  rows: all('table.vx-resultado tbody tr').map(function (tr) {
    return {label: tr.querySelector('th').firstChild.textContent.trim(), kind: tr.className,
            cells: Array.from(tr.querySelectorAll('td')).map(text)}; }),
  bars: all('svg.vx-barras g[role="img"] > title').map(text),
  chartNotes: all('figure.vx-grafico figcaption p').map(text),
  legend: all('figure.vx-mapa .vx-cores li').map(function (li) {
    return [li.querySelector('span').classList[1], text(li)]; }),
  areas: all('svg.vx-areas path').map(function (p) {
    return [p.getAttribute('class'), text(p.querySelector('title'))]; })
};
"""


def title_parts(title):
    """A title's label and its value as the table writes it."""
    label, value = title.rsplit(": ", 1)
    return label, value


class PicturesOnTheDemo(modern_test.BrowserOnSite):
    site_name, site_size = "pictures", {"municipalities": 300}

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.seen = {"bars": set(), "areas": set()}

    def open_result(self, name, choices):
        self.open_form("eventos")
        self.post(choices)
        page = self.driver.execute_script(READ_PAGE)
        self.assertTrue(page["rows"], name + ": no result table")
        return page

    def check_chart(self, name, page, by_column):
        header, rows = page["header"], page["rows"]
        drawn = [r for r in rows if r["kind"] not in ("vx-total", "vx-subtotal")]
        # With a column, one bar per category (the last column is the total); else the first
        # measure.
        series = list(range(len(header) - 2)) if by_column else [0]
        self.assertLessEqual(len(series), MOST_SERIES, name)
        # Every drawn row's bars in the table's order, each with the table's text of its value.
        by_label = {r["label"]: r for r in drawn}
        bars = page["bars"]
        self.assertEqual(len(bars) % len(series), 0, name)
        labels = []
        for at in range(0, len(bars), len(series)):
            label = title_parts(bars[at])[0]
            if by_column:
                label = label.rsplit(", ", 1)[0]
            self.assertIn(label, by_label, name + ": a bar of a row the table does not draw")
            labels.append(label)
            row = by_label[label]
            for k, column in enumerate(series):
                title = label + (", " + header[column + 1] if by_column else "")
                self.assertEqual(bars[at + k], title + ": " + row["cells"][column], name)
        order = [r["label"] for r in drawn]
        self.assertEqual(labels, [label for label in order if label in labels],
                         name + ": bars out of the table's order")
        self.assertEqual(len(labels), min(len(drawn), MOST_ROWS), name)
        if len(drawn) > MOST_ROWS:
            # The largest published values; a left-out row never beats a drawn one.
            def value(label):
                shown = sitetest.published(by_label[label]["cells"][series[0]])
                return float("-inf") if shown is None else shown
            kept = min(value(label) for label in labels)
            left = max(value(label) for label in order if label not in labels)
            self.assertGreaterEqual(kept, left, name)
            self.assertTrue(any(str(MOST_ROWS) in note and str(len(drawn)) in note
                                for note in page["chartNotes"]), page["chartNotes"])
        self.seen["bars"].update(title_parts(b)[1] for b in bars)

    def check_map(self, name, page, by_column):
        header, rows = page["header"], page["rows"]
        # The map shows the first measure, or with a column each row's total.
        column = len(header) - 2 if by_column else 0
        places = {r["label"]: r["cells"][column] for r in rows
                  if r["kind"] not in ("vx-total", "vx-subtotal")}
        classes = {}
        for cls, text in page["legend"]:
            if re.fullmatch(r"vx-c\d", cls):
                limits = [sitetest.number(t) for t in text.split(" \u2013 ")]
                classes[cls] = (limits[0], limits[-1])
        limits = list(classes.values())
        self.assertTrue(0 < len(limits) <= 5, page["legend"])
        self.assertEqual(limits, sorted(limits), name + ": classes out of order")
        legend = {cls for cls, _ in page["legend"]}
        on_map = set()
        for cls, title in page["areas"]:
            label, shown = title_parts(title)
            self.assertIn(cls, legend, title)
            on_map.add(label)
            self.seen["areas"].add(cls)
            if label not in places:
                self.assertEqual(cls, "vx-nulo", title)
                continue
            self.assertEqual(shown, places[label], title)
            value = sitetest.published(shown)
            if shown == "X":
                self.assertEqual(cls, "vx-oculta", title)
            elif value is None:
                self.assertEqual(cls, "vx-nulo", title)
            else:
                self.assertIn(cls, classes, title)
                low, high = classes[cls]
                self.assertTrue(low <= value <= high, "%s in %s %s" % (title, cls, classes[cls]))
        self.assertEqual(set(places) - on_map, set(), name + ": places the map leaves out")

    def test_chart_and_map_agree_with_the_table(self):
        from selenium.webdriver.common.by import By
        for name, choices in PAGES:
            with self.subTest(page=name):
                page = self.open_result(name, choices)
                by_column = choices["Coluna"] != [NO_COLUMN]
                self.check_chart(name, page, by_column)
                self.check_map(name, page, by_column)
                self.check_axe("chart and map " + name)
                for figure in ("grafico", "mapa"):
                    element = self.driver.find_element(By.CSS_SELECTOR, "figure.vx-" + figure)
                    self.screenshot("%s-%s" % (figure, name), element)
        # The pages drew what the checks above are about: suppressed values, unreliable rates,
        # places without a value, every class.
        self.assertIn("X", self.seen["bars"])
        self.assertTrue(any(v.endswith("*") for v in self.seen["bars"]), self.seen["bars"])
        self.assertTrue({"vx-oculta", "vx-nulo", "vx-c1", "vx-c5"} <= self.seen["areas"],
                        self.seen["areas"])


if __name__ == "__main__":
    modern_test.require_browser_and_axe()
    unittest.main()
