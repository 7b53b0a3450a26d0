"""The modern pages (definition option OHTML5) of the demo site in Debian's headless chromium:
axe-core (pinned in tests/js) checks the forms and results in Portuguese and English and every
message page under its default rule set, best practices included, and must find no violation;
at 400 x 800 the document never scrolls sideways (a wide table scrolls in its own box); a list
filter, two categories chosen, posted and found in the heading block; the checks the form makes
before posting; the print style. Screenshots at both widths are kept in the test's work folder.
The rules that ran are printed."""

import os
import shutil
import tempfile
import unittest

import browser_test
import sitetest

AXE = os.path.join(sitetest.SOURCE_DIR, "tests", "js", "node_modules", "axe-core", "axe.min.js")
ALL = "TODAS_AS_CATEGORIAS__"
# The requests the modern page refuses, each made by changing the form's choices: (name, the
# fields to set as {field: [values]}, a piece of the reason the page must give).
NONSENSE = [
    ("no_period", {"Arquivos": []}, "Nenhum per\u00edodo escolhido"),
    ("no_measure", {"Incremento": []}, "Nenhum conte\u00fado escolhido"),
    ("percentage_without_variable", {"Incremento": ["Percentual_por_sexo"]},
     "Para calcular \u00abPercentual por sexo\u00bb, escolha \u00abSexo\u00bb"),
    ("measures_with_column", {"Coluna": ["Sexo"], "Incremento": ["Eventos", "\u00d3bitos"]},
     "V\u00e1rios conte\u00fados s\u00f3 podem ser mostrados sem coluna"),
    ("stock_over_periods", {"Incremento": ["Em_acompanhamento_no_fim_do_ano"],
                            "Arquivos": ["ev22.dbf", "ev23.dbf"]},
     "n\u00e3o pode ser somado entre per\u00edodos"),
    ("row_equal_to_column", {"Linha": ["Sexo"], "Coluna": ["Sexo"]},
     "\u00abSexo\u00bb est\u00e1 em \u00abLinha\u00bb e em \u00abColuna\u00bb"),
    ("no_category", {"SFaixa_et\u00e1ria": []},
     "Nenhuma categoria escolhida em \u00abFaixa et\u00e1ria\u00bb"),
]
# Sets the choices of the form's lists by their field names and posts without the form's own
# checks (form.submit() runs no submit handler), as a browser without script would.
SET_AND_POST = """
var form = document.getElementById('vx-formulario'), wanted = arguments[0];
Object.keys(wanted).forEach(function (name) {
  var list = form.querySelector('select[name="' + name + '"]');
  Array.prototype.forEach.call(list.options, function (o) {
    o.selected = wanted[name].indexOf(o.value) >= 0;
  });
});
form.submit();
"""
RUN_AXE = """
var done = arguments[0];
axe.run(document).then(function (r) {
  var ids = function (list) { return list.map(function (x) { return x.id; }); };
  done({violations: r.violations.map(function (v) {
          return {id: v.id, impact: v.impact, nodes: v.nodes.map(function (n) {
            return n.html + ' ' + n.failureSummary; })}; }),
        passes: ids(r.passes), incomplete: ids(r.incomplete),
        inapplicable: ids(r.inapplicable)});
}, function (e) { done({error: String(e)}); });
"""


class BrowserOnSite(unittest.TestCase):
    """A demo site of its own served to a headless chromium, with the steps the tests of modern
    pages share: open a form, post choices, run axe-core, keep a screenshot."""

    site_name, site_size = "modern", {}

    @classmethod
    def setUpClass(cls):
        cls.site = sitetest.Site(cls.site_name, **cls.site_size)
        cls.site.start()
        cls.profile = tempfile.mkdtemp(prefix="chromium-", dir=cls.site.folder)
        cls.driver = browser_test.start_browser(cls.profile)
        cls.driver.set_script_timeout(60)
        with open(AXE, encoding="utf-8") as f:
            cls.axe = f.read()
        cls.ran, cls.inapplicable = set(), set()

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.site.stop()
        shutil.rmtree(cls.profile, ignore_errors=True)
        print("axe rules that ran (%d): %s" % (len(cls.ran), " ".join(sorted(cls.ran))))
        print("axe rules with nothing to check on these pages (%d): %s"
              % (len(cls.inapplicable - cls.ran), " ".join(sorted(cls.inapplicable - cls.ran))))

    def setUp(self):
        self.desktop()

    def desktop(self):
        self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        self.driver.set_window_size(1280, 1400)

    def phone(self):
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 400, "height": 800, "deviceScaleFactor": 1, "mobile": True})

    def open_form(self, definition):
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support.ui import WebDriverWait
        self.driver.get(self.site.url("/formwright.exe?" + definition))
        # The script has run when the filters stand above the lists.
        WebDriverWait(self.driver, 30).until(
            lambda d: d.find_elements(By.ID, "vx-periodos-filtro"))

    def post(self, choices):
        from selenium.webdriver.support.ui import WebDriverWait
        self.driver.execute_script(SET_AND_POST, choices)
        WebDriverWait(self.driver, 60).until(
            lambda d: "vorlexcgi" in d.current_url and
            d.execute_script("return document.readyState") == "complete")

    def check_axe(self, page):
        self.driver.execute_script(self.axe)
        result = self.driver.execute_async_script(RUN_AXE)
        self.assertNotIn("error", result, result)
        ran = result["passes"] + result["incomplete"] + [v["id"] for v in result["violations"]]
        self.__class__.ran.update(ran)
        self.__class__.inapplicable.update(result["inapplicable"])
        print("axe on %s: %d rules ran, %d violations, %d to review by hand (%s)"
              % (page, len(ran), len(result["violations"]), len(result["incomplete"]),
                 " ".join(result["incomplete"]) or "none"))
        self.assertEqual(result["violations"], [], page)

    def screenshot(self, name, element=None):
        """The window, or one element of the page whole."""
        path = os.path.join(self.site.folder, name + ".png")
        if element is None:
            self.driver.save_screenshot(path)
        else:
            element.screenshot(path)
        print("screenshot: " + path)

    def assert_no_sideways_scroll(self, page):
        width, view = self.driver.execute_script(
            "return [document.documentElement.scrollWidth, document.documentElement.clientWidth]")
        self.assertLessEqual(width, view, page + " scrolls sideways")


class ModernPages(BrowserOnSite):
    def test_forms_and_results_have_no_axe_violation(self):
        for definition, language in (("eventos", "pt-BR"), ("events_en", "en")):
            with self.subTest(definition=definition):
                self.open_form(definition)
                self.assertEqual(self.driver.execute_script(
                    "return document.documentElement.lang"), language)
                self.check_axe("form " + definition)
                column = "Sexo" if language == "pt-BR" else "Sex"
                self.post({"Coluna": [column]})
                self.assertTrue(self.driver.find_elements("css selector", "table.vx-resultado"))
                self.check_axe("result " + definition)

    def test_message_pages_have_no_axe_violation(self):
        for name, choices, reason in NONSENSE:
            with self.subTest(message=name):
                self.open_form("eventos")
                self.post(choices)
                text = self.driver.find_element("css selector", "main").text
                self.assertIn(reason, text)
                self.assertFalse(self.driver.find_elements("css selector", "table"))
                self.check_axe("message " + name)

    def test_phone_width_scrolls_the_table_box_not_the_page(self):
        from selenium.webdriver.common.by import By
        for width in (1280, 400):
            if width == 400:
                self.phone()
            self.open_form("eventos")
            self.assert_no_sideways_scroll("form at %d" % width)
            self.screenshot("form-%d" % width)
            # Municipalities by age group: nine columns, wider than a phone.
            self.post({"Coluna": ["Faixa_et\u00e1ria"]})
            self.assert_no_sideways_scroll("result at %d" % width)
            box = self.driver.find_element(By.CSS_SELECTOR, "div.vx-tabela")
            overflow = self.driver.execute_script(
                "return arguments[0].scrollWidth - arguments[0].clientWidth", box)
            if width == 400:
                self.assertGreater(overflow, 0, "the table fits a phone: nothing to scroll")
            self.screenshot("result-%d" % width)
            self.open_form("eventos")
            self.post(NONSENSE[0][1])
            self.assert_no_sideways_scroll("message at %d" % width)
            self.screenshot("message-%d" % width)

    def test_print_keeps_the_table_whole(self):
        from selenium.webdriver.common.by import By
        self.open_form("eventos")
        self.post({"Coluna": ["Faixa_et\u00e1ria"]})
        self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": "print"})
        try:
            box = self.driver.find_element(By.CSS_SELECTOR, "div.vx-tabela")
            style = self.driver.execute_script(
                "var s = getComputedStyle(arguments[0]); return [s.overflowX, "
                "getComputedStyle(document.querySelector('.vx-resultado thead')).display]", box)
            self.assertEqual(style, ["visible", "table-header-group"])
        finally:
            self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": ""})

    def test_filter_choose_two_categories_and_find_them_in_the_heading(self):
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support.ui import Select, WebDriverWait
        d = self.driver
        self.open_form("eventos")
        names = [m["label"] for m in self.site.known["municipalities"]]
        # Typed without accents and in lower case, as on a phone's keyboard.
        wanted = [n for n in names if n.startswith("S\u00e3o ")]
        self.assertGreaterEqual(len(wanted), 2, names)
        d.find_element(By.ID, "vx-s1-filtro").send_keys("sao ")
        shown = d.execute_script(
            "return Array.from(document.getElementById('vx-s1').options)"
            ".filter(o => !o.hidden).map(o => o.text)")
        self.assertEqual(shown, ["Todas as categorias"] + sorted(wanted, key=names.index))
        municipalities = Select(d.find_element(By.ID, "vx-s1"))
        for name in wanted[:2]:
            municipalities.select_by_visible_text(name)
        chosen = [o.text for o in municipalities.all_selected_options]
        self.assertEqual(chosen, wanted[:2], "choosing a category leaves all categories")
        d.find_element(By.NAME, "mostre").click()
        WebDriverWait(d, 60).until(lambda d: d.find_elements(By.CSS_SELECTOR, "caption"))
        heading = d.find_element(By.CSS_SELECTOR, "caption").text
        self.assertIn("Munic\u00edpio: " + ", ".join(wanted[:2]), heading)
        rows = d.execute_script(
            "return Array.from(document.querySelectorAll('tbody tr th')).map(c => c.textContent)")
        self.assertEqual(rows[0], "Total")

    def test_form_checks_the_rules_before_posting(self):
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support.ui import Select, WebDriverWait
        d = self.driver
        self.open_form("eventos")
        Select(d.find_element(By.ID, "vx-coluna")).select_by_visible_text("Sexo")
        Select(d.find_element(By.ID, "vx-conteudo")).select_by_visible_text("\u00d3bitos")
        d.find_element(By.NAME, "mostre").click()
        notices = d.find_element(By.ID, "vx-avisos").text
        self.assertIn("V\u00e1rios conte\u00fados s\u00f3 podem ser mostrados sem coluna", notices)
        self.assertIn("formwright", d.current_url, "the form posted a request it knew wrong")
        self.assertEqual(d.switch_to.active_element.get_attribute("id"), "vx-coluna")
        self.check_axe("form with its notices")
        # Set right, the notice goes and the form posts.
        Select(d.find_element(By.ID, "vx-coluna")).select_by_visible_text("N\u00e3o ativa")
        self.assertEqual(d.find_element(By.ID, "vx-avisos").text, "")
        d.find_element(By.NAME, "mostre").click()
        WebDriverWait(d, 60).until(
            lambda d: d.find_elements(By.CSS_SELECTOR, "table.vx-resultado"))


def require_browser_and_axe():
    """Ends the run as skipped when chromium, its driver or axe-core is missing."""
    sitetest.require_tools()
    for path in (browser_test.CHROMIUM, browser_test.CHROMEDRIVER):
        if not os.path.exists(path):
            print(path + " is not installed (./test.sh installs it): skipped")
            raise SystemExit(sitetest.SKIP)
    if not os.path.exists(AXE):
        print(AXE + " is missing (npm ci in tests/js installs it; ./test.sh runs it): skipped")
        raise SystemExit(sitetest.SKIP)


if __name__ == "__main__":
    require_browser_and_axe()
    unittest.main()
