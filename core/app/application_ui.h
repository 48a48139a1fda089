#pragma once

// What the application object asks of the windowing layer. The core never
// includes GTK: the GTK layer implements this interface once forms exist,
// tests replace it with a fake, and until then the headless one answers.

#include <cstdint>

#include "core/foundation/colors.h"

namespace halbrin {

// The desktop's colours the application colour is derived from (plain colours).
struct TApplicationSystemColors {
  TColor background = 0;     // button face
  TColor captionText = 0;    // active caption text
  TColor activeCaption = 0;  // active caption
  TColor window = 0;
  TColor windowText = 0;
};

// Cursor numbers as scripts pass them.
inline constexpr int crDefault = 0;
inline constexpr int crArrow = -2;
inline constexpr int crHourGlass = -11;

class IApplicationUi {
 public:
  virtual ~IApplicationUi() = default;

  virtual void Minimize() = 0;
  virtual void Restore() = 0;
  // Restores the main form when minimised and brings it to the front.
  virtual void BringToFront() = 0;
  // Whether a main form exists and was presented (a window manager may refuse focus).
  virtual bool Focus() = 0;
  // Whether one of the program's windows is the active one.
  virtual bool IsActive() const = 0;
  // The message loop runs while a main form exists.
  virtual bool HasMainForm() const = 0;
  // Closes the main form (which ends the loop); false when there is none.
  virtual bool CloseMainForm() = 0;
  virtual void HideMainForm() = 0;
  // Runs what the loop has pending without waiting.
  virtual void ProcessMessages() = 0;
  // Shows `cursor` (crDefault, crHourGlass...) on every window.
  virtual void SetCursor(int cursor) = 0;
  // The modifier keys (Shift 1, Ctrl 2, Alt 4) and the pressed mouse button
  // (left 1, right 2, middle 4); 0 when none or unknown.
  virtual std::uint32_t ShiftState() const = 0;
  virtual std::uint32_t ButtonState() const = 0;
  virtual TApplicationSystemColors SystemColors() const = 0;

 protected:
  IApplicationUi() = default;
  IApplicationUi(const IApplicationUi&) = default;
  IApplicationUi& operator=(const IApplicationUi&) = default;
};

// No windows: the window verbs do nothing, nothing is active or focused,
// ProcessMessages runs the pending work of the default GLib context, and the
// colours are the headless desktop's.
class THeadlessApplicationUi final : public IApplicationUi {
 public:
  void Minimize() override {}
  void Restore() override {}
  void BringToFront() override {}
  bool Focus() override { return false; }
  bool IsActive() const override { return false; }
  bool HasMainForm() const override { return false; }
  bool CloseMainForm() override { return false; }
  void HideMainForm() override {}
  void ProcessMessages() override;
  void SetCursor(int) override {}
  std::uint32_t ShiftState() const override { return 0; }
  std::uint32_t ButtonState() const override { return 0; }
  TApplicationSystemColors SystemColors() const override;
};

// The windowing layer application objects start with (not owned): the
// program's entry installs the GTK one when there is a display; null puts the
// headless one back.
void SetDefaultApplicationUi(IApplicationUi* ui) noexcept;
IApplicationUi* DefaultApplicationUi() noexcept;

}  // namespace halbrin
