#!/usr/bin/env python3
"""Soak of the demo site through lighttpd: many requests of random valid choices, some at a
time, within a time bound. Every page must be complete (it ends with its closing tags) and, for
the HTML table, its grand total and row totals must equal a direct count of the generator's
records; the peak memory of every vorlexcgi process is recorded (the CGI program is installed
behind a small wrapper that reports the child's maximum resident size).

  bench/soak.py                         10000 requests, 20 at a time, at most 900 s
  bench/soak.py --requests 500 --parallel 10 --seconds 120 --records 20000

It builds what it needs into build/soak (release), writes its own site there, and prints the
figures: requests, concurrency, wall time, failures, latency, peak memory per process."""

import argparse
import concurrent.futures
import json
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "site"))

WRAPPER_C = r"""
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
/* Runs the real program beside it with the same arguments, standard streams and
   environment, then appends "<max resident KiB> <exit status>" to MEMORY_LOG. */
int main(int argc, char** argv) {
  (void)argc;
  char real[4096];
  snprintf(real, sizeof real, "%s.real", argv[0]);
  pid_t child = fork();
  if (child == 0) { execv(real, argv); _exit(127); }
  int status = 0;
  struct rusage usage;
  wait4(child, &status, 0, &usage);
  char line[64];
  int n = snprintf(line, sizeof line, "%ld %d\n", usage.ru_maxrss,
                   WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  int log = open(MEMORY_LOG, O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (log >= 0) { if (write(log, line, (size_t)n) != n) {} close(log); }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
"""

ROWS = {  # definition key -> (cell index of the category, labels key)
    "Munic\u00edpio_de_resid\u00eancia": 0,
    "Sexo": 1,
    "Faixa_et\u00e1ria": 2,
}
COLUMNS = {"Sexo": 1, "Faixa_et\u00e1ria": 2}
MEASURES = {"Eventos": (3, 1), "\u00d3bitos": (5, 1), "Custo_total": (4, 100)}
SELECTIONS = {"SSexo": (1, "sex"), "SFaixa_et\u00e1ria": (2, "ageGroups")}
YEARS = ["EV19.dbf", "EV20.dbf", "EV21.dbf", "EV22.dbf", "EV23.dbf"]


def build(build_dir):
    subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DVORLEX_TESTS=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j", "2", "--target", "demosite", "seriak",
                    "vorlexcgi", "formwright"], check=True, stdout=subprocess.DEVNULL)
    os.environ["DEMOSITE"] = os.path.join(build_dir, "demo", "demosite")
    os.environ["SERIAK"] = os.path.join(build_dir, "seriak", "seriak")
    os.environ["VORLEXCGI"] = os.path.join(build_dir, "vorlexcgi", "vorlexcgi")
    os.environ["FORMWRIGHT"] = os.path.join(build_dir, "formwright", "formwright")
    os.environ["VORLEX_SOURCE_DIR"] = ROOT
    os.environ["SITE_TEST_DIR"] = build_dir


def install_wrapper(site, build_dir):
    memory_log = os.path.join(build_dir, "memory.log")
    if os.path.exists(memory_log):
        os.remove(memory_log)
    source = os.path.join(build_dir, "rss_wrapper.c")
    with open(source, "w") as f:
        f.write(WRAPPER_C)
    program = os.path.join(site.www, "vorlexcgi.exe")
    os.replace(program, program + ".real")
    subprocess.run(["cc", "-O2", "-DMEMORY_LOG=\"%s\"" % memory_log, source, "-o", program],
                   check=True)
    return memory_log


def random_choice(rng):
    row = rng.choice(list(ROWS))
    column = rng.choice([None] + [c for c in COLUMNS if c != row])
    measure = rng.choice(list(MEASURES))
    files = sorted(rng.sample(YEARS, rng.randint(1, len(YEARS))))
    selection = None
    if rng.random() < 0.4:
        name = rng.choice(list(SELECTIONS))
        count = 3 if name == "SSexo" else 8
        selection = (name, sorted(rng.sample(range(1, count + 1), rng.randint(1, 2))))
    form = rng.choices(["table", "pre", "prn"], [6, 1, 1])[0]
    fields = [("Linha", row), ("Coluna", column or "--N\u00e3o-Ativa--"), ("Incremento", measure)]
    fields += [("Arquivos", f.lower()) for f in files]
    if selection:
        fields += [(selection[0], str(v)) for v in selection[1]]
    fields += [("formato", form)]
    if rng.random() < 0.3:
        fields.append(("opcoes", "ordenar"))
    if rng.random() < 0.3:
        fields.append(("zeradas", "exibirlz"))
    fields.append(("mostre", "Mostra"))
    return {"row": row, "column": column, "measure": measure, "files": files,
            "selection": selection, "format": form, "fields": fields}


def expected_totals(known, choice):
    """(grand total, {row label: total}) by direct count of the generator's cells."""
    index, scale = MEASURES[choice["measure"]]
    row_index = ROWS[choice["row"]]
    column_index = COLUMNS.get(choice["column"])
    rows = {}
    for name in choice["files"]:
        for cell in known["files"][name]["cells"]:
            # Municipalities are counted from 0 in the cells; sex and age group from 1, 0 for
            # a value in no category (left out of the totals like the table's extra row).
            if (row_index and cell[row_index] == 0) or (column_index and cell[column_index] == 0):
                continue
            if choice["selection"]:
                at = SELECTIONS[choice["selection"][0]][0]
                if cell[at] not in choice["selection"][1]:
                    continue
            rows[cell[row_index]] = rows.get(cell[row_index], 0) + cell[index]
    if row_index == 0:
        labels = {k: known["municipalities"][k]["label"] for k in rows}
    else:
        key = "sex" if row_index == 1 else "ageGroups"
        labels = {k: known["labels"][key][k - 1][0] for k in rows}  # the Portuguese label
    by_label = {labels[k]: v / scale for k, v in rows.items() if v}
    return sum(rows.values()) / scale, by_label


def check_page(sitetest, known, choice, status, body):
    """An empty text when the page is sound, otherwise what is wrong."""
    if status != 200:
        return "status %d" % status
    if not body.rstrip(b"\r\n").lower().endswith(b"</html>"):
        return "page not complete: ...%r" % body[-120:]
    if b"Erro:" in body or b"nao encontrad" in body:
        return "failure text in the page"
    if choice["format"] != "table":
        return ""
    grand, by_label = expected_totals(known, choice)
    if grand == 0:  # nothing counted: the page says so instead of a table
        return "" if b"Nenhum registro selecionado" in body else "no table expected"
    header, rows = sitetest.result_rows(body)
    shown_grand = sitetest.published(rows["TOTAL"][-1])
    if shown_grand is not None and abs(shown_grand - grand) > 0.005:
        return "grand total %s, direct count %s" % (shown_grand, grand)
    shown, hidden = {}, set()
    for label, values in rows.items():
        if label in ("TOTAL", header[0]) or len(values) != len(header) - 1:
            continue
        value = sitetest.published(values[-1])
        if value is None:  # suppressed: the protected definition hides it
            hidden.add(label)
        elif value:
            shown[label] = value
    wrong = {k for k in (set(shown) | set(by_label)) - hidden
             if abs(shown.get(k, 0) - by_label.get(k, 0)) > 0.005}
    if wrong:
        return "row totals differ for %s" % sorted(wrong)[:5]
    return ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--requests", type=int, default=10000)
    parser.add_argument("--parallel", type=int, default=20)
    parser.add_argument("--seconds", type=float, default=900)
    parser.add_argument("--records", type=int, default=20000)
    parser.add_argument("--municipalities", type=int, default=200)
    parser.add_argument("--seed", type=int, default=1)
    options = parser.parse_args()

    build_dir = os.path.join(ROOT, "build", "soak")
    build(build_dir)
    import sitetest
    if not sitetest.lighttpd_path():
        print("lighttpd is not installed (./test.sh and ./demo.sh install it)")
        return 77
    site = sitetest.Site("soak", records=options.records, municipalities=options.municipalities)
    memory_log = install_wrapper(site, build_dir)
    site.start()
    rng = random.Random(options.seed)
    choices = [random_choice(rng) for _ in range(options.requests)]
    deadline = time.monotonic() + options.seconds
    failures, latencies, lock = [], [], threading.Lock()

    def one(choice):
        if time.monotonic() > deadline:
            return False
        start = time.monotonic()
        try:
            status, _, body = site.post("/vorlexcgi.exe?eventos", choice["fields"])
            problem = check_page(sitetest, site.known, choice, status, body)
        except Exception as error:  # a broken connection or page is a failure to report
            problem = "%s: %s" % (type(error).__name__, error)
        with lock:
            latencies.append(time.monotonic() - start)
            if problem:
                failures.append((choice["fields"], problem))
        return True

    started = time.monotonic()
    try:
        with concurrent.futures.ThreadPoolExecutor(options.parallel) as pool:
            done = sum(pool.map(one, choices))
    finally:
        site.stop()
    wall = time.monotonic() - started

    with open(memory_log) as f:
        runs = [line.split() for line in f if line.strip()]
    peaks = sorted(int(r[0]) for r in runs)
    statuses = [int(r[1]) for r in runs]
    times = sorted(latencies)
    print("soak: %d of %d requests done, %d at a time, %.1f s (bound %.0f s), %.0f requests/s"
          % (done, options.requests, options.parallel, wall, options.seconds, done / wall))
    print("site: %d records a year, %d municipalities, years %s" %
          (options.records, options.municipalities, ", ".join(YEARS)))
    if times:
        print("latency: median %.0f ms, 95th percentile %.0f ms, max %.0f ms" %
              (statistics.median(times) * 1000, times[int(len(times) * 0.95) - 1] * 1000,
               times[-1] * 1000))
    if peaks:
        print("peak memory per vorlexcgi process: median %d KiB, max %d KiB (%d processes, "
              "%d with a non-zero exit status)" % (statistics.median(peaks), peaks[-1],
                                                   len(peaks), sum(1 for s in statuses if s)))
    print("failures: %d" % len(failures))
    for fields, problem in failures[:10]:
        print("  %s: %s" % (problem, fields))
    return 1 if failures or done < options.requests else 0


if __name__ == "__main__":
    sys.exit(main())
