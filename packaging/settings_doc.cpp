// Writes the settings of Kairox.ini, by section with their defaults, from the
// settings reader's own key table: as a man page section for help2man
// ("man") or as the commented example file the package installs ("ini").
#include <iostream>
#include <string>

#include "core/settings.h"
#include "shell/settings_keys.h"

namespace {

const char* KindText(kx::SettingKey::Kind kind) {
    switch (kind) {
    case kx::SettingKey::Kind::Text: return "text";
    case kx::SettingKey::Kind::Integer: return "integer";
    case kx::SettingKey::Kind::YesNo: return "yes/no (0 no, any other number yes)";
    }
    return "";
}

std::string Roff(std::string text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    return out;
}

void WriteMan(std::ostream& out) {
    const kx::Settings defaults;
    out << "[SETTINGS]\n"
           "Kairox.ini is read once at start. Section and key names match without regard to case; integers are "
           "decimal, or hexadecimal after 0x or $; a missing key, or a malformed number, gives the default; when a "
           "key appears twice in a section the first one counts. kx\\-ata \\-\\-check reports keys it does not "
           "know and values it cannot use.\n";
    std::string section;
    for (const kx::SettingKey& key : kx::SettingKeys()) {
        if (key.section != section) {
            section = key.section;
            out << ".SS [" << Roff(section) << "]\n";
        }
        const std::string value = key.ValueText(defaults);
        out << ".TP\n.B " << Roff(key.key) << "\n"
            << KindText(key.kind) << ", default "
            << (value.empty() ? std::string("empty") : "\\(lq" + Roff(value) + "\\(rq") << "\n";
    }
}

void WriteIni(std::ostream& out) {
    const kx::Settings defaults;
    out << "; Kairox.ini: the settings of kx-ata, read once at start from its home directory\n"
           "; (the service's home /var/lib/kx-ata links here). Every key is shown with its\n"
           "; default; remove the leading \"; \" to set one. Check the result with\n"
           ";   kx-ata --check --home /var/lib/kx-ata\n"
           "; See kx-ata(1) for what each key governs.\n";
    std::string section;
    for (const kx::SettingKey& key : kx::SettingKeys()) {
        if (key.section != section) {
            section = key.section;
            out << "\n[" << section << "]\n";
        }
        out << "; " << key.key << "=" << key.ValueText(defaults) << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 2 ? argv[1] : "";
    if (mode == "man")
        WriteMan(std::cout);
    else if (mode == "ini")
        WriteIni(std::cout);
    else {
        std::cerr << "usage: kx-settings-doc man|ini\n";
        return 2;
    }
    return 0;
}
