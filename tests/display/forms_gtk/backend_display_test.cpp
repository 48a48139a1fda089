#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "forms_gtk_display_support.h"
#include "platform/controls/control_input.h"
#include "platform/graphics/image_list.h"
#include "platform/ui/application_window.h"
#include "x_properties.h"

namespace halbrin::formgtktest {
namespace {

using platform::TMouseButton;
using platform::TShiftState;

const char* ButtonName(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbLeft: return "left";
    case TMouseButton::mbRight: return "right";
    case TMouseButton::mbMiddle: return "middle";
  }
  return "?";
}

// A control that writes down the input the model gives it, one line each.
class TInputProbe : public platform::TWinControl {
 public:
  using TWinControl::TWinControl;

  std::vector<std::string> log;
  std::uint16_t suppressKeyDown = 0;  // a key code KeyDown sets to 0
  char suppressKeyPress = 0;          // a character KeyPress sets to 0
  std::vector<platform::TWindowState> statesTold;

  bool Saw(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }
  std::string Text() const {
    std::string text;
    for (const std::string& line : log) text += "[" + line + "] ";
    return text;
  }
  // The lines that start with one of the words, in order.
  std::vector<std::string> Only(std::initializer_list<std::string> words) const {
    std::vector<std::string> lines;
    for (const std::string& line : log)
      for (const std::string& word : words)
        if (line.rfind(word, 0) == 0) {
          lines.push_back(line);
          break;
        }
    return lines;
  }

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
    Write("down", ButtonName(button), shift, x, y);
    TWinControl::MouseDown(button, shift, x, y);
  }
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
    Write("up", ButtonName(button), shift, x, y);
    TWinControl::MouseUp(button, shift, x, y);
  }
  void MouseMove(TShiftState shift, int x, int y) override {
    Write("move", "", shift, x, y);
    TWinControl::MouseMove(shift, x, y);
  }
  bool MouseWheel(bool down, TShiftState shift, platform::TPoint pos) override {
    Write("wheel", down ? "down" : "up", shift, pos.X, pos.Y);
    TWinControl::MouseWheel(down, shift, pos);
    return true;
  }
  void MouseEnter() override {
    log.push_back("enter");
    TWinControl::MouseEnter();
  }
  void MouseLeave() override {
    log.push_back("leave");
    TWinControl::MouseLeave();
  }
  void Click() override {
    log.push_back("click");
    TWinControl::Click();
  }
  void DblClick() override {
    log.push_back("dblclick");
    TWinControl::DblClick();
  }
  bool ContextPopup(platform::TPoint pos) override {
    log.push_back("context " + std::to_string(pos.X) + " " + std::to_string(pos.Y));
    TWinControl::ContextPopup(pos);
    return true;
  }
  void KeyDown(std::uint16_t& key, TShiftState shift) override {
    log.push_back("keydown " + std::to_string(key) + " " + std::to_string(shift));
    if (key == suppressKeyDown) key = 0;
    TWinControl::KeyDown(key, shift);
  }
  void KeyUp(std::uint16_t& key, TShiftState shift) override {
    log.push_back("keyup " + std::to_string(key));
    TWinControl::KeyUp(key, shift);
  }
  void KeyPress(char& key) override {
    log.push_back(std::string("keypress ") + key);
    if (key == suppressKeyPress) key = 0;
    TWinControl::KeyPress(key);
  }
  void WindowStateChanged(platform::TWindowState state) override {
    statesTold.push_back(state);
    TWinControl::WindowStateChanged(state);
  }

 private:
  void Write(const char* what, const char* button, TShiftState shift, int x, int y) {
    std::ostringstream line;
    line << what;
    if (*button) line << " " << button;
    line << " shift=" << shift << " " << x << "," << y;
    log.push_back(line.str());
  }
};

// The window manager has the window in that state (_NET_WM_STATE).
bool InState(std::uint64_t xid, const std::string& atom) {
  const std::vector<std::string> state = AtomProperty(xid, "_NET_WM_STATE");
  return std::find(state.begin(), state.end(), atom) != state.end();
}

class BackendTest : public ApplicationUiTest {
 protected:
  TInputProbe& Probe(const std::string& name, platform::TWinControl* parent, int left, int top, int width, int height) {
    auto& probe = platform::MakeComponent<TInputProbe>(*m_owner);
    probe.SetName(name);
    probe.SetParent(parent);
    probe.SetBounds(left, top, width, height);
    return probe;
  }
  // A captionless top-level probe with non-client margins of 4, 20, 4, 4.
  TInputProbe& FormProbe(const std::string& name, int left, int top) {
    TInputProbe& form = Probe(name, nullptr, left, top, 300, 220);
    form.SetText(name);
    form.SetNonClientMargins({4, 20, 4, 4});
    return form;
  }
  GtkWidget* FrameOf(const platform::TWinControl& control) const {
    return GTK_WIDGET(m_backend->Frame(control.Window()));
  }
  // The screen position of a point in the control's client coordinates.
  std::pair<int, int> ScreenOfClient(const platform::TWinControl& control, int x, int y) const {
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(FrameOf(control)), &originX, &originY);
    const platform::TRect margins = control.NonClientMargins();
    return {originX + margins.Left + x, originY + margins.Top + y};
  }
  void MoveTo(const platform::TWinControl& control, int x, int y) {
    const auto [sx, sy] = ScreenOfClient(control, x, y);
    testing::PointerMoveTo(sx, sy);
  }
  // Shown, active, and with every frame at its size.
  bool Ready(platform::TWinControl& form) {
    if (!ShowActive(form)) return false;
    return RunUntil([&] {
      return gtk_widget_get_allocated_width(FrameOf(form)) == form.Width() &&
             gtk_widget_get_mapped(FrameOf(form)) != FALSE;
    });
  }
  std::uint64_t Xid(const platform::TWinControl& form) const { return platform::X11WindowId(WindowOf(form)); }
};

// --- Pointer input --------------------------------------------------------------------------

TEST_F(BackendTest, PointerInputReachesTheControlUnderItInClientCoordinates) {
  TInputProbe& form = FormProbe("Form", 120, 100);
  TInputProbe& child = Probe("Child", &form, 150, 40, 100, 80);
  ASSERT_TRUE(Ready(form));
  ASSERT_TRUE(RunUntil([&] {
    return gtk_widget_get_mapped(FrameOf(child)) && gtk_widget_get_allocated_width(FrameOf(child)) == 100;
  }));

  // Entering the form; moving into the child is no leave of the form.
  MoveTo(form, 30, 30);
  ASSERT_TRUE(RunUntil([&] { return form.Saw("enter") && form.Saw("move shift=0 30,30"); }));
  MoveTo(child, 10, 10);
  ASSERT_TRUE(RunUntil([&] { return child.Saw("enter"); }));
  EXPECT_FALSE(form.Saw("leave")) << "moving into a child control is no leave";
  // GDK turns the motion that crosses into a child window into the crossing alone.
  MoveTo(child, 12, 14);
  EXPECT_TRUE(RunUntil([&] { return child.Saw("move shift=0 12,14"); })) << child.Text();

  // A left click in the form's client area: down, click, up, in client coordinates.
  form.log.clear();
  child.log.clear();
  MoveTo(form, 40, 50);
  testing::PointerPress(1);
  testing::PointerRelease(1);
  ASSERT_TRUE(RunUntil([&] { return form.Saw("up left shift=0 40,50"); }));
  EXPECT_EQ(form.Only({"down", "up", "click"}),
            (std::vector<std::string>{"down left shift=8 40,50", "click", "up left shift=0 40,50"}));
  EXPECT_TRUE(child.Only({"down", "up", "click"}).empty());

  // A right click in the child: its own input, then the context request at the release point.
  form.log.clear();
  MoveTo(child, 20, 30);
  testing::PointerPress(3);
  testing::PointerRelease(3);
  ASSERT_TRUE(RunUntil([&] { return child.Saw("context 20 30"); }));
  EXPECT_EQ(child.Only({"down", "up", "click", "context"}),
            (std::vector<std::string>{"down right shift=16 20,30", "up right shift=0 20,30", "context 20 30"}));
  EXPECT_TRUE(form.Only({"down", "up", "context"}).empty()) << "a handled request stays with the child: " << form.Text();

  // Held Shift reaches the shift set; a drag out of the client area keeps reporting to the pressed control.
  form.log.clear();
  MoveTo(form, 60, 60);
  testing::KeyDown(XK_Shift_L);
  testing::PointerPress(1);
  MoveTo(form, 60, -10);  // over the non-client margin
  testing::PointerRelease(1);
  testing::KeyUp(XK_Shift_L);
  ASSERT_TRUE(RunUntil([&] { return form.Saw("up left shift=1 60,-10"); }));
  EXPECT_TRUE(form.Saw("down left shift=9 60,60"));
  EXPECT_TRUE(form.Saw("move shift=9 60,-10")) << "motion outside while the button is held";
  EXPECT_FALSE(form.Saw("click")) << "released outside the client area";

  // A press in the non-client area is not the control's.
  form.log.clear();
  const auto [sx, sy] = ScreenOfClient(form, 100, -10);
  testing::PointerClick(sx, sy, 1);
  MoveTo(form, 100, 100);
  ASSERT_TRUE(RunUntil([&] { return form.Saw("move shift=0 100,100"); }));
  EXPECT_TRUE(form.Only({"down", "up", "click"}).empty());

  // Wheel steps (buttons 4 and 5) over the child.
  child.log.clear();
  MoveTo(child, 5, 6);
  testing::PointerPress(5);
  testing::PointerRelease(5);
  testing::PointerPress(4);
  testing::PointerRelease(4);
  ASSERT_TRUE(RunUntil([&] { return child.Only({"wheel"}).size() == 2; }));
  EXPECT_EQ(child.Only({"wheel"}), (std::vector<std::string>{"wheel down shift=0 5,6", "wheel up shift=0 5,6"}));
  EXPECT_TRUE(form.Only({"wheel"}).empty()) << "a handled step stays with the child";

  // Leaving the form altogether.
  form.log.clear();
  testing::PointerMoveTo(5, 5);
  ASSERT_TRUE(RunUntil([&] { return form.Saw("leave"); }));
}

// The frame's own pairing decides what a double click is (real quick clicks
// under a window manager are not reliable enough for a test): its events are
// given to the backend as the frame gives them.
TEST_F(BackendTest, ADoubleClickIsOneDoubleDownInPlaceOfTheSecondPress) {
  TInputProbe& form = FormProbe("Form", 120, 100);
  ASSERT_TRUE(Ready(form));
  GtkWidget* frame = FrameOf(form);
  auto emit = [&](HalbrinFrameEventKind kind, guint state, gboolean doubleFollows) {
    // Frame coordinates: the client point (30, 40) lies past the margins 4 and 20.
    HalbrinFrameEvent event{kind, 34, 60, 0, 0, 1, static_cast<GdkModifierType>(state), 0, nullptr, doubleFollows};
    gboolean handled = FALSE;
    g_signal_emit_by_name(frame, "frame-event", &event, &handled);
  };
  emit(HALBRIN_FRAME_PRESS, 0, FALSE);
  emit(HALBRIN_FRAME_RELEASE, GDK_BUTTON1_MASK, FALSE);
  emit(HALBRIN_FRAME_PRESS, 0, TRUE);
  emit(HALBRIN_FRAME_DOUBLE_PRESS, 0, FALSE);
  emit(HALBRIN_FRAME_RELEASE, GDK_BUTTON1_MASK, FALSE);
  EXPECT_EQ(form.Only({"down", "up", "click", "dblclick"}),
            (std::vector<std::string>{"down left shift=8 30,40", "click", "up left shift=0 30,40", "dblclick",
                                      "down left shift=72 30,40", "up left shift=0 30,40"}))
      << "as the class library: down, click, up, double click, down with ssDouble, up";
}

// --- Keys -----------------------------------------------------------------------------------

TEST_F(BackendTest, KeysReachTheModelAndWhatItSuppressesGoesNoFurther) {
  TInputProbe& form = FormProbe("Form", 120, 100);
  // A text entry fills the client area and has the focus: what it receives is what passed.
  GtkWidget* entry = gtk_entry_new();
  g_object_ref_sink(entry);
  form.SetContentWidget(entry);
  ASSERT_TRUE(Ready(form));
  gtk_widget_grab_focus(entry);
  form.suppressKeyDown = 'B';
  form.suppressKeyPress = 'c';

  for (unsigned long key : {XK_a, XK_b, XK_c, XK_d}) testing::KeyTap(key);
  ASSERT_TRUE(RunUntil([&] { return form.Saw("keyup 68"); }));
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "ad");
  EXPECT_EQ(form.Only({"keydown", "keypress"}),
            (std::vector<std::string>{"keydown 65 0", "keypress a", "keydown 66 0", "keypress b", "keydown 67 0",
                                      "keypress c", "keydown 68 0", "keypress d"}))
      << "a key down set to 0 still types its character, as in the class library";

  // Shifted keys give their key's code and the shifted character; Ctrl a control code.
  form.log.clear();
  testing::KeyDown(XK_Shift_L);
  testing::KeyTap(XK_1);
  testing::KeyUp(XK_Shift_L);
  testing::KeyDown(XK_Control_L);
  testing::KeyTap(XK_e);
  testing::KeyUp(XK_Control_L);
  ASSERT_TRUE(RunUntil([&] { return form.Saw("keyup 69"); }));
  EXPECT_TRUE(form.Saw("keydown 49 1")) << "Shift+1 is the key '1' with Shift";
  EXPECT_TRUE(form.Saw("keypress !"));
  EXPECT_TRUE(form.Saw("keydown 69 4")) << "Ctrl+E";
  EXPECT_TRUE(form.Saw(std::string("keypress ") + '\x05'));

  // The Menu key and Shift+F10 ask for the context menu from the keyboard.
  form.log.clear();
  testing::KeyTap(XK_Menu);
  ASSERT_TRUE(RunUntil([&] { return form.Saw("context -1 -1"); }));
  form.log.clear();
  testing::KeyDown(XK_Shift_L);
  testing::KeyTap(XK_F10);
  testing::KeyUp(XK_Shift_L);
  ASSERT_TRUE(RunUntil([&] { return form.Saw("context -1 -1"); }));
  EXPECT_TRUE(form.Saw("keydown 121 1"));

  form.SetContentWidget(nullptr);
  g_object_unref(entry);
}

// --- Top-level requests ---------------------------------------------------------------------

TEST_F(BackendTest, ANeverActivatingWindowTakesClicksButNotTheActivation) {
  TInputProbe& main = FormProbe("Main", 80, 80);
  TInputProbe& floating = FormProbe("Float", 450, 120);
  TInputProbe& plain = FormProbe("Plain", 450, 420);
  plain.HandleNeeded();
  // Made hidden, asked for what a floating form is, then shown.
  floating.Hide();
  floating.HandleNeeded();
  main.HandleNeeded();
  m_backend->SetNeverActivate(floating.Window(), true);
  m_backend->SetStayOnTop(floating.Window(), true);
  m_backend->SetTransientFor(floating.Window(), main.Window());
  floating.Show();
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(FrameOf(floating)) && gtk_widget_get_mapped(FrameOf(plain)); }));
  ASSERT_TRUE(Ready(main));
  GdkWindow* floatWindow = gtk_widget_get_window(GTK_WIDGET(WindowOf(floating)));
  EXPECT_TRUE(RunUntil([&] { return InState(Xid(floating), "_NET_WM_STATE_ABOVE"); })) << "kept above";
  EXPECT_EQ(gdk_window_get_type_hint(floatWindow), GDK_WINDOW_TYPE_HINT_UTILITY);
  EXPECT_EQ(TransientFor(Xid(floating)), Xid(main));

  const auto [fx, fy] = ScreenOfClient(floating, 50, 50);
  testing::PointerClick(fx, fy, 1);
  ASSERT_TRUE(RunUntil([&] { return floating.Saw("click"); })) << "the click reaches the control";
  ASSERT_TRUE(FlushIdle());
  EXPECT_TRUE(gtk_window_is_active(WindowOf(main))) << "the main form keeps the activation";
  EXPECT_FALSE(gtk_window_is_active(WindowOf(floating)));

  // The same click on an ordinary window activates it.
  const auto [px, py] = ScreenOfClient(plain, 50, 50);
  testing::PointerClick(px, py, 1);
  ASSERT_TRUE(RunUntil([&] { return gtk_window_is_active(WindowOf(plain)) != FALSE; }));

  // Taking it back makes it an ordinary window again.
  m_backend->SetNeverActivate(floating.Window(), false);
  m_backend->SetStayOnTop(floating.Window(), false);
  EXPECT_TRUE(RunUntil([&] { return !InState(Xid(floating), "_NET_WM_STATE_ABOVE"); }));
  testing::PointerClick(fx, fy, 1);
  EXPECT_TRUE(RunUntil([&] { return gtk_window_is_active(WindowOf(floating)) != FALSE; }));
}

TEST_F(BackendTest, OpacityIconAndModalityAreAskedOfTheWindowSystem) {
  TInputProbe& form = FormProbe("Form", 100, 100);
  ASSERT_TRUE(Ready(form));
  const std::uint64_t xid = Xid(form);

  m_backend->SetOpacity(form.Window(), 128);
  ASSERT_TRUE(RunUntil([&] { return !CardinalProperty(xid, "_NET_WM_WINDOW_OPACITY").empty(); }));
  const double opacity = CardinalProperty(xid, "_NET_WM_WINDOW_OPACITY")[0] / 4294967295.0;
  EXPECT_NEAR(opacity, 128 / 255.0, 1e-6);
  m_backend->SetOpacity(form.Window(), 255);
  EXPECT_TRUE(RunUntil([&] { return CardinalProperty(xid, "_NET_WM_WINDOW_OPACITY").empty(); })) << "opaque: no request";

  // A 2x1 icon: opaque red, and half-transparent green stored premultiplied.
  platform::TArgbImage icon(2, 1);
  icon.SetPixel(0, 0, 0xFFFF0000);
  icon.SetPixel(1, 0, 0x80008000);
  m_backend->SetIcon(form.Window(), &icon);
  ASSERT_TRUE(RunUntil([&] { return CardinalProperty(xid, "_NET_WM_ICON").size() >= 4; }));
  EXPECT_EQ(CardinalProperty(xid, "_NET_WM_ICON"), (std::vector<std::uint32_t>{2, 1, 0xFFFF0000, 0x8000FF00}))
      << "width, height, then straight ARGB";
  m_backend->SetIcon(form.Window(), nullptr);
  EXPECT_EQ(gtk_window_get_icon(WindowOf(form)), nullptr);

  m_backend->SetModal(form.Window(), true);
  EXPECT_TRUE(gtk_window_get_modal(WindowOf(form)));
  auto modalState = [&] { return InState(xid, "_NET_WM_STATE_MODAL"); };
  EXPECT_TRUE(RunUntil(modalState)) << "the window manager hears of the modality";
  m_backend->SetModal(form.Window(), false);
  EXPECT_TRUE(RunUntil([&] { return !modalState(); }));
}

TEST_F(BackendTest, WindowStatesAndWithdrawal) {
  TInputProbe& form = FormProbe("Form", 100, 100);
  form.SetWindowTraits({.caption = true, .border = true, .sizable = true, .sysMenu = true, .minBox = true,
                        .maxBox = true});
  ASSERT_TRUE(Ready(form));
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(WindowOf(form)));
  auto has = [&](GdkWindowState bit) { return (gdk_window_get_state(gdkWindow) & bit) != 0; };

  // Asked for: nothing is told back.
  m_backend->SetWindowState(form.Window(), platform::wsMaximized);
  ASSERT_TRUE(RunUntil([&] { return has(GDK_WINDOW_STATE_MAXIMIZED); }));
  m_backend->SetWindowState(form.Window(), platform::wsMinimized);
  ASSERT_TRUE(RunUntil([&] { return has(GDK_WINDOW_STATE_ICONIFIED); }));
  m_backend->SetWindowState(form.Window(), platform::wsNormal);
  ASSERT_TRUE(RunUntil([&] { return !has(GDK_WINDOW_STATE_ICONIFIED) && !has(GDK_WINDOW_STATE_MAXIMIZED); }));
  ASSERT_TRUE(FlushIdle());
  EXPECT_TRUE(form.statesTold.empty());

  // Done by the window system: told.
  gtk_window_maximize(WindowOf(form));
  ASSERT_TRUE(RunUntil([&] { return !form.statesTold.empty(); }));
  gtk_window_iconify(WindowOf(form));
  ASSERT_TRUE(RunUntil([&] { return form.statesTold.size() == 2; }));
  gtk_window_deiconify(WindowOf(form));
  ASSERT_TRUE(RunUntil([&] { return form.statesTold.size() == 3; }));
  EXPECT_EQ(form.statesTold,
            (std::vector<platform::TWindowState>{platform::wsMaximized, platform::wsMinimized, platform::wsMaximized}))
      << "a minimised maximised window comes back maximised";

  // Withdrawn: off the screen while the control and the widget stay shown.
  m_backend->SetWindowState(form.Window(), platform::wsNormal);
  const std::uint64_t xid = Xid(form);
  m_backend->SetWithdrawn(form.Window(), true);
  ASSERT_TRUE(RunUntil([&] { return !XMapped(xid); }));
  EXPECT_TRUE(form.Visible());
  EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(WindowOf(form))));
  m_backend->SetWithdrawn(form.Window(), false);
  ASSERT_TRUE(RunUntil([&] { return XMapped(xid); }));
  // A hidden window is not put back by the end of a withdrawal.
  m_backend->SetWithdrawn(form.Window(), true);
  ASSERT_TRUE(RunUntil([&] { return !XMapped(xid); }));
  form.Hide();
  m_backend->SetWithdrawn(form.Window(), false);
  ASSERT_TRUE(FlushIdle());
  EXPECT_FALSE(XMapped(xid));
}

}  // namespace
}  // namespace halbrin::formgtktest
