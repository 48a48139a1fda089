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
  addToReport('page: ' + document.getElementById('starts').textContent);
}

// Appends a line to the report.
function addToReport(line) {
  var files = client.files;
  var report = files.getFolder(0x1A, 1) + 'Zebrin/HalbrinLite/welcome/report.txt';
  files.save((files.exists(report) ? files.open(report) : '') + line + '\n', report);
}

// The timer's tick: the caption band's item counts it (in the client's
// variables: the tick that reaches the timer's count stops the timer first
// and hands over 0); that last tick goes to the report.
function ticked(name, ticks) {
  var variables = client.variables;
  var counted = variables.exists('ticks', 0) ? variables.values('ticks') + 1 : 1;
  if (variables.exists('ticks', 0)) variables.item('ticks').Value = counted;
  else variables.add('ticks', counted);
  client.exec('<control type="form" id="Welcome"><skin><Caption><item_0><ItemEx Text="start number ' +
              variables.values('starts') + ', tick ' + counted + '"/></item_0></Caption></skin></control>');
  if (ticks == 0) {
    addToReport('timer: ' + counted + ' ticks, then stopped');
    resetTicks();
  }
}
function resetTicks() {
  if (client.variables.exists('ticks', 0)) client.variables.item('ticks').Value = 0;
}

// The context menu's items.
function menuGreet(name, checked) {
  client.components.item('Greet').exec(1);
  addToReport('menu: ' + name + ', ' + client.variables.values('greeted'));
}
function menuReload(name) {
  addToReport('menu: ' + name + ' reloads the page');
  client.forms.item('Welcome').item('Page').exec('refresh');
}
function menuRestart(name) {
  addToReport('menu: ' + name + ' restarts the timer');
  resetTicks();
  client.components.item('Ticker').exec('restart');
}
function menuStop(name) {
  client.components.item('Ticker').exec('stop');
  resetTicks();
  addToReport('menu: ' + name + ' stopped the timer');
}
function menuClose(name) {
  client.forms.item('Welcome').exec('close');
}
