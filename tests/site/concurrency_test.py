"""200 requests, 20 at a time, against the demo site on lighttpd: every page complete and
correct, the month's log holding exactly 200 intact lines, every linked copy present and
equal to its page, and no copy shared by two requests. Prints the median and 95th
percentile latency.

  concurrency_test.py               the test, on a small site of its own
  concurrency_test.py --demo PORT   latency of the running ./demo.sh site (one year and all
                                    five), its pages checked against demo/site/www"""

import concurrent.futures
import os
import re
import statistics
import sys
import time
import unittest

import sitetest

REQUESTS, PARALLEL = 200, 20
YEARS = ["EV19.dbf", "EV20.dbf", "EV21.dbf", "EV22.dbf", "EV23.dbf"]
LOG_LINE = re.compile(rb"F \d\d/\d\d/\d\d \d\d:\d\d:\d\d\|eventos\|\d+\|1\|127\.0\.0\.1\|"
                      rb"[^|\r\n]*\|\d+\r\n")


def load(site, files):
    """(latencies in seconds, bodies) of REQUESTS posts, PARALLEL at a time."""
    fields = sitetest.typical_fields(files)

    def one(_):
        start = time.monotonic()
        status, headers, body = site.post("/vorlexcgi.exe?eventos", fields)
        return time.monotonic() - start, status, body

    with concurrent.futures.ThreadPoolExecutor(PARALLEL) as pool:
        results = list(pool.map(one, range(REQUESTS)))
    return results


def figures(results):
    times = sorted(r[0] for r in results)
    return statistics.median(times), times[int(len(times) * 0.95) - 1]


class ConcurrentRequests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = sitetest.Site("concurrency")
        cls.site.start()

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def test_two_hundred_requests_twenty_at_a_time(self):
        results = load(self.site, ["EV23.dbf"])
        median, p95 = figures(results)
        print("latency of %d requests, %d at a time: median %.0f ms, 95th percentile %.0f ms"
              % (REQUESTS, PARALLEL, median * 1000, p95 * 1000))
        names = set()
        for _, status, body in results:
            self.assertEqual(status, 200)
            self.assertTrue(body.lower().endswith(b"</html>\r\n"), body[-200:])
            sitetest.check_municipality_by_sex(self, self.site.known, ["EV23.dbf"], body)
            links = sitetest.copy_links(body)
            self.assertEqual(len(links), 2)
            for link in links:
                path = os.path.join(self.site.www, link.lstrip("/"))
                self.assertTrue(os.path.isfile(path), link)
                names.add(link)
            with open(os.path.join(self.site.www, links[0].lstrip("/")), "rb") as f:
                sitetest.check_copy_matches_page(self, f.read(), body)
        self.assertEqual(len(names), 2 * REQUESTS, "two requests wrote the same copy")
        lines = self.site.log_lines()
        self.assertEqual(len(lines), REQUESTS)
        for line in lines:
            self.assertRegex(line, LOG_LINE)


def measure_demo(port):
    """Latency figures of the running demo site."""
    source = sitetest.SOURCE_DIR or os.path.join(os.path.dirname(__file__), "..", "..")
    site = sitetest.Site.running(port, os.path.join(source, "demo", "site", "www"))
    check = unittest.TestCase()
    check.maxDiff = None
    for label, files in (("one year", ["EV23.dbf"]), ("five years", YEARS)):
        results = load(site, files)
        for _, status, body in results:
            check.assertEqual(status, 200)
            sitetest.check_municipality_by_sex(check, site.known, files, body)
        median, p95 = figures(results)
        print("municipality by sex, %s: median %.0f ms, 95th percentile %.0f ms"
              % (label, median * 1000, p95 * 1000))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--demo":
        measure_demo(int(sys.argv[2]))
        sys.exit(0)
    sitetest.require_tools()
    unittest.main()
