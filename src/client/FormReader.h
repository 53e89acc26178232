#pragma once
// Form descriptions and property paths: builds forms and frames from the
// engine's description text, sets and reads published properties by path, binds
// events to the event list and frees components on the engine's request.
#include "client/MemoryTextStream.h"
#include "framework/Control.h"

#include <string>
#include <utility>
#include <vector>

namespace client {

// (TABORDER value, control) pairs and (PATH=value, object) pairs collected while
// a description is read, applied once at its end.
using TabOrderList = std::vector<std::pair<std::string, fw::Guard<fw::TComponent>>>;
using DeferredList = std::vector<std::pair<std::string, fw::Guard<fw::TObject>>>;

// Builds the form or frame the description holds; nullptr for any other root.
// Errors end the reading and are swallowed; what was built stays.
fw::TComponent* LoadFormDescription(TMemoryTextStream& stream, bool designing = false);

// Reads one value line and applies it to path on object.
void ReadAndSetProperty(const std::string& className, const std::string& path, fw::TObject* object,
                        TabOrderList* tabOrders, DeferredList* deferred, bool apply, TMemoryTextStream& stream);
// Writes a property from text. A path that reaches no writable property
// changes nothing; a value the property cannot take writes a line to the SOAP
// log and changes nothing; other errors propagate.
void SetPropertyByPath(fw::TObject* object, const std::string& path, const std::string& className,
                       const std::string& value);
// The current value as text ("true"/"false" for Booleans, enumerations by
// name); empty when the path reaches no readable property.
std::string GetPropertyText(const std::string& className, const std::string& path, fw::TObject* object);
// GetPropertyText written with WriteString.
void WritePropertyValue(TMemoryTextStream& stream, const std::string& className, const std::string& path,
                        fw::TObject* object);
// Puts the event list's handler of the same name into the event at path.
// Raises for a name the event list does not publish; an event the object does
// not publish is left alone.
void BindEventProperty(const std::string& className, const std::string& path, fw::TObject* object);
// Takes the component off the client's lists and frees it (deferred while a
// handler may still run).
void FreeEngineComponent(fw::TComponent* component);
fw::TComponent* GetOwnerFormOrFrame(fw::TControl* control);
// Adds a menu item to its named parent: to the items of a menu, or under a
// menu item; anything else is left alone.
void AddMenuItemToParent(fw::TComponent* parent, fw::TComponent* created);
// Whether the last step of path is an event property, or names no property
// and begins with "ON" (a reply entry binds an event only then, whatever else
// the path holds).
bool PathEndsInEvent(const std::string& className, const std::string& path, fw::TObject* object);
// Position (0-based) of the first "." or "[" in path; npos when none.
size_t PathSeparatorPos(const std::string& path);

} // namespace client
