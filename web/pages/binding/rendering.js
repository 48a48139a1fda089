(function (lib) {
  "use strict";
  var d = lib.dom;
  var WeakMap = d.WeakMap;

  // ---- element properties reflecting the binding attributes

  function attribute(el, name) {
    var value = el && el.getAttribute ? d.getAttribute(el, name) : null;
    return value === null || value === undefined ? "" : String(value);
  }
  lib.binding = {
    sourceOf: function (el) { return attribute(el, "datasrc"); },
    fieldOf: function (el) { return attribute(el, "datafld"); },
    formatOf: function (el) { return attribute(el, "dataformatas"); }
  };
  [["dataSrc", "datasrc"], ["dataFld", "datafld"], ["dataFormatAs", "dataformatas"]].forEach(function (pair) {
    d.define(d.HTMLElement.prototype, pair[0], {
      get: function () { return attribute(this, pair[1]); },
      set: function (value) { d.setAttribute(this, pair[1], String(value)); }
    });
  });

  // ---- rows the rendering generated

  // Generated row -> {record, index}.
  var rows = new WeakMap();
  // Repeated table -> {body, template: [row clones]}.
  var tables = new WeakMap();

  lib.rows = {
    recordOf: function (tr) { var row = rows.get(tr); return row ? row.record : null; },
    recordIndexOf: function (tr) { var row = rows.get(tr); return row ? row.index : -1; },
    isGenerated: function (tr) { return rows.has(tr); },
    // The rows a repeated table copies per record (kept apart from the page), or null before its first rendering.
    templateOf: function (table) { var kept = tables.get(table); return kept ? kept.template : null; }
  };

  // ---- records and fields

  function islandName(source) {
    var text = d.trim(String(source));
    return text.charAt(0) === "#" ? d.slice(text, 1) : text;
  }

  function recordsOf(doc, source) {
    if (!source) return null;
    var recordSet = lib.islands.documentOf(lib.islands.find(doc, islandName(source)));
    if (!recordSet || !recordSet.documentElement) return null;
    var root = recordSet.documentElement;
    var records = [];
    for (var child = root.firstElementChild; child; child = child.nextElementSibling) d.push(records, child);
    return records;
  }

  function fieldElement(record, field) {
    for (var child = record.firstElementChild; child; child = child.nextElementSibling)
      if (child.localName === field || child.nodeName === field) return child;
    return null;
  }

  function fieldValue(record, field) {
    var el = fieldElement(record, field);
    if (el) return d.getText(el);
    if (record.hasAttribute && record.hasAttribute(field)) return String(record.getAttribute(field));
    return "";
  }

  function isTrue(text) {
    var t = d.toLowerCase(d.trim(String(text)));
    return t !== "" && t !== "0" && t !== "false" && t !== "no" && t !== "off";
  }

  var textElements = { span: 1, div: 1, label: 1, legend: 1, button: 1, td: 1, th: 1, p: 1, b: 1, i: 1, u: 1,
                       strong: 1, em: 1, h1: 1, h2: 1, h3: 1, h4: 1, h5: 1, h6: 1, li: 1, font: 1, marquee: 1,
                       caption: 1 };

  // How an element shows a field: "text", "html", "value", "checkbox", "radio", "src", "href", or "".
  function kindOf(el) {
    var name = d.localName(el);
    if (name === "input") {
      var type = d.toLowerCase(String(el.type || ""));
      return type === "checkbox" || type === "radio" ? type : "value";
    }
    if (name === "textarea" || name === "select") return "value";
    if (name === "img" || name === "iframe" || name === "frame") return "src";
    if (name === "a") return "href";
    if (textElements[name]) return d.toLowerCase(lib.binding.formatOf(el)) === "html" ? "html" : "text";
    return "";
  }

  // Shows a field's value in a fresh copy of a template element (nothing to compare with).
  function fill(el, kind, value) {
    if (kind === "text") d.setText(el, value);
    else if (kind === "html") d.setInnerHTML(el, value);
    else showAs(el, kind, value);
  }

  // Shows a field's value in an element the way its kind does.
  function showAs(el, kind, value) {
    switch (kind) {
      case "text": if (d.getText(el) !== value) d.setText(el, value); break;
      case "html": if (d.getInnerHTML(el) !== value) d.setInnerHTML(el, value); break;
      case "value": if (el.value !== value) el.value = value; break;
      case "checkbox": el.checked = isTrue(value); break;
      case "radio": el.checked = d.hasAttribute(el, "value") ? el.value === value : isTrue(value); break;
      case "src": if (attribute(el, "src") !== value) d.setAttribute(el, "src", value); break;
      case "href": if (attribute(el, "href") !== value) d.setAttribute(el, "href", value); break;
    }
  }

  function show(el, value) { showAs(el, kindOf(el), value); }

  // The generated row an element lies in, and its repeated table, or null.
  function rowOf(el) {
    for (var node = el; node; node = node.parentElement) {
      if (d.localName(node) === "tr" && rows.has(node)) return node;
    }
    return null;
  }

  function tableOfRow(tr) {
    for (var node = tr.parentElement; node; node = node.parentElement)
      if (d.localName(node) === "table") return node;
    return null;
  }

  // The record an element shows: its row's, or the first of its island's.
  function recordFor(doc, el) {
    var source = lib.binding.sourceOf(el);
    var tr = rowOf(el);
    if (tr) {
      var table = tableOfRow(tr);
      if (!source || (table && islandName(source) === islandName(lib.binding.sourceOf(table)))) return rows.get(tr).record;
    }
    if (!source) return null;
    var records = recordsOf(doc, source);
    return records && records.length ? records[0] : null;
  }

  // ---- repeated tables

  function templateOf(table) {
    var kept = tables.get(table);
    if (kept) return kept;
    var body = table.tBodies && table.tBodies.length ? table.tBodies[0] : null;
    if (!body) {
      body = d.createElement(table.ownerDocument, "tbody");
      d.appendChild(table, body);
    }
    var template = [];
    for (var b = 0; b < table.tBodies.length; b++) {
      var bodyRows = table.tBodies[b].rows;
      for (var r = 0; r < bodyRows.length; r++) d.push(template, d.cloneNode(bodyRows[r], true));
    }
    kept = { body: body, template: template };
    tables.set(table, kept);
    return kept;
  }

  // What each template row's bound elements show, in document order:
  // {field, kind, source} (source: an island of their own, else "").
  function compile(table, template) {
    var tableSource = islandName(lib.binding.sourceOf(table));
    var compiled = [];
    for (var t = 0; t < template.length; t++) {
      var bound = d.querySelectorAll(template[t], "[datafld]");
      var shown = [];
      for (var i = 0; i < bound.length; i++) {
        var source = lib.binding.sourceOf(bound[i]);
        d.push(shown, { field: lib.binding.fieldOf(bound[i]), kind: kindOf(bound[i]),
                        source: source && islandName(source) !== tableSource ? source : "" });
      }
      d.push(compiled, shown);
    }
    return compiled;
  }

  // A record's field elements by name, read in one pass.
  function fieldsOf(record) {
    var fields = Object.create(null);
    for (var child = record.firstElementChild; child; child = child.nextElementSibling) {
      var name = child.nodeName;
      if (!(name in fields)) fields[name] = child;
    }
    return fields;
  }

  // A generated row's bound elements from its template's compiled list.
  // `fresh`: the row is a new copy of its template (nothing to compare with).
  function bindRow(doc, tr, shown, record, firstRecords, fresh) {
    var bound = d.querySelectorAll(tr, "[datafld]");
    var count = bound.length < shown.length ? bound.length : shown.length;
    var fields = null;
    for (var i = 0; i < count; i++) {
      var what = shown[i];
      if (!what.kind) continue;
      var value;
      if (what.source) {
        if (!(what.source in firstRecords)) {
          var own = recordsOf(doc, what.source);
          firstRecords[what.source] = own && own.length ? own[0] : null;
        }
        if (!firstRecords[what.source]) continue;
        value = fieldValue(firstRecords[what.source], what.field);
      } else {
        if (!fields) fields = fieldsOf(record);
        var field = fields[what.field];
        value = field ? d.getText(field) : fieldValue(record, what.field);
      }
      if (fresh) fill(bound[i], what.kind, value);
      else showAs(bound[i], what.kind, value);
    }
  }

  // How many of the body's first rows are generated rows in template order
  // (row r a copy of template row r % perRecord), whole records only; -1
  // when a row of the page's own stands among them.
  function reusableRows(body, perRecord) {
    var current = body.rows;
    for (var r = 0; r < current.length; r++) {
      var row = rows.get(current[r]);
      if (!row || row.template !== r % perRecord) return -1;
    }
    return current.length - current.length % perRecord;
  }

  // A new copy of template row `t` showing record `i`.
  function newRow(doc, kept, compiled, records, i, t, firstRecords) {
    var tr = d.cloneNode(kept.template[t], true);
    rows.set(tr, { record: records[i], index: i, template: t });
    bindRow(doc, tr, compiled[t], records[i], firstRecords, true);
    return tr;
  }

  function renderTable(doc, table) {
    var records = recordsOf(doc, lib.binding.sourceOf(table));
    // Without its island the table stays as the page wrote it.
    if (!records) return;
    var kept = templateOf(table);
    var compiled = compile(table, kept.template);
    var perRecord = kept.template.length;
    if (!perRecord) return;
    var firstRecords = {};
    if (kept.body.parentNode !== table) {
      kept.body = d.createElement(doc, "tbody");
      d.appendChild(table, kept.body);
    }
    var body = kept.body;
    for (var b = table.tBodies.length - 1; b >= 0; b--) {
      var other = table.tBodies[b];
      if (other !== body) d.removeChild(table, other);
    }
    var wanted = records.length * perRecord;
    var reused = reusableRows(body, perRecord);
    if (reused > wanted) reused = wanted;
    if (reused <= 0 && body.rows.length) {
      // Nothing to keep: a new body, built apart from the page and put in at once.
      var fresh = d.cloneNode(body, false);
      for (var i = 0; i < records.length; i++)
        for (var t = 0; t < perRecord; t++) d.appendChild(fresh, newRow(doc, kept, compiled, records, i, t, firstRecords));
      table.replaceChild(fresh, body);
      kept.body = fresh;
      return;
    }
    // Rows already there show the records in their place; only cells whose
    // value differs change.
    var current = body.rows;
    for (var r = 0; r < reused; r++) {
      var row = rows.get(current[r]);
      var index = (r / perRecord) | 0;
      row.record = records[index];
      row.index = index;
      bindRow(doc, current[r], compiled[r % perRecord], row.record, firstRecords, false);
    }
    // Rows past the records go; missing ones are built apart and put in at once.
    while (current.length > reused) d.removeChild(body, current[current.length - 1]);
    if (reused < wanted) {
      var more = d.createDocumentFragment(doc);
      for (var n = reused / perRecord; n < records.length; n++)
        for (var u = 0; u < perRecord; u++) d.appendChild(more, newRow(doc, kept, compiled, records, n, u, firstRecords));
      d.appendChild(body, more);
    }
  }

  // ---- the whole page

  var rendering = false;
  function render(doc) {
    if (!doc || rendering) return;
    rendering = true;
    try {
      var repeated = d.documentQuerySelectorAll(doc, "table[datasrc]");
      for (var t = 0; t < repeated.length; t++) {
        var table = repeated[t];
        // A table inside another repeated table's rows is not repeated on its own.
        if (rowOf(table)) continue;
        renderTable(doc, table);
      }
      // Rows of repeated tables were done with their table.
      var bound = d.documentQuerySelectorAll(doc, "[datafld]:not(table[datasrc] > tbody > tr *)");
      for (var i = 0; i < bound.length; i++) {
        var el = bound[i];
        if (rowOf(el)) continue;  // done with its row
        var record = recordFor(doc, el);
        if (record) show(el, fieldValue(record, lib.binding.fieldOf(el)));
      }
      lib.islands.settle(doc);
    } finally {
      rendering = false;
    }
  }
  lib.render = render;

  // ---- write-back of form fields to their record

  var validName = /^[A-Za-z_\u00C0-\uFFFF][\w.\-\u00B7\u00C0-\uFFFF]*$/;

  function writeBack(event) {
    var el = event.target;
    if (!el || !el.getAttribute) return;
    var field = lib.binding.fieldOf(el);
    if (!field) return;
    var name = d.localName(el);
    var value;
    if (name === "input") {
      var type = d.toLowerCase(String(el.type || ""));
      if (type === "checkbox") value = el.checked ? "true" : "false";
      else if (type === "radio") {
        if (!el.checked) return;
        value = d.hasAttribute(el, "value") ? el.value : "true";
      } else value = el.value;
    } else if (name === "textarea" || name === "select") {
      value = el.value;
    } else {
      return;
    }
    var doc = el.ownerDocument;
    var record = recordFor(doc, el);
    if (!record) return;
    var target = fieldElement(record, field);
    if (!target) {
      if (!validName.test(field)) return;
      target = record.ownerDocument.createElement(field);
      d.appendChild(record, target);
    }
    if (d.getText(target) !== value) d.setText(target, value);
  }

  var doc = d.document;
  d.addEventListener(doc, "change", writeBack, true);

  // Islands are read and the page rendered before the page's own
  // DOMContentLoaded handlers run (this listener was added first).
  d.addEventListener(doc, "DOMContentLoaded", function () {
    var all = lib.islands.list(doc);
    if (!all.length) return;
    for (var i = 0; i < all.length; i++) lib.islands.documentOf(all[i]);
    try {
      var sheet = new d.CSSStyleSheet();
      sheet.replaceSync("xml { display: none; }");
      doc.adoptedStyleSheets = doc.adoptedStyleSheets.concat([sheet]);
    } catch (e) {
      // older engines: islands stay visible as the page styles them
    }
    render(doc);
  }, true);
})
