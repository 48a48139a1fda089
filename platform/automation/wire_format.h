#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/exception.h"
#include "platform/base/ref_counted.h"
#include "platform/variant/variant.h"

namespace halbrin::platform {

// Input that does not follow the wire format (truncated, an unknown tag, a
// count larger than the data, nesting too deep...), or a value that cannot be
// written (an object with no marshaller, an array nested too deep).
HALBRIN_EXCEPTION(EWireFormatError, Exception);

// Arrays inside arrays deeper than this are refused both ways, so a broken
// peer cannot make the reader recurse without bound.
inline constexpr int kMaxWireNesting = 32;

// How an object travels: by a handle in a table of the side that owns it.
// Seen from the message: the sender's own object (the receiver makes or reuses
// a proxy), or an object of the receiver coming back (it gets the original).
enum class ObjectRefKind : std::uint8_t { None = 0, Sender = 1, Receiver = 2 };

struct ObjectRef {
  ObjectRefKind kind = ObjectRefKind::None;
  std::uint64_t handle = 0;
};

// Turns objects into handles while a message is written and back while one is
// read. The call channel implements it over its tables.
class IObjectMarshaller {
 public:
  // Never returns kind None.
  virtual ObjectRef MarshalObject(RefCounted& object) = 0;
  // kind is Sender or Receiver. Raises EWireFormatError for a handle that
  // cannot be right; may return null for an object that is no longer there.
  virtual RefPtr<RefCounted> UnmarshalObject(const ObjectRef& ref) = 0;

 protected:
  ~IObjectMarshaller() = default;
};

// Appends the compact binary encoding to a byte vector. Integers are LEB128
// varints (signed ones zigzagged), floating values raw little-endian IEEE,
// texts a varint length and UTF-8 bytes. A Variant is a one-byte tag (its
// VarType, or kWireArray1/kWireArray2) followed by its value.
class WireWriter {
 public:
  // Objects need a marshaller; without one writing an object raises EWireFormatError.
  explicit WireWriter(std::vector<std::uint8_t>& out, IObjectMarshaller* marshaller = nullptr) noexcept
      : m_out(out), m_marshaller(marshaller) {}

  void WriteU8(std::uint8_t value) { m_out.push_back(value); }
  void WriteU32(std::uint32_t value);  // fixed four bytes, little-endian
  void WriteVarUInt(std::uint64_t value);
  void WriteVarInt(std::int64_t value);
  void WriteFloat(float value);
  void WriteDouble(double value);
  void WriteString(std::string_view value);
  void WriteVariant(const Variant& value);

 private:
  void WriteVariant(const Variant& value, int depth);
  void WriteObject(RefCounted* object);

  std::vector<std::uint8_t>& m_out;
  IObjectMarshaller* m_marshaller;
};

// Reads what WireWriter wrote, checking every length against the data left.
// Each method raises EWireFormatError on malformed input.
class WireReader {
 public:
  explicit WireReader(std::span<const std::uint8_t> data, IObjectMarshaller* marshaller = nullptr) noexcept
      : m_data(data), m_marshaller(marshaller) {}

  std::uint8_t ReadU8();
  std::uint32_t ReadU32();
  std::uint64_t ReadVarUInt();
  std::int64_t ReadVarInt();
  float ReadFloat();
  double ReadDouble();
  std::string ReadString();
  Variant ReadVariant();
  // A count of items that each take at least one byte: larger than what is
  // left means the input is broken (and must not size an allocation).
  std::size_t ReadCount();

  std::size_t Remaining() const noexcept { return m_data.size() - m_pos; }
  bool AtEnd() const noexcept { return m_pos == m_data.size(); }
  // Raises when bytes are left over.
  void ExpectEnd() const;

 private:
  Variant ReadVariant(int depth);
  RefPtr<RefCounted> ReadObject();
  const std::uint8_t* Take(std::size_t count);

  std::span<const std::uint8_t> m_data;
  std::size_t m_pos = 0;
  IObjectMarshaller* m_marshaller;
};

// Variant tags beyond the VarType numbers.
inline constexpr std::uint8_t kWireArray1 = 0x21;
inline constexpr std::uint8_t kWireArray2 = 0x22;

// ---- frames and messages of the call channel --------------------------------
//
// A frame is a four-byte little-endian length and that many bytes of message.
// Every message starts with its type; requests and replies then carry the
// call id the reply answers.
//   Invoke         call id, handle, dispid (varint), kind, flags (bit 0: a result
//                  is wanted), argument count, arguments, named count, named ids
//   GetIDsOfNames  call id, handle, name count, names
//   GetRoot        call id
//   InvokeReply    call id, HRESULT (varint), result; when the HRESULT is a
//                  failure: description, source, code (varint)
//   NamesReply     call id, HRESULT, id count, ids
//   Release        pair count, then (handle, number of times received) pairs
enum class MessageType : std::uint8_t {
  Invoke = 1,
  GetIDsOfNames = 2,
  GetRoot = 3,
  InvokeReply = 4,
  NamesReply = 5,
  Release = 6,
};

inline constexpr std::size_t kFrameHeaderBytes = 4;

// Reserves the length of a frame at the end of `out`; returns where it starts.
std::size_t BeginFrame(std::vector<std::uint8_t>& out);
// Fills in the length of the frame begun at `start`; returns the message size.
std::size_t EndFrame(std::vector<std::uint8_t>& out, std::size_t start);
// The message length in a frame header (at least kFrameHeaderBytes bytes).
std::uint32_t FrameLength(const std::uint8_t* header) noexcept;

}  // namespace halbrin::platform
