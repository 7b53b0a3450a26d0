"""Shared pieces of the site tests: a small demo site written by demosite and indexed by
seriak, served by a real lighttpd on a free loopback port, an HTTP client that posts as the
form does, a reader for the result tables, and the totals the generator knows."""

import csv
import html
import html.parser
import http.client
import io
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import time
from urllib.parse import quote

SKIP = 77  # CTest's SKIP_RETURN_CODE for the site tests

PROGRAMS = {name: os.environ.get(name.upper(), "") for name in
            ("demosite", "seriak", "vorlexcgi", "formwright")}
SOURCE_DIR = os.environ.get("VORLEX_SOURCE_DIR", "")
WORK_DIR = os.environ.get("SITE_TEST_DIR", "/tmp/vorlex-site-tests")


def lighttpd_path():
    return shutil.which("lighttpd") or ("/usr/sbin/lighttpd"
                                        if os.path.exists("/usr/sbin/lighttpd") else None)


def require_tools():
    """Ends the run as skipped when the machine lacks what ./test.sh installs."""
    if not lighttpd_path():
        print("lighttpd is not installed (./test.sh installs it): skipped")
        sys.exit(SKIP)
    missing = [n for n, p in PROGRAMS.items() if not p or not os.path.exists(p)]
    if missing:
        print("program paths missing: %s" % ", ".join(missing))
        sys.exit(1)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Site:
    """A demo site of its own folder and a lighttpd serving it."""

    def __init__(self, name, records=3000, municipalities=40):
        self.folder = os.path.join(WORK_DIR, name)
        self.www = os.path.join(self.folder, "www")
        self.server = None
        self.port = None
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        subprocess.run([PROGRAMS["demosite"], "--out", self.www, "--records", str(records),
                        "--municipalities", str(municipalities)],
                       check=True, stdout=subprocess.DEVNULL, timeout=120)
        shutil.copy(PROGRAMS["vorlexcgi"], os.path.join(self.www, "vorlexcgi.exe"))
        shutil.copy(PROGRAMS["formwright"], os.path.join(self.www, "formwright.exe"))
        for pattern in ("dados/EV*.dbf", "dados/EM*.dbf"):
            subprocess.run([PROGRAMS["seriak"], "MUNRES", pattern], cwd=self.www, check=True,
                           stdout=subprocess.DEVNULL, timeout=120)
        with open(os.path.join(self.www, "known_totals.json"), encoding="utf-8") as f:
            self.known = json.load(f)

    @classmethod
    def running(cls, port, www):
        """A site some other command serves (./demo.sh), on the given loopback port."""
        site = cls.__new__(cls)
        site.folder, site.www, site.server, site.port = os.path.dirname(www), www, None, port
        with open(os.path.join(www, "known_totals.json"), encoding="utf-8") as f:
            site.known = json.load(f)
        return site

    def start(self):
        """Starts lighttpd on a free port; a port taken meanwhile by another program gets
        another try, at most five."""
        with open(os.path.join(SOURCE_DIR, "demo", "lighttpd.conf.in")) as f:
            template = f.read()
        for _ in range(5):
            self.port = free_port()
            conf = os.path.join(self.folder, "lighttpd.conf")
            with open(conf, "w") as f:
                f.write(template.replace("@SITE@", self.www).replace("@PORT@", str(self.port))
                        .replace("@STATE@", self.folder))
            self.server = subprocess.Popen([lighttpd_path(), "-D", "-f", conf],
                                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                           start_new_session=True)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and self.server.poll() is None:
                try:
                    socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                    return
                except OSError:
                    time.sleep(0.05)
            self.stop()
        raise RuntimeError("lighttpd did not start; see %s/error.log" % self.folder)

    def stop(self):
        if self.server and self.server.poll() is None:
            os.killpg(self.server.pid, signal.SIGTERM)
            try:
                self.server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.server.pid, signal.SIGKILL)
                self.server.wait(timeout=10)
        self.server = None

    def url(self, path=""):
        return "http://127.0.0.1:%d/%s" % (self.port, path.lstrip("/"))

    def request(self, method, path, body=None, headers=None, timeout=120):
        """(status, headers as a dict of lower-case names, body bytes); no redirect followed."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            connection.request(method, path, body=body, headers=headers or {})
            response = connection.getresponse()
            return (response.status, {k.lower(): v for k, v in response.getheaders()},
                    response.read())
        finally:
            connection.close()

    def get(self, path):
        return self.request("GET", path)

    def post(self, path, fields):
        return self.request("POST", path, form_body(fields),
                            {"Content-Type": "application/x-www-form-urlencoded"})

    def log_lines(self):
        """Lines of every monthly request log in csv/, as bytes, line ends kept."""
        lines = []
        csv = os.path.join(self.www, "csv")
        for name in sorted(os.listdir(csv)):
            if re.fullmatch(r"vorlex\d{4}\.log", name):
                with open(os.path.join(csv, name), "rb") as f:
                    lines += f.read().splitlines(keepends=True)
        return lines


def form_body(fields):
    """The body a browser posts for a page in Windows-1252: each name and value %-encoded
    byte by byte."""
    return "&".join(quote(name.encode("cp1252"), safe="_.-") + "=" +
                    quote(value.encode("cp1252"), safe="_.-") for name, value in fields).encode()


class TableReader(html.parser.HTMLParser):
    """Rows of the result table as lists of cell texts. The pages leave rows and cells
    unclosed, so a row ends at the next <tr> and a cell at the next <td> or <th>."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tables, self.depth, self.cell = [], 0, None

    def handle_starttag(self, tag, attrs):
        if tag == "table":
            self.tables.append([])
            self.depth += 1
        elif tag == "tr" and self.depth:
            self.tables[-1].append([])
            self.cell = None
        elif tag in ("td", "th") and self.depth and self.tables[-1]:
            self.tables[-1][-1].append("")
            self.cell = self.tables[-1][-1]

    def handle_endtag(self, tag):
        if tag == "table" and self.depth:
            self.depth -= 1
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell[-1] += data


def page_text(body):
    return body.decode("cp1252")


def result_rows(body):
    """The header row of column labels and {row label: [cell texts]} of the result table:
    the one with a TOTAL row, or else the first with a row of several cells (a table whose
    totals row is switched off)."""
    reader = TableReader()
    reader.feed(page_text(body))
    tables = [[[c.strip() for c in r] for r in table if r] for table in reader.tables]
    chosen = [t for t in tables if "TOTAL" in [r[0] for r in t]]
    chosen += [t for t in tables if any(len(r) > 1 for r in t)]
    if not chosen:
        raise AssertionError("no result table in the page:\n" + page_text(body)[:3000])
    rows = chosen[0]
    header = next(r for r in rows if len(r) > 1 and r[0] != "TOTAL")
    return header, {r[0]: r[1:] for r in rows}


def number(text, language=0):
    """A number as the pages write it: Portuguese and Spanish use "." for thousands and ","
    for decimals, English the other way round."""
    thousands, decimal = (",", ".") if language == 2 else (".", ",")
    return float(text.replace(thousands, "").replace(decimal, "."))


def copy_links(body):
    return re.findall(r"<A HREF=(/csv/[^ >]+)>", page_text(body))


def counts_by(known, files, key, where=lambda cell: True, value=3):
    """Sums one value of the generator's cells over the given files, grouped by key(cell).
    A cell is [municipality index, sex, age group, events, cost in cents, deaths, followed]."""
    totals = {}
    for name in files:
        for cell in known["files"][name]["cells"]:
            if where(cell):
                k = key(cell)
                totals[k] = totals.get(k, 0) + cell[value]
    return totals


SEX_PT = ["Masculino", "Feminino", "Ignorado"]


def municipality_by_sex(known, files):
    """{municipality label: [men, women, unknown]} and the column totals."""
    by = counts_by(known, files, lambda c: (c[0], c[1]))
    rows = {}
    for (m, s), n in by.items():
        rows.setdefault(known["municipalities"][m]["label"], [0, 0, 0])[s - 1] += n
    totals = [sum(r[i] for r in rows.values()) for i in range(3)]
    return rows, totals


def typical_fields(files, definition_row="Munic\u00edpio_de_resid\u00eancia"):
    fields = [("Linha", definition_row), ("Coluna", "Sexo"), ("Incremento", "Eventos")]
    fields += [("Arquivos", f.lower()) for f in files]  # the form lists names in lower case
    return fields + [("formato", "table"), ("mostre", "Mostra")]


def check_municipality_by_sex(test, known, files, body):
    """The page of typical_fields: every municipality row, the totals row and the total
    column equal the generator's counts."""
    header, rows = result_rows(body)
    expected, totals = municipality_by_sex(known, files)
    test.assertEqual(header[1:], SEX_PT + ["Total"])
    test.assertEqual([number(v) for v in rows["TOTAL"]], totals + [sum(totals)])
    shown = {label: [number(v) for v in values] for label, values in rows.items()
             if label not in ("TOTAL", header[0]) and len(values) == len(header) - 1}
    test.assertEqual(shown, {label: counts + [sum(counts)] for label, counts in expected.items()})


def check_copy_matches_page(test, copy, body):
    """The CSV copy (title, heading lines, then the table separated by ";") holds the rows,
    values and totals of the page's table."""
    lines = copy.decode("cp1252").split("\r\n")
    start = next(i for i, line in enumerate(lines) if line.startswith('"'))
    table = list(csv.reader(io.StringIO("\r\n".join(lines[start + 1:])), delimiter=";"))
    copied = {r[0]: [float(v.replace(",", ".")) for v in r[1:]] for r in table if r}
    header, rows = result_rows(body)
    shown = {label: [number(v) for v in values] for label, values in rows.items()
             if label != header[0] and len(values) == len(header) - 1}
    shown["Total"] = shown.pop("TOTAL")
    test.assertEqual(copied, shown)
