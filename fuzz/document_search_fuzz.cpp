// Documents the document index reads: any bytes searched as text, as XML
// (values, full text, ranges) and as a plain file, with snippets of a small
// size, and a chunk format pattern applied to the hits.
//
// Input: a settings byte, the query up to a NUL byte, the chunk format up to
// a NUL byte, then the document's bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "components/docindex/document_index_filter.h"
#include "components/docindex/document_search.h"
#include "core/foundation/project_encoding.h"
#include "platform/base/exception.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

constexpr std::size_t kMaxPart = 64;

void Run(fuzzing::InputReader& input) {
  const std::uint8_t settings = input.Byte();
  const std::string query(input.Part().substr(0, kMaxPart));
  const std::string format(input.Part().substr(0, kMaxPart));
  const std::string path = fuzzing::InputFile("document", input.Rest());

  std::vector<DocumentFilterItemData> items;
  const TDocumentIndexContentType types[] = {TDocumentIndexContentType::ditText, TDocumentIndexContentType::ditXml,
                                             TDocumentIndexContentType::ditXml, TDocumentIndexContentType::ditXml,
                                             TDocumentIndexContentType::ditFile};
  const TDocumentIndexContext contexts[] = {TDocumentIndexContext::dicValue, TDocumentIndexContext::dicValue,
                                            TDocumentIndexContext::dicFullText, TDocumentIndexContext::dicRange,
                                            TDocumentIndexContext::dicValue};
  for (std::size_t i = 0; i < std::size(types); ++i) {
    DocumentFilterItemData item;
    item.contentType = types[i];
    item.context = contexts[i];
    item.dataType = static_cast<TDocumentIndexDataType>(settings % 3);
    item.query = query;
    item.text = query.substr(0, query.size() / 2);
    item.options = static_cast<TDocumentIndexOptions>((settings >> 2) & 0x1F);
    item.chunkSize = 1 + (settings & 0x3F);
    items.push_back(item);
  }
  const auto mode = static_cast<TDocumentIndexMode>((settings >> 6) % 3);
  DocumentSearchStep step(mode, {"the", "и"}, DocumentDictionaryData::FromPairs({{"a", "b"}}), "windows-1251");
  step.Search(path, items);

  TDocumentIndexFilter filter;
  for (const DocumentFilterItemData& data : items) {
    for (const DocumentChunkData& chunk : data.chunks) {
      const std::string all = chunk.predText + chunk.valueText + chunk.succText;
      fuzzing::Check(FindInvalidUtf8(all) == std::string::npos, "a snippet that is not UTF-8");
      if (data.contentType == TDocumentIndexContentType::ditText)
        fuzzing::Check(Utf8Length(all) <= static_cast<std::size_t>(data.chunkSize), "a snippet over its size");
    }
    TDocumentIndexFilterItem& item = filter.AddItem();
    item.FromData(data);
    item.Chunks().SetFormat(format);
    try {
      item.Chunks().Text();
    } catch (const platform::EConvertError&) {
      // A format that does not fit its arguments, with its message.
    }
  }
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::fuzzing::InputReader input(data, size);
  halbrin::Run(input);
  return 0;
}
