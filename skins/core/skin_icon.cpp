#include "skins/core/skin_icon.h"

#include "platform/classes/class_builder.h"

namespace halbrin::skins {

using I = TZebrinSkinIcon;
HALBRIN_DEFINE_CLASS(TZebrinSkinIcon, .Property("CaptureMouse", &I::CaptureMouse, &I::SetCaptureMouse)
                                          .Default(true)
                                          .Property("Cursor", &I::Cursor, &I::SetCursor)
                                          .Default(-21)
                                          .Property("DefaultImage", &I::DefaultImage, &I::SetDefaultImage)
                                          .Default(false)
                                          .Property("Enabled", &I::Enabled, &I::SetEnabled)
                                          .Default(true)
                                          .Property("Hint", &I::Hint, &I::SetHint)
                                          .Property("IndentLeft", &I::IndentLeft, &I::SetIndentLeft)
                                          .Default(4)
                                          .Property("IndentTop", &I::IndentTop, &I::SetIndentTop)
                                          .Default(-1)
                                          .Property("Visible", &I::Visible, &I::SetVisible)
                                          .Default(false)
                                          .Event("OnClick", &I::m_onClick, "TNotifyEvent")
                                          .Event("OnDblClick", &I::m_onDblClick, "TNotifyEvent")
                                          .Event("OnMouseDown", &I::m_onMouseDown, "TMouseEvent"))

}  // namespace halbrin::skins
