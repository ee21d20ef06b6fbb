// quorvel-data remove: takes back one mistyped reading, after showing it and
// asking (unless --yes), under the folder's lock, saved once.
#include <iostream>

#include "cli/Commands.h"
#include "cli/DataFolder.h"
#include "store/Global.h"
#include "ui/measurements/EntryRules.h"

namespace cli {

int runRemove(const RemoveOptions& options) {
    DataFolder folder;
    std::string error;
    UserRecord user;
    if (!folder.openUser(options.dataDir, options.user, true, user, error)) {
        std::cerr << "quorvel-data: " << error << std::endl;
        return kProblem;
    }
    XmlDocument doc;
    std::vector<char> text;
    if (!folder.loadFile(user.file, doc, text, error)) {
        std::cerr << "quorvel-data: " << error << std::endl;
        return kProblem;
    }
    const std::string path = folder.path() + user.file;
    XmlNode* variable = EntryRules::findVariable(doc->first_node("patient"), options.variable);
    if (!variable) {
        std::cerr << "quorvel-data: " << path << ": no variable \"" << options.variable << "\"; nothing written"
                  << std::endl;
        return kProblem;
    }
    XmlNode* entry = nullptr;
    for (XmlNode* e = variable->first_node("entry"); e && !entry; e = e->next_sibling("entry"))
        if (options.entry == Global::attributeText(e, "id")) entry = e;
    if (!entry) {
        std::cerr << "quorvel-data: " << path << ": " << options.variable << " has no entry " << options.entry
                  << "; nothing written" << std::endl;
        return kProblem;
    }
    std::cout << user.first << " " << user.last << ", " << options.variable << ", entry " << options.entry << ": "
              << Global::childText(entry, "date") << " " << Global::childText(entry, "time");
    for (const XmlNode* c = entry->first_node(); c; c = c->next_sibling()) {
        const std::string name(c->name(), c->name_size());
        if (name != "date" && name != "time") std::cout << ", " << name << " " << Global::textOf(c);
    }
    std::cout << std::endl;
    if (!options.yes) {
        std::cout << "Remove this entry? [y/N] " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer) || (answer != "y" && answer != "Y" && answer != "yes")) {
            std::cout << "Not removed." << std::endl;
            return kProblem;
        }
    }
    variable->remove_node(entry);
    if (!folder.save(user.file, doc, error)) {
        std::cerr << "quorvel-data: " << error << std::endl;
        return kProblem;
    }
    std::cout << "Removed." << std::endl;
    return kOk;
}

}  // namespace cli
