// Run twice: "phase:save" stores variables of every scalar kind in the
// project's code page, "phase:load" reads them back in a new process.
function main(project) {
  var file = project.folder + 'state.xml';
  var v = client.variables;
  var phase = client.parameters.item('phase');
  if (phase == 'save') {
    v.add('count', 41);
    v.add('ratio', 2.5);
    v.add('flag', true);
    v.add('tree', '\u0401\u043b\u043a\u0430');
    v.add('nothing', null);
    v.save(file);
    return 42;
  }
  if (phase == 'load') {
    v.open(file);
    if (v.values('count') !== 41) return 2;
    if (v.values('ratio') !== 2.5) return 3;
    if (v.values('flag') !== true) return 4;
    if (v.values('tree') != '\u0401\u043b\u043a\u0430') return 5;
    if (v.values('nothing') !== null) return 6;
    return 43;
  }
  return 1;
}
