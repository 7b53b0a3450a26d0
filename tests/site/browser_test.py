"""The demo site in a real browser: Debian's chromium, headless, driven by chromedriver
through selenium. From the index to a classic form (the monthly tabulation), a choice of row,
column, two periods and one selection category, and the table read back from the DOM against
the generator's counts. A screenshot of the result is kept in the test's work folder."""

import os
import shutil
import tempfile
import unittest

import sitetest

CHROMIUM, CHROMEDRIVER = "/usr/bin/chromium", "/usr/bin/chromedriver"


def start_browser(profile):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--no-first-run", "--user-data-dir=" + profile,
                 "--window-size=1280,1400"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    driver.set_page_load_timeout(60)
    return driver


class SiteInBrowser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = sitetest.Site("browser")
        cls.site.start()
        cls.profile = tempfile.mkdtemp(prefix="chromium-", dir=cls.site.folder)
        cls.driver = start_browser(cls.profile)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.site.stop()
        shutil.rmtree(cls.profile, ignore_errors=True)

    def test_choose_and_read_the_table(self):
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support.ui import Select, WebDriverWait

        d = self.driver
        d.get(self.site.url("/"))
        d.find_element(By.PARTIAL_LINK_TEXT, "Eventos por m\u00eas").click()
        WebDriverWait(d, 30).until(lambda d: d.find_elements(By.NAME, "Linha"))
        Select(d.find_element(By.NAME, "Linha")).select_by_visible_text("UF de resid\u00eancia")
        Select(d.find_element(By.NAME, "Coluna")).select_by_visible_text("Sexo")
        periods = Select(d.find_element(By.NAME, "Arquivos"))
        periods.deselect_all()
        periods.select_by_visible_text("Jan/2023")
        periods.select_by_visible_text("Mar/2023")
        ages = Select(d.find_element(By.NAME, "SFaixa_et\u00e1ria"))
        ages.deselect_all()
        ages.select_by_visible_text("15 a 29 anos")
        d.find_element(By.NAME, "mostre").click()
        WebDriverWait(d, 60).until(lambda d: d.find_elements(By.CSS_SELECTOR, "table.tabdados"))
        d.save_screenshot(os.path.join(self.site.folder, "result.png"))
        print("screenshot: " + os.path.join(self.site.folder, "result.png"))

        rows = d.execute_script(
            "return Array.from(document.querySelectorAll('table.tabdados tr')).map("
            "r => Array.from(r.querySelectorAll('td,th')).map(c => c.textContent.trim()));")
        header = next(r for r in rows if len(r) > 1)
        table = {r[0]: [sitetest.published(v) for v in r[1:]] for r in rows
                 if len(r) == len(header) and r is not header}

        known, files, age = self.site.known, ["EM2301.dbf", "EM2303.dbf"], 4
        by_state = sitetest.counts_by(known, files,
                                      lambda c: (known["municipalities"][c[0]]["state"], c[1]),
                                      where=lambda c: c[2] == age)
        expected = {}
        for (state, sex), n in by_state.items():
            s = known["states"][state]
            for label in (s["label"], known["regions"][s["region"]][0]):
                expected.setdefault(label, [0, 0, 0])[sex - 1] += n
        totals = [sum(n for (st, sx), n in by_state.items() if sx == sex) for sex in (1, 2, 3)]
        columns = [i for i in range(3) if totals[i]]
        self.assertEqual(header[1:], [sitetest.SEX_PT[i] for i in columns] + ["Total"])
        expected = {label: [c[i] for i in columns] + [sum(c)] for label, c in expected.items()}
        expected["TOTAL"] = [totals[i] for i in columns] + [sum(totals)]
        limit = sitetest.small_count_limit(d.page_source.encode("cp1252", "replace"))
        sitetest.assert_counts_shown(self, table, expected, limit)
        heading = d.find_element(By.CSS_SELECTOR, "tr.cabtabela").text
        self.assertIn("15 a 29 anos", heading)
        self.assertIn("Jan/2023, Mar/2023", heading)


if __name__ == "__main__":
    sitetest.require_tools()
    for tool in (CHROMIUM, CHROMEDRIVER):
        if not os.path.exists(tool):
            print(tool + " is not installed (./test.sh installs it): skipped")
            raise SystemExit(sitetest.SKIP)
    unittest.main()
