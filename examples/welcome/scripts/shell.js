// The Welcome project's shell part: a tray icon whose menu shows the main
// form again or quits, a balloon at start, and a watch on the project's
// data/ folder whose changes the page lists as they come.
function startShell(projectFolder) {
  var folder = String(projectFolder).replace(/\/?$/, '/');
  client.files.createFolder(folder + 'data/');
  client.exec('<control type="menu" id="TrayMenu">' +
              '<item id="TrayShow" caption="&amp;Show"><events><onclick script="shell" xml="trayShow"/></events></item>' +
              '<item id="TrayQuit" caption="&amp;Quit"><events><onclick script="shell" xml="trayQuit"/></events></item>' +
              '</control>');
  // The balloon shows as soon as the icon is asked for (text is set).
  client.exec('<control type="traynotifier" id="Tray" hint="Welcome to Halbrin Lite" title="Halbrin Lite" ' +
              'text="The Welcome project is running. Drop files into its data folder." popupMenu="TrayMenu">' +
              '<events><onclick script="shell" xml="trayShow"/></events></control>');
  client.components.item('Tray').active = true;
  // Every kind of change (flags 0) in data/ and below it.
  client.exec('<control type="shellnotify" id="DataWatch" item="' + folder + 'data" flags="0" recursive="true">' +
              '<events><onchange script="shell" xml="dataChanged"/></events></control>');
  client.components.item('DataWatch').exec('open');
}

function trayShow(name) {
  client.forms.item('Welcome').exec('show');
}

function trayQuit(name) {
  client.application.exec('terminate');
}

// The shell's event codes the page names.
var kChangeNames = {
  0x1: 'renamed', 0x2: 'created', 0x4: 'deleted', 0x8: 'folder made', 0x10: 'folder removed',
  0x800: 'attributes', 0x1000: 'folder to read again', 0x2000: 'written', 0x20000: 'folder renamed'
};

// Changes not shown yet: the page may still be loading when the first ones come.
var pendingChanges = [];

// A change below data/: one line in the page's list (made on the first change).
function dataChanged(name, code, path1, path2) {
  pendingChanges.push((kChangeNames[code] || 'change 0x' + code.toString(16)) + ': ' + path1 +
                      (path2 ? ' \u2192 ' + path2 : ''));
  if (typeof Page.getElementById != 'function' || !Page.body) return;
  var list = Page.getElementById('changes');
  if (!list) {
    list = Page.createElement('ul');
    list.id = 'changes';
    Page.body.appendChild(list);
  }
  while (pendingChanges.length) {
    var line = Page.createElement('li');
    line.textContent = pendingChanges.shift();
    list.appendChild(line);
  }
}
