// The Download project: fetches the URL of project.info's "url=" into
// memory with a "download" component and shows its progress on a page. The
// component's events write into the client's variables; the page reads them.
function main(project) {
  var url = client.interpret('<#project attribute=url>');
  if (!url) url = 'http://127.0.0.1:8000/';
  var variables = client.variables;
  setVariable('url', url);
  setVariable('progress', 0);
  setVariable('progressMax', 0);
  setVariable('result', 'Fetching ' + url + ' ...');
  client.exec('<control type="form" id="Main" Caption="Download" Width="480" Height="200">' +
              '<control type="webbrowser" id="Page" Align="alClient" Visible="true" url_="pages/download.html"/>' +
              '</control>');
  client.forms.item('Main').exec('show');
  client.exec('<control type="download" id="Fetch" timeout="30">' +
              '<events><onprogress xml="fetchProgress"/><oncomplete xml="fetchComplete"/></events></control>');
  var fetch = client.components.item('Fetch');
  fetch.url = url;
  fetch.exec('download');
  return 0;
}

function setVariable(name, value) {
  var variables = client.variables;
  if (variables.exists(name, 0)) variables.item(name).Value = value;
  else variables.add(name, value);
}
