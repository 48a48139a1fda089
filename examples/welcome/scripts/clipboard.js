// The context menu's Copy and Open... items: the greeting goes on the
// clipboard as text and HTML, and the file chosen in the open dialog is
// written into the page.
function copyGreeting(name) {
  if (!client.components.item('GreetingClip'))
    client.exec('<control type="clipboard" id="GreetingClip"><formats>' +
                '<item_0 name="text" data="Welcome to Halbrin Lite"/>' +
                '<item_1 name="html" data="&lt;b&gt;Welcome&lt;/b&gt; to Halbrin Lite"/>' +
                '</formats></control>');
  var written = client.components.item('GreetingClip').exec('copy');
  addToReport('menu: ' + name + ' put ' + written + ' formats on the clipboard');
}

function openFile(name) {
  var dialog = client.application.openDialog;
  dialog.Filter = 'Pages|*.html;*.htm|All files|*.*';
  var chosen = dialog.exec(':execute') ? dialog.fileName : 'nothing';
  Page.getElementById('chosen').textContent = 'Chosen: ' + chosen;
  addToReport('menu: ' + name + ' chose ' + chosen);
}

// Appends a line to the report (as actions.js does).
function addToReport(line) {
  var files = client.files;
  var report = files.getFolder(0x1A, 1) + 'Zebrin/HalbrinLite/welcome/report.txt';
  files.save((files.exists(report) ? files.open(report) : '') + line + '\n', report);
}
