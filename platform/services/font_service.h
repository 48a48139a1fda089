#pragma once

#include <string>
#include <vector>

namespace halbrin::platform {

// The fonts the desktop offers. The core asks through this interface; the
// GTK layer answers from Pango's font map, tests replace it.
class IFontService {
 public:
  virtual ~IFontService() = default;

  // The family names of the screen fonts, asked afresh on every call (fonts
  // come and go while the program runs).
  virtual std::vector<std::string> ScreenFontNames() = 0;
};

// The answer while no service is installed: no fonts.
class HeadlessFontService final : public IFontService {
 public:
  std::vector<std::string> ScreenFontNames() override { return {}; }
};

// The process's font service: the headless one until a ScopedFontService
// installs another.
IFontService& CurrentFontService();

// Installs `service` for the life of the object and restores the one before
// it. `service` must outlive the object; installers nest.
class ScopedFontService {
 public:
  explicit ScopedFontService(IFontService& service) noexcept;
  ScopedFontService(const ScopedFontService&) = delete;
  ScopedFontService& operator=(const ScopedFontService&) = delete;
  ~ScopedFontService();

 private:
  IFontService* m_previous;
};

}  // namespace halbrin::platform
