// Each applied file, one per line, in the order they came.
function onApplyFile(name) {
  var files = client.files;
  var record = client.project.folder + 'applied.txt';
  files.save((files.exists(record) ? files.open(record) : '') + name + '\n', record);
}
