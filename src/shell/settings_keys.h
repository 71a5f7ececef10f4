#pragma once
#include <string>
#include <variant>
#include <vector>

#include "core/settings.h"

namespace kx {

// Every key of Kairox.ini: its section, its name, how it is read and where it
// lands in Settings. The settings reader and the settings check both walk it,
// so a key is known to both or to neither.
struct SettingKey {
    enum class Kind { Text, Integer, YesNo };
    using Field = std::variant<std::string*, int*, bool*>;

    const char* section;
    const char* key;
    Kind kind;
    Field (*field)(Settings&);

    // The key's text in a Settings, as a settings file would hold it.
    std::string ValueText(Settings settings) const;
};

const std::vector<SettingKey>& SettingKeys();

}  // namespace kx
