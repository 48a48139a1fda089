(function (lib) {
  "use strict";
  var d = lib.dom;
  var WeakMap = d.WeakMap;
  var WeakSet = d.WeakSet;
  var parser = new d.DOMParser();
  var serializer = new d.XMLSerializer();

  // Per HTML document: whether its source was read, and the raw islands found there.
  var documents = new WeakMap();
  // Per island element: its record-set document (null when its text is no XML).
  var islands = new WeakMap();
  // Record-set documents the module made (their nodes get the MSXML members).
  var recordSets = new WeakSet();

  function stateOf(doc) {
    var state = documents.get(doc);
    if (!state) {
      state = { read: false, sources: null, matched: 0 };
      documents.set(doc, state);
    }
    return state;
  }

  // Elements whose content is no markup (or not shown), so an "<xml" inside
  // them is no island.
  var rawTextElements = ["script", "style", "template", "noscript", "textarea", "title", "xmp", "iframe", "noembed",
                         "noframes", "plaintext"];

  function isNameEnd(c) {
    return c === "" || c === ">" || c === "/" || c === " " || c === "\t" || c === "\n" || c === "\r" || c === "\f";
  }

  // The attribute `name` of a raw start tag's text, or "".
  function rawAttribute(tag, name) {
    var pattern = new RegExp("[\\s\"'/]" + name + "\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))", "i");
    var m = pattern.exec(tag);
    if (!m) return "";
    return m[2] !== undefined ? m[2] : (m[3] !== undefined ? m[3] : m[4]);
  }

  // The islands of a page's raw source in document order: {id, text}.
  function tokenize(source) {
    var found = [];
    var lower = d.toLowerCase(source);
    var at = 0;
    var n = lower.length;
    while (at < n) {
      var lt = d.indexOf(lower, "<", at);
      if (lt < 0) break;
      if (lower.startsWith("<!--", lt)) {
        var endComment = d.indexOf(lower, "-->", lt + 4);
        at = endComment < 0 ? n : endComment + 3;
        continue;
      }
      var nameEnd = lt + 1;
      while (nameEnd < n && !isNameEnd(lower[nameEnd])) nameEnd++;
      var name = d.slice(lower, lt + 1, nameEnd);
      var tagEnd = d.indexOf(lower, ">", nameEnd);
      if (tagEnd < 0) break;
      if (name === "xml") {
        var close = d.indexOf(lower, "</xml", tagEnd + 1);
        var contentEnd = close < 0 ? n : close;
        found.push({ id: rawAttribute(d.slice(source, lt, tagEnd + 1), "id"),
                     text: d.slice(source, tagEnd + 1, contentEnd) });
        at = close < 0 ? n : close + 5;
        continue;
      }
      if (rawTextElements.indexOf(name) >= 0 && source[tagEnd - 1] !== "/") {
        var endTag = d.indexOf(lower, "</" + name, tagEnd + 1);
        at = endTag < 0 ? n : endTag + name.length + 2;
        continue;
      }
      at = tagEnd + 1;
    }
    return found;
  }

  // Reads the document's source once, the first time an island needs it.
  function sourcesOf(doc) {
    var state = stateOf(doc);
    if (!state.read) {
      state.read = true;
      var text = null;
      var uri = String(doc.URL);
      try {
        // Only files have a source to read (srcdoc and blank frames have none).
        if (d.toLowerCase(d.slice(uri, 0, 5)) === "file:") text = lib.host.readSource(uri, String(doc.characterSet || ""));
      } catch (e) {
        text = null;
      }
      state.sources = typeof text === "string" ? tokenize(text) : [];
    }
    return state;
  }

  function parse(text) {
    var trimmed = d.trim(String(text));
    if (trimmed === "") return null;
    var result = d.parseFromString(parser, trimmed, "application/xml");
    if (!result || !result.documentElement) return null;
    if (result.getElementsByTagName("parsererror").length > 0) return null;
    return result;
  }

  function list(doc) {
    var all = d.getElementsByTagName(doc, "xml");
    var result = [];
    for (var i = 0; i < all.length; i++)
      if (all[i].namespaceURI === "http://www.w3.org/1999/xhtml") d.push(result, all[i]);
    return result;
  }

  function find(doc, id) {
    var wanted = d.toLowerCase(String(id));
    var all = list(doc);
    for (var i = 0; i < all.length; i++)
      if (d.toLowerCase(String(all[i].id)) === wanted) return all[i];
    return null;
  }

  // Re-renders the island's page once for a batch of changes.
  function watch(island, recordSet) {
    var observer = new d.MutationObserver(function () {
      var doc = island.ownerDocument;
      if (doc && lib.render) lib.render(doc);
    });
    d.observe(observer, recordSet, { childList: true, subtree: true, characterData: true, attributes: true });
    return observer;
  }

  function adopt(island, recordSet) {
    var entry = { document: recordSet, observer: null };
    islands.set(island, entry);
    if (recordSet) {
      recordSets.add(recordSet);
      entry.observer = watch(island, recordSet);
    }
    return recordSet;
  }

  // Drops the changes of the page's islands not yet handed to their
  // observers: a rendering that just ran showed them already.
  function settle(doc) {
    var all = list(doc);
    for (var i = 0; i < all.length; i++) {
      var entry = islands.get(all[i]);
      if (entry && entry.observer) d.takeRecords(entry.observer);
    }
  }

  // The island's text: its raw source when the parser made it, else its content.
  function initialText(island) {
    var doc = island.ownerDocument;
    var state = sourcesOf(doc);
    var all = list(doc);
    var next = 0;
    // Parser-made islands take the raw islands in order; one whose id differs
    // from the next raw island's was made by a script.
    for (var i = 0; i < all.length; i++) {
      var el = all[i];
      var known = islands.get(el);
      var raw = next < state.sources.length ? state.sources[next] : null;
      var matches = raw && String(d.getAttribute(el, "id") || "") === raw.id && !(known && known.scripted);
      if (el === island) return matches ? raw.text : d.getInnerHTML(el);
      if (matches) next++;
    }
    return d.getInnerHTML(island);
  }

  function documentOf(island) {
    if (!island) return null;
    var entry = islands.get(island);
    if (entry) return entry.document;
    return adopt(island, parse(initialText(island)));
  }

  // Replaces the record set's content with the parsed text's (the document
  // object stays the same, so holders of it see the new records).
  function refill(recordSet, parsed) {
    while (recordSet.firstChild) d.removeChild(recordSet, recordSet.firstChild);
    for (var child = parsed.firstChild; child; child = child.nextSibling)
      d.appendChild(recordSet, d.importNode(recordSet, child, true));
  }

  function setText(island, text) {
    var parsed = parse(text);
    var entry = islands.get(island);
    if (parsed && entry && entry.document) {
      refill(entry.document, parsed);
    } else {
      adopt(island, parsed);
    }
    var doc = island.ownerDocument;
    if (doc && lib.render) lib.render(doc);
    return documentOf(island);
  }

  function textOf(island) {
    var recordSet = documentOf(island);
    return recordSet ? d.serializeToString(serializer, recordSet) : "";
  }

  function create(doc, id, text) {
    var island = d.createElement(doc, "xml");
    island.id = id;
    islands.set(island, { document: null, scripted: true });
    var parent = doc.body || doc.documentElement;
    d.appendChild(parent, island);
    var recordSet = parse(text);
    adopt(island, recordSet);
    islands.get(island).scripted = true;
    return island;
  }

  lib.islands = {
    list: list,
    find: find,
    documentOf: documentOf,
    setText: setText,
    textOf: textOf,
    create: create,
    settle: settle,
    isRecordSet: function (node) { return !!node && recordSets.has(node.nodeType === 9 ? node : node.ownerDocument); },
    tokenize: tokenize
  };

  // ---- the island surface pages expect

  function isIsland(el) {
    return !!el && el.namespaceURI === "http://www.w3.org/1999/xhtml" && el.localName === "xml";
  }

  var islandSurface = {
    XMLDocument: { get: function () { return isIsland(this) ? documentOf(this) : undefined; } },
    documentElement: {
      get: function () {
        if (!isIsland(this)) return undefined;
        var recordSet = documentOf(this);
        return recordSet ? recordSet.documentElement : null;
      }
    }
  };
  for (var name in islandSurface) d.define(d.HTMLElement.prototype, name, islandSurface[name]);

  // Writing an island's innerHTML reloads its document from that text.
  d.define(d.HTMLElement.prototype, "innerHTML", {
    get: function () { return d.getInnerHTML(this); },
    set: function (text) {
      d.setInnerHTML(this, text);
      if (isIsland(this)) setText(this, String(text));
    }
  });

  // MSXML members on record-set documents and their nodes; other nodes keep
  // what they had (an own value for a write).
  function recordSetMember(name, get, set) {
    d.define(d.Node.prototype, name, {
      get: function () { return lib.islands.isRecordSet(this) ? get(this) : undefined; },
      set: function (value) {
        if (lib.islands.isRecordSet(this)) set(this, value);
        else d.defineProperty(this, name, { value: value, writable: true, configurable: true, enumerable: true });
      }
    });
  }
  recordSetMember("xml", function (node) { return d.serializeToString(serializer, node); },
                  function () { throw new d.Error("The property xml is read-only"); });
  recordSetMember("text", function (node) {
    var target = node.nodeType === 9 ? node.documentElement : node;
    return target ? d.getText(target) : "";
  }, function (node, value) {
    var target = node.nodeType === 9 ? node.documentElement : node;
    if (target) d.setText(target, String(value));
  });

  function selection(node, path, type) {
    var doc = node.nodeType === 9 ? node : node.ownerDocument;
    return d.evaluate(doc, String(path), node, null, type, null);
  }
  function methodOfRecordSets(name, body) {
    d.define(d.Node.prototype, name, {
      writable: true,
      value: function () {
        if (!lib.islands.isRecordSet(this)) throw new d.Error("Object doesn't support property or method '" + name + "'");
        return body.apply(this, arguments);
      }
    });
  }
  methodOfRecordSets("selectNodes", function (path) {
    var result = selection(this, path, d.XPathResult.ORDERED_NODE_SNAPSHOT_TYPE);
    var nodes = [];
    for (var i = 0; i < result.snapshotLength; i++) d.push(nodes, result.snapshotItem(i));
    nodes.item = function (index) { return index >= 0 && index < nodes.length ? nodes[index] : null; };
    return nodes;
  });
  methodOfRecordSets("selectSingleNode", function (path) {
    return selection(this, path, d.XPathResult.FIRST_ORDERED_NODE_TYPE).singleNodeValue;
  });
  methodOfRecordSets("loadXML", function (text) {
    if (this.nodeType !== 9) throw new d.Error("Object doesn't support property or method 'loadXML'");
    var parsed = parse(text);
    if (!parsed) return false;
    refill(this, parsed);
    return true;
  });
})
