#include "skins/core/form_skin.h"

#include <algorithm>

#include "platform/classes/class_builder.h"
#include "platform/services/desktop_service.h"

namespace halbrin::skins {

namespace {

TRect Inflate(const TRect& r, int d) { return TRect{r.Left - d, r.Top - d, r.Right + d, r.Bottom + d}; }

}  // namespace

const platform::TEnumInfo& SkinMinimizeStyleInfo() {
  static const platform::TEnumInfo info("TZebrinSkinMinimizeStyle", {"smsSystem", "smsRollUp", "smsTaskBar"});
  return info;
}

TZebrinFormSkin::TZebrinFormSkin(platform::TComponent* owner) : TZebrinCustomSkin(owner) {}

TZebrinFormSkin::~TZebrinFormSkin() { SetControl(nullptr); }

// ---- Published ----

void TZebrinFormSkin::SetMinimizeStyle(TZebrinSkinMinimizeStyle value) {
  if (value == m_minimizeStyle) return;
  // A form rolled up or hidden by the old style comes back first.
  if (m_rolledUp) Unroll();
  if (m_hiddenByMinimize && Control()) {
    m_hiddenByMinimize = false;
    Control()->Show();
  }
  m_minimizeStyle = value;
  if (!IsLoading()) UpdateButtons();
}

void TZebrinFormSkin::SetDefaultButtonStyles(TZebrinSkinButtonStyles value) {
  if (value == m_defaultButtons) return;
  m_defaultButtons = value;
  if (AutoButtons() && !IsLoading()) BuildSystemButtons();
}

std::vector<TZebrinSkinButtonStyle> TZebrinFormSkin::DefaultButtons() const {
  std::vector<TZebrinSkinButtonStyle> styles;
  for (int i = 0; i < kSkinButtonStyleCount; ++i) {
    const auto style = static_cast<TZebrinSkinButtonStyle>(i);
    if ((m_defaultButtons & ButtonStyleBit(style)) != 0) styles.push_back(style);
  }
  return styles;
}

std::string TZebrinFormSkin::Text() const { return Control() ? Control()->Text() : std::string(); }

void TZebrinFormSkin::SetText(const std::string& value) {
  if (Control()) Control()->SetText(value);
}

// ---- State ----

bool TZebrinFormSkin::IsMinimized() const {
  if (!HasWindow()) return false;
  if (TZebrinCustomSkin::IsMinimized()) return true;
  switch (m_minimizeStyle) {
    case smsSystem: return false;
    case smsTaskBar: return m_hiddenByMinimize;
    case smsRollUp: {
      const TSize least = GetConstraints();
      const bool horizontal = m_rolledUp ? m_rollHorizontal : Horizontal();
      return horizontal ? least.cy >= Control()->Height() : least.cx >= Control()->Width();
    }
  }
  return false;
}

bool TZebrinFormSkin::IsMDIChild() const { return Control() && Control()->Parent(); }

int TZebrinFormSkin::MDIChildCount() const {
  const TWinControl* form = Control();
  const TZebrinSkinManager* manager = SkinManager();
  if (!form || !manager) return 0;
  int count = 0;
  for (int i = 0; i < form->ControlCount(); ++i)
    if (dynamic_cast<TZebrinFormSkin*>(manager->FindSkin(form->Controls(i)))) ++count;
  return count;
}

bool TZebrinFormSkin::ActivateNextChild(bool forward) {
  TWinControl* form = Control();
  const TZebrinSkinManager* manager = SkinManager();
  if (!form || !manager) return false;
  std::vector<TWinControl*> children;
  // In the order the children came (stacking changes as they are brought forward).
  for (platform::TControl* control : form->AlignOrder())
    if (auto* child = dynamic_cast<TWinControl*>(control))
      if (child->Visible() && dynamic_cast<TZebrinFormSkin*>(manager->FindSkin(child))) children.push_back(child);
  if (children.size() < 2) return false;
  const TWinControl* focused = form->FocusedControl();
  std::size_t current = 0;
  for (std::size_t i = 0; i < children.size(); ++i)
    if (focused && (children[i] == focused || children[i]->ContainsControl(*focused))) current = i;
  const std::size_t n = children.size();
  TWinControl* next = children[forward ? (current + 1) % n : (current + n - 1) % n];
  next->BringToFront();
  if (next->CanFocus()) next->SetFocus();
  return true;
}

TRect TZebrinFormSkin::MaximizedBounds() const {
  const TWinControl* form = Control();
  if (!form) return {};
  TRect area;
  if (const TWinControl* parent = form->Parent())
    area = TRect{0, 0, parent->ClientWidth(), parent->ClientHeight()};
  else if (Host())
    area = Host()->WorkArea();
  else
    area = platform::CurrentDesktopService().WorkArea(form->BoundsRect());
  const TZebrinSkinManager* manager = SkinManager();
  if (IsFramed() && manager) area = Inflate(area, manager->Metrics().frameInset);
  return area;
}

TRect TZebrinFormSkin::PlacementBounds() const {
  if (!Control()) return {};
  if (m_rolledUp || IsMaximized() || IsMinimized()) return NormalBounds();
  return Control()->BoundsRect();
}

// ---- Geometry and buttons ----

TSize TZebrinFormSkin::GetMinSize() const {
  TSize size = TZebrinCustomSkin::GetMinSize();
  const TZebrinSkinManager* manager = SkinManager();
  if (IsFramed() && manager) {
    size.cx += 2 * manager->Metrics().frameInset;
    size.cy += 2 * manager->Metrics().frameInset;
  }
  if (AutoConstraints() && !IsMaximized() && HasButtons()) {
    const TRect buttons = Buttons()->BoundsRect();
    if (Horizontal())
      size.cx += std::max(0, buttons.Width());
    else
      size.cy += std::max(0, buttons.Height());
  }
  return size;
}

void TZebrinFormSkin::UpdateButtons() {
  TZebrinSkinWindowButtons& buttons = *Buttons();
  const platform::TWeakRef<platform::TObject> alive(&buttons);
  buttons.BeginUpdate();
  for (int i = 0; i < buttons.Count(); ++i) {
    if (buttons.Items(i)->SelfManaged()) continue;
    UpdateButtonStates(i);
    // A state handler may have freed the skin and with it the buttons.
    if (!alive) return;
  }
  buttons.EndUpdate();
}

void TZebrinFormSkin::UpdateButtonStates(int index) {
  TZebrinCustomSkin::UpdateButtonStates(index);
  TZebrinSkinWindowButton* button = Buttons()->ButtonAt(index);
  if (!button) return;
  const platform::TWindowTraits& traits = SavedTraits();
  const bool autoButtons = AutoButtons();
  switch (button->Style()) {
    case btsMaximize:
      if (autoButtons) button->SetVisible(button->Visible() && traits.maxBox);
      break;
    case btsRestore:
      // Undoing our own minimise follows the minimise box.
      if (autoButtons) button->SetVisible(button->Visible() && (IsMinimized() ? traits.minBox : traits.maxBox));
      break;
    case btsMinimize:
      if (m_minimizeStyle == smsRollUp)
        button->SetVisible(IsNormal() && (!autoButtons || traits.minBox));
      else if (autoButtons)
        button->SetVisible(button->Visible() && traits.minBox);
      break;
    case btsNext:
    case btsPrevious:
      if (!autoButtons) break;
      if (IsMDIChild()) {
        button->SetVisible(IsMaximized());
        const TZebrinSkinManager* manager = SkinManager();
        auto* parentSkin = manager ? dynamic_cast<TZebrinFormSkin*>(manager->FindSkin(Control()->Parent())) : nullptr;
        button->SetEnabled(parentSkin && parentSkin->MDIChildCount() > 1);
      } else {
        button->SetEnabled(MDIChildCount() > 0);
      }
      break;
    default: break;
  }
}

TSystemMenuState TZebrinFormSkin::SystemMenuState() const {
  TSystemMenuState state = TZebrinCustomSkin::SystemMenuState();
  const platform::TWindowTraits& traits = SavedTraits();
  if (AutoButtons()) {
    state.maximize = state.maximize && traits.maxBox;
    state.minimize = state.minimize && traits.minBox;
  }
  if (m_minimizeStyle == smsRollUp) {
    state.minimize = state.minimize && IsNormal();
    if (IsMinimized()) {
      state.size = false;
      state.defaultItem = TWindowCommand::Restore;
    }
  }
  return state;
}

void TZebrinFormSkin::PointerDoubleClick(const TWindowPointer& pointer) {
  platform::TWeakRef<TZebrinFormSkin> self(this);
  TZebrinCustomSkin::PointerDoubleClick(pointer);
  if (!self || Ending() || !Enabled() || !Host()) return;
  if (LastHitCode() != kHitSkinCaption || !SavedTraits().sizable) return;
  if (IsMinimized() || IsMaximized())
    Restore();
  else
    Maximize();
}

void TZebrinFormSkin::WindowStateChanged() {
  // The window manager answered (or changed the state itself).
  m_maximizing = false;
  TZebrinCustomSkin::WindowStateChanged();
}

// ---- Hooking ----

void TZebrinFormSkin::HookWindow() {
  m_hiddenByMinimize = false;
  m_rolledUp = false;
  m_maximizeApplied = false;
  m_maximizing = false;
  TZebrinCustomSkin::HookWindow();
  if (m_stretched) SetActive(true);
}

void TZebrinFormSkin::UnhookWindow() {
  TWinControl* form = Control();
  const bool destroying = form->IsDestroying();
  TZebrinCustomSkin::UnhookWindow();
  if (destroying) return;
  // The form keeps neither our roll-up nor our hiding.
  if (m_rolledUp) {
    ++m_adjusting;
    if (m_rollHorizontal)
      form->SetHeight(NormalBounds().Height());
    else
      form->SetWidth(NormalBounds().Width());
    --m_adjusting;
    m_rolledUp = false;
  }
  if (m_hiddenByMinimize) {
    m_hiddenByMinimize = false;
    form->Show();
  }
}

// ---- Window commands ----

bool TZebrinFormSkin::RollUp() {
  TWinControl* form = Control();
  if (!form || IsMaximized()) return true;
  if (IsMinimized()) return true;
  SetNormalBounds(form->BoundsRect());
  m_rollHorizontal = Horizontal();
  m_rolledUp = true;
  const TSize least = GetConstraints();
  ++m_adjusting;
  if (m_rollHorizontal)
    form->SetHeight(least.cy);
  else
    form->SetWidth(least.cx);
  --m_adjusting;
  RecalcFrame();
  UpdateButtons();
  return true;
}

bool TZebrinFormSkin::Unroll() {
  TWinControl* form = Control();
  if (!form) return false;
  const TRect normal = NormalBounds();
  ++m_adjusting;
  // Along the axis it was rolled: a vertical caption gives the width back.
  const bool horizontal = m_rolledUp ? m_rollHorizontal : Horizontal();
  if (horizontal)
    form->SetHeight(normal.Height());
  else
    form->SetWidth(normal.Width());
  --m_adjusting;
  m_rolledUp = false;
  RecalcFrame();
  UpdateButtons();
  return true;
}

void TZebrinFormSkin::ApplyMaximizedBounds() {
  TWinControl* form = Control();
  if (!form) return;
  m_maximizeApplied = true;
  if (Host() && Host()->WindowManagerPlacesMaximized()) return;
  const TRect target = MaximizedBounds();
  if (target.IsEmpty() || form->BoundsRect() == target) return;
  ++m_adjusting;
  form->SetBoundsRect(target);
  --m_adjusting;
  RecalcFrame();
}

bool TZebrinFormSkin::HandleWindowCommand(TWindowCommand command) {
  TWinControl* form = Control();
  IWindowHost* host = Host();
  if (!form || !host) return false;
  switch (command) {
    case TWindowCommand::NextChild:
    case TWindowCommand::PreviousChild:
      ActivateNextChild(command == TWindowCommand::NextChild);
      return true;
    case TWindowCommand::Minimize:
      switch (m_minimizeStyle) {
        case smsSystem: return false;
        case smsRollUp: return RollUp();
        case smsTaskBar: {
          if (m_hiddenByMinimize) return true;
          if (IsNormal()) SetNormalBounds(form->BoundsRect());
          // An MDI child hands the activation to the next child first.
          if (IsMDIChild())
            if (auto* parentSkin = dynamic_cast<TZebrinCustomSkin*>(SkinManager()->FindSkin(form->Parent())))
              parentSkin->SendWindowCommand(TWindowCommand::NextChild);
          m_hiddenByMinimize = true;
          platform::TWeakRef<TZebrinFormSkin> self(this);
          form->Hide();
          if (self) UpdateButtons();
          return true;
        }
      }
      return false;
    case TWindowCommand::Restore:
      if (m_minimizeStyle == smsRollUp && !TZebrinCustomSkin::IsMinimized() && IsMinimized()) return Unroll();
      if (m_minimizeStyle == smsTaskBar && m_hiddenByMinimize) {
        m_hiddenByMinimize = false;
        platform::TWeakRef<TZebrinFormSkin> self(this);
        form->Show();
        if (!self || !Host()) return true;
        Host()->BringToFront();
        UpdateButtons();
        return true;
      }
      if (IsMaximized()) {
        host->Execute(command);
        m_maximizeApplied = false;
        m_maximizing = false;
        if (!NormalBounds().IsEmpty() && form->BoundsRect() != NormalBounds()) {
          ++m_adjusting;
          form->SetBoundsRect(NormalBounds());
          --m_adjusting;
          RecalcFrame();
        }
        UpdateButtons();
        return true;
      }
      return false;
    case TWindowCommand::Maximize:
      if (IsMaximized()) return true;
      if (m_rolledUp) Unroll();
      if (m_hiddenByMinimize) {
        m_hiddenByMinimize = false;
        form->Show();
      }
      if (IsNormal()) SetNormalBounds(form->BoundsRect());
      host->Execute(command);
      m_maximizing = Host() && !IsMaximized();
      if (Host() && IsMaximized()) ApplyMaximizedBounds();
      UpdateButtons();
      return true;
    default:
      return false;
  }
}

void TZebrinFormSkin::ControlBoundsChanged() {
  if (m_adjusting > 0 || !Control() || !Host()) return;
  if (IsMaximized()) {
    m_maximizing = false;
    // Maximised by the window manager: the frame strip goes outside the work area once.
    if (!m_maximizeApplied) ApplyMaximizedBounds();
    return;
  }
  m_maximizeApplied = false;
  if (!m_rolledUp && !IsMinimized() && !m_maximizing) SetNormalBounds(Control()->BoundsRect());
}

using F = TZebrinFormSkin;
HALBRIN_DEFINE_CLASS(TZebrinFormSkin,
                     .Property("AutoButtons", &F::AutoButtons, &F::SetAutoButtons)
                     .Default(true)
                     .Property("AutoConstraints", &F::AutoConstraints, &F::SetAutoConstraints)
                     .Default(true)
                     .Property("DefaultNCPaint", &F::DefaultNCPaint, &F::SetDefaultNCPaint)
                     .Default(false)
                     .Set("DefaultButtons", &F::DefaultButtonStyles, &F::SetDefaultButtonStyles, SkinButtonStyleInfo(),
                          "TZebrinSkinButtonStyles")
                     .Default(static_cast<int>(kFormDefaultButtons))
                     .Property("EraseBackground", &F::EraseBackground, &F::SetEraseBackground)
                     .Default(true)
                     .Property("Form", &F::Form, &F::SetForm)
                     .Enum("MinimizeStyle", &F::MinimizeStyle, &F::SetMinimizeStyle, SkinMinimizeStyleInfo())
                     .Default(static_cast<int>(smsSystem))
                     .Property("Text", &F::Text, &F::SetText)
                     .TypeName("TCaption")
                     .Stored(false))

}  // namespace halbrin::skins
