"""The answers for scripts through lighttpd, read by real consumers: a JSON-stat answer read
with jsonstat-toolkit in Node (pinned under tests/js) holds every value of the page of the
same GET address; a tidy CSV answer read with Python's csv module sums, over its plain lines,
to the page's total; the page's own link, fetched again, gives the page byte for byte but for
the copies' names; and the early ends answer with their status."""

import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import unittest
from urllib.parse import quote

import sitetest
from sitetest import number, result_rows

JS_TOOLS = os.path.join(sitetest.SOURCE_DIR, "tests", "js", "node_modules")
NODE_READER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "jsonstat_cells.cjs")


def address(definition, fields):
    """A GET address as a script writes it: the definition, then the fields, each name and
    value %-encoded byte by byte in Windows-1252."""
    encoded = [quote(name.encode("cp1252"), safe="_.-") + "=" +
               quote(value.encode("cp1252"), safe="_.-") for name, value in fields]
    return "/vorlexcgi.exe?" + "&".join([definition] + encoded)


# States with their region subtotals by sex, two years; and three measures without columns, two
# of them rates. "eventos" suppresses small counts and flags rates from few events: its pages
# show "X", ".." and "*" where the answers give the marks; "eventos_mensal" protects nothing.
STATES_BY_SEX = [("Linha", "UF_de_resid\u00eancia"), ("Coluna", "Sexo"),
                 ("Incremento", "Eventos"), ("Arquivos", "EV22.dbf"), ("Arquivos", "EV23.dbf")]
MEASURES_BY_AGE = [("Linha", "Faixa_et\u00e1ria"), ("Coluna", "--N\u00e3o-Ativa--"),
                   ("Incremento", "Eventos"), ("Incremento", "Custo_m\u00e9dio_por_evento"),
                   ("Incremento", "Letalidade_por_100_eventos"), ("Arquivos", "EV21.dbf")]
MONTHLY_STATES_BY_SEX = [("Linha", "UF_de_resid\u00eancia"), ("Coluna", "Sexo"),
                         ("Incremento", "Eventos")] + [("Arquivos", "EM23%02d.dbf" % m)
                                                        for m in (1, 2, 3)]


def cell_of_page(text):
    """(number or None, mark or None) of a page's cell: "X" and ".." stand for the value, "*"
    follows it."""
    if text in ("X", ".."):
        return None, text
    if text.endswith("*"):
        return number(text[:-1]), "*"
    return number(text), None


class AnswersForScripts(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = sitetest.Site("api", source=sitetest.shared_site())
        cls.site.start()

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def get(self, fields, format, status=200, definition="eventos"):
        status_got, headers, body = self.site.get(address(definition, fields +
                                                          [("formato", format)]))
        self.assertEqual(status_got, status, body[:500])
        return headers, body

    def page(self, fields, definition="eventos"):
        """The page's {row label: {column label: (number or None, mark or None)}} for the same
        address as a table."""
        headers, body = self.get(fields, "table", definition=definition)
        header, rows = result_rows(body)
        return {label.replace("TOTAL", "Total"):
                dict(zip(header[1:], [cell_of_page(v) for v in values]))
                for label, values in rows.items()
                if label != header[0] and len(values) == len(header) - 1}

    def read_with_jsonstat_toolkit(self, body):
        if not shutil.which("node") or not os.path.isdir(os.path.join(JS_TOOLS,
                                                                      "jsonstat-toolkit")):
            self.skipTest("node or tests/js/node_modules missing (./test.sh runs npm ci there)")
        run = subprocess.run(["node", NODE_READER], input=body, capture_output=True,
                             env=dict(os.environ, NODE_PATH=JS_TOOLS), timeout=60)
        self.assertEqual(run.returncode, 0, run.stderr.decode())
        return json.loads(run.stdout)

    def test_jsonstat_toolkit_reads_every_value_of_the_page(self):
        marks = set()
        for fields in (STATES_BY_SEX, MEASURES_BY_AGE):
            with self.subTest(row=fields[0][1]):
                headers, body = self.get(fields, "jsonstat")
                self.assertEqual(headers["content-type"], "application/json; charset=utf-8")
                read = self.read_with_jsonstat_toolkit(body)
                page = self.page(fields)
                row, column = read["dimensions"][0], read["dimensions"][1]
                # The categories in the page's order, the totals row first.
                self.assertEqual(row["categories"], list(page))
                seen = {}
                for cell in read["cells"]:
                    if read["dimensions"][-1]["id"] != column["id"]:
                        key = cell[column["id"]]  # a column dimension: one measure
                    else:
                        key = cell["Incremento"]  # the measures are the page's columns
                    seen.setdefault(cell[row["id"]], {})[key] = (cell["value"], cell["status"])
                self.assertEqual(seen, page)
                self.assertEqual(read["n"], sum(len(v) for v in page.values()))
                marks |= {mark for values in page.values() for _, mark in values.values()}
        # The demo's protection shows on these tables: hidden counts and flagged rates.
        self.assertTrue({"X", "*"} <= marks, marks)

    def test_jsonstat_marks_totals_and_region_subtotals(self):
        headers, body = self.get(STATES_BY_SEX, "jsonstat")
        read = self.read_with_jsonstat_toolkit(body)
        rows = read["dimensions"][0]
        known = self.site.known
        regions = {r[0] for r in known["regions"]}
        # A category the extension does not list is plain.
        levels = {label: rows["levels"].get(id, "plain") for id, label in
                  zip(json.loads(body)["dimension"][rows["id"]]["category"]["index"],
                      rows["categories"])}
        self.assertEqual(levels.pop("Total"), "total")
        self.assertEqual({label for label, level in levels.items() if level == "subtotal"},
                         regions & set(levels))
        self.assertTrue(all(level == "plain" for label, level in levels.items()
                            if label not in regions))

    def test_tidy_csv_holds_the_page_and_its_plain_lines_sum_to_the_total(self):
        cases = [("eventos_mensal", MONTHLY_STATES_BY_SEX), ("eventos", STATES_BY_SEX),
                 ("eventos", MEASURES_BY_AGE)]
        for definition, fields in cases:
            with self.subTest(definition=definition, row=fields[0][1]):
                headers, body = self.get(fields, "csv", definition=definition)
                self.assertEqual(headers["content-type"], "text/csv; charset=utf-8")
                lines = list(csv.DictReader(io.StringIO(body.decode("utf-8"), newline="")))
                self.assertEqual(list(lines[0]), ["row_code", "row_label", "column_code",
                                                  "column_label", "measure_code", "measure",
                                                  "value", "flag", "level"])
                page = self.page(fields, definition)
                # Every line is a cell of the page, and every cell of the page has its line.
                cells = {(line["row_label"], line["column_label"] or line["measure"]):
                         (float(line["value"]) if line["value"] else None, line["flag"] or None)
                         for line in lines}
                self.assertEqual(cells, {(r, c): v for r, values in page.items()
                                         for c, v in values.items()})
                if definition == "eventos_mensal":
                    # Nothing hidden: the plain lines count every event once.
                    plain = sum(float(line["value"]) for line in lines
                                if line["level"] == "plain")
                    self.assertEqual(plain, page["Total"]["Total"][0])

    def test_the_pages_link_gives_the_page_again(self):
        # Each form as a browser posts it, in the form's order (the modern form names each of
        # its selection lists in "listas"), then the address the page links to.
        all_categories = "TODAS_AS_CATEGORIAS__"
        modern = [("Linha", "Munic\u00edpio_de_resid\u00eancia"), ("Coluna", "Sexo"),
                  ("Incremento", "Eventos"), ("Arquivos", "ev23.dbf"),
                  ("SMunic\u00edpio", all_categories), ("listas", "SMunic\u00edpio"),
                  ("SSexo", all_categories), ("listas", "SSexo"),
                  ("SFaixa_et\u00e1ria", "3"), ("SFaixa_et\u00e1ria", "4"),
                  ("listas", "SFaixa_et\u00e1ria"), ("opcoes", "ordenar"),
                  ("formato", "table"), ("mostre", "Mostra")]
        classic = [("Linha", "UF_de_resid\u00eancia"), ("Coluna", "Sexo"),
                   ("Incremento", "Eventos"), ("Arquivos", "em2301.dbf"),
                   ("Arquivos", "em2302.dbf"), ("SMunic\u00edpio", all_categories),
                   ("SSexo", "2"), ("SFaixa_et\u00e1ria", all_categories),
                   ("formato", "pre"), ("mostre", "Mostra")]
        for definition, fields in (("eventos", modern), ("eventos_mensal", classic)):
            with self.subTest(definition=definition):
                status, headers, posted = self.site.post("/vorlexcgi.exe?" + definition, fields)
                self.assertEqual(status, 200, posted[:500])
                links = re.findall(rb'<A HREF="([^"]*)">(?:Link para esta tabela)</A>', posted,
                                   re.IGNORECASE)
                self.assertEqual(len(links), 1, posted[-3000:])
                link = links[0].replace(b"&amp;", b"&").decode("ascii")
                for left_out in ("TODAS", "mostre", "listas"):
                    self.assertNotIn(left_out, link)
                status, headers, fetched = self.site.get(link)
                self.assertEqual(status, 200, fetched[:500])

                def without_copy_names(page):
                    return re.sub(rb"A\d{6}[0-9A-Za-z_:-]*_[0-9a-f]{16}\.(csv|tab)", b"<copy>",
                                  page)

                self.assertEqual(without_copy_names(fetched), without_copy_names(posted))
                self.assertEqual(len(re.findall(rb"/csv/A\d{6}", fetched)), 2)
                # The data links name the same choices.
                for format in ("jsonstat", "csv"):
                    self.assertIn(re.sub("formato=[a-z]+", "formato=" + format, link).encode(),
                                  fetched.replace(b"&amp;", b"&"))

    def test_early_ends_answer_with_a_status(self):
        cases = [
            ("nada", STATES_BY_SEX, "jsonstat", 404, "nada.def: arquivo DEF nao encontrado"),
            ("eventos", [("Linha", "Pa\u00eds")] + STATES_BY_SEX[1:], "csv", 400,
             "Linha nao definida: Pa\u00eds"),
            ("eventos", STATES_BY_SEX[:2] + [("Incremento", "Eventos"),
                                              ("Incremento", "Custo_total")] + STATES_BY_SEX[3:],
             "jsonstat", 400, "Multiplos conte\u00fados exigem coluna n\u00e3o ativa"),
        ]
        for definition, fields, format, status, reason in cases:
            with self.subTest(status=status, reason=reason):
                got, headers, body = self.site.get(address(definition,
                                                           fields + [("formato", format)]))
                self.assertEqual(got, status, body[:300])
                text = body.decode("utf-8")
                if format == "jsonstat":
                    self.assertEqual(json.loads(text), {"error": reason, "status": status})
                else:
                    self.assertEqual(text, "# " + reason + "\r\n")


if __name__ == "__main__":
    sitetest.require_tools("lighttpd")
    unittest.main()
