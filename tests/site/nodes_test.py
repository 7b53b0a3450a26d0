"""Three lighttpd nodes serving one site folder behind HAProxy, as demo/lighttpd-node.conf.in
and demo/haproxy.cfg.in lay them out: the nodes share csv/ and each appends to a request log
of its own. 400 requests, 20 at a time, through the balancer; one node is stopped after the
first 150, and the requests from the 300th on wait until the balancer's health check has
taken it out. Then: every request after that succeeded, every page is right, every copy
link fetched through the balancer returns the copy of its page, and the nodes' logs hold one
intact line for every page answered, with the client's address."""

import concurrent.futures
import os
import re
import signal
import statistics
import threading
import time
import unittest

import sitetest

NODES, REQUESTS, PARALLEL = 3, 400, 20
STOP_AFTER, HOLD_FROM = 150, 300
CLIENT = "127.0.0.2"  # not the balancer's address, so that the log shows which one it holds
LOG_LINE = re.compile(rb"F \d\d/\d\d/\d\d \d\d:\d\d:\d\d\|eventos\|\d+\|1\|127\.0\.0\.2\|"
                      rb"nodes-test/(\d+)\|\d+\r\n")
FILES = ["EV23.dbf"]


class Balancer(sitetest.HttpClient):
    source_address = (CLIENT, 0)

    def __init__(self, port):
        self.port = port


class NodesBehindBalancer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = sitetest.Site("nodes", source=sitetest.shared_site())
        cls.nodes, cls.haproxy = [], None
        try:
            for n in range(1, NODES + 1):
                node = sitetest.LighttpdNode(cls.site.www, os.path.join(cls.site.folder,
                                                                        "node%d" % n),
                                             "node%d" % n)
                cls.nodes.append(node.start())
            cls.haproxy = sitetest.HAProxy(os.path.join(cls.site.folder, "balancer"),
                                           [(n.node, n.port) for n in cls.nodes]).start()
            deadline = time.monotonic() + 20
            while set(cls.haproxy.node_states().values()) != {"UP"}:
                if time.monotonic() > deadline:
                    raise RuntimeError("nodes not up: %s" % cls.haproxy.node_states())
                time.sleep(0.1)
        except Exception:
            cls.tearDownClass()
            raise
        cls.balancer = Balancer(cls.haproxy.port)

    @classmethod
    def tearDownClass(cls):
        for server in [cls.haproxy] + cls.nodes:
            if server:
                server.stop()

    def stop_a_node(self, started, taken_out):
        """After STOP_AFTER requests have started: stops the second node as its service
        manager would (lighttpd lets running requests finish), then waits for the balancer
        to mark it down and notes when."""
        started.wait()
        node = self.nodes[1]
        node.stop(signal.SIGINT)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if self.haproxy.node_states()[node.node] != "UP":
                taken_out.append(time.monotonic())
                return
            time.sleep(0.02)

    def test_requests_while_a_node_stops(self):
        started, down = threading.Event(), threading.Event()
        taken_out = []
        count, lock = [0], threading.Lock()

        def one(i):
            with lock:
                count[0] += 1
                if count[0] == STOP_AFTER:
                    started.set()
            if i >= HOLD_FROM:
                down.wait(60)
            begin = time.monotonic()
            try:
                status, _, body = self.balancer.post(
                    "/vorlexcgi.exe?eventos", sitetest.typical_fields(FILES),
                    {"User-Agent": "nodes-test/%d" % i})
            except OSError as error:
                status, body = 0, str(error).encode()
            return i, begin, time.monotonic(), status, body

        stopper = threading.Thread(target=lambda: (self.stop_a_node(started, taken_out),
                                                   down.set()))
        stopper.start()
        with concurrent.futures.ThreadPoolExecutor(PARALLEL) as pool:
            results = list(pool.map(one, range(REQUESTS)))
        stopper.join()
        self.assertTrue(taken_out, "the balancer did not take the stopped node out")

        answered = [r for r in results if r[3] == 200]
        failed = [r for r in results if r[3] != 200]
        times = sorted(r[2] - r[1] for r in answered)
        print("%d requests, %d at a time, through %d nodes, one stopped: %d failed before the "
              "health check took it out; median %.0f ms, 95th percentile %.0f ms"
              % (REQUESTS, PARALLEL, NODES, len(failed), statistics.median(times) * 1000,
                 times[int(len(times) * 0.95) - 1] * 1000))
        after = [r for r in results if r[1] >= taken_out[0]]
        self.assertGreaterEqual(len(after), REQUESTS - HOLD_FROM)
        self.assertEqual([(r[0], r[3], r[4][:200]) for r in after if r[3] != 200], [])
        for _, _, _, _, body in answered:
            self.assertTrue(body.lower().endswith(b"</html>\r\n"), body[-200:])
            sitetest.check_municipality_by_sex(self, self.site.known, FILES, body)

        with self.subTest("copies through the balancer"):
            self.check_copies(answered)
        with self.subTest("request logs"):
            self.check_logs(answered, failed)

    def check_copies(self, answered):
        links = [sitetest.copy_links(r[4]) for r in answered]
        self.assertTrue(all(len(pair) == 2 for pair in links))
        self.assertEqual(len({link for pair in links for link in pair}), 2 * len(answered),
                         "two requests wrote the same copy")

        def fetch(k):
            return [self.balancer.get(link) for link in links[k]]

        with concurrent.futures.ThreadPoolExecutor(PARALLEL) as pool:
            copies = list(pool.map(fetch, range(len(answered))))
        for (_, _, _, _, body), (csv_copy, tab_copy) in zip(answered, copies):
            self.assertEqual((csv_copy[0], tab_copy[0]), (200, 200))
            sitetest.check_copy_matches_page(self, csv_copy[2], body)

    def check_logs(self, answered, failed):
        folder = os.path.join(self.site.www, "csv")
        logs = sorted(n for n in os.listdir(folder) if sitetest.LOG_NAME.fullmatch(n))
        nodes = {re.search(r"_(node\d)\.log$", n).group(1) for n in logs}
        self.assertEqual(nodes, {n.node for n in self.nodes}, logs)
        lines = self.site.log_lines()
        for line in lines:
            self.assertRegex(line, LOG_LINE)
        logged = [int(LOG_LINE.fullmatch(line).group(1)) for line in lines]
        self.assertEqual(len(logged), len(set(logged)), "a request logged twice")
        missing = {r[0] for r in answered} - set(logged)
        self.assertEqual(missing, set(), "pages answered without a log line")
        # A request cut off by the stop may have run its program to the end.
        self.assertLessEqual(set(logged) - {r[0] for r in answered}, {r[0] for r in failed})


if __name__ == "__main__":
    sitetest.require_tools("lighttpd")
    sitetest.skip_unless("haproxy")
    unittest.main()
