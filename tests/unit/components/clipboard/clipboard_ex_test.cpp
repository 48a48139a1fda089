// The clipboard component over the in-process store: the format name setter,
// the words and their counts, autoClear against another owner's targets, and
// an owner that never answers.

#include "components/clipboard/clipboard_ex.h"

#include <gtest/gtest.h>

#include <functional>

#include "components/clipboard/clipboard_data.h"
#include "core/foundation/project_encoding.h"
#include "platform/services/clipboard_service.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

using platform::TClipboardOffer;

class ClipboardExTest : public FrameworkTest {
 protected:
  ClipboardExTest() { m_clip = &platform::MakeComponent<TClipboardEx>(m_hooks.root); }
  ~ClipboardExTest() override { ResetProjectEncoding(); }

  TClipboardFormat& Add(const std::string& name, const std::string& data) {
    TClipboardFormat& format = m_clip->Formats().Add(name);
    format.SetData(data);
    return format;
  }
  Variant Exec(const std::string& word) {
    m_clip->SetExec(Variant(word));
    return m_clip->GetExec();
  }
  std::vector<std::string> Targets() { return *m_store.Targets(0); }
  std::string Bytes(const std::string& target) { return m_store.Read(target, 0).bytes; }

  platform::TProcessClipboard m_store;
  platform::ScopedClipboardService m_storeScope{m_store};
  TClipboardEx* m_clip = nullptr;
};

TEST_F(ClipboardExTest, ANewFormatIsSelectedTextWithoutData) {
  const TClipboardFormat format;
  EXPECT_EQ(format.Name(), "text");
  EXPECT_EQ(format.Handle(), 13U);
  EXPECT_TRUE(format.Selected());
  EXPECT_EQ(format.Data(), "");
}

TEST_F(ClipboardExTest, TheNameSetterKeepsDataOnlyForTheSameName) {
  TClipboardFormat& format = Add("text", "kept");
  format.SetName("TEXT");
  EXPECT_EQ(format.Data(), "kept") << "same name, other case";
  EXPECT_EQ(format.Name(), "text");
  format.SetName("Html");
  EXPECT_EQ(format.Data(), "") << "a new name empties data";
  EXPECT_EQ(format.Handle(), kClipboardHtmlId);
  EXPECT_EQ(format.Name(), "Html");
  format.SetName("SAVE_TARGETS");
  EXPECT_EQ(format.Handle(), 0U);
}

TEST_F(ClipboardExTest, AssignCopiesNameDataAndSelected) {
  TClipboardFormat& source = Add("file", "/tmp/a");
  source.SetSelected(false);
  TClipboardFormat& target = Add("ansi", "x");
  target.Assign(source);
  EXPECT_EQ(target.Name(), "file");
  EXPECT_EQ(target.Handle(), 15U);
  EXPECT_EQ(target.Data(), "/tmp/a");
  EXPECT_FALSE(target.Selected());
}

TEST_F(ClipboardExTest, CopyOffersEachFormatsTargets) {
  Add("text", "Hello");
  Add("html", "<b>Hello</b>");
  Add("file", "/tmp/one::/tmp/two");
  Add("empty", "");
  Add("Halbrin/Note", "note\xD1\x84");
  EXPECT_EQ(Exec("copy"), Variant(4));
  EXPECT_EQ(Targets(), (std::vector<std::string>{"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT",
                                                 "COMPOUND_TEXT", "text/plain", "text/html", "text/uri-list",
                                                 "x-special/gnome-copied-files", "Halbrin/Note"}));
  EXPECT_EQ(Bytes("UTF8_STRING"), "Hello");
  EXPECT_EQ(Bytes("text/html"), BuildHtmlClipboardDocument("<b>Hello</b>"));
  EXPECT_EQ(Bytes("text/uri-list"), "file:///tmp/one\r\nfile:///tmp/two");
  EXPECT_EQ(Bytes("Halbrin/Note"), "note\xD1\x84");
  EXPECT_TRUE(m_store.OwnsClipboard());
}

TEST_F(ClipboardExTest, AnsiCarriesTheCodePageAndTheTextTargetsOnlyWithoutAText) {
  Add("ansi", "\xD0\x96\xE4\xB8\xAD");  // a Cyrillic and a CJK character
  EXPECT_EQ(Exec("copy"), Variant(1));
  EXPECT_EQ(Bytes("text/plain;charset=windows-1251"), "\xC6?");
  EXPECT_EQ(Bytes("UTF8_STRING"), "\xD0\x96?");

  Add("text", "\xE4\xB8\xAD");
  EXPECT_EQ(Exec("copy"), Variant(2));
  EXPECT_EQ(Bytes("UTF8_STRING"), "\xE4\xB8\xAD") << "the text item wins the text targets";
}

TEST_F(ClipboardExTest, UnselectedAndProtocolNamedFormatsAreNotWritten) {
  Add("text", "x").SetSelected(false);
  Add("TARGETS", "y");
  Add("", "z");
  EXPECT_EQ(Exec("copy"), Variant(0));
  EXPECT_TRUE(Targets().empty());
}

TEST_F(ClipboardExTest, PasteSetsSelectedAndDataOfEveryFormat) {
  m_store.OfferAsOtherOwner({{"text/plain", "pasted\0tail"}, {"text/html", "<meta charset=\"utf-8\"><i>i</i>"},
                             {"x-special/gnome-copied-files", "cut\nfile:///tmp/a%20b"}});
  Add("text", "old");
  Add("ansi", "old");
  Add("html", "old");
  Add("file", "old");
  Add("Halbrin/Missing", "old").SetSelected(true);
  EXPECT_EQ(Exec("paste"), Variant(4));
  const TClipboardFormats& formats = m_clip->Formats();
  EXPECT_EQ(formats.At(0).Data(), "pasted");
  EXPECT_EQ(formats.At(1).Data(), "pasted");
  EXPECT_EQ(formats.At(2).Data(), "<i>i</i>");
  EXPECT_EQ(formats.At(3).Data(), "/tmp/a b");
  EXPECT_EQ(formats.At(4).Data(), "");
  EXPECT_FALSE(formats.At(4).Selected());
  EXPECT_TRUE(formats.At(3).Selected());
}

TEST_F(ClipboardExTest, PasteOfCustomTextReadsTheCodePageWhenNotUtf8) {
  const std::uint32_t id = ClipboardFormatId("Halbrin/Legacy");
  m_store.OfferAsOtherOwner({{ClipboardCustomTarget(id), "\xCF\xF0"}});
  Add("halbrin/legacy", "");
  EXPECT_EQ(Exec("paste"), Variant(1));
  EXPECT_EQ(m_clip->Formats().At(0).Data(), "\xD0\x9F\xD1\x80");
}

struct ReadCase {
  const char* name;
  std::vector<TClipboardOffer> offers;
  std::vector<std::string> formats;
};

class ClipboardReadTest : public ClipboardExTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ClipboardReadTest, AddsEachKnownFormatAtItsFirstTarget) {
  m_store.OfferAsOtherOwner(GetParam().offers);
  Add("stale", "x");
  EXPECT_EQ(Exec("read"), Variant(static_cast<int>(GetParam().formats.size())));
  std::vector<std::string> names;
  for (int i = 0; i < m_clip->Formats().Count(); ++i) names.push_back(m_clip->Formats().At(i).Name());
  EXPECT_EQ(names, GetParam().formats);
}

INSTANTIATE_TEST_SUITE_P(
    Owners, ClipboardReadTest,
    ::testing::Values(ReadCase{"BitmapOnly", {{"image/png", "\x89PNG"}}, {}},
                      ReadCase{"Nothing", {}, {}},
                      ReadCase{"HtmlAndImage", {{"text/html", "<b>x</b>"}, {"image/png", "p"}}, {"html"}},
                      ReadCase{"OwnersOrder",
                               {{"text/uri-list", "file:///a"}, {"text/html", "h"}, {"STRING", "s"},
                                {"UTF8_STRING", "u"}, {"x-special/gnome-copied-files", "copy\nfile:///b"}},
                               {"file", "html", "text", "ansi"}}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST_F(ClipboardExTest, ReadFillsTheDataOfTheNewItems) {
  m_store.OfferAsOtherOwner({{"UTF8_STRING", "\xD0\x96\xE4\xB8\xAD"}, {"text/uri-list", "file:///tmp/q"}});
  EXPECT_EQ(Exec("read"), Variant(3));
  EXPECT_EQ(m_clip->Formats().At(0).Data(), "\xD0\x96\xE4\xB8\xAD");
  EXPECT_EQ(m_clip->Formats().At(1).Data(), "\xD0\x96?") << "ansi: through the code page";
  EXPECT_EQ(m_clip->Formats().At(2).Data(), "/tmp/q");
}

TEST_F(ClipboardExTest, AutoClearFalseOffersTheOwnersTargetsBesideOurs) {
  m_store.OfferAsOtherOwner({{"image/png", "PNG"}, {"text/html", "theirs"}, {"TIMESTAMP", "1"}});
  m_clip->SetAutoClear(false);
  Add("html", "ours");
  EXPECT_EQ(Exec("copy"), Variant(1));
  EXPECT_EQ(Targets(), (std::vector<std::string>{"text/html", "image/png"}));
  EXPECT_EQ(Bytes("image/png"), "PNG");
  EXPECT_EQ(Bytes("text/html"), BuildHtmlClipboardDocument("ours")) << "ours wins a shared target";
}

TEST_F(ClipboardExTest, AutoClearTrueReplacesTheOwnersTargets) {
  m_store.OfferAsOtherOwner({{"image/png", "PNG"}});
  Add("text", "t");
  EXPECT_EQ(Exec("copy"), Variant(1));
  EXPECT_EQ(Bytes("image/png"), "");
}

TEST_F(ClipboardExTest, ClearLeavesNothingOffered) {
  Add("text", "t");
  Exec("copy");
  EXPECT_EQ(Exec("clear"), Variant(true));
  EXPECT_TRUE(Targets().empty());
  EXPECT_TRUE(m_store.OwnsClipboard());
}

TEST_F(ClipboardExTest, ListWordsAndUnknownWords) {
  Add("text", "a").SetSelected(false);
  Add("html", "b");
  EXPECT_EQ(Exec("SelectAll"), Variant(2));
  EXPECT_TRUE(m_clip->Formats().At(0).Selected());
  EXPECT_EQ(Exec("deselectall"), Variant(2));
  EXPECT_FALSE(m_clip->Formats().At(1).Selected());
  EXPECT_EQ(Exec("clearall"), Variant(true));
  EXPECT_EQ(m_clip->Formats().Count(), 0);
  EXPECT_EQ(Exec("frobnicate"), Variant(false));
}

TEST_F(ClipboardExTest, AssignCopiesAutoClearAndFormats) {
  TClipboardEx& other = platform::MakeComponent<TClipboardEx>(m_hooks.root);
  other.SetAutoClear(false);
  other.Formats().Add("html").SetData("<p/>");
  Add("text", "dropped");
  m_clip->Assign(other);
  EXPECT_FALSE(m_clip->AutoClear());
  ASSERT_EQ(m_clip->Formats().Count(), 1);
  EXPECT_EQ(m_clip->Formats().At(0).Data(), "<p/>");
  EXPECT_THROW(m_clip->Assign(m_hooks.root), platform::Exception) << "not a clipboard";
}

// An owner that does not answer, and a hook run while a word waits.
class TStalledClipboard final : public platform::IClipboardService {
 public:
  std::optional<std::vector<std::string>> Targets(int) override {
    if (whileWaiting) whileWaiting();
    if (stallTargets) return std::nullopt;
    return std::vector<std::string>{"UTF8_STRING"};
  }
  platform::TClipboardRead Read(const std::string&, int) override {
    return {platform::TClipboardReadStatus::TimedOut, {}};
  }
  void Offer(std::vector<TClipboardOffer>) override { offered = true; }
  void OfferNothing() override { offered = true; }
  bool OwnsClipboard() const override { return false; }

  bool stallTargets = false;
  bool offered = false;
  std::function<void()> whileWaiting;
};

TEST_F(ClipboardExTest, AnOwnerThatNeverAnswersRaisesAfterActiveIsFalse) {
  TStalledClipboard stalled;
  const platform::ScopedClipboardService scope(stalled);
  Add("text", "");
  bool activeWhileWaiting = false;
  stalled.whileWaiting = [&] { activeWhileWaiting = m_clip->Active(); };
  for (const char* word : {"paste", "read"}) {
    try {
      Exec(word);
      ADD_FAILURE() << word << " did not raise";
    } catch (const EClipboard& error) {
      EXPECT_STREQ(error.what(), "Cannot open clipboard");
    }
    EXPECT_TRUE(activeWhileWaiting) << word;
    EXPECT_FALSE(m_clip->Active()) << word;
  }
  stalled.stallTargets = true;
  m_clip->SetAutoClear(false);
  Add("text", "x");
  EXPECT_THROW(Exec("copy"), EClipboard);
  EXPECT_FALSE(stalled.offered) << "nothing taken after a time-out";
}

TEST_F(ClipboardExTest, AWordWhileAnotherWaitsRaises) {
  TStalledClipboard stalled;
  const platform::ScopedClipboardService scope(stalled);
  Add("text", "");
  std::vector<std::string> nested;
  stalled.whileWaiting = [&] {
    for (const char* word : {"read", "clearall", "paste"}) {
      try {
        Exec(word);
        nested.push_back(std::string(word) + " ran");
      } catch (const EClipboard&) {
        nested.push_back(std::string(word) + " raised");
      }
    }
    stalled.whileWaiting = nullptr;
  };
  EXPECT_THROW(Exec("paste"), EClipboard);  // the outer read times out
  EXPECT_EQ(nested, (std::vector<std::string>{"read raised", "clearall raised", "paste raised"}));
  EXPECT_EQ(m_clip->Formats().Count(), 1) << "the list the waiting word walks is intact";
}

}  // namespace
}  // namespace halbrin::framework_test
