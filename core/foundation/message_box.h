#pragma once

// The run-time's message box: the application's title as caption, shown
// through the process's dialog service (headless: standard error and the
// default button).

#include <cstdint>
#include <string>

namespace halbrin {

// The caption of the run-time's own message boxes.
inline constexpr char kApplicationTitle[] = "Halbrin Lite";

// The MB_* word -1 stands for: a task-modal box with the stop icon.
inline constexpr std::uint32_t kDefaultMessageBoxFlags = 0x2010;

// Shows `text` with the MB_* style `flags` (-1 for kDefaultMessageBoxFlags)
// and returns the IDOK... code of the button chosen.
int ShowMessageBox(const std::string& text, std::int32_t flags);

}  // namespace halbrin
