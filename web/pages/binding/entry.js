(function (lib) {
  "use strict";
  var d = lib.dom;
  var doc = d.document;
  var has = d.uncurry(Object.prototype.hasOwnProperty);

  // "<file>:<line>: <message>" where the error tells its place.
  function describe(error) {
    if (error === null || error === undefined) return "Unknown error";
    var message = error.message !== undefined ? String(error.message) : String(error);
    var file = error.sourceURL ? String(error.sourceURL) : "";
    var slash = file.lastIndexOf("/");
    if (slash >= 0) file = d.slice(file, slash + 1);
    if (file && error.line) return file + ":" + error.line + ": " + message;
    return message;
  }

  // entry(job, target, settings): one run of a job; never throws.
  lib.entry = function (job, target, settings) {
    var name = String(job);
    var run = has(lib.jobs, name) ? lib.jobs[name] : null;
    if (typeof run !== "function") return "Unknown job " + name;
    try {
      var answer = run(doc, target || null, settings || {});
      if (name === "saveislands") return answer;
      if (name === "bind" || name === "unbind") lib.render(doc);
      return answer === null || answer === undefined ? "" : String(answer);
    } catch (error) {
      return describe(error);
    }
  };
})
