// The search step on fixture files: hits by content type and options, the
// qualifying rules of the modes, the source rule, chunks and snippets, and
// documents in several encodings.

#include "components/docindex/document_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "components/docindex/document_index_content.h"
#include "core/foundation/project_encoding.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

using Opt = TDocumentIndexOption;

DocumentFilterItemData Item(TDocumentIndexContentType type, std::string query, TDocumentIndexOptions options = 0) {
  DocumentFilterItemData item;
  item.contentType = type;
  item.text = query;
  item.query = std::move(query);
  item.options = options;
  return item;
}

DocumentFilterItemData TextItem(std::string query, TDocumentIndexOptions options = 0) {
  return Item(TDocumentIndexContentType::ditText, std::move(query), options);
}

TDocumentIndexOptions Options(std::initializer_list<Opt> options) {
  TDocumentIndexOptions bits = 0;
  for (Opt option : options) bits |= OptionBit(option);
  return bits;
}

class DocumentSearchTest : public ::testing::Test {
 protected:
  DocumentSearchStep Step(TDocumentIndexMode mode = TDocumentIndexMode::dimSearch,
                          std::vector<std::string> stopWords = {}, DocumentDictionaryData dictionary = {}) {
    return DocumentSearchStep(mode, stopWords, std::move(dictionary), "windows-1251");
  }

  // Hits of one item, all of them recorded (dioSequent).
  std::size_t Hits(const std::string& text, DocumentFilterItemData item, std::vector<std::string> stopWords = {}) {
    const std::string path = m_folder.Write("doc.txt", text);
    item.options |= OptionBit(Opt::dioSequent);
    std::vector<DocumentFilterItemData> items{item};
    DocumentSearchStep step = Step(TDocumentIndexMode::dimSearch, std::move(stopWords));
    const bool qualifies = step.Search(path, items);
    EXPECT_EQ(qualifies, items[0].match);
    return items[0].chunks.size();
  }

  testing::TempFolder m_folder{"docsearch"};
};

TEST_F(DocumentSearchTest, TextHitsFollowCaseWholeWordsMarkupAndStopWords) {
  struct Case {
    const char* text;
    const char* query;
    TDocumentIndexOptions options;
    std::vector<std::string> stopWords;
    std::size_t hits;
  };
  const Case cases[] = {
      {"Needle needle NEEDLE", "needle", 0, {}, 3},
      {"Needle needle NEEDLE", "needle", Options({Opt::dioCaseSensitive}), {}, 1},
      {"needles needle", "needle", 0, {}, 2},
      {"needles needle", "needle", Options({Opt::dioWholeWords}), {}, 1},
      {"<a title=\"needle\">x</a> needle", "needle", 0, {}, 1},
      {"<a title=\"needle\">needle</a>", "needle", 0, {}, 1},
      {"needle> no tag opens here", "needle", 0, {}, 0},
      {"the hen", "he", 0, {"the"}, 1},
      {"THE hen", "he", 0, {"the"}, 1},
      {"Привет, ПРИВЕТ и приветствие", "привет", Options({Opt::dioWholeWords}), {}, 2},
      {"", "needle", 0, {}, 0},
      // Characters whose upper case is ASCII still match an ASCII query.
      {"t\u0131mezone and \u017Fize", "TIMEZONE", 0, {}, 1},
      {"\u017Fize", "size", 0, {}, 1},
      {"x needle", "NEEDLE", Options({Opt::dioCaseSensitive}), {}, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Hits(c.text, TextItem(c.query, c.options), c.stopWords), c.hits) << c.text << " / " << c.query;
}

TEST_F(DocumentSearchTest, WithoutSequentOnlyTheFirstHitIsRecorded) {
  const std::string path = m_folder.Write("doc.txt", "a needle b needle c needle");
  for (TDocumentIndexMode mode : {TDocumentIndexMode::dimSearch, TDocumentIndexMode::dimFilter}) {
    std::vector<DocumentFilterItemData> items{TextItem("needle")};
    DocumentSearchStep step = Step(mode);
    EXPECT_TRUE(step.Search(path, items));
    ASSERT_EQ(items[0].chunks.size(), 1u);
    EXPECT_EQ(items[0].chunks[0].valueText, "needle");
    EXPECT_EQ(items[0].chunks[0].predText, "a ");
  }
}

TEST_F(DocumentSearchTest, XmlValuesSkipStopWordsAndTakeDictionaryCaptions) {
  const std::string path = m_folder.Write("doc.xml", "<root><word>alpha one</word><word>the</word><word>beta</word></root>");
  for (bool dictionary : {false, true}) {
    DocumentFilterItemData item = Item(TDocumentIndexContentType::ditXml, "//word",
                                       OptionBit(Opt::dioSequent) | (dictionary ? OptionBit(Opt::dioUsesDictionary) : 0));
    item.text = "one";
    std::vector<DocumentFilterItemData> items{item};
    DocumentSearchStep step =
        Step(TDocumentIndexMode::dimSearch, {"the"}, DocumentDictionaryData::FromPairs({{"word", "Слово"}}));
    EXPECT_TRUE(step.Search(path, items));
    ASSERT_EQ(items[0].chunks.size(), 2u);
    const DocumentChunkData& first = items[0].chunks[0];
    EXPECT_EQ(first.name, "word");
    EXPECT_EQ(first.predText, "alpha ");
    EXPECT_EQ(first.valueText, "one");
    EXPECT_EQ(first.succText, "");
    EXPECT_EQ(items[0].chunks[1].valueText, "beta") << "no occurrence of the text: the whole node";
    EXPECT_EQ(first.caption, dictionary ? "Слово" : "");
  }
}

TEST_F(DocumentSearchTest, XmlFullTextResolvesEntities) {
  const std::string path = m_folder.Write("doc.xml", "<r><p>a &amp; b</p></r>");
  DocumentFilterItemData item = Item(TDocumentIndexContentType::ditXml, "a & b");
  item.context = TDocumentIndexContext::dicFullText;
  std::vector<DocumentFilterItemData> items{item};
  DocumentSearchStep step = Step();
  EXPECT_TRUE(step.Search(path, items));
  ASSERT_EQ(items[0].chunks.size(), 1u);
  EXPECT_EQ(items[0].chunks[0].valueText, "a & b");
}

TEST_F(DocumentSearchTest, XmlRangesByDataType) {
  const std::string path = m_folder.Write(
      "doc.xml",
      "<r><n>5</n><n>15</n><n>x</n><n>1e1</n><d>01.02.2020</d><d>01.02.2021 10:00:00</d><t>b</t><t>B</t></r>");
  struct Case {
    const char* query;
    TDocumentIndexDataType type;
    std::vector<std::string> values;
  };
  using DT = TDocumentIndexDataType;
  const Case cases[] = {
      {"//n,1,10", DT::didNumeric, {"5", "1e1"}},
      {"//n,20,10", DT::didNumeric, {"15", "1e1"}},
      {"//n, 1 , 100", DT::didNumeric, {"5", "15", "1e1"}},
      {"//t,a,c", DT::didText, {"b"}},
      {"//t,c,a", DT::didText, {}},
      {"//d,31.12.2020,01.01.2020", DT::didDateTime, {"01.02.2020"}},
      {"//d,01.01.2021,31.12.2021", DT::didDateTime, {"01.02.2021 10:00:00"}},
      {"//d,01.01.2021,not a date", DT::didDateTime, {}},
      {"//n,1", DT::didNumeric, {}},
      {"//n[,1,10", DT::didNumeric, {}},
  };
  for (const Case& c : cases) {
    DocumentFilterItemData item = Item(TDocumentIndexContentType::ditXml, c.query, OptionBit(Opt::dioSequent));
    item.context = TDocumentIndexContext::dicRange;
    item.dataType = c.type;
    item.text.clear();
    std::vector<DocumentFilterItemData> items{item};
    DocumentSearchStep step = Step();
    EXPECT_EQ(step.Search(path, items), !c.values.empty()) << c.query;
    std::vector<std::string> values;
    for (const DocumentChunkData& chunk : items[0].chunks) values.push_back(chunk.valueText);
    EXPECT_EQ(values, c.values) << c.query;
  }
}

TEST_F(DocumentSearchTest, FileItemsAlwaysHitAndNonXmlSkipsXmlItems) {
  const std::string path = m_folder.Write("plain.txt", "just text, no markup");
  std::vector<DocumentFilterItemData> items{Item(TDocumentIndexContentType::ditFile, "")};
  DocumentSearchStep step = Step();
  EXPECT_TRUE(step.Search(path, items));
  ASSERT_EQ(items[0].chunks.size(), 1u);
  EXPECT_EQ(items[0].chunks[0].valueText, "just text, no markup");

  for (TDocumentIndexMode mode : {TDocumentIndexMode::dimSearch, TDocumentIndexMode::dimFilter}) {
    std::vector<DocumentFilterItemData> xmlItems{Item(TDocumentIndexContentType::ditXml, "//*")};
    DocumentSearchStep xmlStep = Step(mode);
    EXPECT_EQ(xmlStep.Search(path, xmlItems), mode == TDocumentIndexMode::dimFilter)
        << "a skipped item leaves the flag as it was";
    EXPECT_FALSE(xmlItems[0].match);
    EXPECT_TRUE(xmlItems[0].chunks.empty());
  }
}

TEST_F(DocumentSearchTest, ModesDecideWhichItemsAreSearchedAndWhetherTheDocumentQualifies) {
  const std::string path = m_folder.Write("doc.txt", "only the needle is here");
  {
    std::vector<DocumentFilterItemData> items{TextItem("absent"), TextItem("needle")};
    DocumentSearchStep step = Step(TDocumentIndexMode::dimFilter);
    EXPECT_FALSE(step.Search(path, items));
    EXPECT_FALSE(items[1].match) << "the second item is not searched after a miss";
    EXPECT_TRUE(items[1].chunks.empty());
  }
  {
    std::vector<DocumentFilterItemData> items{TextItem("absent"), TextItem("needle")};
    DocumentSearchStep step = Step(TDocumentIndexMode::dimSearch);
    EXPECT_TRUE(step.Search(path, items));
    EXPECT_FALSE(items[0].match);
    EXPECT_TRUE(items[0].chunks.empty());
    EXPECT_TRUE(items[1].match);
  }
  {
    std::vector<DocumentFilterItemData> items{TextItem("absent"), TextItem("needle")};
    DocumentSearchStep step = Step(TDocumentIndexMode::dimExplore);
    EXPECT_TRUE(step.Search(path, items));
    EXPECT_FALSE(items[0].match);
    ASSERT_EQ(items[0].chunks.size(), 1u) << "explore keeps a sample for a miss";
    EXPECT_EQ(items[0].chunks[0].valueText, "only the needle is here");
  }
  {
    // An item whose text is a stop word is skipped.
    std::vector<DocumentFilterItemData> items{TextItem("needle")};
    DocumentSearchStep step = Step(TDocumentIndexMode::dimSearch, {"NEEDLE"});
    EXPECT_FALSE(step.Search(path, items));
  }
}

TEST_F(DocumentSearchTest, SourceNamesTheFileSearched) {
  const std::string txt = m_folder.Write("a.txt", "plain words");
  m_folder.Write("a.xml", "<r>xmlonly</r>");
  struct Case {
    const char* source;
    const char* query;
    bool found;
  };
  const Case cases[] = {
      {"*.xml", "xmlonly", true}, {"*.xml", "plain", false}, {"*", "plain", true},
      {"*", "xmlonly", false},    {"?.xml", "xmlonly", true}, {"*.missing", "plain", false},
  };
  for (const Case& c : cases) {
    DocumentFilterItemData item = TextItem(c.query);
    item.source = c.source;
    std::vector<DocumentFilterItemData> items{item};
    DocumentSearchStep step = Step();
    EXPECT_EQ(step.Search(txt, items), c.found) << c.source << " / " << c.query;
  }
  EXPECT_EQ(DocumentSourceFile("/d/a.txt", "/other/file.xml"), "/other/file.xml");
  EXPECT_EQ(DocumentSourceFile("/d.x/a", "*.xml"), "/d.x/a.xml");
}

TEST_F(DocumentSearchTest, TwentySequentHitsShowSeventeenChunksWithTheDefaultSettings) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "word" + std::to_string(i) + " needle ";
  const std::string path = m_folder.Write("doc.txt", text);
  std::vector<DocumentFilterItemData> items{TextItem("needle", OptionBit(Opt::dioSequent))};
  DocumentSearchStep step = Step();
  ASSERT_TRUE(step.Search(path, items));
  EXPECT_EQ(items[0].chunks.size(), 20u);

  TDocumentIndexFilter filter;
  TDocumentIndexFilterItem& item = filter.AddItem();
  item.FromData(items[0]);
  const std::string chunkText = item.Chunks().Text();
  std::size_t shown = 0;
  for (std::size_t pos = chunkText.find("|needle|"); pos != std::string::npos; pos = chunkText.find("|needle|", pos + 1))
    ++shown;
  EXPECT_EQ(shown, 17u);
  EXPECT_EQ(chunkText.rfind("...word0 |needle|", 0), 0u) << "starts with the first chunk";
}

TEST_F(DocumentSearchTest, RankInExploreCountsMatchedItemsOnly) {
  DocumentFilterItemData hit = TextItem("a");
  hit.match = true;
  DocumentFilterItemData miss = TextItem("b");
  for (bool explore : {false, true}) {
    TDocumentIndexContent content;
    TDocumentIndexContentItem& item = content.AddItem();
    item.SetExplore(explore);
    item.Filter().AddItem().FromData(hit);
    item.Filter().AddItem().FromData(miss);
    EXPECT_EQ(item.Rank(), explore ? 1 : 2);
  }
}

TEST_F(DocumentSearchTest, CyrillicIsFoundInUtf8Windows1251AndBomDocuments) {
  const std::string utf8 = "Текст: ПРИВЕТ, мир";
  const std::string cp1251 = EncodeText(utf8, "windows-1251");
  const std::string bom = "\xEF\xBB\xBF" + utf8;
  for (const std::string& bytes : {utf8, cp1251, bom}) {
    const std::string path = m_folder.Write("doc.txt", bytes);
    std::vector<DocumentFilterItemData> items{TextItem("привет")};
    DocumentSearchStep step = Step();
    ASSERT_TRUE(step.Search(path, items));
    EXPECT_EQ(items[0].chunks[0].valueText, "ПРИВЕТ");
    EXPECT_EQ(items[0].chunks[0].predText, "Текст: ");
  }
}

TEST_F(DocumentSearchTest, UndecodableBytesNeverRaise) {
  std::string random(4096, '\0');
  std::mt19937 generator(7);
  for (char& c : random) c = static_cast<char>(generator());
  for (const std::string& bytes : {std::string("a\x98 needle b"), random}) {
    const std::string path = m_folder.Write("doc.bin", bytes);
    std::vector<DocumentFilterItemData> items{TextItem("needle"), Item(TDocumentIndexContentType::ditFile, "")};
    DocumentSearchStep step = Step(TDocumentIndexMode::dimExplore);
    EXPECT_NO_THROW(step.Search(path, items));
    for (const DocumentChunkData& chunk : items[1].chunks)
      EXPECT_EQ(FindInvalidUtf8(chunk.valueText), std::string::npos);
  }
  DocumentTextDecoder decoder("windows-1251");
  EXPECT_EQ(decoder.Decode("a\x98z"), "a\xEF\xBF\xBDz");
}

TEST_F(DocumentSearchTest, SnippetsKeepWholeCharactersWithinTheSize) {
  std::string text = "<html><body><p>";
  for (int i = 0; i < 30; ++i) text += "слово<b>ещё</b> ";
  text += "искомое ";
  for (int i = 0; i < 30; ++i) text += "дальше, ";
  text += "</p></body></html>";
  const std::string path = m_folder.Write("doc.html", text);
  for (int size : {8, 20, 33, 128}) {
    DocumentFilterItemData item = TextItem("искомое");
    item.chunkSize = size;
    std::vector<DocumentFilterItemData> items{item};
    DocumentSearchStep step = Step();
    ASSERT_TRUE(step.Search(path, items));
    const DocumentChunkData& chunk = items[0].chunks[0];
    const std::string all = chunk.predText + chunk.valueText + chunk.succText;
    EXPECT_LE(Utf8Length(all), static_cast<std::size_t>(size)) << size;
    EXPECT_EQ(FindInvalidUtf8(all), std::string::npos) << size;
    EXPECT_EQ(all.find('<'), std::string::npos) << "markup is skipped: " << all;
    EXPECT_EQ(chunk.valueText, "искомое");
    if (chunk.succText.find_first_not_of(' ') != std::string::npos) {
      EXPECT_EQ(chunk.succText.rfind(" дальше", 0), 0u) << "whole words: " << chunk.succText;
    }
  }
}

TEST_F(DocumentSearchTest, FilesDifferingInCaseOrChangedAreReadAgain) {
  const std::string lower = m_folder.Write("a.txt", "lower text");
  const std::string upper = m_folder.Write("A.txt", "upper text");
  DocumentSearchStep step = Step();
  for (const auto& [path, word] : {std::pair{lower, "lower"}, std::pair{upper, "upper"}, std::pair{lower, "lower"}}) {
    std::vector<DocumentFilterItemData> items{TextItem(word)};
    EXPECT_TRUE(step.Search(path, items)) << path;
  }
  m_folder.Write("a.txt", "changed text, longer");
  std::vector<DocumentFilterItemData> items{TextItem("changed")};
  EXPECT_TRUE(step.Search(lower, items));
}

// The walk's stamp sizes the read; a file that grew or shrank since is still
// read whole, and a short file read after a long one sees none of its bytes.
TEST_F(DocumentSearchTest, AListedDocumentIsReadWholeWhateverItsStampSays) {
  const std::string big = m_folder.Write("big.txt", std::string(3 << 20, 'x') + " ещё needle end");
  const std::string small = m_folder.Write("small.txt", "tiny");
  DocumentFileStamp bigStamp, smallStamp;
  ASSERT_TRUE(bigStamp.Read(big));
  ASSERT_TRUE(smallStamp.Read(small));
  const struct {
    const char* what;
    std::int64_t bigSize, smallSize;
  } cases[] = {
      {"exact", bigStamp.size, smallStamp.size},
      {"grown since", 10, 1},
      {"empty then", 0, 0},
      {"shrunk since", bigStamp.size * 2, 5 << 20},
      {"unknown", -1, -1},
  };
  DocumentSearchStep step = Step();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DocumentEntry bigEntry{big, bigStamp}, smallEntry{small, smallStamp};
    bigEntry.stamp.size = c.bigSize;
    smallEntry.stamp.size = c.smallSize;
    std::vector<DocumentFilterItemData> items{TextItem("needle")};
    ASSERT_TRUE(step.Search(bigEntry, items));
    EXPECT_NE(items[0].chunks.at(0).predText.find("ещё"), std::string::npos) << items[0].chunks[0].predText;
    items = {TextItem("needle")};
    EXPECT_FALSE(step.Search(smallEntry, items));
    items = {TextItem("tiny")};
    EXPECT_TRUE(step.Search(smallEntry, items));
    items = {TextItem("xxx")};
    EXPECT_FALSE(step.Search(smallEntry, items)) << "nothing of the long file is left";
    items = {Item(TDocumentIndexContentType::ditFile, "")};
    ASSERT_TRUE(step.Search(smallEntry, items));
    EXPECT_EQ(items[0].chunks.at(0).valueText, "tiny") << "the text is the bytes read, no more";
  }
}

}  // namespace
}  // namespace halbrin
