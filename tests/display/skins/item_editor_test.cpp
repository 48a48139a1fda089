#include <memory>
#include <string>
#include <vector>

#include "skin_display_support.h"
#include "skins/gtk/gtk_skin_item_editor.h"

// Key symbols only: no Xlib macros.
#include <X11/keysym.h>

namespace halbrin::skins {
namespace {

using skintest::RunUntil;
using skintest::SkinDisplayTest;
using skintest::TestWindow;

enum class Ending { Enter, Escape, FocusLoss };

struct EditCase {
  const char* name;
  Ending ending;
  bool accepted;
  std::string text;
};

class ItemEditorTest : public SkinDisplayTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(ItemEditorTest, EndsOnceAsTheKeyOrTheFocusSays) {
  const EditCase& c = GetParam();
  TestWindow owner(300, 300, 200, 100);
  ASSERT_TRUE(owner.ShowActive());

  auto target = std::make_shared<int>(0);
  std::vector<TItemEditResult> ends;
  TGtkSkinItemEditor editor;
  editor.Edit({320, 320, 420, 342}, "File", {}, target, [&](const TItemEditResult& r) { ends.push_back(r); });
  ASSERT_TRUE(RunUntil([&] { return gtk_window_is_active(GTK_WINDOW(editor.Window())); }))
      << "the editor did not get the focus";
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_has_focus(editor.Entry()); }));

  // The start text is selected, so typing replaces it.
  skintest::FakeKey(XK_x);
  ASSERT_TRUE(RunUntil([&] { return std::string(gtk_entry_get_text(GTK_ENTRY(editor.Entry()))) == "x"; }));

  switch (c.ending) {
    case Ending::Enter:
      skintest::FakeKey(XK_Return);
      break;
    case Ending::Escape:
      skintest::FakeKey(XK_Escape);
      break;
    case Ending::FocusLoss:
      gtk_window_present(owner.Window());
      break;
  }
  ASSERT_TRUE(RunUntil([&] { return !ends.empty(); })) << "the edit did not end";
  ASSERT_TRUE(RunUntil([&] { return gtk_window_is_active(owner.Window()); })) << "the focus did not come back";
  // Keys after the end reach nothing that could end it again.
  skintest::FakeKey(XK_Return);
  skintest::FakeKey(XK_Escape);
  RunUntil([] { return !gtk_events_pending(); });
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].accepted, c.accepted);
  EXPECT_EQ(ends[0].text, c.text);
  EXPECT_FALSE(editor.Editing());
  EXPECT_FALSE(gtk_widget_get_visible(editor.Window()));
}

INSTANTIATE_TEST_SUITE_P(Cases, ItemEditorTest,
                         ::testing::Values(EditCase{"Enter", Ending::Enter, true, "x"},
                                           EditCase{"Escape", Ending::Escape, false, "File"},
                                           EditCase{"FocusLoss", Ending::FocusLoss, true, "x"}),
                         [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

TEST_F(SkinDisplayTest, DeletingTheTargetCancelsTheEdit) {
  TestWindow owner(300, 300, 200, 100);
  ASSERT_TRUE(owner.ShowActive());
  auto target = std::make_shared<int>(0);
  std::vector<TItemEditResult> ends;
  TGtkSkinItemEditor editor;
  editor.Edit({320, 320, 420, 342}, "File", {}, target, [&](const TItemEditResult& r) { ends.push_back(r); });
  ASSERT_TRUE(RunUntil([&] { return gtk_window_is_active(GTK_WINDOW(editor.Window())); }));
  gtk_entry_set_text(GTK_ENTRY(editor.Entry()), "changed");

  target.reset();
  ASSERT_TRUE(RunUntil([&] { return !editor.Editing(); })) << "the edit outlived its target";
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_FALSE(ends[0].accepted);
  EXPECT_EQ(ends[0].text, "File");
  EXPECT_FALSE(gtk_widget_get_visible(editor.Window()));
}

TEST_F(SkinDisplayTest, TheEndHandlerMayStartTheNextEdit) {
  TestWindow owner(300, 300, 200, 100);
  ASSERT_TRUE(owner.ShowActive());
  auto target = std::make_shared<int>(0);
  std::vector<std::string> log;
  TGtkSkinItemEditor editor;
  editor.Edit({320, 320, 420, 342}, "One", {}, target, [&](const TItemEditResult& r) {
    log.push_back(r.text);
    editor.Edit({320, 350, 420, 372}, "Two", {}, target, [&](const TItemEditResult& next) { log.push_back(next.text); });
  });
  ASSERT_TRUE(RunUntil([&] { return gtk_window_is_active(GTK_WINDOW(editor.Window())); }));
  skintest::FakeKey(XK_Return);
  ASSERT_TRUE(RunUntil([&] { return log.size() == 1; }));
  EXPECT_TRUE(editor.Editing());
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(editor.Entry())), "Two");
  editor.Cancel();
  EXPECT_EQ(log, (std::vector<std::string>{"One", "Two"}));
}

}  // namespace
}  // namespace halbrin::skins
