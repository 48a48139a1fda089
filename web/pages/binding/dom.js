(function (lib) {
  "use strict";
  // The built-ins the module uses, captured before the page's scripts run, so
  // a page that replaces them does not change how binding works.
  var w = window;
  var call = Function.prototype.call;
  // f(self, ...args) for a method f.
  var uncurry = function (f) { return call.bind(f); };
  var elementProto = w.Element.prototype;
  var documentProto = w.Document.prototype;
  var nodeProto = w.Node.prototype;

  lib.jobs = lib.jobs || {};
  lib.dom = {
    window: w,
    document: w.document,
    uncurry: uncurry,
    DOMParser: w.DOMParser,
    XMLSerializer: w.XMLSerializer,
    MutationObserver: w.MutationObserver,
    XPathResult: w.XPathResult,
    CSSStyleSheet: w.CSSStyleSheet,
    Node: w.Node,
    Element: w.Element,
    HTMLElement: w.HTMLElement,
    Document: w.Document,
    WeakMap: w.WeakMap,
    WeakSet: w.WeakSet,
    Array: w.Array,
    String: w.String,
    Error: w.Error,
    defineProperty: Object.defineProperty,
    getOwnPropertyDescriptor: Object.getOwnPropertyDescriptor,
    getComputedStyle: function (el) { return w.getComputedStyle(el); },
    addEventListener: uncurry(w.EventTarget.prototype.addEventListener),
    getAttribute: uncurry(elementProto.getAttribute),
    setAttribute: uncurry(elementProto.setAttribute),
    removeAttribute: uncurry(elementProto.removeAttribute),
    hasAttribute: uncurry(elementProto.hasAttribute),
    querySelectorAll: uncurry(elementProto.querySelectorAll),
    documentQuerySelectorAll: uncurry(documentProto.querySelectorAll),
    getElementsByTagName: uncurry(documentProto.getElementsByTagName),
    createElement: uncurry(documentProto.createElement),
    createDocumentFragment: uncurry(documentProto.createDocumentFragment),
    importNode: uncurry(documentProto.importNode),
    evaluate: uncurry(documentProto.evaluate),
    cloneNode: uncurry(nodeProto.cloneNode),
    appendChild: uncurry(nodeProto.appendChild),
    removeChild: uncurry(nodeProto.removeChild),
    insertBefore: uncurry(nodeProto.insertBefore),
    contains: uncurry(nodeProto.contains),
    closest: uncurry(elementProto.closest),
    parseFromString: uncurry(w.DOMParser.prototype.parseFromString),
    serializeToString: uncurry(w.XMLSerializer.prototype.serializeToString),
    observe: uncurry(w.MutationObserver.prototype.observe),
    takeRecords: uncurry(w.MutationObserver.prototype.takeRecords),
    innerHTML: Object.getOwnPropertyDescriptor(elementProto, "innerHTML"),
    textContent: Object.getOwnPropertyDescriptor(nodeProto, "textContent"),
    push: uncurry(Array.prototype.push),
    toLowerCase: uncurry(String.prototype.toLowerCase),
    trim: uncurry(String.prototype.trim),
    indexOf: uncurry(String.prototype.indexOf),
    slice: uncurry(String.prototype.slice)
  };
  var d = lib.dom;
  // Accessor calls through the captured descriptors.
  d.getInnerHTML = function (el) { return call.call(d.innerHTML.get, el); };
  d.setInnerHTML = function (el, text) { call.call(d.innerHTML.set, el, text); };
  d.getText = function (node) { return call.call(d.textContent.get, node); };
  d.setText = function (node, text) { call.call(d.textContent.set, node, text); };
  // A property on a prototype that is neither enumerable nor the page's to break by accident.
  d.define = function (proto, name, descriptor) {
    descriptor.configurable = true;
    descriptor.enumerable = false;
    d.defineProperty(proto, name, descriptor);
  };
  d.localName = function (el) { return el && el.localName ? d.toLowerCase(el.localName) : ""; };
})
