#pragma once

// TWebBrowserEx ("webbrowser"): the browser host as a script component,
// declared inside a form or a frame. It fires script events for what the
// view reports, answers window.external with the client, keeps the context
// menu and shortcuts for itself, can be skinned and registers with the
// application as a component and a browser.
//
//   <webbrowser id="browser1" align:TAlign="alClient" url_="start.html"/>
//   browser1.getElementById("x");          // the document, by the Name
//   Main.browser1.control.LocationURL;     // the view's automation object

#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "components/browser/browser_host.h"
#include "components/forms/script_container.h"
#include "core/app/application_ex.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/std_events_component.h"
#include "platform/controls/showing_watch.h"
#include "web/browser/page_gate.h"
#include "platform/eventloop/idle_source.h"
#include "platform/variant/variant.h"

namespace halbrin::skins {
class TZebrinPlacementSubSkin;
}  // namespace halbrin::skins

namespace halbrin {

class TSkinToolButtons;
class TZebrinControlSkinEx;
class TWebBrowserEx;

// The ready state "control" reports once a document has completed.
inline constexpr int kReadyStateComplete = 4;

// `control`: the view's automation object (Document, LocationURL,
// LocationName, ReadyState, Busy). It holds the browser weakly: once the
// browser is gone it answers Empty.
platform::RefPtr<platform::IDispatchObject> NewBrowserControlObject(TWebBrowserEx& browser);

// Registers the "webbrowser" type word and makes the scriptable browsers'
// documents named objects of every script engine.
void RegisterBrowserComponentTypes();

}  // namespace halbrin
