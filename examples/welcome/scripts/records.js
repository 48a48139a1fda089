// The records page in the Records form: its own buttons save the record set
// as the data item "records" (files of the default provider), then unbind
// the table and save the page; the report says what they did and the form
// closes.
function recordsShown(name, document, url) {
  var table = document.getElementById('people');
  var rows = table.tBodies[0].rows.length;
  var said = document.getElementById('said');
  document.getElementById('save').click();
  var saved = said.textContent == 'Saved records.xml.';
  document.getElementById('unbind').click();
  var unbound = !table.hasAttribute('datasrc');
  saved = saved && said.textContent == 'The table is static now; saved records-page.html.';
  var files = client.files;
  var report = files.getFolder(0x1A, 1) + 'Zebrin/HalbrinLite/welcome/report.txt';
  files.save((files.exists(report) ? files.open(report) : '') + 'records: ' + rows + ' rows bound, ' +
             (unbound ? 'unbound' : 'still bound') + ' and ' + (saved ? 'saved' : 'not saved') + '\n', report);
  client.forms.item('Records').exec('close');
}
