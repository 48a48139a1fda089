(function (lib) {
  "use strict";

  // Prepares a page for print or for saving as static HTML.

  const IMPORT_RULE = 3;
  let charset = "";
  const MAX_IMPORT_DEPTH = 8;

  const getElementsByTagName = Document.prototype.getElementsByTagName;
  const querySelectorAll = Element.prototype.querySelectorAll;
  const getAttribute = Element.prototype.getAttribute;
  const removeAttribute = Element.prototype.removeAttribute;
  const removeChild = Node.prototype.removeChild;
  const styleSheetsOf = Object.getOwnPropertyDescriptor(Document.prototype, "styleSheets").get;

  function toArray(list) {
    return Array.prototype.slice.call(list);
  }

  function remove(el) {
    if (el.parentNode) removeChild.call(el.parentNode, el);
  }

  function textOf(el) {
    const text = el.innerText;
    return typeof text === "string" ? text : el.textContent;
  }

  // The text without its "@import" rules: each from "@import" to its ";"
  // (to the end when none follows); the rest stays as it was.
  function stripImports(text) {
    let out = "";
    let rest = String(text);
    for (;;) {
      const at = rest.search(/@import/i);
      if (at < 0) return out + rest;
      const end = rest.indexOf(";", at);
      out += rest.substring(0, at);
      if (end < 0) return out;
      rest = rest.substring(end + 1);
    }
  }

  // A sheet the page may not read through CSSOM (another file: document),
  // read as the client grants it.
  function readFile(url) {
    if (!lib.host || typeof lib.host.readSource !== "function") return "";
    try {
      const text = lib.host.readSource(String(url), charset);
      return typeof text === "string" ? stripImports(text) : "";
    } catch (e) {
      return "";
    }
  }

  // The text of a sheet's rules, its own imports inlined first.
  function sheetText(sheet, depth) {
    let rules;
    try {
      rules = sheet.cssRules;
    } catch (e) {
      return sheet.href ? readFile(sheet.href) : "";
    }
    if (!rules) return "";
    let imported = "";
    let own = "";
    for (const rule of toArray(rules)) {
      if (rule.type === IMPORT_RULE) imported += importedText(rule, depth + 1);
      else own += rule.cssText + "\n";
    }
    return imported + own;
  }

  function importedText(rule, depth) {
    if (depth > MAX_IMPORT_DEPTH) return "";
    if (rule.styleSheet) return sheetText(rule.styleSheet, depth);
    return rule.href ? readFile(rule.href) : "";
  }

  function inlineImports(doc) {
    charset = String(doc.characterSet || "");
    for (const sheet of toArray(styleSheetsOf.call(doc))) {
      const owner = sheet.ownerNode;
      if (!owner || owner.nodeType !== 1 || owner.tagName.toLowerCase() !== "style") continue;
      let gathered = "";
      let imports = false;
      let rules = null;
      try {
        rules = sheet.cssRules;
      } catch (e) {
        rules = null;
      }
      for (const rule of toArray(rules || [])) {
        if (rule.type !== IMPORT_RULE) continue;
        imports = true;
        gathered += importedText(rule, 1);
      }
      const text = owner.textContent;
      if (!imports && !/@import/i.test(text)) continue;
      owner.textContent = gathered + stripImports(text);
    }
  }

  function isPrint(style) {
    const media = getAttribute.call(style, "media");
    return media !== null && media.trim().toLowerCase() === "print";
  }

  // Hidden elements and styles for other media go; print styles lose their
  // media (every style does when none is for print); imports are inlined.
  function prepare(doc) {
    const marked = [];
    if (doc.body) {
      for (const el of toArray(querySelectorAll.call(doc.body, "[style]"))) {
        if (el.style && String(el.style.display).toLowerCase() === "none") marked.push(el);
      }
    }
    const styles = toArray(getElementsByTagName.call(doc, "style"));
    if (styles.some(isPrint)) {
      for (const style of styles) {
        if (getAttribute.call(style, "media") === null) continue;
        if (isPrint(style)) removeAttribute.call(style, "media");
        else marked.push(style);
      }
    } else {
      for (const style of styles) removeAttribute.call(style, "media");
    }
    for (const el of marked) remove(el);
    inlineImports(doc);
  }

  function removeScripts(doc) {
    for (const script of toArray(getElementsByTagName.call(doc, "script"))) remove(script);
  }

  function removeIslands(doc) {
    const islands = new Set(lib.islands.list(doc));
    for (const island of toArray(getElementsByTagName.call(doc, "xml"))) islands.add(island);
    for (const island of islands) remove(island);
  }

  // The title from the first heading of the body with text, when it has none.
  function ensureTitle(doc) {
    if (String(doc.title || "").trim() !== "" || !doc.body) return;
    for (const heading of toArray(querySelectorAll.call(doc.body, "h1,h2,h3,h4,h5,h6"))) {
      const text = textOf(heading).trim();
      if (text !== "") {
        doc.title = text;
        return;
      }
    }
  }

  lib.print = { prepare: prepare, removeScripts: removeScripts, stripImports: stripImports };

  lib.jobs = lib.jobs || {};

  lib.jobs.normalize = function (doc) {
    ensureTitle(doc);
    prepare(doc);
    removeScripts(doc);
    removeIslands(doc);
    return "";
  };
})
