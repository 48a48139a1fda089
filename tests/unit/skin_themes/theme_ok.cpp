// A valid theme library: hooks that draw, change their records, keep canvas
// state unbalanced or throw, so the host's handling of each shows.
#include <stdexcept>

#include "skins/core/skin_theme_abi.h"

extern "C" {

int theme_init_calls = 0;
int theme_done_calls = 0;
void* theme_last_theme = nullptr;
void* theme_last_cairo = nullptr;

void GetSkinProperties(SkinThemeProperties* p) {
  // Usable only with the host this library was built for.
  p->valid = p->size == SKIN_THEME_PROPERTIES_SIZE && p->abi_version == SKIN_THEME_ABI_VERSION;
}

int32_t Init(void* theme) {
  ++theme_init_calls;
  theme_last_theme = theme;
  return 0;
}

int32_t Done(void*) {
  ++theme_done_calls;
  return 0;
}

int32_t FillMargin(SkinCanvas*, void* record) {
  auto* rec = static_cast<SkinFillParams*>(record);
  rec->rect.left += 5;
  rec->color = 0x010203;
  return 0;
}

int32_t FillButton(SkinCanvas* canvas, void* record) {
  auto* rec = static_cast<SkinFillParams*>(record);
  canvas->fill_rect(canvas->ctx, &rec->rect, 0xFF00FF);
  rec->color = 0x010203;
  return 0;
}

int32_t FillCaptionBands(SkinCanvas* canvas, void* record) {
  const auto* rec = static_cast<const SkinFillParams*>(record);
  canvas->fill_rect(canvas->ctx, &rec->rect, 0xFF00FF);
  return 0;
}

// Leaves two saves open and a clip excluded.
int32_t FillFooterBand(SkinCanvas* canvas, void* record) {
  const auto* rec = static_cast<const SkinFillParams*>(record);
  theme_last_cairo = canvas->cairo;
  canvas->save(canvas->ctx);
  canvas->save(canvas->ctx);
  canvas->exclude_clip(canvas->ctx, &rec->rect);
  return 0;
}

// Every canvas function once; what the canvas answered goes into the last fill.
int32_t FillSplitter(SkinCanvas* canvas, void* record) {
  const auto* rec = static_cast<const SkinFillParams*>(record);
  void* ctx = canvas->ctx;
  canvas->frame_rect(ctx, &rec->rect, 1);
  canvas->line(ctx, SkinPoint{0, 0}, SkinPoint{5, 0}, 2, 2);
  const SkinPoint triangle[] = {{0, 0}, {4, 0}, {0, 4}};
  canvas->fill_polygon(ctx, triangle, 3, 3);
  canvas->set_pixel(ctx, 1, 1, 4);
  const SkinColor pixel = canvas->get_pixel(ctx, 1, 1);
  int32_t width = 0, height = 0;
  canvas->text_extent(ctx, "abc", nullptr, &width, &height);
  const SkinRect answer = {0, 0, width, height};
  canvas->fill_rect(ctx, &answer, pixel);
  return 0;
}

int32_t DrawSplitterEdges(SkinCanvas*, void*) { throw std::runtime_error("splitter edges failed"); }

int32_t DrawBandItemText(SkinCanvas*, void* record) {
  auto* rec = static_cast<SkinTextParams*>(record);
  rec->color = 0x123456;
  rec->text = "not the caller's";
  rec->font = nullptr;
  return 7;
}

int32_t DrawToolButtonText(SkinCanvas* canvas, void* record) {
  const auto* rec = static_cast<const SkinTextParams*>(record);
  canvas->draw_text(canvas->ctx, rec->text, &rec->rect, rec->font, canvas->resolve_color(canvas->ctx, rec->color),
                    SKIN_TEXT_CENTER | SKIN_TEXT_VCENTER);
  return 0;
}

int32_t DrawBandItemProgress(SkinCanvas* canvas, void* record) {
  auto* rec = static_cast<SkinProgressParams*>(record);
  rec->rect.right = rec->rect.left + rec->percent;
  canvas->fill_rect(canvas->ctx, &rec->rect, rec->color);
  return 0;
}

int32_t DrawWindowButton(SkinCanvas* canvas, void* record) {
  auto* rec = static_cast<SkinWindowButtonParams*>(record);
  if (rec->state & SKIN_STATE_MASKED)
    canvas->draw_image_masked(canvas->ctx, rec->images, rec->image_index, rec->x, rec->y, rec->glyph_color);
  else
    canvas->draw_image(canvas->ctx, rec->images, rec->image_index, rec->x, rec->y);
  rec->x = -1;
  return 0;
}

int32_t DrawToolButton(SkinCanvas* canvas, void* record) {
  static int foreign = 0;
  auto* rec = static_cast<SkinToolButtonParams*>(record);
  // A handle the host never gave out draws nothing.
  canvas->draw_image(canvas->ctx, reinterpret_cast<const SkinImageList*>(&foreign), 0, 0, 0);
  rec->color = 0x654321;
  rec->images = nullptr;
  return 0;
}

}  // extern "C"
