"""Shared pieces of the site tests: a small demo site written by demosite and indexed by
seriak; a real web server serving it on a free loopback port from the project's own
configuration template in demo/ (lighttpd, Apache with mod_cgid, or nginx with fcgiwrap); an
HTTP client that posts as the form does, a reader for the result tables, and the totals the
generator knows.

  sitetest.py generate   writes the site that the per-server HTTP tests share"""

import csv
import grp
import html
import html.parser
import http.client
import io
import json
import os
import pwd
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
SOURCE_DIR = os.environ.get("VORLEX_SOURCE_DIR",
                            os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
WORK_DIR = os.environ.get("SITE_TEST_DIR", "/tmp/vorlex-site-tests")
TEMPLATE_DIR = os.path.join(SOURCE_DIR, "demo")  # where the servers' templates are read
LOG_NAME = re.compile(r"vorlex\d{4}(_[A-Za-z0-9_-]+)?\.log")


def tool(name):
    """The path of a server program (Debian keeps them in /usr/sbin), or None."""
    path = shutil.which(name) or os.path.join("/usr/sbin", name)
    return path if os.path.exists(path) else None


def lighttpd_path():
    return tool("lighttpd")


def skip_unless(*tools):
    """Ends the run as skipped when the machine lacks a program that ./test.sh installs."""
    for name in tools:
        if not tool(name):
            print("%s is not installed (./test.sh installs it): skipped" % name)
            sys.exit(SKIP)


def require_tools(server="lighttpd"):
    """Ends the run as skipped when the machine lacks the server that ./test.sh installs, and
    as failed when the build did not name the programs."""
    skip_unless(*SERVERS[server].tools)
    missing = [n for n, p in PROGRAMS.items() if not p or not os.path.exists(p)]
    if missing:
        print("program paths missing: %s" % ", ".join(missing))
        sys.exit(1)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def server_user():
    """(user, group) the servers answer as: started as root they change to an unprivileged
    user, as a Debian site runs them; otherwise they stay the user who starts them."""
    if os.geteuid() == 0:
        for user in ("www-data", "nobody"):
            try:
                entry = pwd.getpwnam(user)
                return user, grp.getgrgid(entry.pw_gid).gr_name
            except KeyError:
                continue
        return "root", "root"
    return pwd.getpwuid(os.geteuid()).pw_name, grp.getgrgid(os.getegid()).gr_name


def give_to_server(path):
    """Makes a folder the programs write (csv/) or a server's helpers write (its state
    folder) belong to the user the server answers as."""
    if os.geteuid() == 0:
        user, group = server_user()
        shutil.chown(path, user, group)


def fill_template(name, values):
    """A configuration template of demo/ with its @NAME@ values filled in; a value the caller
    forgot is an error rather than a server reading "@NAME@"."""
    with open(os.path.join(TEMPLATE_DIR, name)) as f:
        text = f.read()
    for key, value in values.items():
        text = text.replace("@%s@" % key, str(value))
    left = re.findall(r"@[A-Z_]+@", text)
    if left:
        raise ValueError("%s: no value for %s" % (name, ", ".join(sorted(set(left)))))
    return text


def write_file(path, text):
    with open(path, "w") as f:
        f.write(text)
    return path


def start_process(args, log, as_server_user=False):
    """A process in its own session, so that stopping it stops its children too."""
    extra = {}
    if as_server_user and os.geteuid() == 0:
        user, group = server_user()
        extra = {"user": user, "group": group, "extra_groups": []}
    return subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                            start_new_session=True, **extra)


def stop_process(process, sig=signal.SIGTERM, timeout=10):
    """Signals the process, waits for it, and ends whatever is left of its session."""
    if process.poll() is None:
        try:
            os.kill(process.pid, sig)
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            pass
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait(timeout=timeout)


def port_open(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


class Server:
    """A web server (and its helpers) serving one site folder on a free loopback port, from a
    configuration template in demo/. The state folder holds the filled-in configuration, the
    error log and what the server keeps while it runs."""

    name = ""
    tools = ()
    template = ""
    config_name = ""
    # Apache answers a CGI's Location with a local path itself (a local redirect): the
    # client gets the page of that address instead of a redirect.
    local_redirects = False

    def __init__(self, www, state, node=""):
        self.www, self.state, self.node = www, state, node
        self.port, self.processes = None, []
        os.makedirs(state, exist_ok=True)

    def values(self):
        user, group = server_user()
        return {"SITE": self.www, "ADDRESS": "127.0.0.1", "PORT": self.port,
                "STATE": self.state, "USER": user, "GROUP": group, "NODE": self.node}

    def write_config(self):
        return write_file(os.path.join(self.state, self.config_name),
                          fill_template(self.template, self.values()))

    def commands(self, config):
        """[(arguments, runs as the server's user)]: helpers first, the server last."""
        raise NotImplementedError

    def ready(self):
        return port_open(self.port)

    def start(self):
        """Starts the server on a free port; a port taken meanwhile by another program gets
        another try, at most five."""
        give_to_server(self.state)
        if self.www:
            give_to_server(os.path.join(self.www, "csv"))
        with open(os.path.join(self.state, "server.out"), "ab") as log:
            for _ in range(5):
                self.port = free_port()
                config = self.write_config()
                self.processes = [start_process(args, log, as_user)
                                  for args, as_user in self.commands(config)]
                deadline = time.monotonic() + 10
                while (time.monotonic() < deadline and
                       all(p.poll() is None for p in self.processes)):
                    if self.ready():
                        return self
                    time.sleep(0.05)
                self.stop()
        raise RuntimeError("%s did not start; see %s" % (self.name, self.state))

    def stop(self, sig=signal.SIGTERM):
        for process in reversed(self.processes):
            stop_process(process, sig)
        self.processes = []


class Lighttpd(Server):
    name, tools, template, config_name = ("lighttpd", ("lighttpd",), "lighttpd.conf.in",
                                          "lighttpd.conf")

    def commands(self, config):
        return [([tool("lighttpd"), "-D", "-f", config], False)]


class Apache(Server):
    name, tools, template, config_name = "apache", ("apache2",), "apache.conf.in", "apache.conf"
    local_redirects = True

    def commands(self, config):
        return [([tool("apache2"), "-DFOREGROUND", "-f", config], False)]


class Nginx(Server):
    name, tools, template, config_name = ("nginx", ("nginx", "fcgiwrap"), "nginx.conf.in",
                                          "nginx.conf")
    # The programs that may run at once: fcgiwrap's processes.
    cgi_processes = 8

    def socket_path(self):
        return os.path.join(self.state, "fcgiwrap.sock")

    def commands(self, config):
        if os.path.exists(self.socket_path()):
            os.remove(self.socket_path())
        return [([tool("fcgiwrap"), "-f", "-c", str(self.cgi_processes), "-s",
                  "unix:" + self.socket_path()], True),
                ([tool("nginx"), "-c", config, "-p", self.state], False)]

    def ready(self):
        return os.path.exists(self.socket_path()) and port_open(self.port)


SERVERS = {server.name: server for server in (Lighttpd, Apache, Nginx)}


class LighttpdNode(Lighttpd):
    """lighttpd as one node of several behind the balancer: the site's configuration with
    the node's name, and the client's address taken from the balancer's header."""

    config_name = "node.conf"
    balancer_address = "127.0.0.1"

    def write_config(self):
        values = self.values()
        write_file(os.path.join(self.state, "lighttpd.conf"),
                   fill_template("lighttpd.conf.in", values))
        return write_file(os.path.join(self.state, self.config_name),
                          fill_template("lighttpd-node.conf.in",
                                        dict(values, BALANCER=self.balancer_address)))


class HAProxy(Server):
    """The load balancer in front of nodes given as [(name, port)]."""

    name, tools, template, config_name = "haproxy", ("haproxy",), "haproxy.cfg.in", "haproxy.cfg"

    def __init__(self, state, nodes):
        super().__init__(None, state)
        self.nodes = nodes

    def values(self):
        servers = "\n".join("  server %s 127.0.0.1:%d" % node for node in self.nodes)
        return {"ADDRESS": "127.0.0.1", "PORT": self.port, "STATE": self.state,
                "SERVERS": servers}

    def commands(self, config):
        return [([tool("haproxy"), "-db", "-f", config], False)]

    def node_states(self):
        """{node name: "UP", "DOWN", ...} as the balancer's health checks see them."""
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
            s.connect(os.path.join(self.state, "haproxy.sock"))
            s.sendall(b"show stat\n")
            answer = b""
            while chunk := s.recv(65536):
                answer += chunk
        lines = answer.decode().splitlines()
        rows = list(csv.DictReader([lines[0].lstrip("# ")] + lines[1:]))
        return {r["svname"]: r["status"] for r in rows
                if r["pxname"] == "nodes" and r["svname"] not in ("BACKEND", "FRONTEND")}


def write_site(www, records=3000, municipalities=40):
    """A demo site of demosite's events, indexed by seriak and its maps made compact, its two
    programs installed."""
    subprocess.run([PROGRAMS["demosite"], "--out", www, "--records", str(records),
                    "--municipalities", str(municipalities)],
                   check=True, stdout=subprocess.DEVNULL, timeout=120)
    install_programs(www)
    for pattern in ("dados/EV*.dbf", "dados/EM*.dbf"):
        subprocess.run([PROGRAMS["seriak"], "MUNRES", pattern], cwd=www, check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
    subprocess.run([PROGRAMS["seriak"], "-M", "CODIGO", "mapas/*.geojson"], cwd=www, check=True,
                   stdout=subprocess.DEVNULL, timeout=120)


def install_programs(www, installed=None):
    """The two CGI programs under the names the pages use: copies of this build's, or links
    to those in the folder where a package installed them."""
    for program in ("vorlexcgi", "formwright"):
        target = os.path.join(www, program + ".exe")
        if os.path.lexists(target):
            os.remove(target)
        if installed:
            os.symlink(os.path.join(installed, program), target)
        else:
            shutil.copy(PROGRAMS[program], target)


def shared_site(fresh=False):
    """The site folder that the per-server HTTP tests share, written when missing (or when
    asked afresh); each test serves a copy of its own made of hard links."""
    www = os.path.join(WORK_DIR, "shared", "www")
    if fresh or not os.path.exists(os.path.join(www, "known_totals.json")):
        shutil.rmtree(os.path.dirname(www), ignore_errors=True)
        write_site(www)
    return www


def link_site(source, www, installed=None):
    """A copy of a site folder made of hard links to its files (the site is read, never
    changed, by the servers), with an empty csv/ of its own and its programs installed
    afresh."""
    shutil.copytree(source, www, copy_function=os.link,
                    ignore=lambda folder, names: ["csv"] if folder == source else [])
    os.makedirs(os.path.join(www, "csv"))
    install_programs(www, installed)


class HttpClient:
    """Requests to 127.0.0.1 on self.port, each on a connection of its own."""

    port = None
    source_address = None  # the client's own address, when it must not be 127.0.0.1

    def url(self, path=""):
        return "http://127.0.0.1:%d/%s" % (self.port, path.lstrip("/"))

    def request(self, method, path, body=None, headers=None, timeout=120):
        """(status, headers as a dict of lower-case names, body bytes); no redirect followed."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout,
                                                source_address=self.source_address)
        try:
            connection.request(method, path, body=body, headers=headers or {})
            response = connection.getresponse()
            return (response.status, {k.lower(): v for k, v in response.getheaders()},
                    response.read())
        finally:
            connection.close()

    def get(self, path, headers=None):
        return self.request("GET", path, headers=headers)

    def post(self, path, fields, headers=None):
        return self.request("POST", path, form_body(fields),
                            dict({"Content-Type": "application/x-www-form-urlencoded"},
                                 **(headers or {})))


class Site(HttpClient):
    """A demo site of its own folder and a web server serving it."""

    def __init__(self, name, records=3000, municipalities=40, server="lighttpd", source=None,
                 installed=None):
        self.folder = os.path.join(WORK_DIR, name)
        self.www = os.path.join(self.folder, "www")
        self.server_class = SERVERS[server]
        self.server = None
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        if source:
            link_site(source, self.www, installed)
        else:
            write_site(self.www, records, municipalities)
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

    def start(self, node=""):
        self.server = self.server_class(self.www, self.folder, node).start()
        self.port = self.server.port
        return self

    def stop(self):
        if self.server:
            self.server.stop()
        self.server = None

    def log_lines(self):
        """Lines of every monthly request log in csv/ (one per node where nodes are named),
        as bytes, line ends kept."""
        lines = []
        folder = os.path.join(self.www, "csv")
        for name in sorted(os.listdir(folder)):
            if LOG_NAME.fullmatch(name):
                with open(os.path.join(folder, name), "rb") as f:
                    lines += f.read().splitlines(keepends=True)
        return lines


def form_body(fields):
    """The body a browser posts for a page in Windows-1252: each name and value %-encoded
    byte by byte."""
    return "&".join(quote(name.encode("cp1252"), safe="_.-") + "=" +
                    quote(value.encode("cp1252"), safe="_.-") for name, value in fields).encode()


class TableReader(html.parser.HTMLParser):
    """Rows of the result table as lists of cell texts, as a sighted reader sees them (the
    modern page's text for screen readers alone is left out). The classic pages leave rows and
    cells unclosed, so a row ends at the next <tr> and a cell at the next <td> or <th>."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tables, self.depth, self.cell, self.unseen = [], 0, None, 0

    def handle_starttag(self, tag, attrs):
        if tag == "span" and "vx-oculto" in (dict(attrs).get("class") or ""):
            self.unseen += 1
        elif tag == "table":
            self.tables.append([])
            self.depth += 1
        elif tag == "tr" and self.depth:
            self.tables[-1].append([])
            self.cell = None
        elif tag in ("td", "th") and self.depth and self.tables[-1]:
            self.tables[-1][-1].append("")
            self.cell = self.tables[-1][-1]

    def handle_endtag(self, tag):
        if tag == "span" and self.unseen:
            self.unseen -= 1
        elif tag == "table" and self.depth:
            self.depth -= 1
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None and not self.unseen:
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
    if b'class="vx-resultado' in body:
        # The modern page names its totals row "Total", as its totals column.
        tables = [[["TOTAL"] + r[1:] if r[0] == "Total" else r for r in t] for t in tables]
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


MARKS = ("X", "..")  # a suppressed value, a rate with a zero divisor


def published(text, language=0):
    """A cell as a reader takes it: None where a mark stands instead of the value, otherwise
    the number, without the "*" that flags an unreliable rate."""
    text = text.rstrip("*")
    return None if text in MARKS else number(text, language)


def table_numbers(body):
    """The header row and {row label: [numbers]} of the result table's rows of values, the
    TOTAL row among them; None for a value a mark hides."""
    header, rows = result_rows(body)
    return header, {label: [published(v) for v in values] for label, values in rows.items()
                    if label != header[0] and len(values) == len(header) - 1}


def small_count_limit(body):
    """The k of a page whose definition suppresses small counts, read from its legend; None
    when the page has no legend."""
    found = re.search(r"\(menos de (\d+) registros|\(fewer than (\d+) records", page_text(body))
    return int(found.group(1) or found.group(2)) if found else None


def assert_counts_shown(test, shown, expected, limit):
    """Rows of values (None where hidden) against rows of counts: every published value equals
    its count, and with a limit every count of 1..limit-1 is hidden."""
    test.assertEqual(sorted(shown), sorted(expected))
    for label, counts in expected.items():
        values = shown[label]
        test.assertEqual(len(values), len(counts), label)
        for value, count in zip(values, counts):
            if value is not None:
                test.assertEqual(value, count, label)
            if limit:
                test.assertFalse(0 < count < limit and value is not None, (label, count))


def copy_links(body):
    """The copy links of a classic or a modern page."""
    return re.findall(r'<(?:A HREF=|a href=")(/csv/[^ >"]+)', page_text(body))


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
    """{municipality label: [men, women, unknown]}."""
    by = counts_by(known, files, lambda c: (c[0], c[1]))
    rows = {}
    for (m, s), n in by.items():
        rows.setdefault(known["municipalities"][m]["label"], [0, 0, 0])[s - 1] += n
    return rows


def typical_fields(files, definition_row="Munic\u00edpio_de_resid\u00eancia"):
    fields = [("Linha", definition_row), ("Coluna", "Sexo"), ("Incremento", "Eventos")]
    fields += [("Arquivos", f.lower()) for f in files]  # the form lists names in lower case
    return fields + [("formato", "table"), ("mostre", "Mostra")]


def check_municipality_by_sex(test, known, files, body):
    """The page of typical_fields: every municipality row, the totals row and the total
    column equal the generator's counts."""
    check_rows_by_sex(test, body, municipality_by_sex(known, files))


def check_rows_by_sex(test, body, expected):
    """The page's table by sex in columns: {row label: [men, women, unknown]} in rows, with
    each row's total and the totals row."""
    header, shown = table_numbers(body)
    test.assertEqual(header[1:], SEX_PT + ["Total"])
    totals = [sum(counts[i] for counts in expected.values()) for i in range(3)]
    rows = {label: counts + [sum(counts)] for label, counts in expected.items()}
    rows["TOTAL"] = totals + [sum(totals)]
    assert_counts_shown(test, shown, rows, small_count_limit(body))


def check_copy_matches_page(test, copy, body):
    """The CSV copy (title, heading lines, then the table separated by ";") holds the rows,
    values and totals of the page's table."""
    lines = copy.decode("cp1252").split("\r\n")
    start = next(i for i, line in enumerate(lines) if line.startswith('"'))
    table = list(csv.reader(io.StringIO("\r\n".join(lines[start + 1:])), delimiter=";"))
    copied = {r[0]: [published(v) for v in r[1:]] for r in table if len(r) > 1}
    header, shown = table_numbers(body)
    shown["Total"] = shown.pop("TOTAL")
    test.assertEqual(copied, shown)


if __name__ == "__main__":
    if sys.argv[1:] == ["generate"]:
        shared_site(fresh=True)
        print("site written: " + shared_site())
    else:
        sys.exit(__doc__)
