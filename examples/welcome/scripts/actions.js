// Procedures the Welcome project's bindings run: bindings that name no
// script file take the application's default script, this one.
function greeted(name, checked) {
  var text = name + ' ran, checked ' + checked;
  var variables = client.variables;
  if (variables.exists('greeted', 0)) variables.item('greeted').Value = text;
  else variables.add('greeted', text);
}

// The page completed: its text, which its own script filled in from the
// client's variables, goes to the report.
function pageShown(name, document, url) {
  var files = client.files;
  var report = files.getFolder(0x1A, 1) + 'Zebrin/HalbrinLite/welcome/report.txt';
  var text = document.getElementById('starts').textContent;
  files.save((files.exists(report) ? files.open(report) : '') + 'page: ' + text + '\n', report);
}
