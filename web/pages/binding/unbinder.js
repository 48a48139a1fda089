(function (lib) {
  "use strict";

  // Turns a bound page into static HTML: bound values become plain elements
  // holding their text, bound tables keep the rows the rendering made.

  const TEMP_SPAN_ID = "unbinderTempSpan";
  const MARKER_NAME = "aktoetosdelal";
  const MARKER_VALUE = "cvetochki";

  const getComputedStyle = lib.dom.getComputedStyle || window.getComputedStyle.bind(window);
  const getAttribute = Element.prototype.getAttribute;
  const setAttribute = Element.prototype.setAttribute;
  const removeAttribute = Element.prototype.removeAttribute;
  const hasAttribute = Element.prototype.hasAttribute;
  const getElementsByTagName = Element.prototype.getElementsByTagName;
  const getElementById = Document.prototype.getElementById;
  const createElement = Document.prototype.createElement;
  const cloneNode = Node.prototype.cloneNode;
  const appendChild = Node.prototype.appendChild;
  const removeChild = Node.prototype.removeChild;

  const shared = lib.bindingRun;
  const toArray = shared.toArray;

  function escapeText(text) {
    return String(text).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");
  }

  function escapeAttribute(text) {
    return escapeText(text).replace(/"/g, "&quot;");
  }

  function attribute(name, value) {
    return " " + name + '="' + escapeAttribute(value) + '"';
  }

  function classAttribute(name) {
    const text = String(name || "").trim();
    return text === "" ? "" : attribute("class", text);
  }

  function element(tag, attributes, content) {
    return "<" + tag + attributes + ">" + content + "</" + tag + ">";
  }

  // A number read from the left of a text: digits, "." or "," as the
  // decimal point, blanks skipped; the first other character ends it.
  function leadingNumber(value) {
    let kept = "";
    for (const c of String(value)) {
      if (c >= "0" && c <= "9") kept += c;
      else if (c === "." || c === ",") kept += ".";
      else if (c === " ") continue;
      else break;
    }
    const number = kept === "" ? 0 : parseFloat(kept);
    return isNaN(number) ? 0 : number;
  }

  function respects(settings, name) {
    const value = settings.respects === undefined ? "urId,urStyle" : settings.respects;
    return String(value).split(",").some((item) => item.trim() === name);
  }

  // The record a value inside a data row reads: the row's own record when it
  // belongs to the same island, else that island's record at the index.
  function recordFor(run, xmlDoc, rowIndex) {
    const root = xmlDoc.documentElement;
    if (rowIndex < 0) return null;
    if (run.row && run.row.record && run.row.record.ownerDocument === xmlDoc) return run.row.record;
    return root.children[rowIndex] || null;
  }

  const plainName = /^[A-Za-z_][A-Za-z0-9_.\-]*$/;

  // The node `field` selects from the record: its child element of that name
  // for a plain name (most fields, and far quicker), else the XPath.
  function fieldNode(xmlDoc, record, field) {
    if (!plainName.test(field)) return shared.selectNode(xmlDoc, field, record);
    for (let child = record.firstElementChild; child; child = child.nextElementSibling)
      if (child.nodeName === field) return child;
    return null;
  }

  function unbindElement(run, el, rowIndex) {
    const settings = run.settings;
    const doc = run.doc;
    const html = lib.binding.formatOf(el) === "html";
    let tempSpan = null;
    if (html) {
      tempSpan = getElementById.call(doc, TEMP_SPAN_ID);
      if (!tempSpan) {
        tempSpan = createElement.call(doc, "SPAN");
        tempSpan.id = TEMP_SPAN_ID;
      }
      tempSpan.innerHTML = el.innerHTML;
      run.bindElements(getElementsByTagName.call(tempSpan, String(run.setting("bindTag", "span"))), rowIndex);
    }
    const field = lib.binding.fieldOf(el).trim();
    if (field === "") return;
    let source = shared.withoutHashes(lib.binding.sourceOf(el));
    // Values inside a data row without a source of their own take the row's.
    if (source === "" && run.row) source = run.row.source;
    const xmlDoc = source === "" ? null : run.findIsland(source);

    let value;
    let className;
    if (xmlDoc && xmlDoc.documentElement) {
      removeAttribute.call(el, "datasrc");
      removeAttribute.call(el, "datafld");
      const record = recordFor(run, xmlDoc, rowIndex);
      const node = record ? fieldNode(xmlDoc, record, field) : shared.selectNode(xmlDoc, "//" + field);
      value = node ? escapeText(node.textContent) : "";
      className = node ? run.setting("unbindClass", "bindvalue") : run.setting("errorClass", "binderror");
    } else {
      className = run.setting("errorClass", "binderror");
      value = el.innerHTML;
    }
    if (html) value = tempSpan.innerHTML;

    let attributes = classAttribute(className);
    if (respects(settings, "urId") && el.id) attributes += attribute("id", el.id);
    // Only an element with a style attribute has a style to keep (reading
    // `style` makes a declaration object for every other one too).
    const style = hasAttribute.call(el, "style") && el.style ? el.style.cssText : "";
    if (respects(settings, "urStyle") && style) attributes += attribute("style", style);
    if (run.setting("debugMode", false)) {
      let title = "dataSrc: " + source + "\r\ndataFld: " + field;
      if (rowIndex >= 0) title += "\r\nrowIndex: " + rowIndex;
      attributes += attribute("title", title);
    }

    let replacement = "";
    const unbindTag = String(run.setting("unbindTag", "span"));
    if (value !== "") {
      replacement = unbindTag === "" ? value : element(unbindTag, attributes, value);
    } else if (run.setting("fillEmptyData", true)) {
      const own = getAttribute.call(el, "emptydata");
      const text = own !== null && own !== "" ? own : String(run.setting("emptyData", ""));
      const emptyTag = String(run.setting("emptyTag", "span"));
      replacement = emptyTag === "" ? text : element(emptyTag, classAttribute(run.setting("emptyClass", "emptydata")), text);
    }
    try {
      el.contentEditable = "false";
    } catch (e) {
      // An element that takes no editing flag is replaced all the same.
    }
    el.outerHTML = replacement;
  }

  // Whether the row belongs to a bound body: the first tbody above it sits in
  // an element with a datasrc, and no table comes first.
  function inBoundBody(row) {
    for (let node = row.parentNode; node && node.nodeType === 1; node = node.parentNode) {
      const tag = node.tagName.toLowerCase();
      if (tag === "table") return false;
      if (tag === "tbody") {
        const parent = node.parentNode;
        return !!parent && parent.nodeType === 1 && (getAttribute.call(parent, "datasrc") || "") !== "";
      }
    }
    return false;
  }

  function isDataRow(row) {
    return lib.rows.isGenerated(row) && inBoundBody(row);
  }

  function unbindTable(run, table) {
    const doc = run.doc;
    const className = table.className;
    if (className.indexOf("+") >= 0) table.className = className.substring(0, className.indexOf("+")).trim();

    if ((getAttribute.call(table, "border") || "").trim() === "") {
      let width;
      try {
        width = leadingNumber(getComputedStyle(table).borderTopWidth);
      } catch (e) {
        width = leadingNumber(getAttribute.call(table, "border") || "");
      }
      setAttribute.call(table, "border", width > 0 ? "1" : "0");
    }
    removeAttribute.call(table, "onreadystatechange");

    const source = shared.withoutHashes(lib.binding.sourceOf(table));
    if (source !== "") {
      if (run.ensureIsland(source)) {
        const body = createElement.call(doc, "tbody");
        body.id = "content" + source;
        setAttribute.call(body, MARKER_NAME, MARKER_VALUE);
        const outer = run.row;
        try {
          let counter = 0;
          for (const row of toArray(table.rows)) {
            if (!isDataRow(row)) continue;
            const index = lib.rows.recordIndexOf(row);
            const rowIndex = index >= 0 ? index : counter;
            run.row = { source: source, record: lib.rows.recordOf(row) };
            run.bindElements(getElementsByTagName.call(row, "*"), rowIndex);
            appendChild.call(body, cloneNode.call(row, true));
            counter++;
          }
        } finally {
          run.row = outer;
        }
        appendChild.call(table, body);
      }
      removeAttribute.call(table, "datasrc");
      for (const body of toArray(table.tBodies)) {
        if (getAttribute.call(body, MARKER_NAME) !== MARKER_VALUE) removeChild.call(table, body);
      }
      const foot = table.tFoot;
      if (foot && foot.rows.length > 0) {
        const body = createElement.call(doc, "tbody");
        for (const row of toArray(foot.rows)) {
          const copy = cloneNode.call(row, true);
          copy.className = "tfoot";
          appendChild.call(body, copy);
        }
        appendChild.call(table, body);
        table.deleteTFoot();
      }
    }

    for (const row of toArray(table.rows)) {
      for (const cell of toArray(row.cells)) {
        if (cell.tagName.toLowerCase() === "td" && cell.className.toLowerCase() === "indicator")
          row.removeChild(cell);
      }
    }
  }

  lib.unbinder = { leadingNumber: leadingNumber, escapeText: escapeText };

  lib.jobs = lib.jobs || {};

  // Scripts go, the page is prepared for print, then every bound table and
  // value is made static.
  lib.jobs.unbind = function (doc, target, settings) {
    try {
      lib.print.removeScripts(doc);
      lib.print.prepare(doc);
    } catch (e) {
      return shared.errorText(e);
    }
    const unbinding = new shared.Run(doc, target, settings, { bindElement: unbindElement, bindTable: unbindTable });
    unbinding.row = null;
    return unbinding.execute();
  };
})
