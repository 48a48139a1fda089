#pragma once

#include <string_view>
#include <vector>

#include "core/app/single_instance.h"
#include "platform/variant/variant.h"

namespace halbrin {

// Command lines that later starts of this project handed over, oldest first.
// Each is applied once.
void PushHandOver(InstanceMessage message);
bool HandOverPending();
// Takes the oldest hand-over and returns the value of its switch `key` as a
// string Variant ("" when there is none or nothing is pending).
platform::Variant ReadHandOver(std::string_view key);
// Takes every pending hand-over, oldest first (the ones that will not be applied).
std::vector<InstanceMessage> TakeHandOvers();

}  // namespace halbrin
