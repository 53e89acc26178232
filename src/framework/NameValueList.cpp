#include "framework/NameValueList.h"

#include "framework/Rtti.h"

namespace fw {

bool SameName(const std::string& a, const std::string& b)
{
    return SameText(a, b);
}

void TNameValueList::Reindex() const
{
    if (indexValid_)
        return;
    index_.clear();
    for (size_t i = 0; i < lines_.size(); ++i)
        index_.emplace(UpperCase(lines_[i].name), static_cast<int>(i));
    indexValid_ = true;
}

int TNameValueList::IndexOfName(const std::string& name) const
{
    Reindex();
    auto it = index_.find(UpperCase(name));
    return it == index_.end() ? -1 : it->second;
}

std::string TNameValueList::Value(const std::string& name) const
{
    const int i = IndexOfName(name);
    return i < 0 ? std::string() : lines_[static_cast<size_t>(i)].value;
}

void TNameValueList::SetValue(const std::string& name, const std::string& value)
{
    const int i = IndexOfName(name);
    if (i >= 0)
        lines_[static_cast<size_t>(i)].value = value;
    else
        Add(name, value);
}

void TNameValueList::Add(const std::string& name, const std::string& value)
{
    lines_.push_back({name, value});
    if (indexValid_)
        index_.emplace(UpperCase(name), static_cast<int>(lines_.size() - 1));
}

void TNameValueList::Delete(int index)
{
    lines_.erase(lines_.begin() + index);
    indexValid_ = false;
}

void TNameValueList::Clear()
{
    lines_.clear();
    index_.clear();
    indexValid_ = true;
}

void TNameValueList::Rename(int index, const std::string& newName)
{
    lines_.at(static_cast<size_t>(index)).name = newName;
    indexValid_ = false;
}

std::string TNameValueList::Text() const
{
    std::string out;
    for (const auto& line : lines_)
        out += line.name + "=" + line.value + "\r\n";
    return out;
}

} // namespace fw
