#include "skin_display_support.h"

#include "support/x_input.h"

namespace halbrin::skins::skintest {

void FakeClick(int x, int y) { testing::PointerClick(x, y); }

void FakeKey(unsigned long keysym) { testing::KeyTap(keysym); }

}  // namespace halbrin::skins::skintest
