"""The demo site through an HTTP client, on each web server from its configuration template
in demo/: the index, the form of formwright, tables posted as the form posts them, the copies
behind the page's links, the redirect of an empty post, the files the server must not hand
out, the request log of the node, a GET address, and the answers for scripts with their
statuses.

  http_test.py [lighttpd|apache|nginx]   (lighttpd when not named)"""

import html
import json
import os
import re
import sys
import unittest

import sitetest
from sitetest import number, result_rows

YEARS = ["EV19.dbf", "EV20.dbf", "EV21.dbf", "EV22.dbf", "EV23.dbf"]
MONTHS = ["EM23%02d.dbf" % m for m in range(1, 13)]
SERVER = "lighttpd"
# A tabulation asked for by its address alone, with no form posted.
GET_ADDRESS = ("/vorlexcgi.exe?eventos&Linha=Sexo&Incremento=Eventos&Arquivos=EV23.dbf"
               "&formato=table")


class SiteOverHttp(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = sitetest.Site("http-" + SERVER, server=SERVER, source=sitetest.shared_site())
        # Named as a node, so that the site setting's way through the server is seen in the
        # name of the request log.
        cls.site.start(node="web-" + SERVER)
        cls.known = cls.site.known

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def post(self, definition, fields):
        status, headers, body = self.site.post("/vorlexcgi.exe?" + definition, fields)
        self.assertEqual(status, 200, body[:500])
        self.assertNotIn("charset", headers["content-type"].lower(),
                         "the server labels the program's page")
        return body

    def test_index_style_sheets_and_hidden_files(self):
        status, headers, body = self.site.get("/")
        self.assertEqual(status, 200)
        self.assertEqual(headers["content-type"].lower().replace(" ", ""),
                         "text/html;charset=windows-1252")
        for definition in ("eventos", "eventos_mensal", "eventos_es", "events_en"):
            self.assertIn(b'href="formwright.exe?%s"' % definition.encode(), body)
        self.assertEqual(self.site.get("/css/vorlex.css")[0], 200)
        for path in ("/eventos.def", "/cnv/uf.cnv", "/dados/EV23.dbf", "/dados/EV23.IXM",
                     "/dados/EV23.COL", "/known_totals.json"):
            self.assertEqual(self.site.get(path)[0], 403, path)

    def test_seriak_indexed_every_data_file(self):
        # One entry per municipality with events: the files are sorted by MUNRES.
        folder = os.path.join(self.site.www, "dados")
        for name in YEARS + MONTHS:
            with self.subTest(name=name):
                with open(os.path.join(folder, name[:-4] + ".IXM"), "rb") as f:
                    lines = f.read().split(b"\r\n")
                self.assertEqual(lines[0], b"MUNRES")
                codes = {m["code"] for m in self.known["municipalities"]}
                entries = [line for line in lines[1:] if line]
                self.assertTrue(all(len(e) == 22 and e[:6].decode() in codes for e in entries))
                first = [int(e[6:14]) for e in entries]
                last = [int(e[14:22]) for e in entries]
                self.assertEqual(first[0], 1)
                self.assertEqual(last[-1], self.known["files"][name]["records"])
                self.assertEqual(first[1:], [n + 1 for n in last[:-1]])

    def form_page(self, definition):
        status, headers, body = self.site.get("/formwright.exe?" + definition)
        self.assertEqual(status, 200)
        self.assertNotIn("charset", headers["content-type"].lower(),
                         "the server labels the program's page")
        return sitetest.page_text(body)

    def test_form_lists_choices_periods_and_selections(self):
        page = self.form_page("eventos_mensal")
        self.assertIn('<FORM ACTION="/vorlexcgi.exe?eventos_mensal" METHOD=POST>', page)
        self.assertIn('<OPTION VALUE="M\u00eas_do_evento" SELECTED>', page)
        periods = re.findall(r'<OPTION VALUE="(em\d{4}\.dbf)"', page, re.IGNORECASE)
        self.assertEqual([p.upper() for p in periods], [m.upper() for m in reversed(MONTHS)])
        self.assertRegex(page, r'(?i)<OPTION VALUE="em2312\.dbf" SELECTED >Dez/2023')
        municipalities = re.search(r'<SELECT NAME="SMunic\u00edpio"[^>]*>(.*?)</SELECT>', page,
                                   re.DOTALL)
        self.assertIsNotNone(municipalities, page[:3000])
        self.assertEqual(municipalities.group(1).count("<OPTION"),
                         len(self.known["municipalities"]) + 1)
        self.assertIn("Voltar ao \u00edndice", page)  # the include file

    def test_modern_form_declares_its_charset_and_posts_the_same_fields(self):
        page = self.form_page("eventos")
        self.assertTrue(page.startswith('<!DOCTYPE html>\r\n<html lang="pt-BR">\r\n<head>\r\n'
                                        '<meta charset="windows-1252">\r\n'), page[:300])
        self.assertIn('<form id="vx-formulario" method="post" action="/vorlexcgi.exe?eventos"',
                      page)
        self.assertIn('<option value="Munic\u00edpio_de_resid\u00eancia" data-vx-campo="MUNRES" '
                      'selected>', page)
        periods = re.findall(r'<option value="(ev\d\d\.dbf)"', page)
        self.assertEqual([p.upper() for p in periods], [y.upper() for y in reversed(YEARS)])
        self.assertIn('<option value="ev23.dbf" selected>2023</option>', page)
        municipalities = re.search(r'<select name="SMunic\u00edpio"[^>]*>(.*?)</select>', page,
                                   re.DOTALL)
        self.assertIsNotNone(municipalities, page[:3000])
        self.assertEqual(municipalities.group(1).count("<option"),
                         len(self.known["municipalities"]) + 1)
        self.assertIn('<input type="hidden" name="listas" value="SMunic\u00edpio">', page)
        self.assertIn("Voltar ao \u00edndice", page)

    def test_municipality_by_sex_and_its_copies(self):
        body = self.post("eventos", sitetest.typical_fields(["EV23.dbf"]))
        sitetest.check_municipality_by_sex(self, self.known, ["EV23.dbf"], body)
        links = sitetest.copy_links(body)
        self.assertEqual([os.path.splitext(l)[1] for l in links], [".csv", ".tab"], links)
        status, headers, copy = self.site.get(links[0])
        self.assertEqual(status, 200)
        self.assertEqual(headers["content-type"].lower().replace(" ", ""),
                         "text/csv;charset=windows-1252")
        self.assertTrue(copy.decode("cp1252").startswith("Eventos de sa\u00fade"), copy[:200])
        sitetest.check_copy_matches_page(self, copy, body)
        status, headers, tab = self.site.get(links[1])
        self.assertEqual(status, 200)
        self.assertEqual(headers["content-type"].lower().replace(" ", ""),
                         "text/plain;charset=windows-1252")
        self.assertGreater(len(tab), 0)

    def test_states_with_region_subtotals_selected_municipalities_two_years(self):
        # The municipality selection makes the tabulator read through the .IXM indexes.
        chosen = [1, 3, len(self.known["municipalities"])]
        files = ["EV22.dbf", "EV23.dbf"]
        fields = [("Linha", "UF_de_resid\u00eancia"), ("Coluna", "Sexo"),
                  ("Incremento", "Eventos")] + [("Arquivos", f) for f in files]
        fields += [("SMunic\u00edpio", str(k)) for k in chosen] + [("formato", "table")]
        body = self.post("eventos", fields)
        header, rows = result_rows(body)
        by_state = sitetest.counts_by(self.known, files,
                                      lambda c: (self.known["municipalities"][c[0]]["state"], c[1]),
                                      where=lambda c: c[0] + 1 in chosen)
        expected = {}
        for (state, sex), n in by_state.items():
            s = self.known["states"][state]
            for label in (s["label"], self.known["regions"][s["region"]][0]):
                expected.setdefault(label, [0, 0, 0])[sex - 1] += n
        totals = [sum(by_state.get((st, sex), 0) for st in range(len(self.known["states"])))
                  for sex in (1, 2, 3)]
        columns = [i for i in range(3) if totals[i]]
        self.assertEqual(header[1:], [sitetest.SEX_PT[i] for i in columns] + ["Total"])
        self.assertEqual([number(v) for v in rows["TOTAL"]],
                         [totals[i] for i in columns] + [sum(totals)])
        for label, counts in expected.items():
            self.assertEqual([number(v) for v in rows[label]],
                             [counts[i] for i in columns] + [sum(counts)], label)
        shown = html.unescape(sitetest.page_text(body))
        for k in chosen:
            self.assertIn(self.known["municipalities"][k - 1]["label"], shown)

    def test_sum_and_rate_measures_by_sex(self):
        fields = [("Linha", "Sexo"), ("Coluna", "--N\u00e3o-Ativa--"),
                  ("Incremento", "Custo_total"), ("Incremento", "Custo_m\u00e9dio_por_evento"),
                  ("Arquivos", "EV21.dbf"), ("formato", "table")]
        header, rows = result_rows(self.post("eventos", fields))
        self.assertEqual(header[1:], ["Custo total", "Custo m\u00e9dio por evento"])
        cost = sitetest.counts_by(self.known, ["EV21.dbf"], lambda c: c[1], value=4)
        count = sitetest.counts_by(self.known, ["EV21.dbf"], lambda c: c[1])
        for sex, label in enumerate(sitetest.SEX_PT, start=1):
            self.assertEqual(number(rows[label][0]), cost[sex] / 100, label)
            self.assertAlmostEqual(number(rows[label][1]), cost[sex] / 100 / count[sex],
                                   delta=0.005)
        self.assertEqual(number(rows["TOTAL"][0]), sum(cost.values()) / 100)

    def test_percentage_and_stock_measures(self):
        files = ["EV22.dbf", "EV23.dbf"]
        fields = [("Linha", "Sexo"), ("Incremento", "Percentual_por_sexo"),
                  ("Arquivos", "ev23.dbf"), ("formato", "table")]
        header, rows = result_rows(self.post("eventos", fields))
        count = sitetest.counts_by(self.known, ["EV23.dbf"], lambda c: c[1])
        for sex, label in enumerate(sitetest.SEX_PT, start=1):
            self.assertAlmostEqual(number(rows[label][0]),
                                   100 * count[sex] / sum(count.values()), delta=0.005)
        self.assertEqual(number(rows["TOTAL"][0]), 100)

        # A stock is not added over periods: by year it is shown per year, without a total.
        fields = [("Linha", "Ano_do_evento"), ("Incremento", "Em_acompanhamento_no_fim_do_ano"),
                  ("formato", "table")] + [("Arquivos", f.lower()) for f in reversed(files)]
        header, rows = result_rows(self.post("eventos", fields))
        self.assertNotIn("TOTAL", rows)
        for name in files:
            followed = sum(c[6] for c in self.known["files"][name]["cells"])
            self.assertEqual(number(rows[self.known["files"][name]["period"]][0]), followed)

        # ... and over two periods without the year in the table it is refused: the modern page
        # names the choices that would answer it, the classic one warns.
        fields[0] = ("Linha", "Sexo")
        page = sitetest.page_text(self.post("eventos", fields))
        self.assertIn("<li>\u00abEm acompanhamento no fim do ano\u00bb n\u00e3o pode ser somado "
                      "entre per\u00edodos: escolha \u00abAno do evento\u00bb ou", page)
        self.assertNotIn("class=\"vx-resultado", page)
        page = sitetest.page_text(self.post("eventos_mensal", [
            ("Linha", "Sexo"), ("Incremento", "Em_acompanhamento_no_fim_do_m\u00eas"),
            ("formato", "table"), ("Arquivos", "em2301.dbf"), ("Arquivos", "em2302.dbf")]))
        self.assertIn("<H2>Aten&ccedil;&atilde;o</H2>", page)
        self.assertNotIn("TOTAL", page)

    def test_every_language_totals_all_years(self):
        cases = [("eventos", "Sexo", "Eventos", 0), ("eventos_es", "Sexo", "Eventos", 1),
                 ("events_en", "Sex", "Events", 2)]
        records = sum(self.known["files"][f]["records"] for f in YEARS)
        for definition, row, measure, language in cases:
            with self.subTest(definition=definition):
                fields = [("Linha", row), ("Incremento", measure), ("formato", "table")]
                # Periods in the form's order, latest first, as a browser posts them.
                body = self.post(definition, fields + [("Arquivos", f.lower())
                                                       for f in reversed(YEARS)])
                header, rows = result_rows(body)
                self.assertEqual(number(rows["TOTAL"][0], language), records)
                self.assertIn("2019-2023", sitetest.page_text(body))

    def test_months_of_one_year_and_the_translated_cause_groups(self):
        fields = [("Linha", "M\u00eas_do_evento"), ("Incremento", "Eventos"), ("formato", "table")]
        header, rows = result_rows(self.post("eventos_mensal",
                                             fields + [("Arquivos", f) for f in MONTHS]))
        months = self.known["files"]["EV23.dbf"]["months"]
        for m, label in enumerate(self.known["labels"]["months"]):
            self.assertEqual(number(rows[label[0]][0]), months[m], label[0])
        self.assertEqual(number(rows["TOTAL"][0]), self.known["files"]["EV23.dbf"]["records"])

        fields = [("Linha", "Grupo_de_causas"), ("Incremento", "Eventos"),
                  ("Arquivos", "EV20.dbf"), ("formato", "table")]
        header, rows = result_rows(self.post("eventos", fields))
        groups = self.known["files"]["EV20.dbf"]["causeGroups"]
        for g, label in enumerate(self.known["labels"]["causeGroups"], start=1):
            self.assertEqual(number(rows[label][0]), groups[g], label)
        # Causes outside the translation table fall in no group and in no total.
        self.assertEqual(number(rows["TOTAL"][0]), sum(groups[1:]))

    def test_empty_post_is_sent_to_the_form(self):
        status, headers, body = self.site.request(
            "POST", "/vorlexcgi.exe?eventos", b"",
            {"Content-Type": "application/x-www-form-urlencoded"})
        if self.site.server.local_redirects:
            self.assertEqual(status, 200, body[:300])
            self.assertIn(b'method="post" action="/vorlexcgi.exe?eventos"', body)  # the form
        else:
            self.assertIn(status, (301, 302, 303), body[:300])
            self.assertTrue(headers["location"].endswith("/formwright.exe?eventos"), headers)

    def test_request_log_of_the_node(self):
        # The node's name reaches the program as a site setting: the line lands in the
        # node's own log, whole, and the log is not served.
        agent = "log-check/" + SERVER
        status, headers, body = self.site.post("/vorlexcgi.exe?eventos",
                                               sitetest.typical_fields(["EV22.dbf"]),
                                               {"User-Agent": agent})
        self.assertEqual(status, 200, body[:500])
        folder = os.path.join(self.site.www, "csv")
        logs = [n for n in os.listdir(folder) if sitetest.LOG_NAME.fullmatch(n)]
        self.assertTrue(logs and all(n.endswith("_web-%s.log" % SERVER) for n in logs), logs)
        lines = [line for line in self.site.log_lines() if agent.encode() in line]
        self.assertEqual(len(lines), 1, lines)
        self.assertRegex(lines[0], rb"^F \d\d/\d\d/\d\d \d\d:\d\d:\d\d\|eventos\|\d+\|1\|"
                                   rb"127\.0\.0\.1\|log-check/\w+\|\d+\r\n$")
        for name in logs:
            self.assertEqual(self.site.get("/csv/" + name)[0], 403, name)

    def test_get_address_answers_the_table(self):
        # Apache passes no argument when the query holds "=": the name comes from the query.
        status, headers, body = self.site.get(GET_ADDRESS)
        self.assertEqual(status, 200, body[:500])
        self.assertNotIn("charset", headers["content-type"].lower(),
                         "the server labels the program's page")
        header, rows = result_rows(body)
        count = sitetest.counts_by(self.known, ["EV23.dbf"], lambda c: c[1])
        for sex, label in enumerate(sitetest.SEX_PT, start=1):
            self.assertEqual(number(rows[label][0]), count[sex], label)
        self.assertEqual(number(rows["TOTAL"][0]), sum(count.values()))


    def test_data_answers_and_their_statuses(self):
        # The type and status the program gives reach the client as given.
        cases = [(GET_ADDRESS.replace("formato=table", "formato=jsonstat"), 200,
                  "application/json; charset=utf-8"),
                 (GET_ADDRESS.replace("formato=table", "formato=csv"), 200,
                  "text/csv; charset=utf-8"),
                 (GET_ADDRESS.replace("eventos&", "nada&").replace("table", "jsonstat"), 404,
                  "application/json; charset=utf-8"),
                 (GET_ADDRESS.replace("Linha=Sexo", "Linha=Nada").replace("table", "csv"), 400,
                  "text/csv; charset=utf-8")]
        count = sitetest.counts_by(self.known, ["EV23.dbf"], lambda c: 0)[0]
        for address, status, type in cases:
            with self.subTest(address=address):
                got, headers, body = self.site.get(address)
                self.assertEqual(got, status, body[:300])
                self.assertEqual(headers["content-type"], type)
                if status == 200 and "jsonstat" in address:
                    self.assertEqual(json.loads(body)["value"][0], count)
                elif status == 200:
                    self.assertIn(b"\r\n_T,Total,,,Eventos,Eventos,%d,,total\r\n" % count, body)


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] in sitetest.SERVERS:
        SERVER = sys.argv.pop(1)
    sitetest.require_tools(SERVER)
    unittest.main()
