#pragma once

// The WebKit views of the browser components. Installing sets the browser
// view factory: each browser's window gets a WebKitWebView as its content
// widget, on the one PageHost of the process (made with the first browser,
// with the project folder, the client as window.external and the
// application's log).

namespace halbrin {

void InstallWebKitBrowserViews();

}  // namespace halbrin
