// The call channel with both ends alive: the UI end on the test thread, the
// page end on a thread of its own, each with its own GMainContext.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/automation/call_channel.h"
#include "platform/base/format.h"
#include "unit/platform/call_channel_fixture.h"
#include "unit/platform/call_channel_values.h"

namespace halbrin::platform {
namespace {

using channel_testing::EveryKind;
using channel_testing::KindRow;
using channel_testing::MakeSocketPair;
using channel_testing::PeerThread;
using channel_testing::SameVariant;
using channel_testing::TScriptObject;

struct Invocation {
  HResult hr = S_OK;
  Variant result;
  ExcepInfo excep;
};

Invocation Call(IDispatchObject& object, DispId id, std::uint16_t kind, std::vector<Variant> args,
                std::vector<DispId> named = {}) {
  DispParams params{std::move(args), std::move(named)};
  Invocation out;
  out.hr = object.Invoke(id, kind, params, &out.result, &out.excep);
  return out;
}

// The EOleError a native call raises, as (code, message).
template <class F>
std::pair<HResult, std::string> OleFailure(F call) {
  try {
    call();
  } catch (const EOleError& error) {
    return {error.Code(), error.Message()};
  }
  return {S_OK, "no error"};
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Sides {
  CallWait ui = CallWait::Socket;
  CallWait page = CallWait::Socket;
  std::size_t uiMaxMessage = std::size_t{64} << 20;
  int uiSpin = 0;
  int uiLinger = 0;
  int pageSpin = 0;
  int pageLinger = 0;
};

class CallChannelTest : public ::testing::Test {
 protected:
  // What lives on the page thread; touched only there.
  struct Page {
    std::unique_ptr<CallChannel> channel;
    RefPtr<TScriptObject> root;
    RefPtr<IDispatchObject> uiRoot;  // proxy of the UI side's root
    std::vector<Variant> kept;
    std::string title = "page";
    int maxDepth = 0;
    std::vector<std::string> closedReasons;
    std::size_t crossedLength = 0;
  };

  void SetUp() override { Start({}); }

  void Start(const Sides& sides) {
    m_closedReasons.clear();
    m_context.reset(g_main_context_new());
    g_main_context_push_thread_default(m_context.get());
    auto [uiFd, pageFd] = MakeSocketPair();

    CallChannelOptions uiOptions;
    uiOptions.peerName = "page process";
    uiOptions.wait = sides.ui;
    uiOptions.maxMessageBytes = sides.uiMaxMessage;
    uiOptions.spinMicros = sides.uiSpin;
    uiOptions.lingerMicros = sides.uiLinger;
    m_ui = std::make_unique<CallChannel>(uiFd, uiOptions);
    m_uiRoot = MakeUiRoot();
    m_ui->SetRootObject(m_uiRoot);
    m_ui->SetOnClosed([this](const std::string& reason) { m_closedReasons.push_back(reason); });
    m_ui->Attach();

    m_page = m_peer.Run([this, pageFd = pageFd, sides] {
      auto page = std::make_unique<Page>();
      CallChannelOptions options;
      options.peerName = "UI process";
      options.wait = sides.page;
      options.spinMicros = sides.pageSpin;
      options.lingerMicros = sides.pageLinger;
      page->channel = std::make_unique<CallChannel>(pageFd, options);
      page->root = MakePageRoot(*page);
      page->channel->SetRootObject(page->root);
      page->channel->SetOnClosed([p = page.get()](const std::string& reason) { p->closedReasons.push_back(reason); });
      page->channel->Attach();
      return page;
    });
    m_pageRoot = m_ui->PeerRootObject();
    ASSERT_TRUE(m_pageRoot);
    OnPage([](Page& page) { page.uiRoot = page.channel->PeerRootObject(); });
  }

  void TearDown() override {
    m_peer.Run([this] { m_page.reset(); }, m_context.get());
    m_pageRoot.Reset();
    m_ui.reset();
    m_uiRoot.Reset();
    g_main_context_pop_thread_default(m_context.get());
  }

  // Runs on the page thread while the UI side keeps serving.
  template <class F>
  auto OnPage(F job) -> decltype(job(std::declval<Page&>())) {
    return m_peer.Run([&] { return job(*m_page); }, m_context.get());
  }

  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      if (!g_main_context_iteration(m_context.get(), FALSE)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  RefPtr<TScriptObject> MakeUiRoot() {
    auto root = MakeRef<TScriptObject>("UiRoot");
    root->AddMethod("ping", [](std::vector<Variant>&) { return Variant("pong"); });
    root->AddMethod("echo", [](std::vector<Variant>& args) { return args.at(0); });
    root->AddMethod("bounce", [this](std::vector<Variant>& args) {
      m_uiMaxDepth = std::max(m_uiMaxDepth, m_ui->CallDepth());
      const int n = args.at(0).ToInt();
      if (n <= 0) return Variant(0);
      return Variant(CallMethod(*m_pageRoot, "bounce", {Variant(n - 1)}).ToInt() + 1);
    });
    return root;
  }

  RefPtr<TScriptObject> MakePageRoot(Page& page) {
    auto root = MakeRef<TScriptObject>("PageRoot");
    root->AddMethod("echo", [](std::vector<Variant>& args) { return args.at(0); });
    root->AddMethod("add", [](std::vector<Variant>& args) { return Variant(args.at(0).ToInt() + args.at(1).ToInt()); });
    root->AddMethod("fail", [](std::vector<Variant>&) -> Variant { throw EListError("List index out of bounds (5)"); });
    root->AddMethod("badIndex", [](std::vector<Variant>&) -> Variant {
      throw EOleError(DISP_E_BADINDEX, "Invalid index.", "TList");
    });
    root->AddMethod("custom", [](std::vector<Variant>&) -> Variant {
      throw EOleError(static_cast<HResult>(0x80040201), "Custom failure", "Custom source");
    });
    root->AddMethod("keep", [&page](std::vector<Variant>& args) {
      page.kept.push_back(args.at(0));
      return Variant(static_cast<int>(page.kept.size()));
    });
    root->AddMethod("kept", [&page](std::vector<Variant>& args) { return page.kept.at(args.at(0).ToInt()); });
    root->AddMethod("dropKept", [&page](std::vector<Variant>&) {
      page.kept.clear();
      return Variant();
    });
    root->AddMethod("same", [](std::vector<Variant>& args) {
      return Variant(args.at(0).AsUnknown() == args.at(1).AsUnknown());
    });
    root->AddMethod("isRoot", [&page](std::vector<Variant>& args) {
      return Variant(args.at(0).AsUnknown() == static_cast<RefCounted*>(page.root.Get()));
    });
    root->AddMethod("self", [&page](std::vector<Variant>&) { return Variant(page.root); });
    root->AddMethod("makeObject", [](std::vector<Variant>&) {
      auto object = MakeRef<TScriptObject>("Made");
      object->AddMethod("ping", [](std::vector<Variant>&) { return Variant("made pong"); });
      return Variant(object);
    });
    root->AddMethod("bounce", [&page](std::vector<Variant>& args) {
      page.maxDepth = std::max(page.maxDepth, page.channel->CallDepth());
      const int n = args.at(0).ToInt();
      if (n <= 0) return Variant(0);
      return Variant(CallMethod(*page.uiRoot, "bounce", {Variant(n - 1)}).ToInt() + 1);
    });
    root->AddMethod("callUi", [&page](std::vector<Variant>& args) {
      return CallMethod(*page.uiRoot, args.at(0).AsString());
    });
    root->AddMethod("closeSelf", [&page](std::vector<Variant>&) {
      page.channel.reset();
      return Variant(1);
    });
    // Calls the UI side from the page's loop, right after answering this call.
    root->AddMethod("echoFromUiLater", [&page](std::vector<Variant>& args) {
      struct Job {
        Page* page;
        std::size_t size;
      };
      GSourcePtr idle(g_idle_source_new());
      g_source_set_callback(
          idle.get(),
          [](gpointer data) -> gboolean {
            const Job& job = *static_cast<Job*>(data);
            job.page->crossedLength =
                CallMethod(*job.page->uiRoot, "echo", {Variant(std::string(job.size, 'p'))}).AsString().size();
            return G_SOURCE_REMOVE;
          },
          new Job{&page, static_cast<std::size_t>(args.at(0).ToInt())},
          [](gpointer data) { delete static_cast<Job*>(data); });
      g_source_attach(idle.get(), g_main_context_get_thread_default());
      return Variant();
    });
    root->AddMethod("text", [](std::vector<Variant>& args) {
      return Variant(std::string(static_cast<std::size_t>(args.at(0).ToInt()), 'x'));
    });
    root->AddMethod("waitForFlag", [this](std::vector<Variant>&) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (!m_flag && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return Variant(m_flag.load());
    });
    root->Add(
        "title",
        [&page](std::uint16_t kind, DispParams& params) {
          if (kind & DISPATCH_PROPERTYPUT) {
            if (params.namedIds != std::vector<DispId>{DISPID_PROPERTYPUT}) throw EOleError(DISP_E_PARAMNOTFOUND, "put");
            page.title = params.args.at(0).ToText();
          }
          return Variant(page.title);
        });
    root->Add(
        "named",
        [](std::uint16_t, DispParams& params) {
          std::string text;
          for (const Variant& arg : params.args) text += arg.ToText() + ",";
          text += "|";
          for (DispId id : params.namedIds) text += std::to_string(id) + ",";
          return Variant(text);
        },
        {"first", "second", "third"});
    return root;
  }

  GMainContextPtr m_context;
  PeerThread m_peer;
  std::unique_ptr<CallChannel> m_ui;
  RefPtr<TScriptObject> m_uiRoot;
  RefPtr<IDispatchObject> m_pageRoot;
  std::unique_ptr<Page> m_page;  // created, used and destroyed on the page thread
  std::vector<std::string> m_closedReasons;
  int m_uiMaxDepth = 0;
  std::atomic<bool> m_flag{false};
};

// ---- values and calls --------------------------------------------------------------

TEST_F(CallChannelTest, EveryKindRoundTripsThroughARemoteEcho) {
  for (const KindRow& row : EveryKind()) {
    Variant back = CallMethod(*m_pageRoot, "echo", {row.value});
    EXPECT_TRUE(SameVariant(back, row.value)) << row.what;
  }
}

TEST_F(CallChannelTest, ObjectsInsideValuesComeBackAsThemselves) {
  auto mine = MakeRef<TScriptObject>("Mine");
  RefPtr<RefCounted> plain = MakeRef<TScriptObject>("Plain");
  VariantArray grid(2, 2);
  grid.At(0, 0) = Variant(mine);
  grid.At(0, 1) = Variant::Unknown(plain);
  grid.At(1, 0) = Variant(m_pageRoot);
  grid.At(1, 1) = Variant(VariantArray(std::vector<Variant>{Variant(mine)}));
  Variant back = CallMethod(*m_pageRoot, "echo", {Variant(std::move(grid))});
  const VariantArray& array = back.AsArray();
  EXPECT_EQ(array.At(0, 0).Type(), VarType::Dispatch);
  EXPECT_EQ(array.At(0, 0).AsDispatch(), mine.Get());
  EXPECT_EQ(array.At(0, 1).Type(), VarType::Unknown);
  EXPECT_EQ(array.At(0, 1).AsUnknown(), plain.Get());
  // The page's own object went there as itself and came back as the same proxy.
  EXPECT_EQ(array.At(1, 0).AsDispatch(), m_pageRoot.Get());
  EXPECT_EQ(array.At(1, 1).AsArray().At(0).AsDispatch(), mine.Get());
}

// An Unknown that is no dispatch object still travels by handle and comes back
// as itself; the peer's calls on it fail cleanly.
TEST_F(CallChannelTest, PlainObjectsTravelButCannotBeCalled) {
  class TPlain : public RefCounted {};
  RefPtr<RefCounted> plain = MakeRef<TPlain>();
  Variant back = CallMethod(*m_pageRoot, "echo", {Variant::Unknown(plain)});
  EXPECT_EQ(back.Type(), VarType::Unknown);
  EXPECT_EQ(back.AsUnknown(), plain.Get());
  CallMethod(*m_pageRoot, "keep", {Variant::Unknown(plain)});
  auto failure = OnPage([](Page& page) {
    auto* proxy = dynamic_cast<IDispatchObject*>(page.kept.at(0).AsUnknown());
    return proxy ? Call(*proxy, 1, DISPATCH_METHOD, {}) : Invocation{};
  });
  EXPECT_EQ(failure.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(failure.excep.description, "The object does not support automation");
}

TEST_F(CallChannelTest, DispatchByNameAndById) {
  const DispId add = GetDispId(*m_pageRoot, "ADD");
  EXPECT_EQ(InvokeById(*m_pageRoot, add, DISPATCH_METHOD, {Variant(2), Variant(3)}), Variant(5));
  EXPECT_EQ(CallMethod(*m_pageRoot, "add", {Variant(40), Variant(2)}), Variant(42));

  PutProperty(*m_pageRoot, "Title", Variant("changed"));
  EXPECT_EQ(GetProperty(*m_pageRoot, "title"), Variant("changed"));
  EXPECT_EQ(OnPage([](Page& page) { return page.title; }), "changed");

  std::string unknown[] = {"subtract"};
  DispId id = 0;
  EXPECT_EQ(m_pageRoot->GetIDsOfNames(unknown, std::span<DispId>(&id, 1)), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);

  // Parameter names and named arguments cross as they are.
  std::string names[] = {"named", "THIRD", "nope"};
  DispId ids[3];
  EXPECT_EQ(m_pageRoot->GetIDsOfNames(names, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[1], 2);
  EXPECT_EQ(ids[2], DISPID_UNKNOWN);
  Invocation named = Call(*m_pageRoot, ids[0], DISPATCH_METHOD, {Variant(10), Variant(20), Variant(30)}, {2, 0});
  EXPECT_EQ(named.hr, S_OK);
  EXPECT_EQ(named.result, Variant("10,20,30,|2,0,"));
}

// Each row runs on an object the page made for it, so no name of it is cached yet.
struct SentCallRow {
  const char* what;
  std::function<void(IDispatchObject& made)> run;
  std::uint64_t uiCalls;    // requests the UI side sends
  std::uint64_t pageCalls;  // requests the page side sends meanwhile
};

TEST_F(CallChannelTest, SentCallsCountRequestsOnly) {
  const SentCallRow rows[] = {
      {"a call by id", [](IDispatchObject& made) { InvokeById(made, 1, DISPATCH_METHOD, {}); }, 1, 0},
      {"a name lookup", [](IDispatchObject& made) { GetDispId(made, "ping"); }, 1, 0},
      {"a call by name, made twice",
       [](IDispatchObject& made) {
         CallMethod(made, "ping");
         CallMethod(made, "PING");
       },
       3, 0},
      {"a failing call", [](IDispatchObject& made) { EXPECT_THROW(InvokeById(made, 7, DISPATCH_METHOD, {}), EOleError); }, 1, 0},
      {"an unknown name", [](IDispatchObject& made) { EXPECT_THROW(GetDispId(made, "nothing"), EOleError); }, 1, 0},
      // The page's lookup and call back to the UI are the page's; the UI's replies are no requests.
      {"a call answered through a nested call",
       [this](IDispatchObject&) { EXPECT_EQ(CallMethod(*m_pageRoot, "callUi", {Variant("ping")}), Variant("pong")); }, 2, 2},
      {"the root request", [this](IDispatchObject&) { m_ui->PeerRootObject(); }, 0, 0},
      {"a dropped proxy's release",
       [this](IDispatchObject&) {
         CallMethod(*m_pageRoot, "makeObject").ToDispatch().Reset();
         m_ui->FlushReleases();
       },
       1, 0},
  };
  for (const SentCallRow& row : rows) {
    RefPtr<IDispatchObject> made = CallMethod(*m_pageRoot, "makeObject").ToDispatch();
    const std::uint64_t ui = m_ui->SentCallCount();
    const std::uint64_t page = OnPage([](Page& p) { return p.channel->SentCallCount(); });
    row.run(*made);
    EXPECT_EQ(m_ui->SentCallCount() - ui, row.uiCalls) << row.what;
    EXPECT_EQ(OnPage([](Page& p) { return p.channel->SentCallCount(); }) - page, row.pageCalls) << row.what;
  }
}

TEST_F(CallChannelTest, SingleNamesAreLookedUpOncePerProxy) {
  const int before = OnPage([](Page& page) { return page.root->Lookups(); });
  for (int i = 0; i < 3; ++i) CallMethod(*m_pageRoot, "Add", {Variant(i), Variant(i)});
  CallMethod(*m_pageRoot, "aDD", {Variant(1), Variant(1)});
  EXPECT_EQ(OnPage([](Page& page) { return page.root->Lookups(); }), before + 1);
  // Unknown names are asked each time: the object may gain them.
  for (int i = 0; i < 2; ++i) EXPECT_THROW(GetDispId(*m_pageRoot, "later"), EOleError);
  EXPECT_EQ(OnPage([](Page& page) { return page.root->Lookups(); }), before + 3);
}

struct ErrorRow {
  const char* member;
  HResult hr;
  const char* description;
  const char* source;
  HResult code;
};

TEST_F(CallChannelTest, ErrorsArriveAsTheSameErrorInformation) {
  const ErrorRow rows[] = {
      {"fail", DISP_E_EXCEPTION, "List index out of bounds (5)", "PageRoot", DISP_E_EXCEPTION},
      {"badIndex", DISP_E_BADINDEX, "Invalid index.", "TList", DISP_E_BADINDEX},
      {"custom", DISP_E_EXCEPTION, "Custom failure", "Custom source", static_cast<HResult>(0x80040201)},
  };
  for (const ErrorRow& row : rows) {
    const DispId id = GetDispId(*m_pageRoot, row.member);
    Invocation local = OnPage([&](Page& page) { return Call(*page.root, id, DISPATCH_METHOD, {}); });
    Invocation remote = Call(*m_pageRoot, id, DISPATCH_METHOD, {});
    EXPECT_EQ(remote.hr, row.hr) << row.member;
    EXPECT_EQ(remote.excep.description, row.description) << row.member;
    EXPECT_EQ(remote.excep.source, row.source) << row.member;
    EXPECT_EQ(remote.excep.code, row.code) << row.member;
    EXPECT_EQ(remote.hr, local.hr) << row.member;
    EXPECT_EQ(remote.excep.description, local.excep.description) << row.member;
    EXPECT_EQ(remote.excep.source, local.excep.source) << row.member;
    EXPECT_EQ(remote.excep.code, local.excep.code) << row.member;
  }
  EXPECT_EQ(Call(*m_pageRoot, 999, DISPATCH_METHOD, {}).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(OleFailure([&] { CallMethod(*m_pageRoot, "fail"); }),
            std::make_pair(DISP_E_EXCEPTION, std::string("List index out of bounds (5)")));
  // The channel is still fine after failures.
  EXPECT_EQ(CallMethod(*m_pageRoot, "add", {Variant(1), Variant(2)}), Variant(3));
}

// ---- identity and handles ----------------------------------------------------------

TEST_F(CallChannelTest, IdentityHoldsBothWays) {
  auto mine = MakeRef<TScriptObject>("Mine");
  EXPECT_EQ(CallMethod(*m_pageRoot, "keep", {Variant(mine)}), Variant(1));
  EXPECT_EQ(CallMethod(*m_pageRoot, "keep", {Variant(mine)}), Variant(2));
  // One proxy on the page side for both hand-outs.
  EXPECT_EQ(CallMethod(*m_pageRoot, "same", {Variant(mine), Variant(mine)}), Variant(true));
  EXPECT_TRUE(OnPage([](Page& page) { return page.kept[0].AsUnknown() == page.kept[1].AsUnknown(); }));
  EXPECT_EQ(CallMethod(*m_pageRoot, "kept", {Variant(1)}).AsDispatch(), mine.Get());
  EXPECT_EQ(m_ui->ExportedObjectCount(), 2u);  // the root and `mine`

  // The page's object: the same proxy each time, and itself when sent back.
  EXPECT_EQ(CallMethod(*m_pageRoot, "self").AsDispatch(), m_pageRoot.Get());
  EXPECT_EQ(CallMethod(*m_pageRoot, "isRoot", {Variant(m_pageRoot)}), Variant(true));
  EXPECT_EQ(m_ui->ImportedObjectCount(), 1u);
}

TEST_F(CallChannelTest, ReleasedProxiesEmptyTheOwnersTable) {
  const std::size_t baseline = m_ui->ExportedObjectCount();
  std::vector<std::shared_ptr<std::atomic<bool>>> destroyed;
  for (int i = 0; i < 10; ++i) {
    destroyed.push_back(std::make_shared<std::atomic<bool>>(false));
    auto object = MakeRef<TScriptObject>("Given", destroyed.back());
    CallMethod(*m_pageRoot, "keep", {Variant(object)});
    // Handed out again while the page holds it: counted, one entry.
    if (i == 3) CallMethod(*m_pageRoot, "keep", {Variant(object)});
  }
  EXPECT_EQ(m_ui->ExportedObjectCount(), baseline + 10);
  EXPECT_EQ(OnPage([](Page& page) { return page.channel->ImportedObjectCount(); }), 11u);
  for (const auto& flag : destroyed) EXPECT_FALSE(*flag);

  CallMethod(*m_pageRoot, "dropKept");
  EXPECT_TRUE(PumpUntil([&] { return m_ui->ExportedObjectCount() == baseline; }));
  for (const auto& flag : destroyed) EXPECT_TRUE(*flag);
  EXPECT_EQ(OnPage([](Page& page) { return page.channel->ImportedObjectCount(); }), 1u);
}

TEST_F(CallChannelTest, ProxiesDroppedBetweenCallsAreReleasedFromTheLoop) {
  std::vector<RefPtr<IDispatchObject>> made;
  for (int i = 0; i < 5; ++i) made.push_back(CallMethod(*m_pageRoot, "makeObject").ToDispatch());
  EXPECT_EQ(CallMethod(*made[2], "ping"), Variant("made pong"));
  EXPECT_EQ(OnPage([](Page& page) { return page.channel->ExportedObjectCount(); }), 6u);
  made.clear();
  EXPECT_EQ(m_ui->PendingReleaseCount(), 5u);
  // No further call carries them: the UI side's loop sends them on its own.
  EXPECT_TRUE(PumpUntil([&] { return m_ui->PendingReleaseCount() == 0; }));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::size_t exported = 0;
  while ((exported = OnPage([](Page& page) { return page.channel->ExportedObjectCount(); })) != 1 &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(exported, 1u);
}

TEST_F(CallChannelTest, CallOnARevokedObjectFailsClearly) {
  auto mine = MakeRef<TScriptObject>("Mine");
  mine->AddMethod("ping", [](std::vector<Variant>&) { return Variant("mine"); });
  CallMethod(*m_pageRoot, "keep", {Variant(mine)});
  auto callKept = [](Page& page) {
    return OleFailure([&] { CallMethod(*page.kept.at(0).ToDispatch(), "ping"); });
  };
  EXPECT_EQ(OnPage(callKept).first, S_OK);

  EXPECT_TRUE(m_ui->RevokeObject(*mine));
  EXPECT_FALSE(m_ui->RevokeObject(*mine));
  EXPECT_EQ(mine->RefCount(), 1u);
  EXPECT_EQ(OnPage(callKept), std::make_pair(RPC_E_DISCONNECTED, std::string("The remote object has been released")));
  // Sending the stale proxy back fails the same way, and nothing else breaks.
  EXPECT_EQ(OleFailure([&] { CallMethod(*m_pageRoot, "callUi", {Variant("ping")}); }).first, S_OK);
  EXPECT_EQ(OnPage([](Page& page) {
              return OleFailure([&] { CallMethod(*page.uiRoot, "ping", {page.kept.at(0)}); });
            }),
            std::make_pair(RPC_E_DISCONNECTED, std::string("The remote object has been released")));
  EXPECT_FALSE(m_ui->IsClosed());
  EXPECT_EQ(CallMethod(*m_pageRoot, "add", {Variant(1), Variant(1)}), Variant(2));
}

// ---- nesting -------------------------------------------------------------------------

TEST_F(CallChannelTest, CallsBeyondTheNestingLimitFailAndTheChannelGoesOn) {
  auto [code, message] = OleFailure([&] { CallMethod(*m_pageRoot, "bounce", {Variant(1000)}); });
  EXPECT_EQ(code, RPC_E_CALL_REJECTED);
  EXPECT_TRUE(Contains(message, "Too many nested calls to the")) << message;
  EXPECT_EQ(m_ui->CallDepth(), 0);
  EXPECT_EQ(OnPage([](Page& page) { return page.channel->CallDepth(); }), 0);
  EXPECT_EQ(CallMethod(*m_pageRoot, "bounce", {Variant(10)}), Variant(10));
}

TEST_F(CallChannelTest, ThePagesCallsAreServedFromTheLoopBetweenCalls) {
  EXPECT_EQ(OnPage([](Page& page) { return CallMethod(*page.uiRoot, "ping"); }), Variant("pong"));
  EXPECT_EQ(OnPage([](Page& page) { return CallMethod(*page.uiRoot, "bounce", {Variant(7)}); }), Variant(7));
}

// Both sides send large messages at once: neither may block writing while the
// other blocks writing too.
TEST_F(CallChannelTest, CrossingLargeCallsDoNotDeadlock) {
  const int size = 4 << 20;
  CallMethod(*m_pageRoot, "echoFromUiLater", {Variant(size)});
  EXPECT_EQ(CallMethod(*m_pageRoot, "echo", {Variant(std::string(size, 'u'))}).AsString().size(),
            static_cast<std::size_t>(size));
  std::size_t crossed = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((crossed = OnPage([](Page& page) { return page.crossedLength; })) == 0 &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(crossed, static_cast<std::size_t>(size));
}

class CallChannelWaitTest : public CallChannelTest, public ::testing::WithParamInterface<CallWait> {
 protected:
  void SetUp() override { Start({GetParam(), GetParam()}); }
};

TEST_P(CallChannelWaitTest, CallsNestFiftyDeepInBothDirections) {
  EXPECT_EQ(CallMethod(*m_pageRoot, "bounce", {Variant(50)}), Variant(50));
  EXPECT_EQ(m_uiMaxDepth, 25);
  EXPECT_EQ(OnPage([](Page& page) { return page.maxDepth; }), 25);
  EXPECT_EQ(OnPage([](Page& page) { return CallMethod(*page.uiRoot, "bounce", {Variant(50)}); }), Variant(50));
  EXPECT_EQ(m_ui->CallDepth(), 0);
}

INSTANTIATE_TEST_SUITE_P(Waits, CallChannelWaitTest, ::testing::Values(CallWait::Socket, CallWait::MainContext),
                         [](const auto& info) { return info.param == CallWait::Socket ? "Socket" : "MainContext"; });

// Reading without blocking before a wait, and after serving from the loop,
// changes only how long a side sleeps: every path still ends right.
struct SpinRow {
  const char* name;
  Sides sides;
};

class CallChannelSpinTest : public CallChannelTest, public ::testing::WithParamInterface<SpinRow> {
 protected:
  void SetUp() override { Start(GetParam().sides); }
};

TEST_P(CallChannelSpinTest, CallsNestAndRunInBursts) {
  EXPECT_EQ(CallMethod(*m_pageRoot, "bounce", {Variant(50)}), Variant(50));
  EXPECT_EQ(OnPage([](Page& page) { return CallMethod(*page.uiRoot, "bounce", {Variant(50)}); }), Variant(50));
  // A burst of the page's calls, served between the UI side's own calls.
  EXPECT_EQ(OnPage([](Page& page) {
              int answered = 0;
              for (int i = 0; i < 200; ++i) answered += CallMethod(*page.uiRoot, "echo", {Variant(i)}).ToInt() == i;
              return answered;
            }),
            200);
  EXPECT_EQ(CallMethod(*m_pageRoot, "add", {Variant(2), Variant(3)}), Variant(5));
  EXPECT_EQ(m_ui->CallDepth(), 0);
}

// A reply that takes longer than the spin: the wait goes on blocking.
TEST_P(CallChannelSpinTest, SlowRepliesStillArrive) {
  std::thread later([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    m_flag = true;
  });
  EXPECT_EQ(CallMethod(*m_pageRoot, "waitForFlag"), Variant(true));
  later.join();
}

// Large frames arrive in pieces: a spin that sees part of one goes on waiting.
TEST_P(CallChannelSpinTest, LargeFramesArriveWhole) {
  const std::size_t size = 8 << 20;
  EXPECT_EQ(CallMethod(*m_pageRoot, "text", {Variant(static_cast<int>(size))}).AsString().size(), size);
  EXPECT_EQ(OnPage([size](Page& page) {
              return CallMethod(*page.uiRoot, "echo", {Variant(std::string(size, 'p'))}).AsString().size();
            }),
            size);
}

TEST_P(CallChannelSpinTest, PeerClosingDuringACallFailsItAtOnce) {
  EXPECT_EQ(OleFailure([&] { CallMethod(*m_pageRoot, "closeSelf"); }),
            std::make_pair(RPC_E_SERVER_DIED_DNE, std::string("The connection to the page process is closed")));
  EXPECT_EQ(m_closedReasons, std::vector<std::string>{"The page process closed the connection"});
}

// The page closes right after a call the UI side served from its loop (and
// lingers after): the end is seen and reported once.
TEST_P(CallChannelSpinTest, PeerClosingAfterItsCallIsSeenFromTheLoop) {
  EXPECT_EQ(OnPage([](Page& page) {
              Variant answer = CallMethod(*page.uiRoot, "ping");
              page.channel.reset();
              return answer;
            }),
            Variant("pong"));
  EXPECT_TRUE(PumpUntil([&] { return m_ui->IsClosed(); }));
  EXPECT_EQ(m_closedReasons, std::vector<std::string>{"The page process closed the connection"});
}

const SpinRow kSpinRows[] = {
    {"PageSpins", {CallWait::MainContext, CallWait::Socket, std::size_t{64} << 20, 0, 0, 200, 0}},
    {"UiLingers", {CallWait::MainContext, CallWait::Socket, std::size_t{64} << 20, 0, 100, 0, 0}},
    {"BothSpinAndLinger", {CallWait::MainContext, CallWait::MainContext, std::size_t{64} << 20, 100, 100, 200, 100}},
    {"SocketWaitsSpin", {CallWait::Socket, CallWait::Socket, std::size_t{64} << 20, 100, 0, 100, 0}},
};

INSTANTIATE_TEST_SUITE_P(Spins, CallChannelSpinTest, ::testing::ValuesIn(kSpinRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A page calling without pause while the UI side lingers: the UI loop's other
// sources still run in the middle of the burst.
TEST_F(CallChannelTest, ACallingPeerLeavesTheLingeringLoopItsTurn) {
  TearDown();
  Sides sides;
  sides.ui = CallWait::MainContext;
  // Far longer than the page takes between calls, so only the bound on lingering ends a burst.
  sides.uiLinger = 20000;
  Start(sides);
  GSourcePtr tick(g_timeout_source_new(1));
  g_source_set_callback(
      tick.get(),
      [](gpointer flag) -> gboolean {
        *static_cast<std::atomic<bool>*>(flag) = true;
        return G_SOURCE_CONTINUE;
      },
      &m_flag, nullptr);
  g_source_attach(tick.get(), m_context.get());
  EXPECT_TRUE(OnPage([this](Page& page) {
    m_flag = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool early = false;
    while (!(early = m_flag) && std::chrono::steady_clock::now() < deadline) CallMethod(*page.uiRoot, "ping");
    return early;
  }));
  g_source_destroy(tick.get());
}

TEST_F(CallChannelTest, WaitingOnTheMainContextRunsItsOtherSources) {
  TearDown();
  Start({CallWait::MainContext, CallWait::Socket});
  GSourcePtr idle(g_idle_source_new());
  g_source_set_callback(
      idle.get(),
      [](gpointer flag) -> gboolean {
        // Inside the wait: the thread knows a call is pending.
        if (CallChannel::WaitingCallsOnThisThread() == 1) *static_cast<std::atomic<bool>*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &m_flag, nullptr);
  g_source_attach(idle.get(), m_context.get());
  // The page answers only once the UI side's idle job ran during the call.
  EXPECT_EQ(CallMethod(*m_pageRoot, "waitForFlag"), Variant(true));
  EXPECT_EQ(CallChannel::WaitingCallsOnThisThread(), 0);
  g_source_destroy(idle.get());
}

// ---- the end of the connection --------------------------------------------------------

TEST_F(CallChannelTest, PeerClosingFailsEveryLaterCallAtOnce) {
  auto destroyed = std::make_shared<std::atomic<bool>>(false);
  {
    auto mine = MakeRef<TScriptObject>("Mine", destroyed);
    CallMethod(*m_pageRoot, "keep", {Variant(mine)});
  }
  OnPage([](Page& page) { page.channel.reset(); });
  EXPECT_TRUE(PumpUntil([&] { return m_ui->IsClosed(); }));
  ASSERT_EQ(m_closedReasons.size(), 1u);
  EXPECT_EQ(m_closedReasons[0], "The page process closed the connection");
  EXPECT_EQ(m_ui->CloseReason(), m_closedReasons[0]);
  // What the page held is let go.
  EXPECT_TRUE(*destroyed);
  EXPECT_EQ(m_ui->ExportedObjectCount(), 0u);

  const auto closed = std::make_pair(RPC_E_SERVER_DIED_DNE, std::string("The connection to the page process is closed"));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(OleFailure([&] { InvokeById(*m_pageRoot, 1, DISPATCH_METHOD, {Variant(1)}); }), closed);
  Invocation raw = Call(*m_pageRoot, 1, DISPATCH_METHOD, {});
  EXPECT_EQ(raw.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(raw.excep.code, RPC_E_SERVER_DIED_DNE);
  std::string name[] = {"fresh"};
  DispId id;
  EXPECT_EQ(m_pageRoot->GetIDsOfNames(name, std::span<DispId>(&id, 1)), RPC_E_SERVER_DIED_DNE);
  EXPECT_EQ(OleFailure([&] { m_ui->PeerRootObject(); }), closed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(m_closedReasons.size(), 1u);
}

TEST_F(CallChannelTest, PeerDyingDuringACallFailsThatCall) {
  EXPECT_EQ(OleFailure([&] { CallMethod(*m_pageRoot, "closeSelf"); }),
            std::make_pair(RPC_E_SERVER_DIED_DNE, std::string("The connection to the page process is closed")));
  EXPECT_TRUE(m_ui->IsClosed());
  EXPECT_EQ(m_closedReasons, std::vector<std::string>{"The page process closed the connection"});
}

TEST_F(CallChannelTest, PeerDyingDeepInANestedCallUnwindsEveryLevel) {
  // UI -> page -> UI -> page, which then closes: both UI calls in progress fail.
  auto root = MakeRef<TScriptObject>("Second");
  root->AddMethod("closePage", [this](std::vector<Variant>&) {
    auto [code, message] = OleFailure([&] { CallMethod(*m_pageRoot, "closeSelf"); });
    return Variant(Format("%X %s", {static_cast<std::uint32_t>(code), message}));
  });
  m_ui->SetRootObject(root);
  OnPage([](Page& page) { page.uiRoot = page.channel->PeerRootObject(); });
  auto [code, message] = OleFailure([&] { CallMethod(*m_pageRoot, "callUi", {Variant("closePage")}); });
  EXPECT_EQ(code, RPC_E_SERVER_DIED_DNE);
  EXPECT_EQ(message, "The connection to the page process is closed");
  EXPECT_EQ(m_ui->CallDepth(), 0);
  EXPECT_EQ(m_closedReasons.size(), 1u);
}

TEST_F(CallChannelTest, ProxiesOutliveTheirChannelSafely) {
  const DispId add = GetDispId(*m_pageRoot, "add");
  m_ui.reset();
  EXPECT_EQ(OleFailure([&] { InvokeById(*m_pageRoot, add, DISPATCH_METHOD, {Variant(1), Variant(2)}); }),
            std::make_pair(RPC_E_SERVER_DIED_DNE, std::string("The connection to the page process is closed")));
  // A name not looked up before fails with the code (GetIDsOfNames has no room for a text).
  EXPECT_EQ(OleFailure([&] { GetDispId(*m_pageRoot, "echo"); }).first, RPC_E_SERVER_DIED_DNE);
  // The page side sees the end and tells its owner; its proxy of our root fails too.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!OnPage([](Page& page) { return page.channel->IsClosed(); }) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(OnPage([](Page& page) { return page.closedReasons; }),
            std::vector<std::string>{"The UI process closed the connection"});
  EXPECT_EQ(OnPage([](Page& page) {
              return OleFailure([&] { InvokeById(*page.uiRoot, 1, DISPATCH_METHOD); });
            }),
            std::make_pair(RPC_E_SERVER_DIED_DNE, std::string("The connection to the UI process is closed")));
}

TEST_F(CallChannelTest, MessagesOverTheLimitAreRefusedBothWays) {
  TearDown();
  Sides sides;
  sides.uiMaxMessage = 1024;
  Start(sides);
  EXPECT_EQ(CallMethod(*m_pageRoot, "text", {Variant(100)}).AsString().size(), 100u);

  // Too large to send: the call fails, and what its message entered into the table is undone.
  auto mine = MakeRef<TScriptObject>("Mine");
  const std::size_t before = m_ui->ExportedObjectCount();
  VariantArray big(std::vector<Variant>{Variant(mine), Variant(std::string(2000, 'x'))});
  auto [code, message] = OleFailure([&] { CallMethod(*m_pageRoot, "echo", {Variant(std::move(big))}); });
  EXPECT_EQ(code, RPC_E_INVALID_DATAPACKET);
  EXPECT_TRUE(Contains(message, "The message is too large")) << message;
  EXPECT_EQ(m_ui->ExportedObjectCount(), before);
  EXPECT_EQ(mine->RefCount(), 1u);
  EXPECT_FALSE(m_ui->IsClosed());
  EXPECT_EQ(CallMethod(*m_pageRoot, "add", {Variant(1), Variant(1)}), Variant(2));

  // Too large to accept: the peer is broken, the channel closes.
  EXPECT_EQ(OleFailure([&] { CallMethod(*m_pageRoot, "text", {Variant(2000)}); }).first, RPC_E_SERVER_DIED_DNE);
  ASSERT_EQ(m_closedReasons.size(), 1u);
  EXPECT_TRUE(Contains(m_closedReasons[0], "Malformed message from the page process: message of")) << m_closedReasons[0];
  EXPECT_TRUE(Contains(m_closedReasons[0], "more than the 1024 allowed")) << m_closedReasons[0];
}

}  // namespace
}  // namespace halbrin::platform
