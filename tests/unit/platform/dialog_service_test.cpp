#include "platform/services/dialog_service.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace halbrin::platform {
namespace {

using testing::ScopedEnv;

// Answers with a fixed code and remembers what it was asked.
class FixedAnswerService : public IDialogService {
 public:
  explicit FixedAnswerService(int answer) : m_answer(answer) {}
  int MessageBox(const std::string& text, const std::string&, std::uint32_t) override {
    texts.push_back(text);
    return m_answer;
  }
  std::vector<std::string> texts;

 private:
  int m_answer;
};

struct StyleCase {
  const char* name;
  std::uint32_t flags;
  std::vector<int> buttons;
  MessageBoxIcon icon;
  int defaultResult;
  MessageBoxModality modality;
};

class MessageBoxStyleTest : public ::testing::TestWithParam<StyleCase> {};

TEST_P(MessageBoxStyleTest, DecodesButtonsIconDefaultAndModality) {
  const StyleCase& c = GetParam();
  const MessageBoxStyle style = MessageBoxStyle::Decode(c.flags);
  EXPECT_EQ(style.ButtonResults(), c.buttons);
  EXPECT_EQ(style.icon, c.icon);
  EXPECT_EQ(style.DefaultResult(), c.defaultResult);
  EXPECT_EQ(style.modality, c.modality);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, MessageBoxStyleTest,
    ::testing::Values(
        StyleCase{"Plain", 0, {IDOK}, MessageBoxIcon::None, IDOK, MessageBoxModality::Application},
        StyleCase{"OkCancelSecond", MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, MessageBoxIcon::None, IDCANCEL,
                  MessageBoxModality::Application},
        StyleCase{"AbortRetryIgnore", MB_ABORTRETRYIGNORE | MB_ICONHAND | MB_DEFBUTTON2 | MB_SYSTEMMODAL,
                  {IDABORT, IDRETRY, IDIGNORE}, MessageBoxIcon::Stop, IDRETRY, MessageBoxModality::System},
        StyleCase{"YesNoCancelThird", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3, {IDYES, IDNO, IDCANCEL},
                  MessageBoxIcon::Question, IDCANCEL, MessageBoxModality::Application},
        StyleCase{"YesNoSecond", MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2, {IDYES, IDNO},
                  MessageBoxIcon::Warning, IDNO, MessageBoxModality::Application},
        // A default beyond the buttons falls back to the first one.
        StyleCase{"YesNoThird", MB_YESNO | MB_DEFBUTTON3, {IDYES, IDNO}, MessageBoxIcon::None, IDYES,
                  MessageBoxModality::Application},
        StyleCase{"RetryCancelFourth", MB_RETRYCANCEL | MB_ICONASTERISK | MB_DEFBUTTON4, {IDRETRY, IDCANCEL},
                  MessageBoxIcon::Information, IDRETRY, MessageBoxModality::Application},
        StyleCase{"CancelTryContinue", MB_CANCELTRYCONTINUE | MB_DEFBUTTON3 | MB_TASKMODAL,
                  {IDCANCEL, IDTRYAGAIN, IDCONTINUE}, MessageBoxIcon::None, IDCONTINUE, MessageBoxModality::Task},
        // The word -1 stands for in the run-time's message box.
        StyleCase{"TaskModalStop", 8208, {IDOK}, MessageBoxIcon::Stop, IDOK, MessageBoxModality::Task},
        StyleCase{"UnknownButtons", 0x7 | MB_ICONHAND, {}, MessageBoxIcon::Stop, 0, MessageBoxModality::Application},
        StyleCase{"UnknownIcon", MB_OKCANCEL | 0x50, {IDOK, IDCANCEL}, MessageBoxIcon::None, IDOK,
                  MessageBoxModality::Application},
        StyleCase{"BothModeBits", MB_SYSTEMMODAL | MB_TASKMODAL, {IDOK}, MessageBoxIcon::None, IDOK,
                  MessageBoxModality::Task}),
    [](const ::testing::TestParamInfo<StyleCase>& info) { return std::string(info.param.name); });

TEST(MessageBoxStyleOptionsTest, DecodesEachOptionBitOnItsOwn) {
  const MessageBoxStyle none = MessageBoxStyle::Decode(MB_YESNO);
  EXPECT_FALSE(none.help || none.setForeground || none.topmost || none.right || none.rtlReading);
  EXPECT_TRUE(MessageBoxStyle::Decode(MB_HELP).help);
  EXPECT_TRUE(MessageBoxStyle::Decode(MB_SETFOREGROUND).setForeground);
  EXPECT_TRUE(MessageBoxStyle::Decode(MB_TOPMOST).topmost);
  EXPECT_TRUE(MessageBoxStyle::Decode(MB_RIGHT).right);
  EXPECT_TRUE(MessageBoxStyle::Decode(MB_RTLREADING).rtlReading);
  // Option bits leave buttons, icon and default alone.
  const MessageBoxStyle all = MessageBoxStyle::Decode(MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION | MB_HELP |
                                                      MB_SETFOREGROUND | MB_TOPMOST | MB_RIGHT | MB_RTLREADING);
  EXPECT_EQ(all.DefaultResult(), IDNO);
  EXPECT_EQ(all.icon, MessageBoxIcon::Question);
  EXPECT_EQ(all.modality, MessageBoxModality::Application);
}

TEST(HeadlessDialogServiceTest, WritesCaptionAndTextAndAnswersTheDefault) {
  std::ostringstream out;
  HeadlessDialogService service(out);
  EXPECT_EQ(service.MessageBox("Save changes?", "Editor", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(service.MessageBox("Done", "", MB_OK), IDOK);
  EXPECT_EQ(service.MessageBox("bad", "x", 0xF), 0);
  EXPECT_EQ(out.str(), "Editor: Save changes?\nDone\nx: bad\n");
}

TEST(HeadlessDialogServiceTest, DefaultStreamIsStandardError) {
  HeadlessDialogService service;
  ::testing::internal::CaptureStderr();
  const int answer = service.MessageBox("line one\nline two", "Caption", MB_RETRYCANCEL | MB_DEFBUTTON2);
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_EQ(written, "Caption: line one\nline two\n");
}

TEST(CurrentDialogServiceTest, IsHeadlessUntilOneIsInstalled) {
  ::testing::internal::CaptureStderr();
  const int answer = CurrentDialogService().MessageBox("Quit?", "App", MB_YESNO | MB_DEFBUTTON2);
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, IDNO);
  EXPECT_EQ(written, "App: Quit?\n");
}

TEST(CurrentDialogServiceTest, ScopedInstallersNestAndRestore) {
  IDialogService& original = CurrentDialogService();
  FixedAnswerService outer(IDRETRY);
  FixedAnswerService inner(IDIGNORE);
  {
    ScopedDialogService installOuter(outer);
    EXPECT_EQ(&CurrentDialogService(), &outer);
    {
      ScopedDialogService installInner(inner);
      EXPECT_EQ(CurrentDialogService().MessageBox("a", "c", MB_ABORTRETRYIGNORE), IDIGNORE);
    }
    EXPECT_EQ(CurrentDialogService().MessageBox("b", "c", MB_ABORTRETRYIGNORE), IDRETRY);
  }
  EXPECT_EQ(&CurrentDialogService(), &original);
  EXPECT_EQ(inner.texts, std::vector<std::string>{"a"});
  EXPECT_EQ(outer.texts, std::vector<std::string>{"b"});
}

TEST(HeadlessDialogsForcedTest, ReadsTheEnvironmentAtEachCall) {
  const struct {
    std::optional<std::string> value;
    bool forced;
  } cases[] = {
      {std::nullopt, false}, {"", false}, {"0", false}, {"no", false}, {"2", false},
      {"1", true},           {"true", true}, {"TRUE", true}, {"yes", true}, {"On", true},
  };
  for (const auto& c : cases) {
    ScopedEnv env("HALBRIN_HEADLESS_DIALOGS", c.value);
    EXPECT_EQ(HeadlessDialogsForced(), c.forced) << (c.value ? *c.value : "(unset)");
  }
}

}  // namespace
}  // namespace halbrin::platform
