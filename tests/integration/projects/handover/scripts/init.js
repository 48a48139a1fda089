// Stays for later starts: each hands its file over, and "applyfile" fires
// with it on an idle turn of the loop this script keeps running (actions.js
// records every file in applied.txt). Ends with 42 once as many files as the
// "expect" switch says were applied; 1 when they have not all come in time.
function main(project) {
  var app = client.application;
  app.attachEvent('onApplyFile', 'actions.js', 'onApplyFile', 1);
  var expected = Number(client.parameters.item('expect'));
  var record = project.folder + 'applied.txt';
  var files = client.files;
  var end = Date.now() + 30000;
  while (Date.now() < end) {
    app.exec('processmessages');
    if (files.exists(record) && files.open(record).split('\n').length - 1 >= expected) return 42;
  }
  return 1;
}
