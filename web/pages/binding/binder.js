(function (lib) {
  "use strict";

  // The walk the binder and the unbinder share, the island rules, and the
  // binder itself.

  const TEMP_TARGET_ID = "attributeForTableTargetElement";
  const XML_HEADER = '<?xml version="1.0" encoding="windows-1251"?>';
  const EMPTY_RECORD_SET = "<recordset>\r\n</recordset>";
  const RECORD = "record";
  const FIRST_ORDERED_NODE = 9;

  const evaluate = Document.prototype.evaluate;
  const getElementsByTagName = Document.prototype.getElementsByTagName;
  const elementGetElementsByTagName = Element.prototype.getElementsByTagName;
  const querySelectorAll = Document.prototype.querySelectorAll;
  const getAttribute = Element.prototype.getAttribute;
  const setAttribute = Element.prototype.setAttribute;
  const removeAttribute = Element.prototype.removeAttribute;
  const createElementNS = Document.prototype.createElementNS;
  const appendChild = Node.prototype.appendChild;
  const removeChild = Node.prototype.removeChild;
  const NAME_START = "A-Za-z_\u00C0-\u00D6\u00D8-\u00F6\u00F8-\u02FF\u0370-\u037D\u037F-\u1FFF\u200C\u200D" +
    "\u2070-\u218F\u2C00-\u2FEF\u3001-\uD7FF\uF900-\uFDCF\uFDF0-\uFFFD";
  // An XML name without a prefix: what a record's field element can be called.
  const isFieldName = new RegExp("^[" + NAME_START + "][" + NAME_START + "\\-.0-9\u00B7\u0300-\u036F\u203F\u2040]*$");

  function toArray(list) {
    return Array.prototype.slice.call(list);
  }

  function lower(text) {
    return String(text).toLowerCase();
  }

  function withoutHashes(text) {
    return String(text).trim().replace(/#/g, "");
  }

  // The first node an XPath expression selects from `context`, or null; an
  // expression that is no XPath selects nothing.
  function selectNode(xmlDoc, expression, context) {
    try {
      return evaluate.call(xmlDoc, expression, context || xmlDoc, null, FIRST_ORDERED_NODE, null).singleNodeValue;
    } catch (e) {
      return null;
    }
  }

  function firstRecord(xmlDoc) {
    return elementsOf(xmlDoc, RECORD)[0] || null;
  }

  function elementsOf(xmlDoc, name) {
    return getElementsByTagName.call(xmlDoc, name);
  }

  function appendEmpty(xmlDoc, parent, name) {
    appendChild.call(parent, createElementNS.call(xmlDoc, null, name));
  }

  function errorText(e) {
    if (!e || typeof e !== "object") return String(e);
    const message = e.message !== undefined ? String(e.message) : String(e);
    if (!e.sourceURL) return message;
    const file = String(e.sourceURL).replace(/^.*\//, "");
    return file + ":" + e.line + ": " + message;
  }

  // One run over a document. `ops` gives bindElement(run, el, rowIndex) and
  // bindTable(run, table).
  class Run {
    constructor(doc, target, settings, ops) {
      this.doc = doc;
      this.target = target || null;
      this.settings = settings || {};
      this.ops = ops;
      this.islandDocument = null;
      this.islandName = "";
      this.islandElement = null;
    }

    setting(name, fallback) {
      const value = this.settings[name];
      return value === undefined || value === null ? fallback : value;
    }

    // The cached island, or the document's island of that id.
    findIsland(name) {
      if (this.islandDocument && lower(name) === lower(this.islandName)) return this.islandDocument;
      this.islandDocument = null;
      this.islandElement = null;
      this.islandName = name;
      const element = lib.islands.find(this.doc, name);
      if (!element) return null;
      this.islandElement = element;
      this.islandDocument = lib.islands.documentOf(element);
      return this.islandDocument;
    }

    // An island of that name holding at least one record, made when missing;
    // null for an island with nodes but no record.
    ensureIsland(name) {
      if (name === "" || name === "#") name = this.setting("dataSrc", "xmlData");
      let xmlDoc = this.findIsland(name);
      if (!this.islandElement) {
        const element = lib.islands.create(this.doc, name, XML_HEADER + "\r\n" + EMPTY_RECORD_SET);
        return this.addFirstRecord(name, element);
      }
      if (xmlDoc && xmlDoc.documentElement && firstRecord(xmlDoc)) return xmlDoc;
      if ((!xmlDoc || !xmlDoc.documentElement) && this.islandElement.innerHTML.trim() === "") {
        lib.islands.setText(this.islandElement, XML_HEADER + "\r\n" + EMPTY_RECORD_SET);
        return this.addFirstRecord(name, this.islandElement);
      }
      return null;
    }

    addFirstRecord(name, element) {
      const xmlDoc = lib.islands.documentOf(element);
      if (!xmlDoc || !xmlDoc.documentElement) throw new Error("The data island " + name + " cannot be made");
      appendEmpty(xmlDoc, xmlDoc.documentElement, RECORD);
      this.islandName = name;
      this.islandElement = element;
      this.islandDocument = xmlDoc;
      return xmlDoc;
    }

    // The elements a walk step covers: with a table target the elements its
    // id names, with another target its descendants of that tag, else the
    // document's.
    collection(tag) {
      if (!this.target) return toArray(getElementsByTagName.call(this.doc, tag));
      if (lower(this.target.tagName) === "table") {
        const id = this.target.id;
        return toArray(querySelectorAll.call(this.doc, "[id],[name]")).filter(
          (el) => el.id === id || getAttribute.call(el, "name") === id);
      }
      return toArray(elementGetElementsByTagName.call(this.target, tag));
    }

    bindElements(elements, rowIndex) {
      for (const el of toArray(elements)) {
        if (lower(el.tagName) === "table") this.ops.bindTable(this, el);
        else this.ops.bindElement(this, el, rowIndex);
      }
    }

    removeDuplicateIslands() {
      const seen = new Set();
      for (const island of lib.islands.list(this.doc)) {
        const id = lower(island.id || "");
        if (!seen.has(id)) {
          seen.add(id);
        } else if (island.parentNode) {
          removeChild.call(island.parentNode, island);
        }
      }
    }

    clearIslands() {
      for (const island of lib.islands.list(this.doc)) {
        const xmlDoc = lib.islands.documentOf(island);
        const record = xmlDoc && xmlDoc.documentElement ? firstRecord(xmlDoc) : null;
        if (!record) continue;
        record.parentNode.removeChild(record);
        appendEmpty(xmlDoc, xmlDoc.documentElement, RECORD);
      }
    }

    // Steps of the run; "" or the text of the error that ended it. The
    // target's id is put back in any case.
    execute() {
      if (!this.doc && !this.target) return "";
      if (!this.doc) this.doc = this.target.ownerDocument;
      const tempId = !!this.target && !this.target.id;
      const oldId = tempId ? getAttribute.call(this.target, "id") : null;
      if (tempId) this.target.id = TEMP_TARGET_ID;
      try {
        this.removeDuplicateIslands();
        if (this.setting("clearSource", false)) this.clearIslands();
        this.bindElements(this.collection("table"), -1);
        const tag = String(this.setting("bindTag", "span"));
        if (tag !== "") this.bindElements(this.collection(tag), -1);
        return "";
      } catch (e) {
        return errorText(e);
      } finally {
        if (tempId && oldId === null) removeAttribute.call(this.target, "id");
        else if (tempId) setAttribute.call(this.target, "id", oldId);
      }
    }
  }

  // Points the element at its island and gives every record an element for
  // its field.
  function bindElement(run, el, rowIndex) {
    void rowIndex;
    const field = lib.binding.fieldOf(el).trim();
    if (field === "") return;
    let source = withoutHashes(lib.binding.sourceOf(el));
    if (source === "" || !run.setting("separateSrc", true)) source = String(run.setting("dataSrc", "xmlData"));
    setAttribute.call(el, "datasrc", "#" + source);
    if (!isFieldName.test(field)) return;
    const xmlDoc = run.ensureIsland(source);
    // "//" + field, without XPath's whole-document node set.
    if (!xmlDoc || elementsOf(xmlDoc, field)[0]) return;
    for (const record of toArray(elementsOf(xmlDoc, RECORD))) appendEmpty(xmlDoc, record, field);
  }

  lib.bindingRun = {
    Run: Run,
    selectNode: selectNode,
    errorText: errorText,
    toArray: toArray,
    withoutHashes: withoutHashes,
    XML_HEADER: XML_HEADER,
  };

  lib.jobs = lib.jobs || {};

  lib.jobs.bind = function (doc, target, settings) {
    const run = new Run(doc, target, settings, { bindElement: bindElement, bindTable: function () {} });
    return run.execute();
  };

  // [id, text] of every island in document order; the client makes the file
  // names and headers.
  lib.jobs.saveislands = function (doc) {
    return lib.islands.list(doc).map((island) => [String(island.id || ""), lib.islands.textOf(island)]);
  };
})
