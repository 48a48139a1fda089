// The call channel against a hand-driven peer writing bytes: the protocol as
// seen on the wire, and what a broken peer can send.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/automation/call_channel.h"
#include "platform/automation/wire_format.h"
#include "unit/platform/call_channel_fixture.h"

namespace halbrin::platform {
namespace {

using channel_testing::MakeSocketPair;
using channel_testing::TScriptObject;

using Bytes = std::vector<std::uint8_t>;

// A message built with the wire format's writer.
Bytes Message(MessageType type, const std::function<void(WireWriter&)>& body) {
  Bytes bytes;
  WireWriter writer(bytes);
  writer.WriteU8(static_cast<std::uint8_t>(type));
  body(writer);
  return bytes;
}

Bytes Framed(const Bytes& message) {
  Bytes frame;
  const std::size_t start = BeginFrame(frame);
  frame.insert(frame.end(), message.begin(), message.end());
  EndFrame(frame, start);
  return frame;
}

Bytes Invoke(std::uint64_t callId, std::uint64_t handle, DispId id, const std::vector<Variant>& args,
             const std::function<void(WireWriter&)>& extraArg = {}) {
  return Message(MessageType::Invoke, [&](WireWriter& w) {
    w.WriteVarUInt(callId);
    w.WriteVarUInt(handle);
    w.WriteVarInt(id);
    w.WriteVarUInt(DISPATCH_METHOD);
    w.WriteU8(1);
    w.WriteVarUInt(args.size() + (extraArg ? 1 : 0));
    for (const Variant& arg : args) w.WriteVariant(arg);
    if (extraArg) extraArg(w);
    w.WriteVarUInt(0);
  });
}

Bytes GetRoot(std::uint64_t callId) {
  return Message(MessageType::GetRoot, [&](WireWriter& w) { w.WriteVarUInt(callId); });
}

Bytes Release(std::uint64_t handle, std::uint64_t count) {
  return Message(MessageType::Release, [&](WireWriter& w) {
    w.WriteVarUInt(1);
    w.WriteVarUInt(handle);
    w.WriteVarUInt(count);
  });
}

// An object argument written by hand: kind and handle as the peer means them.
std::function<void(WireWriter&)> ObjectArg(ObjectRefKind kind, std::uint64_t handle) {
  return [=](WireWriter& w) {
    w.WriteU8(static_cast<std::uint8_t>(VarType::Dispatch));
    w.WriteU8(static_cast<std::uint8_t>(kind));
    w.WriteVarUInt(handle);
  };
}

class CallChannelRawPeerTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }
  void TearDown() override {
    m_channel.reset();
    if (m_raw >= 0) ::close(m_raw);
  }

  void Open() {
    TearDown();
    auto [mine, raw] = MakeSocketPair();
    m_raw = raw;
    CallChannelOptions options;
    options.peerName = "page process";
    m_channel = std::make_unique<CallChannel>(mine, options);
    m_root = MakeRef<TScriptObject>("Root");
    m_add = m_root->AddMethod("add", [](std::vector<Variant>& a) { return Variant(a.at(0).ToInt() + a.at(1).ToInt()); });
    m_keep = m_root->AddMethod("keep", [this](std::vector<Variant>& a) {
      m_kept.push_back(a.at(0));
      return Variant();
    });
    m_drop = m_root->AddMethod("drop", [this](std::vector<Variant>&) {
      m_kept.clear();
      return Variant();
    });
    m_channel->SetRootObject(m_root);
    m_closed.clear();
    m_channel->SetOnClosed([this](const std::string& reason) { m_closed.push_back(reason); });
  }

  void SendRaw(const Bytes& bytes) {
    ASSERT_EQ(::write(m_raw, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void Send(const Bytes& message) { SendRaw(Framed(message)); }

  bool ReadExactly(std::uint8_t* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
      pollfd poller{m_raw, POLLIN, 0};
      if (::poll(&poller, 1, 5000) <= 0) return false;
      const ssize_t n = ::read(m_raw, data + done, size - done);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }
  // The next message the channel wrote; empty at the end of the stream.
  Bytes ReadMessage() {
    std::uint8_t header[kFrameHeaderBytes];
    if (!ReadExactly(header, sizeof header)) return {};
    Bytes message(FrameLength(header));
    if (!ReadExactly(message.data(), message.size())) return {};
    return message;
  }
  bool AtEndOfStream() {
    std::uint8_t byte;
    pollfd poller{m_raw, POLLIN, 0};
    if (::poll(&poller, 1, 5000) <= 0) return false;
    for (;;) {
      const ssize_t n = ::read(m_raw, &byte, 1);
      if (n == 0) return true;
      if (n < 0) return false;
    }
  }

  struct InvokeReply {
    std::uint64_t callId = 0;
    HResult hr = S_OK;
    Variant result;
    ExcepInfo excep;
  };
  // Reads an InvokeReply whose object references are read as raw numbers.
  static InvokeReply ParseInvokeReply(const Bytes& message, ObjectRef* object = nullptr) {
    WireReader r(message);
    InvokeReply reply;
    EXPECT_EQ(r.ReadU8(), static_cast<std::uint8_t>(MessageType::InvokeReply));
    reply.callId = r.ReadVarUInt();
    reply.hr = static_cast<HResult>(r.ReadVarInt());
    if (object) {
      EXPECT_EQ(r.ReadU8(), static_cast<std::uint8_t>(VarType::Dispatch));
      object->kind = static_cast<ObjectRefKind>(r.ReadU8());
      object->handle = r.ReadVarUInt();
    } else {
      reply.result = r.ReadVariant();
    }
    if (Failed(reply.hr)) {
      reply.excep.description = r.ReadString();
      reply.excep.source = r.ReadString();
      reply.excep.code = static_cast<HResult>(r.ReadVarInt());
    }
    EXPECT_TRUE(r.AtEnd());
    return reply;
  }

  // Asks for the root; returns its handle.
  std::uint64_t RootHandle() {
    Send(GetRoot(100));
    EXPECT_TRUE(m_channel->ServePending(1000));
    ObjectRef root;
    InvokeReply reply = ParseInvokeReply(ReadMessage(), &root);
    EXPECT_EQ(reply.callId, 100u);
    EXPECT_EQ(root.kind, ObjectRefKind::Sender);
    return root.handle;
  }

  int m_raw = -1;
  std::unique_ptr<CallChannel> m_channel;
  RefPtr<TScriptObject> m_root;
  DispId m_add = 0, m_keep = 0, m_drop = 0;
  std::vector<Variant> m_kept;
  std::vector<std::string> m_closed;
};

TEST_F(CallChannelRawPeerTest, ServesRequestsAsTheyAreOnTheWire) {
  EXPECT_FALSE(m_channel->ServePending(0));
  const std::uint64_t root = RootHandle();
  EXPECT_EQ(m_channel->ExportedObjectCount(), 1u);

  Send(Invoke(7, root, m_add, {Variant(2), Variant(3)}));
  ASSERT_TRUE(m_channel->ServePending(1000));
  InvokeReply sum = ParseInvokeReply(ReadMessage());
  EXPECT_EQ(sum.callId, 7u);
  EXPECT_EQ(sum.hr, S_OK);
  EXPECT_EQ(sum.result.Type(), VarType::I4);
  EXPECT_EQ(sum.result, Variant(5));

  Send(Message(MessageType::GetIDsOfNames, [&](WireWriter& w) {
    w.WriteVarUInt(8);
    w.WriteVarUInt(root);
    w.WriteVarUInt(2);
    w.WriteString("KEEP");
    w.WriteString("nothing");
  }));
  ASSERT_TRUE(m_channel->ServePending(1000));
  const Bytes namesReply = ReadMessage();
  WireReader names(namesReply);
  EXPECT_EQ(names.ReadU8(), static_cast<std::uint8_t>(MessageType::NamesReply));
  EXPECT_EQ(names.ReadVarUInt(), 8u);
  EXPECT_EQ(names.ReadVarInt(), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(names.ReadVarUInt(), 2u);
  EXPECT_EQ(names.ReadVarInt(), m_keep);
  EXPECT_EQ(names.ReadVarInt(), DISPID_UNKNOWN);
}

TEST_F(CallChannelRawPeerTest, CallOnAReleasedHandleFailsAndTheChannelStays) {
  const std::uint64_t root = RootHandle();
  Send(Release(root, 1));
  EXPECT_TRUE(m_channel->ServePending(1000));
  EXPECT_EQ(m_channel->ExportedObjectCount(), 0u);
  EXPECT_EQ(m_root->RefCount(), 2u);  // ours and the channel's root

  Send(Invoke(9, root, m_add, {Variant(1), Variant(1)}));
  ASSERT_TRUE(m_channel->ServePending(1000));
  InvokeReply reply = ParseInvokeReply(ReadMessage());
  EXPECT_EQ(reply.callId, 9u);
  EXPECT_EQ(reply.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(reply.excep.code, RPC_E_DISCONNECTED);
  EXPECT_EQ(reply.excep.description, "The remote object has been released");
  // A late release of the same handle is harmless.
  Send(Release(root, 1));
  m_channel->ServePending(100);
  EXPECT_FALSE(m_channel->IsClosed());
  EXPECT_NE(RootHandle(), root);  // handed out again under a new handle
}

// The peer's object given twice is one proxy; when it dies the release
// returns both hand-outs, ahead of the next message.
TEST_F(CallChannelRawPeerTest, ReleasesCountWhatWasReceivedAndRideAlong) {
  const std::uint64_t root = RootHandle();
  Send(Invoke(1, root, m_keep, {}, ObjectArg(ObjectRefKind::Sender, 77)));
  Send(Invoke(2, root, m_keep, {}, ObjectArg(ObjectRefKind::Sender, 77)));
  while (m_kept.size() < 2) ASSERT_TRUE(m_channel->ServePending(1000));
  EXPECT_EQ(m_kept[0].AsDispatch(), m_kept[1].AsDispatch());
  EXPECT_EQ(m_channel->ImportedObjectCount(), 1u);
  ParseInvokeReply(ReadMessage());
  ParseInvokeReply(ReadMessage());

  Send(Invoke(3, root, m_drop, {}));
  ASSERT_TRUE(m_channel->ServePending(1000));
  const Bytes releaseFrame = ReadMessage();
  WireReader release(releaseFrame);
  EXPECT_EQ(release.ReadU8(), static_cast<std::uint8_t>(MessageType::Release));
  EXPECT_EQ(release.ReadVarUInt(), 1u);
  EXPECT_EQ(release.ReadVarUInt(), 77u);
  EXPECT_EQ(release.ReadVarUInt(), 2u);
  EXPECT_EQ(ParseInvokeReply(ReadMessage()).callId, 3u);
  EXPECT_EQ(m_channel->PendingReleaseCount(), 0u);
}

// A reply that trickles in byte by byte, with the peer's next request right
// behind it in the same burst.
TEST_F(CallChannelRawPeerTest, RepliesInPiecesAndRequestsBehindThem) {
  std::thread peer([this] {
    Bytes request = ReadMessage();
    WireReader r(request);
    r.ReadU8();
    const std::uint64_t callId = r.ReadVarUInt();
    Bytes burst = Framed(Message(MessageType::InvokeReply, [&](WireWriter& w) {
      w.WriteVarUInt(callId);
      w.WriteVarInt(S_OK);
      ObjectArg(ObjectRefKind::Sender, 5)(w);
    }));
    const Bytes next = Framed(GetRoot(200));
    burst.insert(burst.end(), next.begin(), next.end());
    for (std::uint8_t byte : burst) {
      ASSERT_EQ(::write(m_raw, &byte, 1), 1);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  RefPtr<IDispatchObject> proxy = m_channel->PeerRootObject();
  peer.join();
  ASSERT_TRUE(proxy);
  EXPECT_EQ(m_channel->ImportedObjectCount(), 1u);
  // The request that came behind the reply is still served.
  EXPECT_TRUE(m_channel->ServePending(1000));
  ObjectRef root;
  InvokeReply reply = ParseInvokeReply(ReadMessage(), &root);
  EXPECT_EQ(reply.callId, 200u);
  EXPECT_EQ(root.kind, ObjectRefKind::Sender);
}

// A reply finds its own call by id, even when the peer answers an outer call
// before the inner one that our side made while serving it.
TEST_F(CallChannelRawPeerTest, RepliesMatchTheirCallsWhateverTheOrder) {
  const std::uint64_t root = RootHandle();
  RefPtr<IDispatchObject> proxy;
  Variant innerSeen;
  const DispId callPeer = m_root->AddMethod("callPeer", [&](std::vector<Variant>&) {
    innerSeen = InvokeById(*proxy, 2, DISPATCH_METHOD);
    return innerSeen;
  });
  auto callIdOf = [](const Bytes& message) {
    WireReader r(message);
    r.ReadU8();
    return r.ReadVarUInt();
  };
  auto text = [](std::uint64_t callId, const char* value) {
    return Message(MessageType::InvokeReply, [=](WireWriter& w) {
      w.WriteVarUInt(callId);
      w.WriteVarInt(S_OK);
      w.WriteVariant(Variant(value));
    });
  };
  InvokeReply served;
  std::thread peer([&] {
    const std::uint64_t getRoot = callIdOf(ReadMessage());
    Send(Message(MessageType::InvokeReply, [&](WireWriter& w) {
      w.WriteVarUInt(getRoot);
      w.WriteVarInt(S_OK);
      ObjectArg(ObjectRefKind::Sender, 5)(w);
    }));
    const std::uint64_t outer = callIdOf(ReadMessage());
    // While the outer call waits, our request makes the other side call us again.
    Send(Invoke(1000, root, callPeer, {}));
    const std::uint64_t inner = callIdOf(ReadMessage());
    Send(text(outer, "outer"));
    Send(text(inner, "inner"));
    served = ParseInvokeReply(ReadMessage());
  });
  proxy = m_channel->PeerRootObject();
  const Variant outer = InvokeById(*proxy, 1, DISPATCH_METHOD);
  peer.join();
  EXPECT_EQ(outer, Variant("outer"));
  EXPECT_EQ(innerSeen, Variant("inner"));
  EXPECT_EQ(served.callId, 1000u);
  EXPECT_EQ(served.result, Variant("inner"));
  EXPECT_FALSE(m_channel->IsClosed());
}

TEST_F(CallChannelRawPeerTest, ThePeerHangingUpClosesTheChannel) {
  ::close(m_raw);
  m_raw = -1;
  EXPECT_TRUE(m_channel->ServePending(1000));
  EXPECT_TRUE(m_channel->IsClosed());
  EXPECT_EQ(m_closed, std::vector<std::string>{"The page process closed the connection"});
  EXPECT_THROW(m_channel->PeerRootObject(), EOleError);
}

// Resident pages of this process, from /proc/self/statm.
std::size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t total = 0, resident = 0;
  statm >> total >> resident;
  return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

TEST_F(CallChannelRawPeerTest, AnnouncedLengthsCostNothingUntilTheBytesArrive) {
  // A header announcing a message of the largest allowed size, a few bytes of
  // it now and a few later, and then nothing more.
  const std::size_t before = ResidentBytes();
  const std::uint32_t length = 64u << 20;
  SendRaw({static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
           static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24), 1, 2, 3});
  m_channel->ServePending(50);
  SendRaw({4, 5, 6});
  m_channel->ServePending(50);
  EXPECT_FALSE(m_channel->IsClosed()) << "the message is allowed, only incomplete";
  EXPECT_LT(ResidentBytes(), before + (16u << 20));
}

TEST(CallChannelSetUp, RefusesDescriptorsThatAreNoSocket) {
  EXPECT_THROW(CallChannel(-1), EOSError);
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ::close(pipeFds[1]);
  EXPECT_THROW(CallChannel channel(pipeFds[0]), EOSError);  // and the descriptor is closed
  EXPECT_EQ(::fcntl(pipeFds[0], F_GETFD), -1);
}

struct MalformedRow {
  const char* what;
  // Frames written after the root was handed out (handle 1).
  Bytes bytes;
  const char* detail;
};

TEST_F(CallChannelRawPeerTest, MalformedInputClosesTheChannelWithAClearReason) {
  auto framed = [](const Bytes& message) { return Framed(message); };
  Bytes truncated = Invoke(1, 1, 1, {Variant(1.5)});
  truncated.resize(truncated.size() - 4);
  Bytes badTag = Invoke(1, 1, 1, {});
  badTag.insert(badTag.end() - 1, 0x55);
  badTag[badTag.size() - 3] = 1;  // one argument
  Bytes extra = GetRoot(1);
  extra.push_back(0);
  const MalformedRow rows[] = {
      {"a length beyond the limit", {0xFF, 0xFF, 0xFF, 0x7F}, "message of 2147483647 bytes, more than the 67108864 allowed"},
      {"an empty message", {0, 0, 0, 0}, "empty message"},
      {"an unknown message type", framed({99}), "unknown message type 99"},
      {"a call on a handle never given", framed(Invoke(1, 42, 1, {})), "unknown object handle 42"},
      {"names of a handle never given", framed(Message(MessageType::GetIDsOfNames, [](WireWriter& w) {
         w.WriteVarUInt(1);
         w.WriteVarUInt(42);
         w.WriteVarUInt(0);
       })),
       "unknown object handle 42"},
      {"a reply to no call", framed(Message(MessageType::InvokeReply, [](WireWriter& w) {
         w.WriteVarUInt(5);
         w.WriteVarInt(S_OK);
         w.WriteVariant(Variant());
       })),
       "reply to no call in progress (5)"},
      {"a message cut short", framed(truncated), "Message ends too early"},
      {"an unknown value type", framed(badTag), "Unknown value type 85"},
      {"bytes left over", framed(extra), "1 bytes left over at the end of the message"},
      {"a release of a handle never given", framed(Release(9, 1)), "release of unknown object handle 9"},
      {"a release beyond what was given", framed(Release(1, 5)),
       "release of object handle 1 more times than it was given"},
      {"our object under a handle never given", framed(Invoke(1, 1, 1, {}, ObjectArg(ObjectRefKind::Receiver, 77))),
       "unknown object handle 77"},
      {"the peer's object under handle 0", framed(Invoke(1, 1, 1, {}, ObjectArg(ObjectRefKind::Sender, 0))),
       "object handle 0"},
      {"more named arguments than arguments", framed(Message(MessageType::Invoke, [](WireWriter& w) {
         w.WriteVarUInt(1);
         w.WriteVarUInt(1);
         w.WriteVarInt(1);
         w.WriteVarUInt(DISPATCH_METHOD);
         w.WriteU8(1);
         w.WriteVarUInt(0);
         w.WriteVarUInt(1);
         w.WriteVarInt(0);
       })),
       "more named arguments than arguments"},
  };
  for (const MalformedRow& row : rows) {
    Open();
    ASSERT_EQ(RootHandle(), 1u) << row.what;
    SendRaw(row.bytes);
    for (int i = 0; i < 5 && !m_channel->IsClosed(); ++i) m_channel->ServePending(1000);
    ASSERT_TRUE(m_channel->IsClosed()) << row.what;
    const std::string expected = std::string("Malformed message from the page process: ") + row.detail;
    EXPECT_EQ(m_channel->CloseReason(), expected) << row.what;
    EXPECT_EQ(m_closed, std::vector<std::string>{expected}) << row.what;
    EXPECT_TRUE(AtEndOfStream()) << row.what;
    // Objects the broken peer held are let go.
    EXPECT_EQ(m_channel->ExportedObjectCount(), 0u) << row.what;
    EXPECT_EQ(m_root->RefCount(), 1u) << row.what;
  }
}

}  // namespace
}  // namespace halbrin::platform
