#include "modern_page.h"

#include <cstdio>

#include "output.h"
#include "text_helpers.h"

namespace {

// Rules that only dress the page sit inside :where(), which weighs nothing, so that the site's
// style sheets, linked after this one, win wherever they say something; the rules that keep the
// page within a phone's width name classes of their own, which no site sheet overrides.
constexpr std::string_view kStyle =
    R"css(:where(html) { -webkit-text-size-adjust: 100%; text-size-adjust: 100%; }
.vx-moderno, .vx-moderno *, .vx-moderno *::before, .vx-moderno *::after { box-sizing: border-box; }
:where(body.vx-moderno) { margin: 0 auto; padding: 0.75rem 1rem 2rem; max-width: 75rem;
  font-family: system-ui, -apple-system, "Segoe UI", Roboto, Arial, sans-serif; font-size: 1rem;
  line-height: 1.5; color: #1b1f24; background: #fff; }
body.vx-moderno { overflow-wrap: break-word; }
:where(.vx-moderno h1) { font-size: 1.5rem; line-height: 1.25; margin: 0.5rem 0 1rem; }
:where(.vx-moderno h2) { font-size: 1.2rem; line-height: 1.3; margin: 1.5rem 0 0.5rem; }
:where(.vx-moderno a) { color: #0b57a4; }
.vx-moderno :focus-visible { outline: 3px solid #c25e00; outline-offset: 2px; }
.vx-oculto { position: absolute; width: 1px; height: 1px; margin: -1px; padding: 0; border: 0;
  overflow: hidden; clip: rect(0 0 0 0); clip-path: inset(50%); white-space: nowrap; }
:where(.vx-dica, .vx-regras, .vx-notas) { color: #4a5561; font-size: 0.9rem; }
.vx-dica { margin: 0 0 1rem; }
.vx-campos { display: grid; grid-template-columns: repeat(auto-fill, minmax(min(100%, 16rem), 1fr));
  gap: 1rem 1.5rem; margin: 0 0 1rem; }
.vx-campo { display: flex; flex-direction: column; gap: 0.25rem; min-width: 0; }
:where(.vx-campo > label) { font-weight: 600; }
.vx-campo select, .vx-campo input { width: 100%; min-width: 0; max-width: 100%; font: inherit; }
.vx-regras { margin: 0.25rem 0 0; padding-left: 1.1rem; }
.vx-filtro { display: flex; align-items: center; gap: 0.5rem; }
.vx-filtro input { flex: 1 1 auto; width: auto; }
.vx-escolhas { display: flex; flex-wrap: wrap; gap: 0.25rem 1.5rem; margin: 1rem 0; }
fieldset.vx-formato { min-width: 0; margin: 1rem 0; padding: 0.5rem 1rem 0.75rem; }
:where(fieldset.vx-formato) { border: 1px solid #c5cbd3; border-radius: 4px; }
:where(.vx-formato legend) { font-weight: 600; padding: 0 0.25rem; }
.vx-escolha { display: inline-flex; align-items: center; gap: 0.4rem; margin: 0.2rem 1.5rem 0.2rem 0; }
.vx-avisos:not(:empty) { margin: 1rem 0; padding: 0.5rem 1rem; }
:where(.vx-avisos:not(:empty), .vx-mensagem) { border-left: 4px solid #b3261e;
  background: #fdf0ef; color: #5f1410; }
.vx-avisos ul, .vx-mensagem ul { margin: 0.25rem 0 0; padding-left: 1.2rem; }
.vx-campo [aria-invalid="true"] { outline: 2px solid #b3261e; }
.vx-botoes { display: flex; flex-wrap: wrap; gap: 0.75rem; margin: 1rem 0; }
.vx-botoes input { font: inherit; min-height: 2.75rem; padding: 0.5rem 1.25rem; }
.vx-tabela, .vx-texto { max-width: 100%; overflow-x: auto; margin: 1rem 0; }
.vx-resultado { border-collapse: collapse; font-variant-numeric: tabular-nums; }
:where(.vx-resultado) { background: #fff; }
.vx-resultado caption { text-align: left; }
.vx-cabecalho { position: sticky; left: 0; max-width: calc(100vw - 2.5rem); padding: 0 0 0.75rem; }
.vx-cabecalho p { margin: 0.15rem 0; }
.vx-resultado th, .vx-resultado td { padding: 0.3rem 0.75rem; vertical-align: bottom; }
:where(.vx-resultado th, .vx-resultado td) { border-bottom: 1px solid #d5dae0; }
.vx-resultado td { text-align: right; white-space: nowrap; }
.vx-resultado thead th { text-align: right; }
.vx-resultado thead th:first-child, .vx-resultado tbody th { text-align: left; }
:where(.vx-resultado thead th) { background: #e8eef5; border-bottom: 2px solid #173f6b; }
:where(.vx-resultado tbody th) { font-weight: normal; background: #fff; }
.vx-resultado tbody th, .vx-resultado thead th:first-child { position: sticky; left: 0;
  min-width: 9rem; }
:where(.vx-resultado tr.vx-total > *) { font-weight: 700; border-bottom: 2px solid #173f6b; }
:where(.vx-resultado tr.vx-subtotal > *) { font-weight: 600; background: #f0f4f8; }
.vx-resultado tr.vx-parte > th { padding-left: 1.75rem; }
.vx-mensagem { margin: 1rem 0; padding: 0.5rem 1rem; }
.vx-copias ul { display: flex; flex-wrap: wrap; gap: 0.5rem 1.5rem; margin: 1rem 0; padding: 0;
  list-style: none; }
.vx-grafico, .vx-mapa { margin: 1.5rem 0; min-width: 0; }
.vx-grafico figcaption p { margin: 0.25rem 0; }
.vx-barras, .vx-areas { display: block; max-width: 100%; height: auto; }
:where(.vx-aviso) { color: #4a5561; font-size: 0.9rem; }
.vx-cores { display: flex; flex-wrap: wrap; gap: 0.25rem 1.25rem; margin: 0.5rem 0; padding: 0;
  list-style: none; font-size: 0.9rem; }
.vx-amostra { display: inline-block; width: 0.9rem; height: 0.9rem; margin-right: 0.4rem;
  vertical-align: -0.1rem; border: 1px solid #4a5561; }
.vx-barras text { font-size: 12px; fill: #1b1f24; }
.vx-barras .vx-marca { fill: #4a5561; }
.vx-grade { stroke: #d5dae0; }
.vx-zero { stroke: #1b1f24; }
.vx-barras rect { stroke: #1b1f24; stroke-width: 0.5; }
.vx-barras .vx-vazio { fill: #fff; stroke-dasharray: 3 2; }
.vx-instavel { fill-opacity: 0.45; }
.vx-s1 { fill: #0072b2; background: #0072b2; }
.vx-s2 { fill: #e69f00; background: #e69f00; }
.vx-s3 { fill: #009e73; background: #009e73; }
.vx-s4 { fill: #d55e00; background: #d55e00; }
.vx-s5 { fill: #56b4e9; background: #56b4e9; }
.vx-s6 { fill: #cc79a7; background: #cc79a7; }
.vx-s7 { fill: #f0e442; background: #f0e442; }
.vx-s8 { fill: #000; background: #000; }
.vx-areas path { stroke: #6b7785; stroke-width: 0.5px; vector-effect: non-scaling-stroke;
  fill-rule: evenodd; }
.vx-c1 { fill: #ffffcc; background: #ffffcc; }
.vx-c2 { fill: #a1dab4; background: #a1dab4; }
.vx-c3 { fill: #41b6c4; background: #41b6c4; }
.vx-c4 { fill: #2c7fb8; background: #2c7fb8; }
.vx-c5 { fill: #253494; background: #253494; }
.vx-nulo { fill: #d9d9d9; background: #d9d9d9; }
.vx-oculta { fill: url(#vx-hachura); background: repeating-linear-gradient(45deg, #f2f2f2 0 3px,
  #8a8a8a 3px 5px); }
@media print {
  .vx-tabela, .vx-texto { overflow: visible; }
  .vx-cabecalho, .vx-resultado th { position: static; }
  .vx-cabecalho { max-width: none; }
  .vx-resultado { font-size: 9pt; }
  .vx-resultado thead { display: table-header-group; }
  .vx-resultado tr { break-inside: avoid; page-break-inside: avoid; }
  .vx-copias, .vx-botoes { display: none; }
  .vx-grafico, .vx-mapa { break-inside: avoid; page-break-inside: avoid; }
  .vx-amostra { print-color-adjust: exact; -webkit-print-color-adjust: exact; }
})css";

void writeOut(std::string_view text) { writeLine(stdout, text); }

}  // namespace

std::string_view modernStyle() { return kStyle; }

std::string modernTitle(std::string_view title) {
  const std::string shown = htmlAccents(trimSpaces(title));
  return shown.empty() ? "Vorlex" : shown;
}

std::string attributeText(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    if (c == '"') {
      result += "&quot;";
    } else {
      result += c;
    }
  }
  return result;
}

void writeModernHead(const ModernHead& head) {
  writeOut("<!DOCTYPE html>");
  writeOut(std::string("<html lang=\"") + htmlLanguageTag(head.language) + "\">");
  writeOut("<head>");
  // The programs write Windows-1252 bytes, and the servers leave their pages unlabelled.
  writeOut("<meta charset=\"windows-1252\">");
  writeOut("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
  writeOut("<title>" + modernTitle(head.title) + "</title>");
  writeOut("<style>");
  for (const std::string_view line : splitLines(modernStyle())) writeOut(line);
  writeOut("</style>");
  if (head.styleSheetsOn) {
    writeOut("<link rel=\"stylesheet\" href=\"" + attributeText(head.styleSheet) + "\">");
    if (!head.printStyleSheet.empty()) {
      writeOut("<link rel=\"stylesheet\" href=\"" + attributeText(head.printStyleSheet) +
               "\" media=\"print\">");
    }
  }
  writeOut("</head>");
}

void writeModernBodyStart(const std::vector<std::string>& headerLines) {
  writeOut("<body class=\"vx-moderno\">");
  if (!headerLines.empty()) {
    writeOut("<header>");
    for (const std::string& line : headerLines) writeOut(line);
    writeOut("</header>");
  }
  writeOut("<main>");
}

void writeModernMainEnd(const std::vector<std::string>& footerLines) {
  writeOut("</main>");
  if (footerLines.empty()) return;
  writeOut("<footer>");
  for (const std::string& line : footerLines) writeOut(line);
  writeOut("</footer>");
}
