// Reads the application's fonts and loads a skin file through the skin
// manager. 42: passed.
function main(project) {
  var app = client.application;
  if (typeof app.hintFont.Name != 'string' || app.hintFont.Name.length == 0) return 1;
  if (!(app.menuFont.Size > 0)) return 2;
  if (typeof app.fonts.length != 'number') return 3;
  var skins = app.skins;
  skins.loadFromFile('skins/blue.xml');
  if (skins.FlashDelay != 250 || skins.Caption.Size != 22 || skins.Hint.Delay != 300) return 4;
  try {
    skins.loadFromFile('skins/missing.xml');
    return 5;
  } catch (e) {
  }
  if (skins.FlashDelay != 250) return 6;
  return 42;
}
