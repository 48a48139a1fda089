// The download's events: progress and the result line go to the client's
// variables, where the page reads them.
function fetchProgress(name, progress, progressMax, status, text, speed) {
  if (status == 5 || status == 6) {
    setVariable('progress', progress);
    setVariable('progressMax', progressMax);
    setVariable('result', progress + ' bytes, ' + Math.round(speed) + ' bytes/s');
  }
}

function fetchComplete(name, code) {
  var fetch = client.components.item(name);
  setVariable('result', code == 0
      ? 'Done: ' + fetch.size + ' bytes, HTTP ' + fetch.responseCode + ', ' + fetch.contentType
      : 'Failed with code 0x' + (code >>> 0).toString(16).toUpperCase());
  setVariable('done', 1);
}

function setVariable(name, value) {
  var variables = client.variables;
  if (variables.exists(name, 0)) variables.item(name).Value = value;
  else variables.add(name, value);
}
