#pragma once
// Lists of "name=value" lines (event maps, event parameters, results): plain,
// unsorted, names compared without regard to case, the first line of a name
// wins. An index keeps lookups constant-time without changing that order.
#include <string>
#include <unordered_map>
#include <vector>

namespace fw {

class TNameValueList {
public:
    struct Line {
        std::string name;
        std::string value;
    };

    int Count() const { return static_cast<int>(lines_.size()); }
    const Line& At(int index) const { return lines_.at(static_cast<size_t>(index)); }
    const std::vector<Line>& Lines() const { return lines_; }

    // Index of the first line with that name, -1 when none.
    int IndexOfName(const std::string& name) const;
    bool Contains(const std::string& name) const { return IndexOfName(name) >= 0; }
    // The value of the first line with that name; empty when none.
    std::string Value(const std::string& name) const;
    // Sets the value of the first line with that name, or appends a line.
    void SetValue(const std::string& name, const std::string& value);
    void Add(const std::string& name, const std::string& value);
    void Delete(int index);
    void Clear();
    // Replaces the name of the line at index, keeping its position.
    void Rename(int index, const std::string& newName);
    // "name=value" per line, joined with CR LF.
    std::string Text() const;

private:
    void Reindex() const;

    std::vector<Line> lines_;
    mutable std::unordered_map<std::string, int> index_; // upper-cased name -> first line
    mutable bool indexValid_ = true;
};

// Lists of names with an object each (forms by alias, frames, created
// components), with the same lookup rules.
template <class T>
class TNamedObjectList {
public:
    struct Item {
        std::string name;
        T* object;
    };
    int Count() const { return static_cast<int>(items_.size()); }
    const Item& At(int index) const { return items_.at(static_cast<size_t>(index)); }
    const std::vector<Item>& Items() const { return items_; }
    void Add(const std::string& name, T* object) { items_.push_back({name, object}); }
    T* Find(const std::string& name) const;
    int IndexOfName(const std::string& name) const;
    // Removes every line of that object (compared by address: it may be half
    // destroyed already).
    void RemoveObject(const void* object);
    void Clear() { items_.clear(); }

private:
    std::vector<Item> items_;
};

bool SameName(const std::string& a, const std::string& b);

template <class T>
int TNamedObjectList<T>::IndexOfName(const std::string& name) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (SameName(items_[i].name, name))
            return static_cast<int>(i);
    return -1;
}

template <class T>
T* TNamedObjectList<T>::Find(const std::string& name) const
{
    const int i = IndexOfName(name);
    return i < 0 ? nullptr : items_[static_cast<size_t>(i)].object;
}

template <class T>
void TNamedObjectList<T>::RemoveObject(const void* object)
{
    std::erase_if(items_, [object](const Item& item) { return static_cast<const void*>(item.object) == object; });
}

} // namespace fw
