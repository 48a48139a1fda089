// The bytes a page process writes on its connection: each frame through the
// message decoder alone, then the whole stream into a call channel whose root
// is a page gate over a small client (a grantable external object, documents
// the client calls back). Whatever arrives, the channel must end closed with
// nothing of ours left in its table, or serve the calls and fail the bad ones.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <thread>
#include <vector>

#include "platform/automation/call_channel.h"
#include "platform/automation/call_message.h"
#include "platform/automation/wire_format.h"
#include "support/fuzz_support.h"
#include "unit/platform/call_channel_fixture.h"
#include "web/browser/page_access_rule.h"
#include "web/browser/page_gate.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using channel_testing::TScriptObject;

// For the decoder alone: every handle but 0 stands for the same object.
class OneObjectMarshaller final : public IObjectMarshaller {
 public:
  ObjectRef MarshalObject(RefCounted&) override { return {ObjectRefKind::Sender, 1}; }
  RefPtr<RefCounted> UnmarshalObject(const ObjectRef& ref) override {
    if (ref.handle == 0) throw EWireFormatError("object handle 0");
    return m_object;
  }

 private:
  RefPtr<RefCounted> m_object = MakeRef<TScriptObject>("decoded");
};

// Grants files of the scratch folder; reads each main document's title back
// through the connection, as the client does with the documents it is given.
class FuzzClient final : public IPageClient {
 public:
  FuzzClient() : external(MakeRef<TScriptObject>("client")) {
    m_rule.SetProjectFolder(fuzzing::ScratchFolder().Path().string());
    external->AddMethod("echo", [](std::vector<Variant>& args) { return args.empty() ? Variant() : args[0]; });
    external->AddMethod("add", [](std::vector<Variant>& args) { return Variant(args.at(0).ToDouble() + args.at(1).ToDouble()); });
    external->AddMethod("keep", [this](std::vector<Variant>& args) {
      kept.insert(kept.end(), args.begin(), args.end());
      return Variant(static_cast<int>(kept.size()));
    });
    external->AddMethod("call", [](std::vector<Variant>& args) {
      // Calls back into the page: a method of the object it passed.
      const RefPtr<IDispatchObject> page = args.at(0).ToDispatch();
      if (!page) throw Exception("call needs an object");
      return InvokeById(*page, 1, DISPATCH_METHOD, {Variant("back")});
    });
  }
  bool Grants(const std::string& uri, const std::string& followedUri) override {
    return m_rule.Grants(uri, followedUri);
  }
  RefPtr<IDispatchObject> External() override { return external; }
  void MainDocumentRefused(std::uint64_t, const std::string&) override {}
  PageOptions Options(std::uint64_t) override { return PageOptions{0, "X-Fuzz: 1"}; }
  bool ScriptError(std::uint64_t, const PageScriptError&) override { return true; }
  void DocumentEdited(std::uint64_t) override {}
  std::optional<std::string> ReadFile(const std::string&, const std::string&) override { return std::nullopt; }
  void ReadRefused(std::uint64_t, const std::string&) override {}
  void DocumentOpened(std::uint64_t pageId, RefPtr<IDispatchObject> document) override {
    if (document) {
      try {
        GetProperty(*document, "title");
      } catch (const Exception&) {
      }
    }
    documents[pageId] = std::move(document);
  }

  RefPtr<TScriptObject> external;
  std::vector<Variant> kept;
  std::map<std::uint64_t, RefPtr<IDispatchObject>> documents;

 private:
  PageAccessRule m_rule;
};

void DecodeEachFrame(std::span<const std::uint8_t> bytes) {
  OneObjectMarshaller marshaller;
  while (bytes.size() >= kFrameHeaderBytes) {
    const std::size_t length = FrameLength(bytes.data());
    bytes = bytes.subspan(kFrameHeaderBytes);
    const std::span<const std::uint8_t> message = bytes.first(std::min(length, bytes.size()));
    bytes = bytes.subspan(message.size());
    try {
      const CallMessage decoded = DecodeCallMessage(message, &marshaller);
      fuzzing::Check(decoded.params.namedIds.size() <= decoded.params.args.size(), "more named ids than arguments");
    } catch (const EWireFormatError&) {
    }
  }
}

// The page's side: the input (after a request for the root), then the end of
// its stream; what the channel writes back is read and dropped meanwhile.
void PlayPage(int fd, std::span<const std::uint8_t> input) {
  std::vector<std::uint8_t> stream;
  {
    WireWriter writer(stream);
    const std::size_t start = BeginFrame(stream);
    writer.WriteU8(static_cast<std::uint8_t>(MessageType::GetRoot));
    writer.WriteVarUInt(1000);
    EndFrame(stream, start);
  }
  stream.insert(stream.end(), input.begin(), input.end());
  std::size_t sent = 0;
  bool open = true;
  std::uint8_t sink[4096];
  while (open) {
    pollfd poller{fd, static_cast<short>(POLLIN | (sent < stream.size() ? POLLOUT : 0)), 0};
    if (::poll(&poller, 1, -1) < 0) break;
    if ((poller.revents & POLLOUT) && sent < stream.size()) {
      const ssize_t n = ::send(fd, stream.data() + sent, stream.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) sent += static_cast<std::size_t>(n);
      if (n < 0 && errno != EAGAIN && errno != EINTR) sent = stream.size();
      if (sent == stream.size()) ::shutdown(fd, SHUT_WR);
    }
    if (poller.revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t n = ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) open = false;
    }
  }
  ::close(fd);
}

void ServeStream(std::span<const std::uint8_t> input) {
  FuzzClient client;
  auto [mine, page] = channel_testing::MakeSocketPair();
  {
    CallChannelOptions options;
    options.peerName = "page process";
    CallChannel channel(mine, options);
    auto gate = MakeRef<TPageGate>(client, channel);
    channel.SetRootObject(gate);
    std::thread peer(PlayPage, page, input);
    // The page's stream ends, so the channel closes at the latest then.
    while (!channel.IsClosed()) channel.ServePending(-1);
    fuzzing::Check(channel.ExportedObjectCount() == 0, "objects left in the table of a closed channel");
    fuzzing::Check(channel.CallDepth() == 0, "a call still in progress on a closed channel");
    channel.Close();
    peer.join();
    client.documents.clear();
    client.kept.clear();
    fuzzing::Check(gate->RefCount() == 1, "the gate is still held after its channel closed");
  }
  fuzzing::Check(client.external->RefCount() == 1, "the external object is still held after the channel went");
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  halbrin::DecodeEachFrame(input);
  // What the channel held stays resident afterwards (the sanitizer keeps freed
  // blocks for a while), so a buffer sized by a header's promise shows here.
  const std::size_t before = halbrin::fuzzing::ResidentBytes();
  halbrin::ServeStream(input);
  halbrin::fuzzing::Check(halbrin::fuzzing::ResidentBytes() < before + (std::size_t{32} << 20),
                          "serving a few bytes made the process hold more than 32 MiB");
  return 0;
}
