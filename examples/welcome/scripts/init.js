// The Welcome project: a short tour of what a start script reaches. It
// counts its starts in a variables file in the user's data folder, declares
// a text component, expands a template, runs an action bound to a script
// procedure, loads the project's skin file, reads the desktop's fonts,
// declares a context menu with icons, a skinned main form whose caption
// shows the start count and which shows pages/welcome.html, shows it,
// starts a timer that ticks ten times on the caption, and writes what it did
// to a report beside the variables (the page, the timer and the menu's items
// add their lines as they run).
// main() returns 0: the program then runs until the form is closed.
//include cabinet
//include tasks
//include search_pane
//end
function main(project) {
  var files = client.files;
  var folder = files.getFolder(0x1A, 1) + 'Zebrin/HalbrinLite/welcome/';
  files.createFolder(folder);

  var variables = client.variables;
  var store = folder + 'variables.xml';
  if (files.exists(store)) variables.open(store);
  var starts = variables.exists('starts', 0) ? variables.values('starts') + 1 : 1;
  if (variables.exists('starts', 0)) variables.item('starts').Value = starts;
  else variables.add('starts', starts);
  variables.save(store);

  client.exec('<control type="text" id="Report"/>');
  var report = client.components.item('Report');
  report.text = client.interpret(
      '<#project attribute=name> <#project attribute=version>: start number <#variable name=starts>, ' +
      '<#now format="dd.mm.yyyy hh:nn:ss">');
  // An action whose "execute" runs greeted() of actions.js; AutoCheck
  // toggles its Checked first.
  client.exec('<control type="action" id="Greet" caption="Greet" AutoCheck="true">' +
              '<events><onexecute xml="greeted"/></events></control>');
  var greet = client.components.item('Greet');
  var handled = greet.exec(1);
  var app = client.application;
  var skins = app.skins;
  skins.loadFromFile('skins/welcome.xml');
  // The first form is the main form: skinned (the caption and frame the skin
  // file colours), its place kept between runs, the start count on the right
  // of its caption band, a caption icon with a hint at its left (its picture
  // named relative to the project folder), and a second caption band with two
  // tool buttons whose hints show when the pointer rests on them.
  //
  // The form's context menu (a right click, the Menu key or Shift+F10), its
  // icons cut from a strip of three 16x16 images. The items' bindings run
  // the procedures of actions.js; Ctrl+R works while the menu is closed.
  client.exec('<control type="images" id="MenuImages" Width="16" Height="16" fileName="images/menu.png"/>');
  client.exec('<control type="menu" id="Context" Images="MenuImages">' +
              '<item id="GreetItem" caption="&amp;Greet" ImageIndex="0" Default="true" xml="menuGreet"/>' +
              '<item id="ReloadItem" caption="&amp;Reload the page" ImageIndex="1" shortcut:ShortCut="Ctrl+R" ' +
              'xml="menuReload"/>' +
              '<item id="TimerLine" caption="-"/>' +
              '<item id="TimerItem" caption="&amp;Timer" ImageIndex="2">' +
              '<item id="RestartItem" caption="&amp;Restart" xml="menuRestart"/>' +
              '<item id="StopItem" caption="&amp;Stop" xml="menuStop"/></item>' +
              // Copy and Open... run scripts/clipboard.js.
              '<item id="CopyItem" caption="Cop&amp;y"><events><onclick script="clipboard" xml="copyGreeting"/></events></item>' +
              '<item id="OpenItem" caption="&amp;Open..."><events><onclick script="clipboard" xml="openFile"/></events></item>' +
              '<item id="CloseLine" caption="-"/>' +
              '<item id="CloseItem" caption="&amp;Close" xml="menuClose"/>' +
              '</control>');
  var menu = client.components.item('Context');
  client.exec('<control type="form" id="Welcome" Caption="Welcome to Halbrin Lite" Width="480" Height="300" ' +
              'userInterfaceOptions="uioSkin,uioPlacement" popupMenu="Context">' +
              '<skin><Caption><item_0><ItemEx Text="start number ' + starts + '"/></item_0><item_1/></Caption>' +
              '<Icon Visible="true" Hint="Welcome to Halbrin Lite">' +
              '<Image fileName="skins/welcome-icon.png"/></Icon>' +
              '<ToolButtons><item Text="Greet" Hint="Runs the Greet action"/>' +
              '<item Text="Page" Hint="Shows pages/welcome.html"/>' +
              '<item Text="Search" Hint="Shows what the search found in docs/"/></ToolButtons></skin>' +
              // A page of the project fills the form; its script reads the
              // start count through window.external.
              '<control type="webbrowser" id="Page" Align="alClient" Visible="true" url_="pages/welcome.html">' +
              '<events><ondocumentcomplete xml="pageShown"/></events></control>' +
              search_pane.paneDeclaration() +
              '</control>');
  var form = client.forms.item('Welcome');
  // A second form shows pages/records.html, whose island is bound into a
  // table; recordsShown() of records.js presses the page's buttons, then
  // closes the form. It shows first, so the main form comes up in front.
  client.exec('<control type="form" id="Records" Caption="Records" Width="480" Height="300">' +
              '<control type="webbrowser" id="RecordsPage" Align="alClient" Visible="true" url_="pages/records.html">' +
              '<events><ondocumentcomplete script="records.js" xml="recordsShown"/></events></control></control>');
  client.forms.item('Records').exec('show');
  form.exec('show');
  search_pane.start(project.folder);
  // The tray icon, its balloon and the data/ folder's watch (shell.js).
  client.runScript('shell', 'startShell', [project.folder], 1);
  // Ten ticks, a quarter of a second apart, count on the caption band; the
  // tenth stops the timer (ticked() in actions.js).
  client.exec('<control type="timer" id="Ticker" elapse="250" count="10" enabled="true">' +
              '<events><onchange xml="ticked"/></events></control>');
  var lines = [
    report.text.replace(/\s+$/, ''),
    'skin: caption size ' + skins.Caption.Size + ', hint delay ' + skins.Hint.Delay,
    'fonts: hints in ' + app.hintFont.Name + ' ' + app.hintFont.Size + ', ' + app.fonts.length + ' font families',
    'action: ' + (variables.exists('greeted', 0) ? variables.values('greeted') : 'not run') +
        ', handled ' + handled,
    'form: ' + form.Caption + ', ' + form.Width + 'x' + form.Height + ', main form ' + (app.mainForm.Name == form.Name),
    'menu: ' + menu.length + ' items, ' + menu.item('TimerItem').length + ' in the submenu, ' +
        client.components.item('MenuImages').length + ' images',
    cabinet.tour(project.folder),
    tasks.report(),
  ];
  files.save(lines.join('\n') + '\n', folder + 'report.txt');
  return 0;
}
