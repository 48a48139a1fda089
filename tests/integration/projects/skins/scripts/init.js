// Reads the application's fonts, loads a skin file through the skin manager
// and names theme libraries. 42: passed.
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
  // The skin file's theme library lies beside it; a script's relative name
  // is taken from the project's skins folder and may not leave it.
  var theme = skins.Theme;
  if (theme.FileName != 'libtheme_ok.so') return 7;
  try {
    theme.FileName = '../libtheme_ok.so';
    return 8;
  } catch (e) {
    if (e.message != 'Theme library "../libtheme_ok.so" lies outside the skin folders') return 9;
  }
  if (theme.FileName != 'libtheme_ok.so') return 10;
  theme.FileName = 'missing.so';
  if (theme.FileName != '') return 11;
  theme.FileName = 'libtheme_ok.so';
  if (theme.FileName != 'libtheme_ok.so') return 12;
  return 42;
}
