#include "platform/controls/recording_control_backend.h"

#include <algorithm>

#include "platform/controls/win_control.h"

namespace halbrin::platform {
namespace {

std::string RectText(const TRect& rect) {
  return std::to_string(rect.Left) + "," + std::to_string(rect.Top) + "," + std::to_string(rect.Right) + "," +
         std::to_string(rect.Bottom);
}

}  // namespace

std::string TRecordingControlBackend::TraitsText(const TWindowTraits& traits) {
  const std::pair<bool, const char*> flags[] = {
      {traits.caption, "caption"},     {traits.border, "border"},   {traits.clientEdge, "clientEdge"},
      {traits.sizable, "sizable"},     {traits.framed, "framed"},   {traits.sysMenu, "sysMenu"},
      {traits.minBox, "minBox"},       {traits.maxBox, "maxBox"},   {traits.contextHelp, "contextHelp"},
      {traits.toolWindow, "toolWindow"}};
  std::string text;
  for (const auto& [on, name] : flags) {
    if (!on) continue;
    if (!text.empty()) text += ",";
    text += name;
  }
  return text.empty() ? "-" : text;
}

TWinControl* TRecordingControlBackend::ControlOf(ControlWindow window) const {
  const auto it = m_windows.find(window);
  return it == m_windows.end() ? nullptr : it->second.control.Get();
}

ControlWindow TRecordingControlBackend::ParentOf(ControlWindow window) const {
  const auto it = m_windows.find(window);
  return it == m_windows.end() ? kNoWindow : it->second.parent;
}

bool TRecordingControlBackend::IsVisible(ControlWindow window) const {
  const auto it = m_windows.find(window);
  return it != m_windows.end() && it->second.visible;
}

std::vector<ControlWindow> TRecordingControlBackend::Stacking(ControlWindow parent) const {
  const auto it = m_stacking.find(parent);
  return it == m_stacking.end() ? std::vector<ControlWindow>{} : it->second;
}

std::string TRecordingControlBackend::NameOf(ControlWindow window) const {
  const auto it = m_windows.find(window);
  if (it == m_windows.end()) return "?" + std::to_string(window);
  return it->second.name;
}

void TRecordingControlBackend::Log(const std::string& call, ControlWindow window, const std::string& arguments) {
  m_calls.push_back(call + "(" + NameOf(window) + (arguments.empty() ? "" : " " + arguments) + ")");
}

ControlWindow TRecordingControlBackend::CreateWindow(TWinControl& control, ControlWindow parent) {
  const ControlWindow window = m_next++;
  const std::string name = control.Name().empty() ? "#" + std::to_string(window) : control.Name();
  m_windows[window] = Window{TWeakRef<TWinControl>(&control), name, parent, false};
  m_stacking[parent].push_back(window);
  Log("CreateWindow", window, "parent=" + (parent == kNoWindow ? std::string("-") : NameOf(parent)));
  return window;
}

void TRecordingControlBackend::DestroyWindow(ControlWindow window) {
  Log("DestroyWindow", window);
  const auto it = m_windows.find(window);
  if (it == m_windows.end()) return;
  std::erase(m_stacking[it->second.parent], window);
  m_stacking.erase(window);
  m_windows.erase(it);
}

void TRecordingControlBackend::SetBounds(ControlWindow window, const TRect& bounds) {
  Log("SetBounds", window, RectText(bounds));
}

void TRecordingControlBackend::SetVisible(ControlWindow window, bool visible) {
  Log("SetVisible", window, visible ? "true" : "false");
  if (const auto it = m_windows.find(window); it != m_windows.end()) it->second.visible = visible;
}

void TRecordingControlBackend::SetEnabled(ControlWindow window, bool enabled) {
  Log("SetEnabled", window, enabled ? "true" : "false");
}

void TRecordingControlBackend::SetText(ControlWindow window, const std::string& text) {
  Log("SetText", window, "\"" + text + "\"");
}

void TRecordingControlBackend::SetTraits(ControlWindow window, const TWindowTraits& traits) {
  Log("SetTraits", window, TraitsText(traits));
}

void TRecordingControlBackend::SetNonClientMargins(ControlWindow window, const TRect& margins) {
  Log("SetNonClientMargins", window, RectText(margins));
}

void TRecordingControlBackend::SetContentWidget(ControlWindow window, NativeWidget widget) {
  Log("SetContentWidget", window, widget ? "widget" : "none");
}

void TRecordingControlBackend::Restack(ControlWindow window, bool toFront) {
  const auto it = m_windows.find(window);
  if (it == m_windows.end()) return;
  auto& siblings = m_stacking[it->second.parent];
  std::erase(siblings, window);
  if (toFront)
    siblings.push_back(window);
  else
    siblings.insert(siblings.begin(), window);
}

void TRecordingControlBackend::BringToFront(ControlWindow window) {
  Log("BringToFront", window);
  Restack(window, true);
}

void TRecordingControlBackend::SendToBack(ControlWindow window) {
  Log("SendToBack", window);
  Restack(window, false);
}

void TRecordingControlBackend::SetFocus(ControlWindow window) { Log("SetFocus", window); }

void TRecordingControlBackend::Invalidate(ControlWindow window) { Log("Invalidate", window); }

void TRecordingControlBackend::InvalidateRect(ControlWindow window, const TRect& rect) {
  Log("InvalidateRect", window, RectText(rect));
}

namespace {

const char* BoolText(bool value) { return value ? "true" : "false"; }

const char* StateText(TWindowState state) {
  switch (state) {
    case wsMinimized: return "minimized";
    case wsMaximized: return "maximized";
    case wsNormal: break;
  }
  return "normal";
}

}  // namespace

void TRecordingControlBackend::SetWindowState(ControlWindow window, TWindowState state) {
  Log("SetWindowState", window, StateText(state));
}

void TRecordingControlBackend::SetStayOnTop(ControlWindow window, bool stayOnTop) {
  Log("SetStayOnTop", window, BoolText(stayOnTop));
}

void TRecordingControlBackend::SetNeverActivate(ControlWindow window, bool neverActivate) {
  Log("SetNeverActivate", window, BoolText(neverActivate));
}

void TRecordingControlBackend::SetTransientFor(ControlWindow window, ControlWindow owner) {
  Log("SetTransientFor", window, owner == kNoWindow ? std::string("-") : NameOf(owner));
}

void TRecordingControlBackend::SetOpacity(ControlWindow window, std::uint8_t alpha) {
  Log("SetOpacity", window, std::to_string(alpha));
}

void TRecordingControlBackend::SetIcon(ControlWindow window, const TArgbImage* icon) {
  Log("SetIcon", window, icon ? std::to_string(icon->Width) + "x" + std::to_string(icon->Height) : "none");
}

void TRecordingControlBackend::SetModal(ControlWindow window, bool modal) { Log("SetModal", window, BoolText(modal)); }

void TRecordingControlBackend::SetDropShadow(ControlWindow window, bool dropShadow) {
  Log("SetDropShadow", window, BoolText(dropShadow));
}

void TRecordingControlBackend::SetWithdrawn(ControlWindow window, bool withdrawn) {
  Log("SetWithdrawn", window, BoolText(withdrawn));
}

void TRecordingControlBackend::RaiseWithoutActivating(ControlWindow window) {
  Log("RaiseWithoutActivating", window);
  Restack(window, true);
}

void TRecordingControlBackend::Present(ControlWindow window) { Log("Present", window); }

std::uint64_t TRecordingControlBackend::NativeWindowId(ControlWindow window) const {
  return IsAlive(window) ? 0x1000 + window : 0;
}

}  // namespace halbrin::platform
