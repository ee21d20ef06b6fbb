#include "ui/users/InfoWindow.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Return_Button.H>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "platform/Platform.h"
#include "rules/users/InfoRules.h"
#include "rules/units/ClockStyle.h"
#include "rules/users/InfoUnits.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TextScale.h"

namespace {

Fl_Box* hint(int y, const char* text) {
    Fl_Box* b = new Fl_Box(255, y, 200, 25);
    b->copy_label(text);
    b->box(FL_NO_BOX);
    b->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
    return b;
}

// The child element of that name, created (empty) when missing.
XmlNode* childOrNew(XmlNode* parent, const char* name, RapidDocument& doc) {
    XmlNode* child = parent->first_node(name);
    if (!child) {
        child = doc.allocate_node(rapidxml::node_element, doc.allocate_string(name));
        parent->append_node(child);
    }
    return child;
}

bool fileExists(const std::string& path) {
    std::FILE* f = platform::openFile(path, "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

// A removed user's data file stays in the folder; when a new user gets the
// same number, that file is kept under the first free name fileName + ".old",
// ".old2", ... instead of being overwritten. False when it cannot be moved.
bool keepEarlierFile(const std::string& fileName) {
    const std::string path = Global::dataFolder + fileName;
    if (!fileExists(path)) return true;
    for (int n = 1; n < 1000; ++n) {
        const std::string kept = fileName + (n == 1 ? ".old" : ".old" + std::to_string(n));
        if (fileExists(Global::dataFolder + kept)) continue;
        if (!platform::renameFile(path, Global::dataFolder + kept)) break;
        TRACE_MSG(1, "InfoWindow::saveCB_i") << "Kept the earlier data file " << fileName << " as " << kept;
        return true;
    }
    TRACE_MSG(1, "InfoWindow::saveCB_i") << "Error: the earlier data file " << fileName << " could not be kept";
    Dialogs::alert("The file " + fileName + " of an earlier user is in the way of the new user's file\n"
                   "and could not be renamed. The new user was not saved.");
    return false;
}

// Stores a copy of text in doc as the value of parent's child of that name.
void setChildText(XmlNode* parent, const char* name, const std::string& text, RapidDocument& doc) {
    XmlNode* child = childOrNew(parent, name, doc);
    child->value(doc.allocate_string(text.c_str()), text.size());
}

}  // namespace

InfoWindow::InfoWindow(MainWindow* mainWindow, const char* title, Person person)
    : Fl_Double_Window(420, 340), isNew(person == Person::New), mainWindow_(mainWindow) {
    TRACE_SCOPE("InfoWindow::InfoWindow");
    copy_label(title ? title : "");
    color(panelColor);
    set_modal();

    XmlNode* patient = Global::userDoc->first_node("patient");
    XmlNode* info = patient ? patient->first_node("info") : nullptr;
    XmlNode* name = info ? info->first_node("name") : nullptr;

    firstNameInput = new Fl_Input(130, 30, 120, 25, "First name  ");
    setInput("first", name, firstNameInput);
    hint(30, "(required)");
    lastNameInput = new Fl_Input(130, 60, 120, 25, "Last name  ");
    setInput("last", name, lastNameInput);
    hint(60, "(required)");
    dobInput = new Fl_Input(130, 90, 120, 25, "Date of birth  ");
    setInput("dob", info, dobInput);
    // In the date style the person chose; an ISO date is kept in the file's form.
    storedDob = dobInput->value();
    shownDob = ClockStyle::shownDate(storedDob, units());
    dobInput->value(shownDob.c_str());
    hint(90, (std::string("(format: ") + ClockStyle::dateLetters(units()) + ")").c_str());
    genderChoice = new Fl_Input_Choice(130, 120, 120, 25, "Gender  ");
    setInput("gender", info, genderChoice->input());
    // Measures take every character typed ("70,5" as the entry windows read
    // it); what is not a number is refused on OK, never dropped while typing.
    weightInput = new Fl_Input(130, 150, 120, 25, "Body Weight  ");
    setInput("weight", info, weightInput);
    hint(150, InfoUnits::hint(InfoUnits::Measure::Weight, units()).c_str());
    heightInput = new Fl_Input(130, 180, 120, 25, "Height  ");
    setInput("height", info, heightInput);
    hint(180, InfoUnits::hint(InfoUnits::Measure::Height, units()).c_str());
    stepSizeInput = new Fl_Input(130, 210, 120, 25, "Step size  ");
    setInput("stepSize", info, stepSizeInput);
    hint(210, InfoUnits::hint(InfoUnits::Measure::StepSize, units()).c_str());
    // Weight, height and step size are shown and typed in the chosen units.
    for (int i = 0; i < 3; ++i) {
        storedMeasures[i] = measureInput(i)->value();
        shownMeasures[i] = InfoUnits::shown(static_cast<InfoUnits::Measure>(i), storedMeasures[i], units());
        measureInput(i)->value(shownMeasures[i].c_str());
    }
    raceInput = new Fl_Input(130, 240, 120, 25, "Race  ");
    setInput("race", info, raceInput);
    okButton = new Fl_Return_Button(135, 280, 70, 30, "OK");
    okButton->box(FL_UP_BOX);
    okButton->callback(saveCB, this);
    cancelButton = new Fl_Button(215, 280, 70, 30, "&Cancel");
    cancelButton->box(FL_UP_BOX);
    cancelButton->callback(cancelCB, this);
    genderChoice->add("Male");
    genderChoice->add("Female");
    // Closing from the title bar (or Escape) is the same as "Cancel".
    callback(cancelCB, this);
    end();
    TextScale::fit(*this);
    show();
}

InfoWindow::~InfoWindow() {}

int InfoWindow::checkInputs() {
    TRACE_SCOPE("InfoWindow::checkInputs");
    const std::string dob = dobText();
    // A height in cm is checked with the other measures in the chosen units.
    const bool feetAndInches = InfoUnits::asStored(InfoUnits::Measure::Height, units());
    const std::string height = feetAndInches ? heightInput->value() : "";
    const InfoRules::Check result =
        InfoRules::checkAll(firstNameInput->value(), lastNameInput->value(), dob, height);
    if (result == InfoRules::Check::Ok) {
        for (int i = 0; i < 3; ++i) {
            const InfoUnits::Measure m = static_cast<InfoUnits::Measure>(i);
            if (InfoUnits::readable(m, measureInput(i)->value(), units())) continue;
            Dialogs::alert(InfoUnits::alertText(m, units()));
            TRACE_MSG(4, "InfoWindow::checkInputs") << "Refused measure: " << measureInput(i)->value();
            measureInput(i)->take_focus();
            return -1;
        }
        // A weight or height no person can have is asked about, as readings are.
        for (int i = 0; i < 3; ++i) {
            // An unchanged text is the file's own: it was asked about when typed.
            if (measureInput(i)->value() == shownMeasures[i]) continue;
            const std::string question =
                InfoUnits::question(static_cast<InfoUnits::Measure>(i), measureInput(i)->value(), units());
            if (question.empty()) continue;
            if (Dialogs::choice(question, nullptr, "&Cancel", "Save") == 2) continue;
            measureInput(i)->take_focus();
            return -1;
        }
        return 0;
    }
    const std::string typed = result == InfoRules::Check::UnreadableHeight ? height : dob;
    Dialogs::alert(InfoRules::alertText(result, units()));
    TRACE_MSG(4, "InfoWindow::checkInputs") << InfoRules::traceText(result, typed);
    return -1;
}

void InfoWindow::setInput(const char* elementName, XmlNode* parent, Fl_Input* input) {
    TRACE_SCOPE("InfoWindow::setInput");
    if (!parent || !input) return;
    XmlNode* child = elementName ? parent->first_node(elementName) : parent->first_node();
    if (child) input->value(child->value());
}

std::string InfoWindow::dobText() const {
    const std::string typed = dobInput->value();
    if (typed == shownDob) return storedDob;
    return ClockStyle::fileDate(typed, units());
}

Fl_Input* InfoWindow::measureInput(int i) const {
    return i == 0 ? weightInput : i == 1 ? heightInput : stepSizeInput;
}

void InfoWindow::setNode(const char* elementName, XmlNode* parent, Fl_Input* input) {
    if (input) setNode(elementName, parent, std::string(input->value()));
}

void InfoWindow::setNode(const char* elementName, XmlNode* parent, const std::string& text) {
    TRACE_SCOPE("InfoWindow::setNode");
    if (!parent) return;
    RapidDocument* doc = parent->document();
    if (!doc) doc = &Global::userDoc.get();
    const std::size_t length = text.size();
    char* stored = doc->allocate_string(text.c_str(), length + 1);
    XmlNode* child = elementName ? parent->first_node(elementName) : parent->first_node();
    if (child) {
        child->value(stored, length);
    } else if (elementName) {
        parent->append_node(doc->allocate_node(rapidxml::node_element, doc->allocate_string(elementName), stored, 0,
                                               length));
    }
}

void InfoWindow::saveCB_i() {
    TRACE_SCOPE("InfoWindow::saveCB_i");
    if (checkInputs() != 0) return;

    RapidDocument& doc = Global::userDoc.get();
    XmlNode* patient = doc.first_node("patient");
    if (!patient) {
        Dialogs::alert("The user's data could not be saved: the document holds no patient.");
        return;
    }
    const std::string idText = Global::attributeText(patient, "id");
    const std::string first = firstNameInput->value();
    const std::string last = lastNameInput->value();
    // Records added outside since the registry was read keep their ids.
    if (!Global::refreshRegistry()) return;
    // A new user's id may have been taken outside meanwhile: only an edit has a record.
    XmlNode* record = isNew || idText.empty() ? nullptr : Global::findNodeWithId(idText.c_str());
    const std::string oldFirst = record ? Global::childText(record->first_node("name"), "first") : "";
    const std::string oldLast = record ? Global::childText(record->first_node("name"), "last") : "";
    // The registry is changed first: when it cannot be saved, neither the
    // list nor the user's own file may show the new name.
    if (record && !Global::renameInRegistry(record, first, last)) return;  // the window stays open

    XmlNode* info = childOrNew(patient, "info", doc);
    // The details as they were, put back when the user's file cannot take the new ones.
    XmlNode* oldInfo = doc.clone_node(info);
    XmlNode* name = childOrNew(info, "name", doc);
    setChildText(name, "first", first, doc);
    setChildText(name, "last", last, doc);

    if (record) {
        writeDetails(info);
        if (!Global::saveChange(Global::currentFile.c_str(), Global::userDoc,
                                "The name and details were not changed; the file on disk was left unchanged.")) {
            // Both files keep the old name: the list and the information
            // panel never disagree.
            if (info->parent() == patient) {
                patient->insert_node(info, oldInfo);
                patient->remove_node(info);
            }
            // A registry that cannot take the old names back was told of.
            if (XmlNode* again = Global::findNodeWithId(idText.c_str()))
                (void)Global::renameInRegistry(again, oldFirst, oldLast);
            if (mainWindow_) mainWindow_->refreshPanels(MainWindow::UserLine::Kept, MainWindow::ChartSeries::Kept);
            return;  // the window stays open
        }
    } else {
        // The user's own file is written before the registry record that
        // points to it, so a registered user always has a file.
        const int id = Global::getNewId(nullptr);
        char idBuffer[16];
        std::snprintf(idBuffer, sizeof idBuffer, "%d", id);
        char* storedId = doc.allocate_string(idBuffer);
        if (XmlAttribute* attr = patient->first_attribute("id"))
            attr->value(storedId);
        else
            patient->prepend_attribute(doc.allocate_attribute("id", storedId));
        TRACE_MSG(3, "InfoWindow::saveCB_i")
            << "New User added in config: " << first << " " << last << ", with id=" << id;
        writeDetails(info);
        char fileName[32];
        std::snprintf(fileName, sizeof fileName, "user%d.hma", id);
        if (!keepEarlierFile(fileName)) return;
        Global::markUserChanged();
        if (!Global::saveFile(fileName, Global::userDoc)) return;  // not registered; the window stays open
        if (!Global::addNewToConfig(first.c_str(), last.c_str())) {
            // Not registered after all: no file of an unknown user is left behind.
            platform::removeFile(Global::dataFolder + fileName);
            return;
        }
    }

    if (mainWindow_)
        mainWindow_->refreshPanels(isNew ? MainWindow::UserLine::Reselected : MainWindow::UserLine::Kept,
                                   MainWindow::ChartSeries::Cleared);
    hide();
}

void InfoWindow::writeDetails(XmlNode* info) {
    setNode("dob", info, dobText());
    setNode("gender", info, genderChoice->input());
    const char* const elements[3] = {"weight", "height", "stepSize"};
    for (int i = 0; i < 3; ++i)
        setNode(elements[i], info,
                InfoUnits::stored(static_cast<InfoUnits::Measure>(i), measureInput(i)->value(), shownMeasures[i],
                                  storedMeasures[i], units()));
    setNode("race", info, raceInput);
}

const Units::Preferences& InfoWindow::units() const { return MainWindow::unitsOf(mainWindow_); }

void InfoWindow::cancelCB_i() {
    TRACE_SCOPE("InfoWindow::cancelCB_i");
    if (isNew) {
        // The new user's document must never be saved under the previous
        // user's file name.
        Global::userOpen = false;
        if (mainWindow_) mainWindow_->refreshPanels(MainWindow::UserLine::Deselected, MainWindow::ChartSeries::Cleared);
    }
    hide();
}

void InfoWindow::saveCB(Fl_Widget*, void* w) { static_cast<InfoWindow*>(w)->saveCB_i(); }
void InfoWindow::cancelCB(Fl_Widget*, void* w) { static_cast<InfoWindow*>(w)->cancelCB_i(); }
