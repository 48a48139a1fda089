// Writes and reads a Cyrillic text through client.files in the project's
// code page, and copies and deletes through the shell operations. 42: passed.
function main(project) {
  var files = client.files;
  var text = '\u0401\u043b\u043a\u0430';
  var out = project.folder + 'out/';
  files.save(text, out + 'tree.txt');
  if (files.open(out + 'tree.txt') != text) return 1;
  if (!files.exists(out + 'tree.txt') || files.getName(out + 'tree.txt') != 'tree.txt') return 2;
  if (files.copy(out + 'tree.txt', out + 'copy.txt') != 0 || files.open(out + 'copy.txt') != text) return 3;
  if (files.delete_(out + 'copy.txt') != 0 || files.exists(out + 'copy.txt')) return 4;
  if (files.delete_(out + 'missing.txt') == 0) return 5;
  return 42;
}
