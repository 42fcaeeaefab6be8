#include "convert/pdf/page_tree.h"

#include <unordered_set>

#include "convert/pdf/document.h"
#include "convert/pdf/object.h"
#include "convert/pdf/pdf_limits.h"

namespace folian::convert::pdf {
namespace {

// Resources up the /Parent chain of a page found outside the tree.
const Object* InheritedResources(Document& doc, const Object* node) {
  for (int depth = 0; node != nullptr && node->is_dict() && depth < kMaxPageTreeDepth; ++depth) {
    const Object* r = doc.Lookup(node, "Resources");
    if (r != nullptr && r->is_dict()) return r;
    node = doc.Lookup(node, "Parent");
  }
  return nullptr;
}

}  // namespace

std::vector<PageRef> CollectPages(Document& doc) {
  std::vector<PageRef> pages;
  const Object* catalog = doc.catalog() != 0 ? doc.Get(doc.catalog()) : nullptr;
  const Object* root = doc.Lookup(catalog, "Pages");
  struct Item {
    const Object* node;
    const Object* resources;
    int depth;
  };
  std::vector<Item> stack;
  std::unordered_set<const Object*> seen;
  if (root != nullptr && root->is_dict()) stack.push_back({root, nullptr, 0});
  while (!stack.empty() && pages.size() < kMaxPages) {
    const Item item = stack.back();
    stack.pop_back();
    if (!seen.insert(item.node).second) continue;  // a loop, or a page listed twice
    const Object* resources = doc.Lookup(item.node, "Resources");
    if (resources == nullptr || !resources->is_dict()) resources = item.resources;
    const Object* kids = doc.Lookup(item.node, "Kids");
    const Object* type = doc.Lookup(item.node, "Type");
    const bool is_page = (type != nullptr && type->is_name("Page")) || kids == nullptr || !kids->is_array();
    if (is_page) {
      pages.push_back({item.node, resources});
      continue;
    }
    if (item.depth >= kMaxPageTreeDepth) continue;
    for (std::size_t i = kids->items.size(); i-- > 0;) {
      const Object* kid = doc.Resolve(&kids->items[i]);
      if (kid != nullptr && kid->is_dict()) stack.push_back({kid, resources, item.depth + 1});
    }
  }
  if (!pages.empty()) return pages;
  for (const std::uint32_t num : doc.loose_pages()) {
    const Object* page = doc.Get(num);
    if (page == nullptr || !page->is_dict()) continue;
    pages.push_back({page, InheritedResources(doc, page)});
  }
  return pages;
}

}  // namespace folian::convert::pdf
