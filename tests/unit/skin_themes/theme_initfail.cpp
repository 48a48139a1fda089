// A valid theme library whose Init fails with an exception.
#include <cstdlib>
#include <stdexcept>

#include "skins/core/skin_theme_abi.h"

extern "C" {

int theme_init_calls = 0;
int theme_done_calls = 0;

void GetSkinProperties(SkinThemeProperties* p) { p->valid = 1; }

int32_t Init(void*) {
  ++theme_init_calls;
  throw std::runtime_error("init refused");
}

int32_t Done(void*) {
  ++theme_done_calls;
  return 0;
}

int32_t FillButton(SkinCanvas*, void*) { std::abort(); }

}  // extern "C"
