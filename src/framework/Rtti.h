#pragma once
// Our own run-time type information. The engine drives the client through
// published names only, so every class keeps an explicit, short table of the
// properties it publishes, chained to its base class's table. Lookup ignores
// letter case; nothing that Qt knows about a widget is visible here.
#include "u3/Exceptions.h"

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <typeindex>
#include <unordered_map>
#include <variant>
#include <vector>

namespace fw {

class TObject;
class TComponent;
class TClassInfo;

enum class TypeKind {
    Integer,     // 32-bit signed
    Int64,
    Float,
    String,
    Boolean,
    Char,
    Enumeration, // ordinal with names
    Set,         // bit set of an enumeration
    Class,       // an object: a sub-object (Font, a collection) or a component reference
    Method,      // an event
};

// An enumeration type with its names in ordinal order.
struct TEnumType {
    std::string name;
    std::vector<std::string> names;

    int Count() const { return static_cast<int>(names.size()); }
    // The ordinal of a name, compared without regard to case; -1 when unknown.
    int OrdinalOf(const std::string& valueName) const;
};

// An event signature: handlers are std::function objects of one exact type.
struct TEventType {
    std::string name;
    std::type_index handlerType;
};

// What a property holds: ordinals (integers, Booleans, characters, enumerations
// and sets) as int64, floats, texts, objects, and event handlers in std::any.
using PropValue = std::variant<std::monostate, int64_t, double, std::string, TObject*, std::any>;

struct TPropInfo {
    std::string name;
    TypeKind kind = TypeKind::Integer;
    const TEnumType* enumType = nullptr;     // Enumeration, Set
    const TClassInfo* classType = nullptr;   // Class
    const TEventType* eventType = nullptr;   // Method
    // Empty getter: write-only; empty setter: read-only.
    std::function<PropValue(TObject&)> get;
    std::function<void(TObject&, const PropValue&)> set;

    bool IsReadable() const { return static_cast<bool>(get); }
    bool IsWritable() const { return static_cast<bool>(set); }
    // Action properties run on write; their names begin with "_".
    bool IsAction() const { return !name.empty() && name[0] == '_'; }
};

using ComponentFactory = TComponent* (*)(TComponent* owner);

template <class C>
class TRows;

// One table row whose accessors reach members of C: it may be listed only in
// the table of C or of a class derived from C. The helpers in prop:: make
// them from member pointers; a row made by hand names its class here.
template <class C>
struct TRow {
    explicit TRow(TPropInfo row) : info(std::move(row)) {}
    TPropInfo info;
};

// Rows checked against a class; only TRows<C> adds to it.
class TRowList {
public:
    TRowList() = default;

private:
    template <class C>
    friend class TRows;
    friend class TClassInfo;
    std::vector<TPropInfo> rows_;
};

// The rows of a class's table, or a named run of rows that tables list as one
// entry. Each entry is a row or a run of C or of a base of C; an entry of any
// other class (a windowed control's row in a plain control's table) does not
// compile.
template <class C>
class TRows : public TRowList {
public:
    // Made implicitly, so that a table lists its rows and runs as they are.
    class Entry {
    public:
        template <class B>
        Entry(TRow<B> row)
        {
            static_assert(std::is_base_of_v<B, C>, "this row belongs to a class that is not a base of the table's class");
            rows_.push_back(std::move(row.info));
        }
        template <class B>
        Entry(TRows<B> run)
        {
            static_assert(std::is_base_of_v<B, C>, "this run belongs to a class that is not a base of the table's class");
            rows_ = std::move(run.rows_);
        }

    private:
        friend class TRows;
        std::vector<TPropInfo> rows_;
    };

    TRows() = default;
    TRows(std::initializer_list<Entry> entries)
    {
        for (const Entry& entry : entries)
            rows_.insert(rows_.end(), entry.rows_.begin(), entry.rows_.end());
    }
    // Rows made at run time whose accessors reach members of C.
    explicit TRows(std::vector<TPropInfo> rows) { rows_ = std::move(rows); }
};

class TClassInfo {
public:
    // Raises EPropertyError for a name listed twice in properties (in any
    // letter case, a run's rows included); a name the parent publishes may be
    // listed again.
    TClassInfo(std::string name, const TClassInfo* parent, TRowList properties, ComponentFactory factory = nullptr);
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    const std::string& Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    ComponentFactory Factory() const { return factory_; }

    // This class's own table, in declaration order.
    const std::vector<TPropInfo>& OwnProperties() const { return properties_; }
    // The published property of that name here or in a base class (a class may
    // publish again what its base has); nullptr when there is none.
    const TPropInfo* FindProperty(const std::string& name) const;
    // Every published property, base classes first, republished ones once.
    std::vector<const TPropInfo*> AllProperties() const;

    // Whether this class or a base has exactly that name (letter case counts).
    bool InheritsFromName(const std::string& className) const;
    bool InheritsFrom(const TClassInfo& other) const;

private:
    std::string name_;
    const TClassInfo* parent_;
    std::vector<TPropInfo> properties_;
    std::unordered_map<std::string, size_t> index_; // upper-cased name -> position
    ComponentFactory factory_;
};

// True when the class or one of its bases has exactly that name (letter case
// counts); false for no class.
bool ClassInheritsFromName(const TClassInfo* classInfo, const std::string& className);

std::string UpperCase(const std::string& text);
bool SameText(const std::string& a, const std::string& b);

// Raised for a property that a class does not publish, or that cannot be read
// or written the way it was asked.
class EPropertyError : public u3::Exception {
public:
    using u3::Exception::Exception;
};

// ---------------------------------------------------------------------------
// Helpers that build table rows from member functions, so that each class's
// table reads as a short list of names.
namespace prop {

template <class C, class V>
TRow<C> Ordinal(std::string name, TypeKind kind, V (C::*getter)() const, std::type_identity_t<void (C::*)(V)> setter,
                  const TEnumType* enumType = nullptr)
{
    TPropInfo p;
    p.name = std::move(name);
    p.kind = kind;
    p.enumType = enumType;
    if (getter)
        p.get = [getter](TObject& o) -> PropValue { return static_cast<int64_t>((static_cast<C&>(o).*getter)()); };
    if (setter)
        p.set = [setter](TObject& o, const PropValue& v) {
            (static_cast<C&>(o).*setter)(static_cast<V>(std::get<int64_t>(v)));
        };
    return TRow<C>(std::move(p));
}

template <class C>
TRow<C> Integer(std::string name, int32_t (C::*getter)() const, std::type_identity_t<void (C::*)(int32_t)> setter)
{
    return Ordinal<C, int32_t>(std::move(name), TypeKind::Integer, getter, setter);
}

template <class C>
TRow<C> Boolean(std::string name, bool (C::*getter)() const, std::type_identity_t<void (C::*)(bool)> setter)
{
    return Ordinal<C, bool>(std::move(name), TypeKind::Boolean, getter, setter);
}

template <class C, class E>
TRow<C> Enum(std::string name, const TEnumType& type, E (C::*getter)() const, std::type_identity_t<void (C::*)(E)> setter)
{
    return Ordinal<C, E>(std::move(name), TypeKind::Enumeration, getter, setter, &type);
}

template <class C, class S>
TRow<C> Set(std::string name, const TEnumType& elementType, S (C::*getter)() const, std::type_identity_t<void (C::*)(S)> setter)
{
    return Ordinal<C, S>(std::move(name), TypeKind::Set, getter, setter, &elementType);
}

template <class C>
TRow<C> Float(std::string name, double (C::*getter)() const, std::type_identity_t<void (C::*)(double)> setter)
{
    TPropInfo p;
    p.name = std::move(name);
    p.kind = TypeKind::Float;
    if (getter)
        p.get = [getter](TObject& o) -> PropValue { return (static_cast<C&>(o).*getter)(); };
    if (setter)
        p.set = [setter](TObject& o, const PropValue& v) { (static_cast<C&>(o).*setter)(std::get<double>(v)); };
    return TRow<C>(std::move(p));
}

template <class C>
TRow<C> String(std::string name, std::string (C::*getter)() const, std::type_identity_t<void (C::*)(const std::string&)> setter)
{
    TPropInfo p;
    p.name = std::move(name);
    p.kind = TypeKind::String;
    if (getter)
        p.get = [getter](TObject& o) -> PropValue { return (static_cast<C&>(o).*getter)(); };
    if (setter)
        p.set = [setter](TObject& o, const PropValue& v) {
            (static_cast<C&>(o).*setter)(std::get<std::string>(v));
        };
    return TRow<C>(std::move(p));
}

// A Boolean action: runs on every write whatever the value; reads False.
template <class C>
TRow<C> BoolAction(std::string name, void (C::*action)())
{
    TPropInfo p;
    p.name = std::move(name);
    p.kind = TypeKind::Boolean;
    p.get = [](TObject&) -> PropValue { return int64_t {0}; };
    p.set = [action](TObject& o, const PropValue&) { (static_cast<C&>(o).*action)(); };
    return TRow<C>(std::move(p));
}

// A text action: runs with the value written; reads empty.
template <class C>
TRow<C> StringAction(std::string name, void (C::*action)(const std::string&))
{
    TPropInfo p;
    p.name = std::move(name);
    p.kind = TypeKind::String;
    p.get = [](TObject&) -> PropValue { return std::string(); };
    p.set = [action](TObject& o, const PropValue& v) { (static_cast<C&>(o).*action)(std::get<std::string>(v)); };
    return TRow<C>(std::move(p));
}

// An object-valued property: a sub-object or a component reference of class T.
template <class C, class T>
TRow<C> Object(std::string name, const TClassInfo& classType, T* (C::*getter)() const, std::type_identity_t<void (C::*)(T*)> setter)
{
    TPropInfo p;
    p.name = std::move(name);
    p.kind = TypeKind::Class;
    p.classType = &classType;
    if (getter)
        p.get = [getter](TObject& o) -> PropValue { return static_cast<TObject*>((static_cast<C&>(o).*getter)()); };
    if (setter)
        p.set = [setter](TObject& o, const PropValue& v) {
            TObject* object = std::get<TObject*>(v);
            T* typed = object ? dynamic_cast<T*>(object) : nullptr;
            if (object && !typed)
                throw EPropertyError("Invalid property value");
            (static_cast<C&>(o).*setter)(typed);
        };
    return TRow<C>(std::move(p));
}

// An event: a handler field of one signature; binding replaces the handler.
template <class C, class Handler>
TRow<C> Event(std::string name, const TEventType& type, Handler C::*field)
{
    TPropInfo p;
    p.name = std::move(name);
    p.kind = TypeKind::Method;
    p.eventType = &type;
    p.get = [field](TObject& o) -> PropValue { return std::any(static_cast<C&>(o).*field); };
    p.set = [field](TObject& o, const PropValue& v) {
        static_cast<C&>(o).*field = std::any_cast<Handler>(std::get<std::any>(v));
    };
    return TRow<C>(std::move(p));
}

} // namespace prop
} // namespace fw
