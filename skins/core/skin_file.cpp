#include "skins/core/skin_file.h"

#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "core/foundation/property_values.h"
#include "core/foundation/xml_node.h"
#include "platform/base/case_fold.h"
#include "platform/classes/property_access.h"
#include "skins/core/skin_colors.h"
#include "skins/core/skin_log.h"
#include "skins/core/skin_manager.h"

namespace halbrin::skins {

namespace fs = std::filesystem;
using platform::TObject;
using platform::TPropInfo;
using platform::TTypeKind;
using platform::Variant;

namespace {

// One value to set in the second pass.
struct TPending {
  TObject* object;
  const TPropInfo* prop;
  Variant value;
};

class TSkinFileReader {
 public:
  TSkinFileReader(const std::string& fileName, const TSkinFileOptions& options)
      : m_fileName(fileName), m_options(options) {}

  std::vector<TPending> Read(TZebrinSkinManager& manager, const std::string& path) {
    XmlDocument document;
    document.load(path);
    const XmlNode root = document.documentElement();
    if (!root || !platform::SameText(root.baseName(), "skin")) Fail("Unrecognized contents");
    for (const XmlNode& level1 : ElementChildren(root)) {
      const TPropInfo* prop = platform::GetPropInfo(manager, level1.baseName());
      if (!prop) {
        Skip(level1.baseName());
        continue;
      }
      const std::vector<XmlNode> children = ElementChildren(level1);
      if (children.empty()) {
        Collect(manager, *prop, level1, "<" + level1.baseName() + ">");
        continue;
      }
      TObject* object = prop->Kind() == TTypeKind::Class ? platform::GetObjectProp(manager, *prop) : nullptr;
      if (!object) {
        Skip(level1.baseName());
        continue;
      }
      for (const XmlNode& level2 : children) {
        const TPropInfo* inner = platform::GetPropInfo(*object, level2.baseName());
        if (!inner) {
          Skip(level1.baseName() + "." + level2.baseName());
          continue;
        }
        Collect(*object, *inner, level2, "<" + level1.baseName() + "><" + level2.baseName() + ">");
      }
    }
    return std::move(m_pending);
  }

  void ReportSkipped() const {
    if (m_skipped.empty()) return;
    std::string line = "Skin file \"" + m_fileName + "\": skipped";
    for (const std::string& name : m_skipped) line += " " + name;
    if (m_options.log) m_options.log(line);
    else SkinLog("TZebrinSkinManager", line);
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw ESkinManagerException("Skin file \"" + m_fileName + "\": " + what);
  }

 private:
  // The unprefixed "value" attribute, else a "value" in the element's own namespace.
  static Variant ValueAttribute(const XmlNode& element) {
    Variant plain = element.getAttribute("value");
    if (!plain.IsNull()) return plain;
    const std::string ns = element.namespaceURI();
    if (ns.empty()) return plain;
    for (const XmlNode& attribute : element.attributes())
      if (attribute.baseName() == "value" && attribute.namespaceURI() == ns) return attribute.nodeValue();
    return plain;
  }

  static std::vector<XmlNode> ElementChildren(const XmlNode& node) {
    std::vector<XmlNode> out;
    for (const XmlNode& child : node.childNodes())
      if (child.nodeType() == XmlNodeType::Element) out.push_back(child);
    return out;
  }

  void Skip(const std::string& name) { m_skipped.insert(name); }

  std::string Where(const XmlNode& element, const std::string& path) const {
    return "Skin file \"" + m_fileName + "\", line " + std::to_string(element.lineNumber()) + ", " + path;
  }

  void Collect(TObject& object, const TPropInfo& prop, const XmlNode& element, const std::string& path) {
    switch (prop.Kind()) {
      case TTypeKind::Integer:
      case TTypeKind::Int64:
      case TTypeKind::Enumeration:
      case TTypeKind::Set:
      case TTypeKind::String:
      case TTypeKind::LString:
      case TTypeKind::WString:
      case TTypeKind::Variant:
        break;
      default:
        Skip(path);
        return;
    }
    if (!prop.IsWritable()) {
      Skip(path);
      return;
    }
    const Variant attribute = ValueAttribute(element);
    const std::string text = attribute.IsNull() || attribute.IsEmpty() ? std::string() : attribute.ToText();
    Variant value;
    if (prop.Kind() == TTypeKind::Integer && element.baseName().find("Color") != std::string::npos) {
      value = Variant(static_cast<int>(SkinFileColorText(text)));
    } else {
      try {
        value = ConvertPropertyValue(prop, Variant(text));
      } catch (const platform::Exception&) {
        const char* kind = prop.Kind() == TTypeKind::Integer || prop.Kind() == TTypeKind::Int64 ? "an integer"
                           : prop.Kind() == TTypeKind::Set                                    ? "a set"
                                                                                              : "a valid value";
        throw ESkinManagerException(Where(element, path) + ": \"" + text + "\" is not " + kind);
      }
    }
    if (const auto* check = dynamic_cast<const ISkinFileValueCheck*>(&object)) {
      try {
        check->CheckSkinFileValue(prop, value);
      } catch (const platform::Exception& e) {
        throw ESkinManagerException(Where(element, path) + ": " + e.Message());
      }
    }
    m_pending.push_back({&object, &prop, std::move(value)});
  }

  std::string m_fileName;
  const TSkinFileOptions& m_options;
  std::vector<TPending> m_pending;
  std::set<std::string> m_skipped;
};

bool IsInside(const fs::path& file, const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  const fs::path root = fs::weakly_canonical(fs::path(folder), ec);
  if (ec) return false;
  auto f = file.begin();
  for (auto r = root.begin(); r != root.end(); ++r, ++f) {
    if (r->empty()) continue;  // a trailing separator
    if (f == file.end() || *f != *r) return false;
  }
  return true;
}

}  // namespace

void LoadSkinFile(TZebrinSkinManager& manager, const std::string& fileName, const TSkinFileOptions& options) {
  TSkinFileReader reader(fileName, options);
  fs::path path(fileName);
  if (path.is_relative() && !options.projectFolder.empty()) path = fs::path(options.projectFolder) / path;
  std::error_code ec;
  path = fs::weakly_canonical(path, ec);
  if (ec) reader.Fail(ec.message());
  if (!IsInside(path, options.projectFolder) && !IsInside(path, options.applicationFolder))
    reader.Fail("outside the project and application folders");
  const auto size = fs::file_size(path, ec);
  if (!ec && size > static_cast<std::uintmax_t>(kSkinFileMaxSize)) reader.Fail("larger than 1 MiB");

  // Relative theme names are taken from here, in the check pass and while the values are set.
  const TZebrinSkinManager::TLoadingSkinFolder loading(manager, path.parent_path().string());
  const std::vector<TPending> pending = reader.Read(manager, path.string());
  reader.ReportSkipped();

  // Set everything in one update; a setter that raises puts back what was there.
  std::vector<Variant> before;
  before.reserve(pending.size());
  for (const TPending& p : pending) before.push_back(GetPropertyValue(*p.object, *p.prop));
  manager.BeginUpdate();
  std::size_t done = 0;
  try {
    for (; done < pending.size(); ++done) SetPropertyValue(*pending[done].object, *pending[done].prop, pending[done].value);
  } catch (...) {
    for (std::size_t i = done; i-- > 0;) SetPropertyValue(*pending[i].object, *pending[i].prop, before[i]);
    manager.EndUpdate();
    throw;
  }
  manager.EndUpdate();
}

}  // namespace halbrin::skins
