"""The configurations the README shows under "Deploying" are the templates the site tests
run: for each template, the indented block after the line that names it "(`name`" holds the
template's lines, comments and blank lines left out, in the same order."""

import os
import unittest

import sitetest

TEMPLATES = ["lighttpd.conf.in", "apache.conf.in", "nginx.conf.in", "lighttpd-node.conf.in",
             "haproxy.cfg.in"]


def template_lines(name):
    with open(os.path.join(sitetest.SOURCE_DIR, "demo", name)) as f:
        return [line.rstrip("\n") for line in f
                if line.strip() and not line.lstrip().startswith("#")]


def readme_block(readme, name):
    """The first block indented by four spaces after the first line naming the template."""
    lines = readme.splitlines()
    start = next(i for i, line in enumerate(lines) if "(`%s`" % name in line)
    first = next(i for i in range(start + 1, len(lines)) if lines[i].startswith("    "))
    block = []
    for line in lines[first:]:
        if not line.startswith("    "):
            break
        block.append(line[4:])
    return block


class ReadmeShowsTheTemplates(unittest.TestCase):
    def test_each_template_as_shown(self):
        with open(os.path.join(sitetest.SOURCE_DIR, "README.md"), encoding="utf-8") as f:
            readme = f.read()
        for name in TEMPLATES:
            with self.subTest(template=name):
                self.assertEqual(readme_block(readme, name), template_lines(name))


if __name__ == "__main__":
    unittest.main()
