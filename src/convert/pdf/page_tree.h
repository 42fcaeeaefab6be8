// The pages of a document in reading order, each with the resources it
// inherits. The tree is walked without recursion; loops, over-deep trees
// and absurd page counts stop at the caps.
#pragma once

#include <vector>

namespace folian::convert::pdf {

class Document;
class Object;

struct PageRef {
  const Object* page = nullptr;
  const Object* resources = nullptr;  // the page's own or inherited; may be null
};

// The catalog's page tree; when it yields nothing, the /Type /Page objects
// found in the file, in file order.
std::vector<PageRef> CollectPages(Document& doc);

}  // namespace folian::convert::pdf
