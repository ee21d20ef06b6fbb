#include "ui/measurements/NewEntryWindow.h"

#include <cstdint>
#include <ctime>
#include <iostream>

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Float_Input.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Return_Button.H>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "platform/Platform.h"
#include "rules/readings/EntryRules.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"

NewEntryWindow::NewEntryWindow(const char* title, const char* tab, const char* variable)
    : Fl_Double_Window(420, 200), tabName(tab ? tab : ""), variableName(variable ? variable : "") {
    TRACE_SCOPE("NewEntryWindow::NewEntryWindow");
    copy_label(title ? title : "");
    color(panelColor);
    build();
    end();
    callback(closeCB, this);
    set_modal();
    // Names beyond what an entry window holds are refused, never cut.
    for (const std::string* name : {&tabName, &variableName}) {
        if (name->size() > EntryRules::kMaxName) {
            TRACE_MSG(4, "NewEntryWindow::NewEntryWindow") << "Refused over-long name: " << *name;
            Dialogs::alert(EntryRules::message(EntryRules::kNameTooLong, *name));
            return;
        }
    }
    show();
}

NewEntryWindow::~NewEntryWindow() { TRACE_SCOPE("NewEntryWindow::~NewEntryWindow"); }

void NewEntryWindow::build() {
    std::tm local{};
    platform::instantToLocal(static_cast<std::int64_t>(std::time(nullptr)), local);
    dateText = EntryRules::initialDateText(local);
    timeText = EntryRules::initialTimeText(local);

    Fl_Input* date = new Fl_Input(120, 20, 120, 25, "Date");
    date->value(dateText.c_str());
    inputs.push_back(date);
    Fl_Input* time = new Fl_Input(120, 50, 120, 25, "Time");
    time->value(timeText.c_str());
    inputs.push_back(time);

    if (tabName != "Vitals") {
        if (tabName != "Lab" && tabName != "Medicine") std::cerr << "Unrecognized tab: " << tabName << std::endl;
        return;
    }

    int lastRow = 80;
    if (variableName == "Mood") {
        Fl_Input_Choice* mood = new Fl_Input_Choice(120, 80, 120, 25, "Mood Index");
        for (int i = 1; i <= 10; ++i) mood->add(std::to_string(i).c_str());
        Fl_Input* field = mood->input();
        field->type(FL_INT_INPUT);
        field->label("Value");
        field->labeltype(FL_NO_LABEL);
        inputs.push_back(field);
        Fl_Box* hint = new Fl_Box(245, 80, 200, 25, "1: lowest; 10: highest");
        hint->box(FL_NO_BOX);
        hint->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    } else {
        const std::vector<std::string> labels = EntryRules::valueLabels(variableName);
        int y = 80;
        for (const std::string& label : labels) {
            Fl_Float_Input* value = new Fl_Float_Input(120, y, 120, 25);
            value->copy_label(label.c_str());
            inputs.push_back(value);
            lastRow = y;
            y += 30;
        }
    }

    const int w = 420;
    const int yb = EntryRules::buttonRowY(lastRow);
    addButton = new Fl_Button(w / 2 - 110, yb, 70, 30, "Add");
    addButton->box(FL_UP_BOX);
    addButton->callback(addCB, this);
    okButton = new Fl_Return_Button(w / 2 - 35, yb, 70, 30, "OK");
    okButton->box(FL_UP_BOX);
    okButton->callback(okCB, this);
    cancelButton = new Fl_Button(w / 2 + 40, yb, 70, 30, "&Cancel");
    cancelButton->box(FL_UP_BOX);
    cancelButton->callback(cancelCB, this);
}

std::string NewEntryWindow::shownName(const Fl_Input* input) const {
    if (variableName == "Mood") return "Mood Index";
    return input->label() ? input->label() : "";
}

std::vector<std::string> NewEntryWindow::currentTexts() const {
    std::vector<std::string> texts;
    for (const Fl_Input* input : inputs) texts.push_back(input->value() ? input->value() : "");
    return texts;
}

void NewEntryWindow::saveCB_i(bool keepOpen) {
    TRACE_SCOPE("NewEntryWindow::saveCB_i");
    XmlNode* patient = Global::userOpen ? Global::userDoc->first_node("patient") : nullptr;
    if (!patient) {
        Dialogs::alert("No user is open: the entry cannot be recorded.");
        return;
    }
    for (const std::string* name : {&tabName, &variableName}) {
        if (name->size() > EntryRules::kMaxName) {
            Dialogs::alert(EntryRules::message(EntryRules::kNameTooLong, *name));
            return;
        }
    }

    if (unsavedEntry && currentTexts() == unsavedTexts) {
        // The entry is already in the document; only its save failed.
        TRACE_MSG(3, "NewEntryWindow::saveCB_i") << "Retrying the save of the last entry";
    } else {
        XmlNode* variable = EntryRules::variableFor(Global::userDoc.get(), patient, variableName);
        const std::vector<std::string> texts = currentTexts();
        // A corrected retry after a failed save takes the unsaved entry's
        // place: only what the person confirmed last is stored.
        XmlNode* replaced = unsavedEntry;
        XmlNode* replacedParent = replaced ? replaced->parent() : nullptr;
        if (replaced && replacedParent) replacedParent->remove_node(replaced);
        int result = insertEntry(variable);
        if (result <= 0) {
            if (replaced && replacedParent) replacedParent->append_node(replaced);
            TRACE_MSG(4, "NewEntryWindow::saveCB_i") << "Entry refused with " << result;
            Dialogs::alert(EntryRules::message(result, refusedField));
            return;
        }
        unsavedEntry = variable->last_node("entry");
        unsavedTexts = texts;
    }

    if (!Global::saveFile(Global::currentFile.c_str(), Global::userDoc)) {
        // The store has told the person; the window stays open for a retry.
        return;
    }
    // The chart learns of the entry once it is on disk.
    if (mainWindow)
        for (const EntryRules::StoredValue& v : unsavedPlan.values)
            mainWindow->addPointToChart(v.series, unsavedPlan.when, v.value);
    unsavedEntry = nullptr;
    unsavedTexts.clear();
    unsavedPlan = EntryRules::EntryPlan();

    if (keepOpen) {
        for (std::size_t i = 2; i < inputs.size(); ++i) inputs[i]->value("");
        redraw();
        return;
    }
    if (mainWindow) mainWindow->refreshPanels(false, false, false);
    hide();
}

int NewEntryWindow::insertEntry(XmlNode* variable) {
    TRACE_SCOPE("NewEntryWindow::insertEntry");
    refusedField.clear();
    if (!variable) return EntryRules::kNoValue;

    std::vector<EntryRules::ValueField> fields;
    for (std::size_t i = 2; i < inputs.size(); ++i) {
        EntryRules::ValueField f;
        f.label = inputs[i]->label() ? inputs[i]->label() : "";
        f.shown = shownName(inputs[i]);
        f.text = inputs[i]->value() ? inputs[i]->value() : "";
        fields.push_back(f);
    }
    const std::string date = !inputs.empty() && inputs[0]->value() ? inputs[0]->value() : "";
    const std::string time = inputs.size() > 1 && inputs[1]->value() ? inputs[1]->value() : "";
    EntryRules::EntryPlan plan = EntryRules::planEntry(variableName, date, time, fields);
    if (plan.result <= 0) {
        refusedField = plan.field;
        return plan.result;
    }
    EntryRules::appendEntry(Global::userDoc.get(), variable, plan, date, time);
    unsavedPlan = plan;
    return plan.result;
}

void NewEntryWindow::cancelCB_i() {
    TRACE_SCOPE("NewEntryWindow::cancelCB_i");
    hide();
}

void NewEntryWindow::addCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->saveCB_i(true); }
void NewEntryWindow::okCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->saveCB_i(false); }
void NewEntryWindow::cancelCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->cancelCB_i(); }
void NewEntryWindow::closeCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->cancelCB_i(); }
