// The modern form's script: progressive enhancement only. It adds a filter box above each list,
// keeps "all categories" apart from the categories of a selection, and checks before posting the
// rules the tabulator checks again, with the texts the page carries in data-vx-* attributes.
#include <string>

#include "modern_form.h"
#include "text_helpers.h"

namespace {

constexpr std::string_view kScript = R"js((function () {
  'use strict';
  var form = document.getElementById('vx-formulario');
  if (!form || !form.querySelectorAll || !''.trim) return;
  var notices = document.getElementById('vx-avisos');
  function each(items, action) { Array.prototype.forEach.call(items, action); }
  function chosen(list) {
    return Array.prototype.filter.call(list.options, function (o) { return o.selected; });
  }
  function plain(text) {
    var lower = String(text).toLowerCase();
    return lower.normalize ? lower.normalize('NFD').replace(/[\u0300-\u036f]/g, '') : lower;
  }
  function filterList(list, text) {
    var wanted = plain(text.trim());
    each(list.options, function (o) {
      o.hidden = wanted !== '' && !o.selected && plain(o.text).indexOf(wanted) < 0;
    });
  }
  function addFilter(list) {
    var name = document.querySelector('label[for="' + list.id + '"]');
    var line = document.createElement('div');
    var label = document.createElement('label');
    var hidden = document.createElement('span');
    var box = document.createElement('input');
    line.className = 'vx-filtro';
    box.type = 'search';
    box.id = list.id + '-filtro';
    box.autocomplete = 'off';
    box.setAttribute('aria-controls', list.id);
    label.htmlFor = box.id;
    label.textContent = form.getAttribute('data-vx-filtro') + ' ';
    hidden.className = 'vx-oculto';
    hidden.textContent = name ? name.textContent : '';
    label.appendChild(hidden);
    line.appendChild(label);
    line.appendChild(box);
    list.parentNode.insertBefore(line, list);
    box.addEventListener('input', function () { filterList(list, box.value); });
  }
  function keepAllApart(list) {
    var all = list.options[0];
    list.vxAll = all.selected;
    list.addEventListener('change', function () {
      var others = chosen(list).filter(function (o) { return o !== all; });
      if (all.selected && others.length) {
        if (list.vxAll) all.selected = false;
        else others.forEach(function (o) { o.selected = false; });
      }
      list.vxAll = all.selected;
    });
  }
  function problems() {
    var found = [];
    function add(text, list) { if (text) found.push({ text: text, list: list }); }
    var row = document.getElementById('vx-linha');
    var column = document.getElementById('vx-coluna');
    var measures = document.getElementById('vx-conteudo');
    var periods = document.getElementById('vx-periodos');
    each(form.querySelectorAll('select[data-vx-vazio]'), function (list) {
      if (!chosen(list).length) add(list.getAttribute('data-vx-vazio'), list);
    });
    var rowChoice = row ? chosen(row)[0] : null;
    var columnChoice = column ? chosen(column)[0] : null;
    var columnActive = columnChoice && columnChoice.index > 0;
    if (rowChoice && columnActive && rowChoice.value === columnChoice.value) {
      add(columnChoice.getAttribute('data-vx-igual'), column);
    }
    if (!measures) return found;
    var measuresChosen = chosen(measures);
    if (measuresChosen.length > 1 && columnActive) {
      add(measures.getAttribute('data-vx-com-coluna'), column);
    }
    var fields = [rowChoice ? rowChoice.getAttribute('data-vx-campo') : null,
                  columnActive ? columnChoice.getAttribute('data-vx-campo') : null];
    var severalPeriods = periods && chosen(periods).length > 1;
    measuresChosen.forEach(function (m) {
      var kind = m.getAttribute('data-vx-tipo');
      if ((kind === '%' || (kind === 'E' && severalPeriods)) &&
          fields.indexOf(m.getAttribute('data-vx-campo')) < 0) {
        add(m.getAttribute('data-vx-erro'), row || measures);
      }
    });
    return found;
  }
  function show(found) {
    each(form.querySelectorAll('[aria-invalid]'), function (e) { e.removeAttribute('aria-invalid'); });
    while (notices.firstChild) notices.removeChild(notices.firstChild);
    if (!found.length) return;
    var title = document.createElement('p');
    var items = document.createElement('ul');
    title.textContent = notices.getAttribute('data-vx-titulo');
    found.forEach(function (p) {
      var item = document.createElement('li');
      item.textContent = p.text;
      items.appendChild(item);
      p.list.setAttribute('aria-invalid', 'true');
    });
    notices.appendChild(title);
    notices.appendChild(items);
  }
  each(form.querySelectorAll('select'), addFilter);
  each(form.querySelectorAll('select.vx-selecao'), keepAllApart);
  form.addEventListener('submit', function (event) {
    var found = problems();
    show(found);
    if (found.length) {
      event.preventDefault();
      found[0].list.focus();
    }
  });
  form.addEventListener('change', function () { if (notices.firstChild) show(problems()); });
  form.addEventListener('reset', function () {
    setTimeout(function () {
      each(form.querySelectorAll('select'), function (list) {
        filterList(list, '');
        list.vxAll = list.options.length > 0 && list.options[0].selected;
      });
      show([]);
    }, 0);
  });
})();)js";

}  // namespace

const std::vector<std::string_view>& modernFormScript() {
  static const std::vector<std::string_view> lines = splitLines(kScript);
  return lines;
}
