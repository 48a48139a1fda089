// Opens a module from a plug-in library named by a key file, and checks the
// failures of an unknown class and of another computer. 42: all passed.
function main(project) {
  var modules = project.modules;
  var echo = modules.add('Test.Echo', 'echo');
  if (echo.open('') != 0 || echo.state != 3) return 1;
  if (modules('ECHO').control.echo('hi') != 'hi') return 2;
  if (modules.available('Echo', 0).control.classId != '{6F3C1A52-9D1E-4E51-8C2B-0E5A7D4B3F21}') return 3;
  echo.close();
  if (echo.state != 4) return 4;

  var unknown = modules.add('No.Such.Class', 'unknown');
  if (unknown.open('') == 0 || unknown.state != 0) return 5;

  var remote = modules.add('Test.Echo', 'remote');
  try {
    remote.open('server7');
    return 6;
  } catch (e) {
    if ((e.number >>> 0) != 0x800706BA) return 7;
  }
  if (remote.state != 0) return 8;
  if (!modules.remove('unknown') || modules.remove('unknown')) return 9;
  return 42;
}
