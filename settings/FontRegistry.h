#pragma once
// The process-wide named-font registry: drawing commands refer to the
// listing's comment, code and procedure fonts by name ("COMMENTS", "CODE",
// "FUNCTION"); the settings loader fills it, the virtual canvas reads it.
#include "platform/Font.h"

#include <QString>

namespace fontregistry {

// Adds a private copy of font under name; false (and nothing changes) when
// the name is already present or empty. Names compare exactly.
bool add(const QString& name, const TFont& font);
// The registered copy, or nullptr when no entry bears the name.
const TFont* find(const QString& name);
bool remove(const QString& name);
// An empty name always counts as contained.
bool contains(const QString& name);
void clear();
int count();

} // namespace fontregistry
