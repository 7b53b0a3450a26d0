#!/usr/bin/env python3
"""Latency of the demo's default choice (the eventos form posted as it opens: municipality of
residence, events, 2023) through each web server, from the templates in demo/, and through
HAProxy in front of 1, 2 and 3 lighttpd nodes: 200 requests, 20 at a time, after 20 to warm
up. Every page is checked against the generator's count. Servers not installed are left out.

  bench/servers_bench.py [--build build/release] [--records 200000] [--requests 200]

The site (the demo's size by default) is written once under BUILD/bench-servers. On a machine
of few cores the nodes share those cores: the balancer's figures show its overhead, not the
scaling that separate machines would give."""

import argparse
import concurrent.futures
import html.parser
import os
import statistics
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "site"))


class FormDefaults(html.parser.HTMLParser):
    """The fields a browser posts for a form left as it opens: selected options, checked
    boxes and buttons, and the submit button's name."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.fields, self.select = [], None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "select":
            self.select = a.get("name")
        elif tag == "option" and self.select and "selected" in a:
            self.fields.append((self.select, a.get("value", "")))
        elif tag == "input":
            kind = (a.get("type") or "text").lower()
            if (kind in ("radio", "checkbox") and "checked" in a) or kind == "submit":
                self.fields.append((a["name"], a.get("value", "")))

    def handle_endtag(self, tag):
        if tag == "select":
            self.select = None


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "release"))
    parser.add_argument("--records", type=int, default=200000)
    parser.add_argument("--requests", type=int, default=200)
    parser.add_argument("--parallel", type=int, default=20)
    return parser.parse_args()


def use_build(build):
    build = os.path.abspath(build)
    for name, path in (("demosite", "demo/demosite"), ("seriak", "seriak/seriak"),
                       ("vorlexcgi", "vorlexcgi/vorlexcgi"),
                       ("formwright", "formwright/formwright")):
        os.environ[name.upper()] = os.path.join(build, path)
    os.environ["VORLEX_SOURCE_DIR"] = ROOT
    os.environ["SITE_TEST_DIR"] = os.path.join(build, "bench-servers")


def measure(client, fields, expected, requests, parallel):
    """(median, 95th percentile) in milliseconds; raises on a wrong page."""
    import sitetest

    def one(_):
        start = time.monotonic()
        status, _, body = client.post("/vorlexcgi.exe?eventos", fields)
        elapsed = time.monotonic() - start
        if status != 200:
            raise RuntimeError("status %d: %r" % (status, body[:300]))
        header, rows = sitetest.result_rows(body)
        if sitetest.number(rows["TOTAL"][0]) != expected:
            raise RuntimeError("total %s, expected %d" % (rows["TOTAL"][0], expected))
        return elapsed

    with concurrent.futures.ThreadPoolExecutor(parallel) as pool:
        list(pool.map(one, range(parallel)))  # warm-up: page cache, the servers' processes
        times = sorted(pool.map(one, range(requests)))
    return statistics.median(times) * 1000, times[int(len(times) * 0.95) - 1] * 1000


def main():
    options = parse_arguments()
    use_build(options.build)
    import sitetest
    www = os.path.join(sitetest.WORK_DIR, "shared", "www")
    if not os.path.exists(os.path.join(www, "known_totals.json")):
        print("writing a site of %d records a year into %s ..." % (options.records, www))
        os.makedirs(os.path.dirname(www), exist_ok=True)
        sitetest.write_site(www, options.records, 300)  # the demo's municipalities
    rows = []

    def report(label, figures):
        rows.append((label,) + figures)
        print("%-28s median %6.0f ms   95th percentile %6.0f ms" % rows[-1], flush=True)

    fields = expected = None
    for name, server_class in sitetest.SERVERS.items():
        if not all(sitetest.tool(t) for t in server_class.tools):
            print("%-28s not installed" % name)
            continue
        site = sitetest.Site("bench-" + name, server=name, source=www).start()
        try:
            if fields is None:
                form = FormDefaults()
                form.feed(sitetest.page_text(site.get("/formwright.exe?eventos")[2]))
                fields = form.fields
                files = [v for k, v in fields if k == "Arquivos"]
                expected = sum(site.known["files"][f[:-4].upper() + ".dbf"]["records"]
                               for f in files)
                print("default choice: %s" % "&".join("%s=%s" % f for f in fields))
            report(name, measure(site, fields, expected, options.requests, options.parallel))
        finally:
            site.stop()

    if fields and sitetest.tool("haproxy"):
        site = sitetest.Site("bench-nodes", source=www)
        for count in (1, 2, 3):
            nodes = [sitetest.LighttpdNode(site.www, os.path.join(site.folder, "node%d" % n),
                                           "node%d" % n).start() for n in range(1, count + 1)]
            balancer = sitetest.HAProxy(os.path.join(site.folder, "balancer"),
                                        [(n.node, n.port) for n in nodes]).start()
            try:
                while set(balancer.node_states().values()) != {"UP"}:
                    time.sleep(0.1)
                client = sitetest.HttpClient()
                client.port = balancer.port
                report("haproxy, %d lighttpd node%s" % (count, "s" if count > 1 else ""),
                       measure(client, fields, expected, options.requests, options.parallel))
            finally:
                for server in [balancer] + nodes:
                    server.stop()
    print("%d requests, %d at a time, %d cores" % (options.requests, options.parallel,
                                                   os.cpu_count()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
