#include "core/foundation/message_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/services/dialog_service.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;

// Records every box it is asked for and answers with a chosen code.
class RecordingDialogService : public IDialogService {
 public:
  struct Call {
    std::string text;
    std::string caption;
    std::uint32_t flags;
  };

  explicit RecordingDialogService(int answer) : m_answer(answer) {}

  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override {
    calls.push_back({text, caption, flags});
    return m_answer;
  }

  std::vector<Call> calls;

 private:
  int m_answer;
};

TEST(ShowMessageBoxTest, MinusOneIsATaskModalStopBox) {
  RecordingDialogService service(IDOK);
  ScopedDialogService install(service);
  EXPECT_EQ(ShowMessageBox("Something failed", -1), IDOK);
  ASSERT_EQ(service.calls.size(), 1u);
  EXPECT_EQ(service.calls[0].text, "Something failed");
  EXPECT_EQ(service.calls[0].caption, "Halbrin Lite");
  EXPECT_EQ(service.calls[0].flags, 8208u);
  const MessageBoxStyle style = MessageBoxStyle::Decode(service.calls[0].flags);
  EXPECT_EQ(style.icon, MessageBoxIcon::Stop);
  EXPECT_EQ(style.modality, MessageBoxModality::Task);
  EXPECT_EQ(style.ButtonResults(), std::vector<int>{IDOK});
}

TEST(ShowMessageBoxTest, OtherFlagsPassUnchangedAndTheAnswerComesBack) {
  RecordingDialogService service(IDNO);
  ScopedDialogService install(service);
  const auto flags = static_cast<std::int32_t>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  EXPECT_EQ(ShowMessageBox("Delete?", flags), IDNO);
  EXPECT_EQ(ShowMessageBox("Plain", 0), IDNO);
  ASSERT_EQ(service.calls.size(), 2u);
  EXPECT_EQ(service.calls[0].flags, static_cast<std::uint32_t>(flags));
  EXPECT_EQ(service.calls[1].flags, 0u);
  EXPECT_EQ(service.calls[1].caption, kApplicationTitle);
}

TEST(ShowMessageBoxTest, WithoutAServiceAnswersHeadless) {
  ::testing::internal::CaptureStderr();
  const int answer =
      ShowMessageBox("Overwrite the file?", static_cast<std::int32_t>(MB_YESNOCANCEL | MB_DEFBUTTON3));
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_EQ(written, "Halbrin Lite: Overwrite the file?\n");
}

}  // namespace
}  // namespace halbrin
