#include "platform/automation/wire_format.h"

#include <bit>
#include <cstring>
#include <limits>

#include "platform/base/format.h"

namespace halbrin::platform {

namespace {

std::uint64_t ZigZag(std::int64_t value) noexcept {
  return (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63);
}

std::int64_t UnZigZag(std::uint64_t value) noexcept {
  return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
}

bool IsIntegerTag(VarType type) noexcept {
  switch (type) {
    case VarType::I1: case VarType::I2: case VarType::I4: case VarType::I8:
    case VarType::UI1: case VarType::UI2: case VarType::UI4:
      return true;
    default:
      return false;
  }
}

// A dimension must fit the int that HighBound returns.
constexpr std::uint64_t kMaxDimension = std::numeric_limits<std::int32_t>::max();

}  // namespace

// ---- writer -----------------------------------------------------------------

void WireWriter::WriteU32(std::uint32_t value) {
  for (int i = 0; i < 4; ++i) m_out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void WireWriter::WriteVarUInt(std::uint64_t value) {
  while (value >= 0x80) {
    m_out.push_back(static_cast<std::uint8_t>(value | 0x80));
    value >>= 7;
  }
  m_out.push_back(static_cast<std::uint8_t>(value));
}

void WireWriter::WriteVarInt(std::int64_t value) { WriteVarUInt(ZigZag(value)); }

void WireWriter::WriteFloat(float value) { WriteU32(std::bit_cast<std::uint32_t>(value)); }

void WireWriter::WriteDouble(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  for (int i = 0; i < 8; ++i) m_out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void WireWriter::WriteString(std::string_view value) {
  WriteVarUInt(value.size());
  m_out.insert(m_out.end(), value.begin(), value.end());
}

void WireWriter::WriteVariant(const Variant& value) { WriteVariant(value, 0); }

void WireWriter::WriteObject(RefCounted* object) {
  if (!object) {
    WriteU8(static_cast<std::uint8_t>(ObjectRefKind::None));
    return;
  }
  if (!m_marshaller) throw EWireFormatError("Objects cannot be marshalled here");
  const ObjectRef ref = m_marshaller->MarshalObject(*object);
  WriteU8(static_cast<std::uint8_t>(ref.kind));
  WriteVarUInt(ref.handle);
}

void WireWriter::WriteVariant(const Variant& value, int depth) {
  const VarType type = value.Type();
  switch (type) {
    case VarType::Empty:
    case VarType::Null:
      WriteU8(static_cast<std::uint8_t>(type));
      return;
    case VarType::I1: case VarType::I2: case VarType::I4: case VarType::I8:
    case VarType::UI1: case VarType::UI2: case VarType::UI4:
    case VarType::Currency:
      WriteU8(static_cast<std::uint8_t>(type));
      WriteVarInt(value.AsInt64());
      return;
    case VarType::Error:
      WriteU8(static_cast<std::uint8_t>(type));
      WriteVarInt(value.AsError());
      return;
    case VarType::R4:
      WriteU8(static_cast<std::uint8_t>(type));
      WriteFloat(static_cast<float>(value.AsDouble()));
      return;
    case VarType::R8:
    case VarType::Date:
      WriteU8(static_cast<std::uint8_t>(type));
      WriteDouble(value.AsDouble());
      return;
    case VarType::Boolean:
      WriteU8(static_cast<std::uint8_t>(type));
      WriteU8(value.AsBool() ? 1 : 0);
      return;
    case VarType::String:
      WriteU8(static_cast<std::uint8_t>(type));
      WriteString(value.AsString());
      return;
    case VarType::Dispatch:
      WriteU8(static_cast<std::uint8_t>(type));
      WriteObject(value.AsDispatch());
      return;
    case VarType::Unknown:
      WriteU8(static_cast<std::uint8_t>(type));
      WriteObject(value.AsUnknown());
      return;
    case VarType::Array: {
      if (depth >= kMaxWireNesting) throw EWireFormatError("Arrays are nested too deeply to be marshalled");
      const VariantArray& array = value.AsArray();
      if (array.Dimensions() == 2) {
        WriteU8(kWireArray2);
        WriteVarUInt(array.Count(1));
        WriteVarUInt(array.Count(2));
      } else {
        WriteU8(kWireArray1);
        WriteVarUInt(array.Size());
      }
      for (const Variant& item : array.Items()) WriteVariant(item, depth + 1);
      return;
    }
    case VarType::Variant:
      break;
  }
  throw EWireFormatError(Format("A value of type %d cannot be marshalled", {static_cast<int>(type)}));
}

// ---- reader -----------------------------------------------------------------

const std::uint8_t* WireReader::Take(std::size_t count) {
  if (count > Remaining()) throw EWireFormatError("Message ends too early");
  const std::uint8_t* data = m_data.data() + m_pos;
  m_pos += count;
  return data;
}

std::uint8_t WireReader::ReadU8() { return *Take(1); }

std::uint32_t WireReader::ReadU32() {
  const std::uint8_t* data = Take(4);
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= std::uint32_t{data[i]} << (8 * i);
  return value;
}

std::uint64_t WireReader::ReadVarUInt() {
  std::uint64_t value = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    const std::uint8_t byte = ReadU8();
    // The tenth byte may only carry the top bit of the value.
    if (shift == 63 && byte > 1) throw EWireFormatError("Integer too large");
    value |= std::uint64_t{byte & 0x7Fu} << shift;
    if (!(byte & 0x80)) return value;
  }
  throw EWireFormatError("Integer too large");
}

std::int64_t WireReader::ReadVarInt() { return UnZigZag(ReadVarUInt()); }

float WireReader::ReadFloat() { return std::bit_cast<float>(ReadU32()); }

double WireReader::ReadDouble() {
  const std::uint8_t* data = Take(8);
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= std::uint64_t{data[i]} << (8 * i);
  return std::bit_cast<double>(bits);
}

std::string WireReader::ReadString() {
  const std::uint64_t size = ReadVarUInt();
  if (size > Remaining()) throw EWireFormatError("Text longer than the message");
  const auto* data = reinterpret_cast<const char*>(Take(static_cast<std::size_t>(size)));
  return std::string(data, static_cast<std::size_t>(size));
}

std::size_t WireReader::ReadCount() {
  const std::uint64_t count = ReadVarUInt();
  if (count > Remaining()) throw EWireFormatError("Count larger than the message");
  return static_cast<std::size_t>(count);
}

void WireReader::ExpectEnd() const {
  if (!AtEnd()) throw EWireFormatError(Format("%d bytes left over at the end of the message", {Remaining()}));
}

Variant WireReader::ReadVariant() { return ReadVariant(0); }

RefPtr<RefCounted> WireReader::ReadObject() {
  const std::uint8_t kind = ReadU8();
  if (kind == static_cast<std::uint8_t>(ObjectRefKind::None)) return {};
  if (kind != static_cast<std::uint8_t>(ObjectRefKind::Sender) &&
      kind != static_cast<std::uint8_t>(ObjectRefKind::Receiver))
    throw EWireFormatError(Format("Unknown object reference kind %d", {kind}));
  ObjectRef ref{static_cast<ObjectRefKind>(kind), ReadVarUInt()};
  if (!m_marshaller) throw EWireFormatError("Objects cannot be unmarshalled here");
  return m_marshaller->UnmarshalObject(ref);
}

Variant WireReader::ReadVariant(int depth) {
  const std::uint8_t tag = ReadU8();
  if (tag == kWireArray1 || tag == kWireArray2) {
    if (depth >= kMaxWireNesting) throw EWireFormatError("Arrays nested too deeply");
    VariantArray array;
    if (tag == kWireArray1) {
      array = VariantArray(ReadCount());
    } else {
      const std::uint64_t rows = ReadVarUInt();
      const std::uint64_t columns = ReadVarUInt();
      if (rows > kMaxDimension || columns > kMaxDimension ||
          (columns != 0 && rows > Remaining() / columns))
        throw EWireFormatError("Array larger than the message");
      array = VariantArray(static_cast<std::size_t>(rows), static_cast<std::size_t>(columns));
    }
    for (Variant& item : array.Items()) item = ReadVariant(depth + 1);
    return Variant(std::move(array));
  }

  const auto type = static_cast<VarType>(tag);
  if (IsIntegerTag(type)) {
    const std::int64_t value = ReadVarInt();
    Variant result = Variant::OfInteger(type, value);
    if (result.AsInt64() != value) throw EWireFormatError(Format("Integer out of range for type %d", {tag}));
    return result;
  }
  switch (type) {
    case VarType::Empty: return Variant();
    case VarType::Null: return Variant::Null();
    case VarType::Currency: return Variant::Currency(ReadVarInt());
    case VarType::Error: {
      const std::int64_t value = ReadVarInt();
      if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw EWireFormatError("Error code out of range");
      return Variant::Error(static_cast<std::int32_t>(value));
    }
    case VarType::R4: return Variant::Single(ReadFloat());
    case VarType::R8: return Variant(ReadDouble());
    case VarType::Date: return Variant::Date(ReadDouble());
    case VarType::Boolean: {
      const std::uint8_t value = ReadU8();
      if (value > 1) throw EWireFormatError("Boolean that is neither 0 nor 1");
      return Variant(value == 1);
    }
    case VarType::String: return Variant(ReadString());
    case VarType::Dispatch: {
      RefPtr<RefCounted> object = ReadObject();
      if (!object) return Variant(RefPtr<IDispatchObject>());
      auto* dispatch = dynamic_cast<IDispatchObject*>(object.Get());
      if (!dispatch) throw EWireFormatError("Object reference that is not an automation object");
      return Variant(RefPtr<IDispatchObject>(dispatch));
    }
    case VarType::Unknown: return Variant::Unknown(ReadObject());
    default:
      throw EWireFormatError(Format("Unknown value type %d", {tag}));
  }
}

// ---- frames -----------------------------------------------------------------

std::size_t BeginFrame(std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  out.resize(start + kFrameHeaderBytes);
  return start;
}

std::size_t EndFrame(std::vector<std::uint8_t>& out, std::size_t start) {
  const std::size_t length = out.size() - start - kFrameHeaderBytes;
  const auto value = static_cast<std::uint32_t>(length);
  for (std::size_t i = 0; i < kFrameHeaderBytes; ++i) out[start + i] = static_cast<std::uint8_t>(value >> (8 * i));
  return length;
}

std::uint32_t FrameLength(const std::uint8_t* header) noexcept {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < kFrameHeaderBytes; ++i) value |= std::uint32_t{header[i]} << (8 * i);
  return value;
}

}  // namespace halbrin::platform
