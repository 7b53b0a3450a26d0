"""The demo site's protected definition through lighttpd: its Portuguese yearly tabulation
suppresses small counts (OSIGILO=5) and flags rates from few events (OINSTAVEL=20), on the page
(the modern one, OHTML5) and in its copies, while the other definitions stay as they were."""

import csv
import html
import io
import re
import unittest

import sitetest

LEGEND_X = ("X: valor suprimido por sigilo (menos de 5 registros, ou para que n&atilde;o possa "
            "ser deduzido dos totais)")
LEGEND_RATES = ("*: taxa inst&aacute;vel (numerador menor que 20); ..: n&atilde;o "
                "calcul&aacute;vel (divisor zero)")


class ProtectedDemo(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = sitetest.Site("confidentiality", source=sitetest.shared_site())
        cls.site.start()

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def post(self, definition, fields):
        status, headers, body = self.site.post("/vorlexcgi.exe?" + definition, fields)
        self.assertEqual(status, 200, body[:500])
        return body

    def test_counts_hide_small_cells_on_the_page_and_in_the_copy(self):
        body = self.post("eventos", sitetest.typical_fields(["EV23.dbf"]))
        page = sitetest.page_text(body)
        # The page is the modern one: the legend follows the table's box.
        self.assertIn('<p class="vx-legenda legenda">%s</p>' % LEGEND_X, page)
        self.assertEqual(sitetest.small_count_limit(body), 5)
        # The published counts are the generator's, every count of 1 to 4 is hidden, and the
        # small site has some.
        sitetest.check_municipality_by_sex(self, self.site.known, ["EV23.dbf"], body)
        header, rows = sitetest.result_rows(body)
        self.assertIn("X", [v for values in rows.values() for v in values])

        status, headers, copy = self.site.get(sitetest.copy_links(body)[0])
        self.assertEqual(status, 200)
        sitetest.check_copy_matches_page(self, copy, body)
        lines = copy.decode("cp1252").split("\r\n")
        self.assertEqual(lines[-2], '"%s"' % LEGEND_X.replace("&atilde;", "\u00e3"))

    def test_rates_carry_their_marks(self):
        fields = [("Linha", "UF_de_resid\u00eancia"), ("Coluna", "Sexo"),
                  ("Incremento", "Letalidade_por_100_eventos"), ("Arquivos", "ev23.dbf"),
                  ("formato", "prn")]
        page = sitetest.page_text(self.post("eventos", fields))
        self.assertIn('"%s; %s"\r\n&\r\n' % (LEGEND_X, LEGEND_RATES), page)
        block = html.unescape(page[page.index("<PRE>") + 5:page.index("\r\n&\r\n")])
        rows = list(csv.reader(io.StringIO(block.strip()), delimiter=";"))
        cells = [cell for row in rows[1:] if len(row) > 1 for cell in row[1:]]
        # A state's rate from fewer than 20 deaths is flagged, not hidden.
        self.assertTrue(any(re.fullmatch(r"\d+,\d\d\*", c) for c in cells), cells[:40])
        self.assertTrue(all(re.fullmatch(r"\d+,\d\d\*?|X|\.\.", c) for c in cells), cells)

    def test_the_other_definitions_stay_classic(self):
        for definition, row in (("eventos_mensal", "Munic\u00edpio_de_resid\u00eancia"),
                                ("eventos_es", "Municipio_de_residencia")):
            with self.subTest(definition=definition):
                fields = [("Linha", row), ("Coluna", "Sexo"), ("Incremento", "Eventos"),
                          ("Arquivos", "em2301.dbf" if definition == "eventos_mensal"
                           else "ev23.dbf"), ("formato", "table")]
                body = self.post(definition, fields)
                self.assertNotIn(b"legenda", body)
                header, rows = sitetest.result_rows(body)
                self.assertNotIn("X", [v for values in rows.values() for v in values])


if __name__ == "__main__":
    sitetest.require_tools("lighttpd")
    unittest.main()
