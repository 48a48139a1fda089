/* A theme library that does not mark itself valid: the host must never call Init. */
#include <stdlib.h>

#include "skins/core/skin_theme_abi.h"

void GetSkinProperties(SkinThemeProperties* p) { p->valid = 0; }

int32_t Init(void* theme) {
  (void)theme;
  abort();
}

int32_t FillButton(SkinCanvas* canvas, void* record) {
  (void)canvas;
  (void)record;
  abort();
}
