#include "platform/automation/call_message.h"

#include <limits>

#include "platform/base/format.h"

namespace halbrin::platform {

namespace {

std::int32_t ReadInt32(WireReader& reader, const char* what) {
  const std::int64_t value = reader.ReadVarInt();
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    throw EWireFormatError(Format("%s out of range", {what}));
  return static_cast<std::int32_t>(value);
}

}  // namespace

CallMessage DecodeCallMessage(std::span<const std::uint8_t> data, IObjectMarshaller* marshaller) {
  WireReader reader(data, marshaller);
  CallMessage message;
  const std::uint8_t type = reader.ReadU8();
  message.type = static_cast<MessageType>(type);
  switch (message.type) {
    case MessageType::Invoke: {
      message.callId = reader.ReadVarUInt();
      message.handle = reader.ReadVarUInt();
      message.dispId = ReadInt32(reader, "dispatch id");
      const std::uint64_t kind = reader.ReadVarUInt();
      if (kind > 0xFFFF) throw EWireFormatError("invoke kind out of range");
      message.kind = static_cast<std::uint16_t>(kind);
      message.flags = reader.ReadU8();
      const std::size_t count = reader.ReadCount();
      message.params.args.reserve(count);
      for (std::size_t i = 0; i < count; ++i) message.params.args.push_back(reader.ReadVariant());
      const std::size_t named = reader.ReadCount();
      if (named > count) throw EWireFormatError("more named arguments than arguments");
      message.params.namedIds.reserve(named);
      for (std::size_t i = 0; i < named; ++i) message.params.namedIds.push_back(ReadInt32(reader, "named id"));
      break;
    }
    case MessageType::GetIDsOfNames: {
      message.callId = reader.ReadVarUInt();
      message.handle = reader.ReadVarUInt();
      const std::size_t count = reader.ReadCount();
      message.names.reserve(count);
      for (std::size_t i = 0; i < count; ++i) message.names.push_back(reader.ReadString());
      break;
    }
    case MessageType::GetRoot:
      message.callId = reader.ReadVarUInt();
      break;
    case MessageType::InvokeReply:
      message.callId = reader.ReadVarUInt();
      message.hr = ReadInt32(reader, "HRESULT");
      message.result = reader.ReadVariant();
      if (Failed(message.hr)) {
        message.excep.description = reader.ReadString();
        message.excep.source = reader.ReadString();
        message.excep.code = ReadInt32(reader, "error code");
      }
      break;
    case MessageType::NamesReply: {
      message.callId = reader.ReadVarUInt();
      message.hr = ReadInt32(reader, "HRESULT");
      const std::size_t count = reader.ReadCount();
      message.ids.reserve(count);
      for (std::size_t i = 0; i < count; ++i) message.ids.push_back(ReadInt32(reader, "dispatch id"));
      break;
    }
    case MessageType::Release: {
      const std::size_t count = reader.ReadCount();
      message.releases.reserve(count);
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t handle = reader.ReadVarUInt();
        message.releases.emplace_back(handle, reader.ReadVarUInt());
      }
      break;
    }
    default:
      throw EWireFormatError(Format("unknown message type %d", {type}));
  }
  reader.ExpectEnd();
  return message;
}

}  // namespace halbrin::platform
