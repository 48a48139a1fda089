// Script event bindings: attaching and detaching, which script runs with
// which parameters, and the asynchronous queue on a fake loop.

#include "core/framework/fire_script_event.h"
#include "fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

Variant Array(std::vector<Variant> items) { return Variant(VariantArray(std::move(items))); }

std::string MessageOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

TEST_F(FrameworkTest, AttachEventRefusesWhatIsNoBindableEvent) {
  struct Case {
    const char* name;
    const char* expected;
  } const cases[] = {
      {"click", "Property \"click\" is not valid event name"},
      {"onnothing", "Event property \"onnothing\" not found"},
      {"online", "Property \"online\" is not event"},
      {"onresize", "Event handler \"resizeHandler\" not found"},
  };
  TFwButton button;
  for (const Case& c : cases) {
    EXPECT_EQ(MessageOf([&] { button.GetEvents()->AttachEvent(c.name); }), c.expected) << c.name;
  }
  EXPECT_EQ(button.GetEvents()->GetLength(), 0) << "nothing is bound after an error";
  EXPECT_FALSE(button.m_onResize.Assigned());
}

TEST_F(FrameworkTest, AttachingTwiceGivesTheSameBindingAndDetachUnbindsTheProperty) {
  TFwButton button;
  TScriptEvents& events = *button.GetEvents();
  TScriptEvent& first = events.AttachEvent("onclick");
  EXPECT_EQ(&events.AttachEvent("OnClick"), &first);
  EXPECT_EQ(first.GetTypeName(), "event");
  EXPECT_TRUE(button.m_onClick.Assigned());
  EXPECT_TRUE(events.DetachEvent("onclick"));
  EXPECT_FALSE(button.m_onClick.Assigned());
  EXPECT_FALSE(events.DetachEvent("onclick"));
}

TEST_F(FrameworkTest, FreeingABindingLeavesAPropertyThatWasReboundAlone) {
  TFwButton button;
  TFwButton other;
  TScriptEvents& events = *button.GetEvents();
  events.AttachEvent("onclick");
  button.m_onClick.Bind<TCustomExecutableStdEventsComponentEx>(other, &TCustomExecutableStdEventsComponentEx::clickHandler);
  events.SetExec(Variant("clear"));
  EXPECT_TRUE(button.m_onClick.Assigned());
  EXPECT_EQ(events.GetLength(), 0);
}

TEST_F(FrameworkTest, TheBindingsScriptThenTheListsThenTheDefault) {
  TFwButton button;
  TScriptEvent& binding = Bind(button, "onclick", "go");
  button.FireEvent("click");
  button.GetEvents()->SetScript("list.js");
  button.FireEvent("click");
  binding.SetScript("own.js");
  button.FireEvent("click");
  binding.SetScript("NULL");
  button.FireEvent("click");
  ASSERT_EQ(m_hooks.calls.size(), 4u);
  EXPECT_EQ(m_hooks.calls[0].script, "actions.js");
  EXPECT_EQ(m_hooks.calls[1].script, "list.js");
  EXPECT_EQ(m_hooks.calls[2].script, "own.js");
  EXPECT_EQ(m_hooks.calls[3].script, "list.js") << "\"null\" empties the binding's own script";
}

TEST_F(FrameworkTest, NothingRunsWhenInactiveWithoutProcedureOrWhileTerminating) {
  TFwButton button;
  TScriptEvent& binding = Bind(button, "onclick", "go");
  binding.SetXml("Null");
  EXPECT_TRUE(binding.Execute().IsEmpty());
  EXPECT_EQ(binding.GetXml(), "");
  binding.SetXml("go");
  binding.SetActive(false);
  EXPECT_TRUE(binding.Execute().IsEmpty());
  binding.SetActive(true);
  button.GetEvents()->SetActive(false);
  EXPECT_TRUE(button.FireEvent("click").IsEmpty());
  button.GetEvents()->SetActive(true);
  m_hooks.terminating = true;
  EXPECT_TRUE(binding.Execute().IsEmpty());
  EXPECT_TRUE(m_hooks.calls.empty());
  m_hooks.terminating = false;
  binding.Execute();
  EXPECT_EQ(m_hooks.calls.size(), 1u);
}

TEST_F(FrameworkTest, SplitParametersGivesEachArgumentOrTheWholeArray) {
  TFwButton button;
  button.SetName("N");
  TScriptEvent& binding = Bind(button, "onmousedown", "down");
  const Variant args = Array({Variant("N"), Variant(1), Variant(0), Variant(2), Variant(3)});
  button.m_onMouseDown(&button, TMouseButton::mbLeft, 0, 2, 3);
  binding.SetSplitParameters(false);
  button.m_onMouseDown(&button, TMouseButton::mbLeft, 0, 2, 3);
  ASSERT_EQ(m_hooks.calls.size(), 2u);
  EXPECT_EQ(m_hooks.calls[0].parameters, args);
  EXPECT_EQ(m_hooks.calls[1].parameters, Array({args}));
}

TEST_F(FrameworkTest, NewBindingsTakeTheCommandLineDefaults) {
  m_hooks.defaults = {false, true, true};
  TFwButton button;
  TScriptEvent& binding = Bind(button, "onclick", "go");
  EXPECT_FALSE(binding.SplitParameters());
  EXPECT_TRUE(binding.Async());
  EXPECT_EQ(binding.GetScriptType(), 1);
  binding.SetAsync(false);
  binding.Execute();
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_hooks.calls[0].options, 0x101) << "the transient bit is added while running";
}

TEST_F(FrameworkTest, ExecFireAnswersTheProcedureAndClearResetsAllButActive) {
  TFwButton button;
  TScriptEvent& binding = Bind(button, "onclick", "go");
  m_hooks.answer = [](const ScriptCall&) { return Variant(42); };
  binding.SetExec(Variant("FIRE"));
  EXPECT_EQ(binding.GetExec(), Variant(42));
  binding.SetActive(false);
  binding.SetAsync(true);
  binding.SetScript("x.js");
  binding.SetScriptType(2);
  binding.SetSplitParameters(false);
  binding.SetExec(Variant("clear"));
  EXPECT_TRUE(binding.GetExec().IsEmpty()) << "the reset empties the result too";
  EXPECT_FALSE(binding.Active());
  EXPECT_FALSE(binding.Async());
  EXPECT_FALSE(binding.ScriptSet());
  EXPECT_FALSE(binding.XmlSet());
  EXPECT_EQ(binding.GetScriptType(), 1);
  EXPECT_TRUE(binding.SplitParameters());
  EXPECT_EQ(binding.Sender(), nullptr);
}

TEST_F(FrameworkTest, AParametersHookReplacesTheEventData) {
  TFwButton button;
  TScriptEvent& binding = Bind(button, "onclick", "go");
  binding.SetOnGetParameters([](TScriptEvent&) { return Array({Variant("skin"), Variant("Btn"), Variant(3)}); });
  button.FireEvent("click");
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_hooks.calls[0].parameters, Array({Variant("skin"), Variant("Btn"), Variant(3)}));
}

// ------------------------------------------------------------ the async queue

TEST_F(FrameworkTest, AsyncCallsRunLaterOnePerTickInOrder) {
  TFwButton button;
  TScriptEvent& first = Bind(button, "onclick", "first");
  TScriptEvent& second = Bind(button, "onmousedown", "second");
  first.SetAsync(true);
  second.SetAsync(true);
  EXPECT_EQ(first.Execute(), Variant(kAsyncScriptEventResult));
  EXPECT_TRUE(button.FireEvent("mousedown").IsEmpty()) << "callers that read answers get none";
  EXPECT_TRUE(m_hooks.calls.empty());
  EXPECT_TRUE(AsyncScriptEvents().TimerActive());
  m_loop.Advance(49);
  EXPECT_TRUE(m_hooks.calls.empty());
  m_loop.Advance(1);
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_hooks.calls[0].procedure, "first");
  m_loop.Advance(50);
  ASSERT_EQ(m_hooks.calls.size(), 2u);
  EXPECT_EQ(m_hooks.calls[1].procedure, "second");
  EXPECT_EQ(m_hooks.calls[1].parameters, Variant(button.Name())) << "taken when queued";
  EXPECT_FALSE(AsyncScriptEvents().TimerActive()) << "idle once empty";
  EXPECT_FALSE(AsyncScriptEvents().Enabled());
}

TEST_F(FrameworkTest, AFailingQueuedCallDoesNotStallTheQueue) {
  TAsyncScriptEvents& queue = AsyncScriptEvents();
  m_hooks.answer = [](const ScriptCall& call) -> Variant {
    if (call.procedure == "b") throw platform::Exception("b failed");
    return Variant();
  };
  for (const char* name : {"a", "b", "c"}) queue.Queue("s.js", name, 1, Variant());
  m_loop.Advance(150);
  ASSERT_EQ(m_hooks.calls.size(), 3u);
  EXPECT_EQ(m_hooks.calls[2].procedure, "c");
  EXPECT_EQ(m_hooks.errors, std::vector<std::string>{"b failed"});
  EXPECT_EQ(queue.Count(), 0);
}

TEST_F(FrameworkTest, TheTimeoutHasAFloorAndRestartsTheTimer) {
  TAsyncScriptEvents& queue = AsyncScriptEvents();
  queue.SetTimeout(10);
  EXPECT_EQ(queue.Timeout(), 50);
  queue.Queue("s.js", "a", 1, Variant());
  m_loop.Advance(30);
  queue.SetTimeout(100);
  m_loop.Advance(99);
  EXPECT_TRUE(m_hooks.calls.empty()) << "the period starts again from the change";
  m_loop.Advance(1);
  EXPECT_EQ(m_hooks.calls.size(), 1u);
  queue.SetTimeout(50);
}

TEST_F(FrameworkTest, DroppedOrOrphanedCallsNeverRun) {
  TAsyncScriptEvents& queue = AsyncScriptEvents();
  {
    TFwButton gone;
    queue.Queue("s.js", "orphan", 1, Variant(), &gone);
  }
  TFwButton alive;
  queue.Queue("s.js", "kept", 1, Variant(), &alive);
  m_loop.Advance(100);
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_hooks.calls[0].procedure, "kept");
  queue.Queue("s.js", "dropped", 1, Variant());
  DropAsyncScriptEvents();
  EXPECT_FALSE(queue.TimerActive());
  m_loop.Advance(100);
  EXPECT_EQ(m_hooks.calls.size(), 1u);
}

TEST_F(FrameworkTest, QueuedCallsWaitWhileThePageCallIsAnswered) {
  AsyncScriptEvents().Queue("s.js", "later", 1, Variant());
  m_hooks.hold = true;
  m_loop.Advance(200);
  EXPECT_TRUE(m_hooks.calls.empty());
  EXPECT_TRUE(AsyncScriptEvents().TimerActive()) << "kept for after the wait";
  m_hooks.hold = false;
  m_loop.Advance(50);
  EXPECT_EQ(m_hooks.calls.size(), 1u);
}

TEST_F(FrameworkTest, AQueuedCallThatRunsTheLoopDoesNotStartTheNextInside) {
  TAsyncScriptEvents& queue = AsyncScriptEvents();
  std::vector<std::string> order;
  m_hooks.answer = [&](const ScriptCall& call) {
    order.push_back(call.procedure + "+");
    if (call.procedure == "outer") queue.Tick();  // as a nested message loop would
    order.push_back(call.procedure + "-");
    return Variant();
  };
  queue.Queue("s.js", "outer", 1, Variant());
  queue.Queue("s.js", "next", 1, Variant());
  m_loop.Advance(100);
  EXPECT_EQ(order, (std::vector<std::string>{"outer+", "outer-", "next+", "next-"}));
}

}  // namespace
}  // namespace halbrin::framework_test
