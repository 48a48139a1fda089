// The Welcome project: a short tour of what a start script reaches. It
// counts its starts in a variables file in the user's data folder, declares
// a text component, expands a template, runs an action bound to a script
// procedure, loads the project's skin file, reads the desktop's fonts,
// declares a skinned main form whose caption shows the start count and
// which shows pages/welcome.html, shows it, and writes what it did to a
// report beside the variables (the page adds its line once it is shown).
// main() returns 0: the program then runs until the form is closed.
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
  client.exec('<control type="form" id="Welcome" Caption="Welcome to Halbrin Lite" Width="480" Height="300" ' +
              'userInterfaceOptions="uioSkin,uioPlacement">' +
              '<skin><Caption><item_0><ItemEx Text="start number ' + starts + '"/></item_0><item_1/></Caption>' +
              '<Icon Visible="true" Hint="Welcome to Halbrin Lite">' +
              '<Image fileName="skins/welcome-icon.png"/></Icon>' +
              '<ToolButtons><item Text="Greet" Hint="Runs the Greet action"/>' +
              '<item Text="Page" Hint="Shows pages/welcome.html"/></ToolButtons></skin>' +
              // A page of the project fills the form; its script reads the
              // start count through window.external.
              '<control type="webbrowser" id="Page" Align="alClient" Visible="true" url_="pages/welcome.html">' +
              '<events><ondocumentcomplete xml="pageShown"/></events></control>' +
              '</control>');
  var form = client.forms.item('Welcome');
  form.exec('show');
  var lines = [
    report.text.replace(/\s+$/, ''),
    'skin: caption size ' + skins.Caption.Size + ', hint delay ' + skins.Hint.Delay,
    'fonts: hints in ' + app.hintFont.Name + ' ' + app.hintFont.Size + ', ' + app.fonts.length + ' font families',
    'action: ' + (variables.exists('greeted', 0) ? variables.values('greeted') : 'not run') +
        ', handled ' + handled,
    'form: ' + form.Caption + ', ' + form.Width + 'x' + form.Height + ', main form ' + (app.mainForm.Name == form.Name),
  ];
  files.save(lines.join('\n') + '\n', folder + 'report.txt');
  return 0;
}
