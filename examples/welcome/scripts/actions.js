// Procedures the Welcome project's bindings run: bindings that name no
// script file take the application's default script, this one.
function greeted(name, checked) {
  var text = name + ' ran, checked ' + checked;
  var variables = client.variables;
  if (variables.exists('greeted', 0)) variables.item('greeted').Value = text;
  else variables.add('greeted', text);
}
