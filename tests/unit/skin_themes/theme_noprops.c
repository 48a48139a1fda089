/* A theme library without GetSkinProperties: never used. */
#include <stdlib.h>

#include "skins/core/skin_theme_abi.h"

int32_t Init(void* theme) {
  (void)theme;
  abort();
}

int32_t FillButton(SkinCanvas* canvas, void* record) {
  (void)canvas;
  (void)record;
  abort();
}
