// The Search pane of the Welcome project: a document index over the
// project's docs/ folder, its results listed on pages/search.html beside the
// main page, and a window switch group that shows one of the two. The
// caption's "Page" and "Search" tool buttons switch; a finished search shows
// its results.

// The pane's web view, declared inside the form beside the main page.
function paneDeclaration() {
  return '<control type="webbrowser" id="SearchPage" Align="alClient" url_="pages/search.html">' +
         '<events><ondocumentcomplete script="search_pane.js" xml="pageShown"/></events></control>';
}

// The switches and the search. `folder` is the project folder.
function start(folder) {
  client.exec('<control type="windowswitch" id="Panes">' +
              '<control type="windowswitch" id="PageSwitch" component="Page"/>' +
              '<control type="windowswitch" id="SearchSwitch" component="SearchPage"/>' +
              '</control>');
  client.exec('<control type="form" id="Welcome"><skin><events>' +
              '<onclick script="search_pane.js" xml="toolClicked"/></events></skin></control>');
  folder = String(folder).replace(/\/?$/, '/');
  client.exec('<control type="filedocumentindex" id="Finder" root="' + folder + 'docs" recursive="true" ' +
              'level="-1"><filter><item name="search" text="search" query="search" contentType="ditText" ' +
              'options="[dioSequent]"/></filter>' +
              '<events><oncomplete script="search_pane.js" xml="searchDone"/></events></control>');
  var finder = client.components.item('Finder');
  finder.exec('execute');
}

// The search ended: the pane is shown (its page loads on the first show) and
// a line goes to the report.
function searchDone(name, result, count) {
  var finder = client.components.item('Finder');
  finder.exec('sortByName');
  var titles = [];
  for (var i = 0; i < finder.content.length; i++) titles.push(finder.content.item(i).title);
  client.components.item('SearchSwitch').active = true;
  addToReport('search: ' + count + ' documents (' + titles.join(', ') + '), result ' + result + ', pane ' +
              client.components.item('Panes').activeName);
  render();
}

// The pane's page loaded: the results go on it once the search is done.
function pageShown(name, document, url) {
  render();
}

function render() {
  var finder = client.components.item('Finder');
  var running = String(finder.active).toLowerCase() == 'true';
  if (running || typeof SearchPage == 'undefined' || typeof SearchPage.getElementById != 'function') return;
  var html = '';
  for (var i = 0; i < finder.content.length; i++) {
    var found = finder.content.item(i);
    html += '<li><b>' + escapeHtml(found.title) + '</b> (rank ' + found.rank + ')<div class="chunks">' +
            escapeHtml(found.chunks) + '</div></li>';
  }
  SearchPage.getElementById('status').textContent =
      finder.content.length + ' documents in docs/ mention "search":';
  SearchPage.getElementById('results').innerHTML = html;
}

// A caption tool button: "Page" and "Search" switch the panes.
function toolClicked(item) {
  var text = item && item.Text ? String(item.Text) : String(item);
  var panes = client.components.item('Panes');
  if (text == 'Page') panes.activeName = 'Page';
  if (text == 'Search') panes.activeName = 'SearchPage';
}

function escapeHtml(text) {
  return String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
}

function addToReport(line) {
  var files = client.files;
  var report = files.getFolder(0x1A, 1) + 'Zebrin/HalbrinLite/welcome/report.txt';
  files.save((files.exists(report) ? files.open(report) : '') + line + '\n', report);
}
