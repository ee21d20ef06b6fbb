#include "store/Global.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "store/SafeWriter.h"
#include "store/XmlFile.h"

std::string Global::dataFolder;
XmlDocument Global::configDoc;
std::vector<char> Global::configText;
XmlDocument Global::userDoc;
std::vector<char> Global::userText;
std::string Global::currentFile;
std::string Global::currentId;
bool Global::userOpen = false;
std::map<std::string, double> Global::defaultLow;
std::map<std::string, double> Global::defaultHigh;

void Global::init() {
    TRACE_SCOPE("Global::init");
    defaultLow["Pulse"] = 60;
    defaultHigh["Pulse"] = 100;
    defaultLow["Systolic"] = 90;
    defaultHigh["Systolic"] = 139;
    defaultLow["Diastolic"] = 60;
    defaultHigh["Diastolic"] = 89;
    defaultLow["SpO2"] = 95;
    defaultHigh["SpO2"] = 100;
    defaultLow["Postprandial"] = 90;
    defaultHigh["Postprandial"] = 180;
    defaultLow["Fasting"] = 90;
    defaultHigh["Fasting"] = 130;
    defaultLow["Temperature"] = 96.9;
    defaultHigh["Temperature"] = 99.5;
}

namespace {

[[noreturn]] void cannotOpen(const char* fileName, bool traceIt) {
    std::string text = std::string("Unable to open file: ") + fileName;
    std::cerr << text << std::endl;
    Dialogs::alert(text + "\nProgram will be terminated");
    if (traceIt) TRACE_MSG(1, "Global::loadFile") << "Error: Unable to open file: " << fileName;
    Dialogs::terminate(1);
}

void reportMalformed(const char* fileName, const std::string& reason, const char* function) {
    std::string text = std::string("The file ") + fileName + " is damaged and was not opened:\n" + reason +
                       "\nThe file was left unchanged.";
    std::cerr << "Malformed file " << fileName << ": " << reason << std::endl;
    TRACE_MSG(1, function) << "Error: malformed file " << fileName << ": " << reason;
    Dialogs::alert(text);
}

}  // namespace

bool Global::loadFile(XmlDocument& doc, const char* fileName, std::vector<char>& buffer) {
    TRACE_SCOPE("Global::loadFile");
    const std::string path = dataFolder + fileName;
    std::vector<char> text;
    std::vector<std::size_t> lineStarts;
    std::string error;
    if (!XmlFile::readJoined(path, text, error, &lineStarts)) cannotOpen(fileName, true);

    XmlDocument fresh;
    if (!XmlFile::parse(text, fresh, error, &lineStarts)) {
        reportMalformed(fileName, error, "Global::loadFile");
        return false;
    }
    // The new tree points into text: swap both together.
    buffer.swap(text);
    doc.swap(fresh);
    TRACE_MSG(3, "Global::loadFile") << "Loaded file " << fileName;
    return true;
}

bool Global::saveFile(const char* fileName, XmlDocument& doc) {
    TRACE_SCOPE("Global::saveFile");
    std::string error;
    const std::string content = XmlFile::print(doc);
    if (!SafeWriter::write(dataFolder, fileName, content, error)) {
        std::cerr << "Unable to save file: " << fileName << ": " << error << std::endl;
        TRACE_MSG(1, "Global::saveFile") << "Error: Unable to save file: " << fileName << ": " << error;
        Dialogs::alert(std::string("Unable to save file: ") + fileName + "\n" + error +
                       "\nYour changes are kept in memory only; the file on disk was left unchanged.");
        return false;
    }
    TRACE_MSG(3, "Global::saveFile") << "Saved file " << fileName;
    return true;
}

void Global::createNew() {
    TRACE_SCOPE("Global::createNew");
    const char* name = "template_new.xml";
    std::vector<char> text;
    std::string error;
    if (!XmlFile::readJoined(dataFolder + name, text, error)) cannotOpen(name, false);
    XmlDocument fresh;
    if (!XmlFile::parse(text, fresh, error)) {
        reportMalformed(name, error, "Global::createNew");
        cannotOpen(name, false);
    }
    XmlNode* patient = fresh->first_node("patient");
    if (!patient) {
        reportMalformed(name, "it has no patient element", "Global::createNew");
        cannotOpen(name, false);
    }
    userText.swap(text);
    userDoc.swap(fresh);
    userOpen = true;

    XmlNode* before = nullptr;
    int id = getNewId(&before);
    std::cout << "New Id is " << id << std::endl;
    char idText[16];
    std::snprintf(idText, sizeof idText, "%d", id);
    char* stored = userDoc->allocate_string(idText);
    XmlAttribute* attr = patient->first_attribute("id");
    if (attr) {
        attr->value(stored);
    } else {
        // A template without the id attribute still yields a valid user file.
        patient->prepend_attribute(userDoc->allocate_attribute("id", stored));
    }
}

bool Global::addNewToConfig(const char* first, const char* last) {
    TRACE_SCOPE("Global::addNewToConfig");
    XmlNode* config = configDoc->first_node("config");
    if (!config) {
        config = configDoc->allocate_node(rapidxml::node_element, "config");
        configDoc->append_node(config);
    }
    XmlNode* before = nullptr;
    int id = getNewId(&before);
    char idText[16];
    std::snprintf(idText, sizeof idText, "%d", id);
    currentId = idText;

    XmlNode* patient = configDoc->allocate_node(rapidxml::node_element, "patient");
    patient->append_attribute(configDoc->allocate_attribute("id", configDoc->allocate_string(idText)));
    if (before)
        config->insert_node(before, patient);
    else
        config->append_node(patient);

    XmlNode* name = configDoc->allocate_node(rapidxml::node_element, "name");
    patient->append_node(name);
    name->append_node(configDoc->allocate_node(rapidxml::node_element, "first", configDoc->allocate_string(first)));
    name->append_node(configDoc->allocate_node(rapidxml::node_element, "last", configDoc->allocate_string(last)));

    char fileText[32];
    std::snprintf(fileText, sizeof fileText, "user%d.hma", id);
    currentFile = fileText;
    patient->append_node(
        configDoc->allocate_node(rapidxml::node_element, "file", configDoc->allocate_string(fileText)));
    return saveFile("config.hma", configDoc);
}

int Global::getNewId(XmlNode** before) {
    TRACE_SCOPE("Global::getNewId");
    if (before) *before = nullptr;
    XmlNode* config = configDoc->first_node("config");
    XmlNode* record = config ? config->first_node("patient") : nullptr;
    if (!record) return 0;
    int a = std::atoi(attributeText(record, "id"));
    for (XmlNode* next = record->next_sibling("patient"); next; next = next->next_sibling("patient")) {
        int b = std::atoi(attributeText(next, "id"));
        if (a + 1 < b) {
            if (before) *before = next;
            return a + 1;
        }
        a = b;
    }
    return a + 1;
}

XmlNode* Global::findNodeWithId(const char* id) {
    TRACE_SCOPE_LEVEL("Global::findNodeWithId", 4);
    if (!id) return nullptr;
    XmlNode* config = configDoc->first_node("config");
    if (!config) return nullptr;
    for (XmlNode* p = config->first_node("patient"); p; p = p->next_sibling("patient")) {
        XmlAttribute* attr = p->first_attribute("id");
        if (attr && std::strcmp(attr->value(), id) == 0) return p;
    }
    return nullptr;
}

int Global::removeCurrentUser() {
    TRACE_SCOPE("Global::removeCurrentUser");
    XmlNode* config = configDoc->first_node("config");
    if (!config) return -1;
    for (XmlNode* p = config->first_node("patient"); p; p = p->next_sibling("patient")) {
        XmlNode* file = p->first_node("file");
        if (file && currentFile == file->value()) {
            p->remove_all_nodes();
            config->remove_node(p);
            saveFile("config.hma", configDoc);
            TRACE_MSG(1, "Global::removeCurrentUser") << "Removed user: " << currentFile;
            return 0;
        }
    }
    return -1;
}

XmlNode* Global::findVariable(const char* name) {
    if (!name) return nullptr;
    XmlNode* patient = userDoc->first_node("patient");
    if (!patient) return nullptr;
    for (XmlNode* v = patient->first_node("variable"); v; v = v->next_sibling("variable")) {
        XmlAttribute* attr = v->first_attribute("name");
        if (attr && std::strcmp(attr->value(), name) == 0) return v;
    }
    return nullptr;
}

bool Global::isSafeFileName(const std::string& name) {
    if (name.empty() || name.size() > kMaxFileName) return false;
    if (name == "." || name == "..") return false;
    for (char c : name)
        if (c == '/' || c == '\\' || c == ':' || c == '\0') return false;
    return true;
}

const char* Global::textOf(const XmlNode* node) { return node ? node->value() : ""; }

const char* Global::childText(const XmlNode* parent, const char* childName) {
    if (!parent) return "";
    return textOf(parent->first_node(childName));
}

const char* Global::attributeText(const XmlNode* node, const char* attributeName) {
    if (!node) return "";
    XmlAttribute* attr = node->first_attribute(attributeName);
    return attr ? attr->value() : "";
}
