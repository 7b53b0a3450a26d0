"""Data brought from CSV files as the README's "Bringing data" shows: two years of events as a
publisher exports them (UTF-8 CSV with a header line, and a .csvt line naming the column
types) become the site's EV22.dbf and EV23.dbf through GDAL's ogr2ogr, sorted by the
municipality field, in a staging folder; seriak indexes them there, and both move into dados/.
The tables served through lighttpd must equal a direct count of the CSV rows."""

import collections
import csv
import os
import random
import subprocess
import unittest

import sitetest

YEARS = {"EV22.dbf": 2022, "EV23.dbf": 2023}
COLUMNS = ["MUNRES", "SEXO", "IDADE", "CAUSA", "PESO", "CUSTO", "DTEVENTO", "OBITO", "ACOMP"]
# The DBF field of each column: ogr2ogr reads the types and widths from the .csvt file.
TYPES = ["String(6)", "String(1)", "Integer(3)", "String(4)", "Integer(4)", "Real(10.2)",
         "Date", "Integer(1)", "Integer(1)"]
ROWS_PER_YEAR = 1500


def write_csv(path, year, municipalities, rng):
    """Events in no order, as an export leaves them; some weights left empty. Returns the
    rows."""
    rows = []
    for _ in range(ROWS_PER_YEAR):
        rows.append({"MUNRES": rng.choice(municipalities), "SEXO": rng.choice("1129"),
                     "IDADE": str(rng.randint(0, 99)),
                     "CAUSA": rng.choice("ACIJK") + "%03d" % rng.randint(0, 999),
                     "PESO": rng.choice(["", str(rng.randint(500, 4500))]),
                     "CUSTO": "%.2f" % (rng.randint(100, 500000) / 100),
                     "DTEVENTO": "%d-%02d-%02d" % (year, rng.randint(1, 12), rng.randint(1, 28)),
                     "OBITO": rng.choice("0001"), "ACOMP": rng.choice("01")})
    with open(path, "w", newline="", encoding="utf-8") as f:
        writer = csv.DictWriter(f, COLUMNS)
        writer.writeheader()
        writer.writerows(rows)
    with open(path[:-4] + ".csvt", "w") as f:
        f.write(",".join('"%s"' % t for t in TYPES) + "\n")
    return rows


class DataFromCsv(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = sitetest.Site("csv-import", source=sitetest.shared_site())
        cls.known = cls.site.known
        www = cls.site.www
        rng = random.Random(7)
        codes = [m["code"] for m in cls.known["municipalities"]]
        cls.rows, cls.seriak_output = {}, ""
        staging = os.path.join(www, "novos")
        os.makedirs(staging)
        for name, year in YEARS.items():
            source = os.path.join(cls.site.folder, "ev%d.csv" % (year % 100))
            cls.rows[name] = write_csv(source, year, codes, rng)
            layer = os.path.basename(source)[:-4]
            subprocess.run(["ogr2ogr", "-f", "ESRI Shapefile", "-lco", "ENCODING=CP1252",
                            "-sql", "SELECT * FROM %s ORDER BY MUNRES" % layer,
                            os.path.join(staging, name), source], check=True, timeout=120)
        cls.seriak_output = subprocess.run(
            [sitetest.PROGRAMS["seriak"], "MUNRES", "novos/EV*.dbf"], cwd=www, check=True,
            capture_output=True, timeout=120).stdout
        for name in YEARS:
            for file in (name, name[:-4] + ".IXM"):
                os.replace(os.path.join(staging, file), os.path.join(www, "dados", file))
        cls.site.start()

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def label(self, code):
        return next(m["label"] for m in self.known["municipalities"] if m["code"] == code)

    def test_files_were_sorted_and_indexed(self):
        self.assertNotIn(b"fora da ordem", self.seriak_output)
        for name, rows in YEARS.items():
            with open(os.path.join(self.site.www, "dados", name[:-4] + ".IXM"), "rb") as f:
                entries = [e for e in f.read().split(b"\r\n")[1:] if e]
            count = collections.Counter(r["MUNRES"] for r in self.rows[name])
            self.assertEqual({e[:6].decode(): int(e[14:22]) - int(e[6:14]) + 1 for e in entries},
                             dict(count))

    def test_municipality_by_sex_equals_the_csv(self):
        fields = sitetest.typical_fields(list(YEARS))
        status, headers, body = self.site.post("/vorlexcgi.exe?eventos", fields)
        self.assertEqual(status, 200, body[:500])
        expected = {}
        for rows in self.rows.values():
            for r in rows:
                counts = expected.setdefault(self.label(r["MUNRES"]), [0, 0, 0])
                counts["129".index(r["SEXO"])] += 1
        sitetest.check_rows_by_sex(self, body, expected)

    def test_selected_municipalities_cost_and_deaths_by_year(self):
        # A selection of municipalities reads through the new indexes; the sum of a decimal
        # field and a count field of the CSV, by the year of the event's date.
        codes = [m["code"] for m in self.known["municipalities"]]
        chosen = [2, 5, len(codes)]
        fields = [("Linha", "Ano_do_evento"), ("Coluna", "--N\u00e3o-Ativa--"),
                  ("Incremento", "Custo_total"), ("Incremento", "\u00d3bitos"),
                  ("formato", "table")] + [("Arquivos", n.lower()) for n in YEARS]
        fields += [("SMunic\u00edpio", str(k)) for k in chosen]
        status, headers, body = self.site.post("/vorlexcgi.exe?eventos", fields)
        self.assertEqual(status, 200, body[:500])
        header, shown = sitetest.table_numbers(body)
        for name, year in YEARS.items():
            rows = [r for r in self.rows[name] if codes.index(r["MUNRES"]) + 1 in chosen]
            cost = round(sum(float(r["CUSTO"]) for r in rows), 2)
            deaths = sum(int(r["OBITO"]) for r in rows)
            self.assertEqual(shown[str(year)], [cost, deaths], year)


if __name__ == "__main__":
    sitetest.require_tools("lighttpd")
    sitetest.skip_unless("ogr2ogr")
    unittest.main()
