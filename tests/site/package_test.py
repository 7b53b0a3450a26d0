"""The Debian package as the README's "Deploying" uses it: cpack writes the .deb from the
build, its files (and those of cmake --install) are where the install layout puts them, and a
site whose CGI programs are links to the packaged ones, indexed by the packaged seriak, is
served by each installed web server from the packaged templates."""

import os
import subprocess
import unittest

import sitetest

BUILD_DIR = os.environ.get("VORLEX_BUILD_DIR", "")
VERSION = os.environ.get("VORLEX_VERSION", "")
TEMPLATES = ["apache.conf.in", "haproxy.cfg.in", "lighttpd-node.conf.in", "lighttpd.conf.in",
             "nginx.conf.in"]
CONTENTS = (["usr/bin/seriak", "usr/lib/vorlex/formwright", "usr/lib/vorlex/vorlexcgi",
             "usr/share/doc/vorlex/README.md"] +
            ["usr/share/vorlex/servers/" + name for name in TEMPLATES])


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = os.path.join(sitetest.WORK_DIR, "package")
        subprocess.run(["rm", "-rf", cls.folder], check=True)
        subprocess.run(["cpack", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"),
                        "-B", cls.folder], check=True, stdout=subprocess.DEVNULL, timeout=300)
        arch = subprocess.run(["dpkg", "--print-architecture"], check=True, text=True,
                              capture_output=True).stdout.strip()
        cls.deb = os.path.join(cls.folder, "vorlex_%s_%s.deb" % (VERSION, arch))
        cls.root = os.path.join(cls.folder, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)

    def test_control_fields_and_files(self):
        def field(name):
            return subprocess.run(["dpkg-deb", "-f", self.deb, name], check=True, text=True,
                                  capture_output=True).stdout.strip()

        self.assertEqual((field("Package"), field("Version"), field("Section")),
                         ("vorlex", VERSION, "web"))
        listing = subprocess.run(["dpkg-deb", "-c", self.deb], check=True, text=True,
                                 capture_output=True).stdout.splitlines()
        files = sorted(line.split()[-1][2:] for line in listing if not line.startswith("d"))
        self.assertEqual(files, sorted(CONTENTS))
        for program in CONTENTS[:3]:
            self.assertTrue(os.access(os.path.join(self.root, program), os.X_OK), program)

        # cmake --install lays out the same files under its prefix.
        prefix = os.path.join(self.folder, "local")
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", prefix], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        installed = sorted(os.path.relpath(os.path.join(folder, name), prefix)
                           for folder, _, names in os.walk(prefix) for name in names)
        self.assertEqual(installed, sorted(path[len("usr/"):] for path in CONTENTS))

    def test_each_server_serves_a_site_from_the_package(self):
        sitetest.TEMPLATE_DIR = os.path.join(self.root, "usr/share/vorlex/servers")
        programs = os.path.join(self.root, "usr/lib/vorlex")
        served = []
        for name, server in sitetest.SERVERS.items():
            if not all(sitetest.tool(t) for t in server.tools):
                print("%s is not installed (./test.sh installs it): not tried" % name)
                continue
            with self.subTest(server=name):
                site = sitetest.Site("package-" + name, server=name,
                                     source=sitetest.shared_site(), installed=programs)
                # Indexes written anew by the packaged seriak replace the linked ones.
                subprocess.run([os.path.join(self.root, "usr/bin/seriak"), "MUNRES",
                                "dados/EV*.dbf"], cwd=site.www, check=True,
                               stdout=subprocess.DEVNULL, timeout=120)
                site.start()
                try:
                    self.check_site(site)
                finally:
                    site.stop()
                served.append(name)
        self.assertIn("lighttpd", served)

    def check_site(self, site):
        self.assertTrue(os.path.islink(os.path.join(site.www, "vorlexcgi.exe")))
        self.assertEqual(site.get("/formwright.exe?eventos")[0], 200)
        files = ["EV22.dbf", "EV23.dbf"]
        status, headers, body = site.post("/vorlexcgi.exe?eventos",
                                          sitetest.typical_fields(files))
        self.assertEqual(status, 200, body[:500])
        sitetest.check_municipality_by_sex(self, site.known, files, body)
        link = sitetest.copy_links(body)[0]
        status, headers, copy = site.get(link)
        self.assertEqual(status, 200)
        sitetest.check_copy_matches_page(self, copy, body)


if __name__ == "__main__":
    sitetest.require_tools("lighttpd")
    sitetest.skip_unless("cpack", "dpkg-deb")
    unittest.main()
