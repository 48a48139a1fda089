// Checks the object model a start script sees; each failed check returns its
// own code, and 42 means every check passed.
function main(project) {
  if (project.state != 3 || client.project.state != 3) return 1;
  if (client.project.id != project.id) return 2;

  var p = client.parameters;
  if (p.length != 2 || p.item(1) != p.item('file') || p.names(2) != 'use') return 3;

  var lengths = [38, 32, 16, 19, 8];
  for (var flags = 0; flags < lengths.length; ++flags)
    if (client.newId(flags).length != lengths[flags]) return 10 + flags;

  if (client.getInfo('CPU') != client.getInfo('cpu')) return 20;
  if (client.getInfo('nosuch') !== null) return 21;
  if (client.getInfo('moduleVersion') == '') return 22;

  client.exec('<control type="object" id="Store" data="5"/>');
  var store = client.components.item('store');
  if (!store || store.data != 5 || store.componentType != 'object') return 30;
  if (client.exec('<control content="get" id="Store" property="data"/>') != '5') return 31;
  store.data = 'six';
  if (client.exec('<control content="exist" id="Store"/>') !== true) return 32;
  if (client.components.item('Store').attribute('data') != 'six') return 33;
  client.exec('<control content="free" id="Store"/>');
  if (client.exec('<control content="exist" id="Store"/>') !== false) return 34;

  client.variables.add('who', 'world');
  if (client.interpret('<#import name=page.txt>') != 'Hello, world! Model') return 40;
  if (client.interpret('[<#include name="../outside.txt" default=none>]') != '[none]') return 41;

  if (project.attributes.item('name') != 'Model' || project.attributes.item('folder') != project.folder) return 50;
  if (client.folder == '' || client.folder.charAt(client.folder.length - 1) != '/') return 51;
  // The client's members are global names too.
  if (folder != client.folder || newId(3).length != 19) return 52;
  return 42;
}
