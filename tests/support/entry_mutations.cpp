#include "support/entry_mutations.h"

#include <iterator>

#include "net/json_tree.h"

namespace {

// The members the signed text holds, below the root or below a module or the package.
bool IsSignedPath(const std::vector<std::wstring>& keys) {
  if (keys.empty()) return false;
  const std::wstring& top = keys.front();
  JsonKeyLess less;
  auto same = [&](const std::wstring& a, const wchar_t* b) { return !less(a, b) && !less(b, a); };
  if (same(top, L"DownloadUrls")) return false;
  return same(top, L"AppName") || same(top, L"MainVersion") || same(top, L"Modules") ||
         same(top, L"InstallPackageNew") || same(top, L"Signature");
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A different text of the same kind: the last hexadecimal digit turned, anything else extended.
std::wstring Changed(const std::wstring& value) {
  if (value.empty()) return L"1";
  std::wstring changed = value;
  wchar_t& last = changed.back();
  if ((last >= L'0' && last <= L'9') || (last >= L'a' && last <= L'f')) {
    last = last == L'0' ? L'1' : L'0';
  } else {
    changed += L"1";
  }
  return changed;
}

std::wstring Json(const JsonTree& tree) {
  std::wstring json;
  WriteJsonTree(tree, json);
  return json;
}

JsonTree* Child(JsonTree& node, size_t index) { return &std::next(node.begin(), static_cast<long>(index))->second; }

// Visits every node below root with its path of child indices and of keys.
template <typename Visit>
void Walk(JsonTree& node, std::vector<size_t>& indices, std::vector<std::wstring>& keys, Visit visit) {
  size_t index = 0;
  for (auto& child : node) {
    indices.push_back(index);
    keys.push_back(child.first.empty() ? std::to_wstring(index) : child.first);
    visit(indices, keys, child.second);
    Walk(child.second, indices, keys, visit);
    indices.pop_back();
    keys.pop_back();
    ++index;
  }
}

JsonTree* At(JsonTree& root, const std::vector<size_t>& indices) {
  JsonTree* node = &root;
  for (size_t index : indices) node = Child(*node, index);
  return node;
}

std::string PathText(const std::vector<std::wstring>& keys) {
  std::string text;
  for (const std::wstring& key : keys) text += (text.empty() ? "" : "/") + Narrow(key);
  return text;
}

}  // namespace

std::vector<EntryMutation> SingleMemberChanges(const std::wstring& entryJson) {
  JsonTree root;
  ReadJsonTree(entryJson, root);
  std::vector<EntryMutation> changes;
  std::vector<size_t> indices;
  std::vector<std::wstring> keys;
  Walk(root, indices, keys, [&](const std::vector<size_t>& at, const std::vector<std::wstring>& path, JsonTree& node) {
    const bool isSigned = IsSignedPath(path);
    if (node.empty()) {
      JsonTree changed = root;
      At(changed, at)->data() = Changed(node.data());
      changes.push_back({"change " + PathText(path), Json(changed), isSigned});
    }
    // Taken away: the member, the module, the array element.
    JsonTree removed = root;
    std::vector<size_t> parentAt(at.begin(), at.end() - 1);
    JsonTree* parent = At(removed, parentAt);
    parent->erase(std::next(parent->begin(), static_cast<long>(at.back())));
    changes.push_back({"remove " + PathText(path), Json(removed), isSigned});
  });

  // The structure of the module list.
  if (const auto modules = root.get_child_optional(L"Modules")) {
    if (!modules->empty()) {
      JsonTree doubled = root;
      JsonTree& list = doubled.get_child(L"Modules");
      list.push_back(*list.begin());
      changes.push_back({"add a module twice", Json(doubled), true});

      JsonTree added = root;
      JsonTree& first = added.get_child(L"Modules").begin()->second;
      if (first.count(L"mustupdate") == 0) {
        first.put(L"mustupdate", L"false");
        changes.push_back({"add mustupdate to the first module", Json(added), true});
      }
    }
    if (modules->size() > 1) {
      JsonTree reordered = root;
      JsonTree& list = reordered.get_child(L"Modules");
      list.push_back(*list.begin());
      list.erase(list.begin());
      changes.push_back({"move the first module last", Json(reordered), true});
    }
  }
  JsonTree unknown = root;
  unknown.put(L"Comment", L"mirrored on 2024-05-01");
  changes.push_back({"add a member the installer does not read", Json(unknown), false});
  return changes;
}
