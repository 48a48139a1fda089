// The binary encoding of values, alone (no socket).

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "platform/automation/wire_format.h"
#include "unit/platform/call_channel_fixture.h"
#include "unit/platform/call_channel_values.h"

namespace halbrin::platform {
namespace {

using channel_testing::EveryKind;
using channel_testing::KindRow;
using channel_testing::SameVariant;
using channel_testing::TScriptObject;

// Objects stand in a list; the handle is the position + 1, and every handle
// comes back as the object it named, whichever side "owns" it.
class ListMarshaller final : public IObjectMarshaller {
 public:
  ObjectRef MarshalObject(RefCounted& object) override {
    m_objects.emplace_back(&object);
    return {ObjectRefKind::Sender, m_objects.size()};
  }
  RefPtr<RefCounted> UnmarshalObject(const ObjectRef& ref) override {
    if (ref.handle == 0 || ref.handle > m_objects.size()) throw EWireFormatError("no such handle");
    return m_objects[ref.handle - 1];
  }
  std::vector<RefPtr<RefCounted>> m_objects;
};

std::vector<std::uint8_t> Encode(const Variant& value, IObjectMarshaller* marshaller = nullptr) {
  std::vector<std::uint8_t> bytes;
  WireWriter(bytes, marshaller).WriteVariant(value);
  return bytes;
}

Variant Decode(const std::vector<std::uint8_t>& bytes, IObjectMarshaller* marshaller = nullptr) {
  WireReader reader(bytes, marshaller);
  Variant value = reader.ReadVariant();
  reader.ExpectEnd();
  return value;
}

TEST(CallChannelWire, EveryKindRoundTrips) {
  for (const KindRow& row : EveryKind()) {
    EXPECT_TRUE(SameVariant(Decode(Encode(row.value)), row.value)) << row.what;
  }
}

TEST(CallChannelWire, ObjectsTravelThroughTheMarshaller) {
  ListMarshaller marshaller;
  auto object = MakeRef<TScriptObject>();
  RefPtr<RefCounted> plain = MakeRef<TScriptObject>();
  VariantArray both(std::vector<Variant>{Variant(object), Variant::Unknown(plain), Variant(object)});
  Variant back = Decode(Encode(Variant(std::move(both)), &marshaller), &marshaller);
  ASSERT_EQ(back.AsArray().Size(), 3u);
  EXPECT_EQ(back.AsArray().At(0).Type(), VarType::Dispatch);
  EXPECT_EQ(back.AsArray().At(0).AsDispatch(), object.Get());
  EXPECT_EQ(back.AsArray().At(1).Type(), VarType::Unknown);
  EXPECT_EQ(back.AsArray().At(1).AsUnknown(), plain.Get());
  EXPECT_EQ(back.AsArray().At(2).AsDispatch(), object.Get());
}

// Small values stay small: the benchmark's typical call is a handful of bytes.
TEST(CallChannelWire, EncodingIsCompact) {
  EXPECT_EQ(Encode(Variant()).size(), 1u);
  EXPECT_EQ(Encode(Variant(1)).size(), 2u);
  EXPECT_EQ(Encode(Variant(-64)).size(), 2u);
  EXPECT_EQ(Encode(Variant(true)).size(), 2u);
  EXPECT_EQ(Encode(Variant("abc")).size(), 5u);
  EXPECT_EQ(Encode(Variant(1.0)).size(), 9u);
  EXPECT_EQ(Encode(Variant::Single(1.0f)).size(), 5u);
}

TEST(CallChannelWire, IntegersAtTheEdgesOfEachVarintLength) {
  const std::uint64_t unsignedValues[] = {0, 0x7F, 0x80, 0x3FFF, 0x4000, 0xFFFFFFFF, 1ULL << 63,
                                          std::numeric_limits<std::uint64_t>::max()};
  for (std::uint64_t value : unsignedValues) {
    std::vector<std::uint8_t> bytes;
    WireWriter(bytes).WriteVarUInt(value);
    WireReader reader(bytes);
    EXPECT_EQ(reader.ReadVarUInt(), value);
    EXPECT_TRUE(reader.AtEnd()) << value;
  }
  const std::int64_t signedValues[] = {0, -1, 1, -64, 63, -65, 64, std::numeric_limits<std::int64_t>::min(),
                                       std::numeric_limits<std::int64_t>::max()};
  for (std::int64_t value : signedValues) {
    std::vector<std::uint8_t> bytes;
    WireWriter(bytes).WriteVarInt(value);
    WireReader reader(bytes);
    EXPECT_EQ(reader.ReadVarInt(), value);
    EXPECT_TRUE(reader.AtEnd()) << value;
  }
}

// Input a broken peer could send; each must be refused, never read past the end.
struct BadInputRow {
  const char* what;
  std::vector<std::uint8_t> bytes;
};

TEST(CallChannelWire, MalformedInputIsRefused) {
  std::vector<std::uint8_t> deep;
  for (int i = 0; i <= kMaxWireNesting; ++i) deep.insert(deep.end(), {kWireArray1, 1});
  deep.push_back(0);
  const BadInputRow rows[] = {
      {"nothing", {}},
      {"unknown tag", {0x55}},
      {"the declared-only type Variant", {12}},
      {"double cut short", {5, 0, 0, 0}},
      {"text longer than the data", {8, 10, 'a', 'b'}},
      {"varint of eleven bytes", {3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}},
      {"varint overflowing 64 bits", {3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02}},
      {"I1 out of its range", {16, 0xD8, 0x04}},  // 300
      {"UI1 negative", {17, 0x01}},               // -1
      {"Boolean neither 0 nor 1", {11, 2}},
      {"array count beyond the data", {kWireArray1, 0xFF, 0xFF, 0x03, 0}},
      {"array of two dimensions beyond the data", {kWireArray2, 0x80, 0x80, 0x04, 0x80, 0x80, 0x04, 0}},
      {"array dimension too large", {kWireArray2, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0, 0}},
      {"arrays nested too deeply", deep},
      {"object reference of unknown kind", {9, 7, 1}},
      {"object without a marshaller", {9, 1, 1}},
      {"error code out of range", {10, 0xFF, 0xFF, 0xFF, 0xFF, 0x3F}},
  };
  for (const BadInputRow& row : rows) {
    EXPECT_THROW(Decode(row.bytes), EWireFormatError) << row.what;
  }
}

TEST(CallChannelWire, ExactlyTheNestingLimitStillReads) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < kMaxWireNesting; ++i) bytes.insert(bytes.end(), {kWireArray1, 1});
  bytes.push_back(1);
  Variant value = Decode(bytes);
  for (int i = 0; i < kMaxWireNesting; ++i) value = Variant(value.AsArray().At(0));
  EXPECT_TRUE(value.IsNull());
}

TEST(CallChannelWire, ValuesThatCannotBeWritten) {
  Variant deep = Variant(1);
  for (int i = 0; i <= kMaxWireNesting; ++i) deep = Variant(VariantArray(std::vector<Variant>{deep}));
  EXPECT_THROW(Encode(deep), EWireFormatError);
  EXPECT_THROW(Encode(Variant(MakeRef<TScriptObject>())), EWireFormatError);
}

TEST(CallChannelWire, ObjectReferenceOfANonDispatchObjectIsNoDispatch) {
  // A handle the peer claims is a dispatch object but that names a plain object.
  class TPlain : public RefCounted {};
  ListMarshaller marshaller;
  marshaller.m_objects.push_back(MakeRef<TPlain>());
  EXPECT_THROW(Decode({9, static_cast<std::uint8_t>(ObjectRefKind::Receiver), 1}, &marshaller), EWireFormatError);
  EXPECT_EQ(Decode({13, static_cast<std::uint8_t>(ObjectRefKind::Receiver), 1}, &marshaller).AsUnknown(),
            marshaller.m_objects[0].Get());
}

TEST(CallChannelWire, FramesCarryTheirLength) {
  std::vector<std::uint8_t> out{0xAA};
  const std::size_t start = BeginFrame(out);
  WireWriter(out).WriteString("hello");
  EXPECT_EQ(EndFrame(out, start), 6u);
  ASSERT_EQ(out.size(), 1 + kFrameHeaderBytes + 6);
  EXPECT_EQ(FrameLength(out.data() + start), 6u);
  EXPECT_EQ(out[1], 6);
  EXPECT_EQ(out[4], 0);
}

}  // namespace
}  // namespace halbrin::platform
