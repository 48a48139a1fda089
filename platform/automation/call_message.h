#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/dispatch.h"
#include "platform/automation/wire_format.h"

namespace halbrin::platform {

// One message of the call channel (the layouts in wire_format.h), read in
// full before anything acts on it: serving a request runs our objects, which
// may call the peer and reuse the read buffer.
struct CallMessage {
  MessageType type = MessageType::Invoke;
  std::uint64_t callId = 0;
  std::uint64_t handle = 0;
  DispId dispId = 0;
  std::uint16_t kind = 0;
  std::uint8_t flags = 0;
  DispParams params;
  std::vector<std::string> names;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> releases;
  HResult hr = S_OK;
  Variant result;
  ExcepInfo excep;
  std::vector<DispId> ids;
  // It named an object of ours that has been released or revoked (set by the channel).
  bool revoked = false;
};

// Reads the message of one frame (the bytes after the frame header), objects
// through `marshaller` (none: an object raises). Raises EWireFormatError for
// anything that does not follow the layout, including bytes left over.
// Whether the handles it names exist is for the channel to judge.
CallMessage DecodeCallMessage(std::span<const std::uint8_t> data, IObjectMarshaller* marshaller);

}  // namespace halbrin::platform
