(function (lib) {
  "use strict";

  // Gives in-page links the caption of the element they point at.

  const ERROR_CLASS = "errorLink";

  const getElementsByTagName = Document.prototype.getElementsByTagName;
  const elementGetElementsByTagName = Element.prototype.getElementsByTagName;
  const getElementById = Document.prototype.getElementById;
  const getAttribute = Element.prototype.getAttribute;
  const hasAttribute = Element.prototype.hasAttribute;

  function textOf(el) {
    const text = el.innerText;
    return typeof text === "string" ? text : el.textContent;
  }

  function same(a, b) {
    return a.toLowerCase() === b.toLowerCase();
  }

  // The trimmed text of the target's first "q", without a final ".".
  function captionOf(target) {
    const q = elementGetElementsByTagName.call(target, "q")[0];
    if (!q) return "";
    let caption = textOf(q).trim();
    if (caption.endsWith(".")) caption = caption.substring(0, caption.length - 1);
    return caption;
  }

  function markError(link) {
    link.classList.add(ERROR_CLASS);
  }

  // "word number title": the word, the caption, then the title.
  function numberedText(text, caption) {
    const space = text.indexOf(" ");
    const prefix = space < 0 ? text : text.substring(0, space);
    const rest = space < 0 ? "" : text.substring(space + 1).trim();
    if (same(rest, caption)) return null;
    const restSpace = rest.indexOf(" ");
    const title = restSpace < 0 ? rest : rest.substring(restSpace + 1).trim();
    return prefix + " " + caption + ". " + title;
  }

  function updateLink(doc, link, debug) {
    const href = getAttribute.call(link, "href");
    if (href === null || href.indexOf("#") < 0) return;
    const target = getElementById.call(doc, href.substring(href.lastIndexOf("#") + 1));
    const text = textOf(link);
    const caption = target ? captionOf(target) : "";
    // A link without a target or caption keeps its text.
    if (!target || caption === "" || text.indexOf("-") >= 0) {
      if (debug) markError(link);
      return;
    }
    if (text.indexOf("стат") >= 0 || text.indexOf("Стат") >= 0) {
      const numbered = numberedText(text, caption);
      if (numbered !== null) link.textContent = numbered;
      return;
    }
    if (!same(text, caption)) link.textContent = caption;
  }

  lib.jobs = lib.jobs || {};

  lib.jobs.updatelinks = function (doc, target, settings) {
    const debug = !!(settings && settings.isDebugMode);
    for (const link of Array.prototype.slice.call(getElementsByTagName.call(doc, "a"))) {
      if (hasAttribute.call(link, "notUpdate")) continue;
      updateLink(doc, link, debug);
    }
    return "";
  };
})
