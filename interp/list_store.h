#pragma once
// The elements of lists made with braces, each stored under the list name
// followed by its index ("pts3"). Elements are never removed; making a list
// again gives fresh empty elements that hide the old ones for good, so one
// slot per name holds everything a newest-first lookup could ever see.

#include <string>
#include <unordered_map>

namespace cubalorn {

class ListStore {
public:
    // A new empty element (hiding any older one of the same name).
    void add(const std::string& elementName) { elements_[elementName].clear(); }
    std::string* find(const std::string& elementName) {
        auto it = elements_.find(elementName);
        return it == elements_.end() ? nullptr : &it->second;
    }
    size_t size() const { return elements_.size(); }
    void clear() { elements_.clear(); }

private:
    std::unordered_map<std::string, std::string> elements_;
};

}  // namespace cubalorn
