// The cabinet part of the Welcome tour: packs the project's scripts into a
// cabinet under the temporary folder, opens it again, lists what it holds
// and removes it. tour() answers the report's line.
function tour(projectFolder) {
  var files = client.files;
  var temp = files.normalize(files.normalize('TMPDIR', 27) || '/tmp', 8);
  var target = temp + 'halbrin-welcome-scripts.cab';
  var scripts = files.normalize(projectFolder, 8) + 'scripts/';
  var names = ['init.js', 'actions.js', 'cabinet.js'];

  client.exec('<control type="cabinet" id="ScriptsPacker" mode="cmCompress"/>');
  var packer = client.components.item('ScriptsPacker');
  packer.destination = target;
  for (var i = 0; i < names.length; i++) packer.files.item(scripts + names[i]).alias = 'scripts\\' + names[i];
  packer.exec('open');
  var packed = packer.exec('flush');

  // A second cabinet component reads it back.
  client.exec('<control type="cabinet" id="ScriptsReader"/>');
  var reader = client.components.item('ScriptsReader');
  reader.source = target;
  reader.exec('open');
  var listing = [];
  for (var j = 0; j < reader.files.length; j++) {
    var file = reader.files.item(j);
    listing.push(file.name + ' ' + file.size + ' bytes');
  }
  reader.exec('close');
  files.delete_(target);
  return 'cabinet: ' + packed + ' scripts packed, listed ' + listing.join(', ');
}
