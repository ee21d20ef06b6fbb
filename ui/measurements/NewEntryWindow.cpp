#include "ui/measurements/NewEntryWindow.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Return_Button.H>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "platform/Platform.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/Plausibility.h"
#include "rules/units/ClockStyle.h"
#include "rules/units/Units.h"
#include "store/Global.h"
#include "store/VariableTable.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TextScale.h"

std::string NewEntryWindow::lastArm;
std::string NewEntryWindow::lastPosition;

namespace {

// The items of the arm and position choices: the first, empty, says nothing.
const char* const kArms[] = {"", "left", "right"};
const char* const kPositions[] = {"", "sitting", "standing", "lying"};

template <std::size_t N>
void fillChoice(Fl_Choice* choice, const char* const (&words)[N], const std::string& chosen) {
    for (const char* word : words) choice->add(*word ? word : " ");
    choice->value(0);
    for (std::size_t i = 0; i < N; ++i)
        if (chosen == words[i]) choice->value(static_cast<int>(i));
}

template <std::size_t N>
std::string chosenWord(const Fl_Choice* choice, const char* const (&words)[N]) {
    const int i = choice ? choice->value() : 0;
    return i > 0 && static_cast<std::size_t>(i) < N ? words[i] : "";
}

}  // namespace

NewEntryWindow::NewEntryWindow(MainWindow* mainWindow, const char* title, const char* tab, const char* variable)
    : Fl_Double_Window(420, 200), tabName(tab ? tab : ""), variableName(variable ? variable : ""),
      mainWindow_(mainWindow) {
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
            Dialogs::alert(EntryRules::message(EntryRules::Refusal::NameTooLong, *name));
            return;
        }
    }
    TextScale::fit(*this);
    show();
}

NewEntryWindow::NewEntryWindow(MainWindow* mainWindow, const char* variable, XmlNode* entry)
    : Fl_Double_Window(420, 200), tabName("Vitals"), variableName(variable ? variable : ""), editedEntry(entry),
      mainWindow_(mainWindow) {
    TRACE_SCOPE("NewEntryWindow::NewEntryWindow");
    copy_label(("Edit " + variableName + " entry").c_str());
    color(panelColor);
    build();
    end();
    callback(closeCB, this);
    set_modal();
    fillFrom(entry);
    TextScale::fit(*this);
    show();
}

NewEntryWindow::~NewEntryWindow() { TRACE_SCOPE("NewEntryWindow::~NewEntryWindow"); }

void NewEntryWindow::build() {
    std::tm local{};
    platform::instantToLocal(static_cast<std::int64_t>(std::time(nullptr)), local);
    // In the clock and date style the person chose.
    dateText = ClockStyle::date(local, units());
    timeText = ClockStyle::time(local, units());

    // Labels that name units need more room on the left.
    const bool named = units().named;
    const int x = named ? 170 : 120;
    const int w = named ? 100 : 120;
    Fl_Input* date = new Fl_Input(x, 20, w, 25, "Date");
    date->value(dateText.c_str());
    inputs.push_back(date);
    Fl_Input* time = new Fl_Input(x, 50, w, 25, "Time");
    time->value(timeText.c_str());
    time->tooltip("07:30:00 PM, 7:30 pm or 19:30");
    inputs.push_back(time);

    if (tabName != "Vitals") {
        if (tabName != "Lab" && tabName != "Medicine") std::cerr << "Unrecognized tab: " << tabName << std::endl;
        return;
    }

    // Value inputs take every character typed: a text that is not a number
    // is refused with a message naming the field, never cut silently.
    int lastRow = 80;
    const Variable* known = VariableTable::find(variableName);
    if (known && *known->entryName) {
        // A scale: its whole steps, from the lowest plausible value to the highest, to choose from.
        const VariableMember& scale = known->members.front();
        Fl_Input_Choice* mood = new Fl_Input_Choice(x, 80, w, 25, known->entryName);
        for (int i = static_cast<int>(scale.plausibleLow); i <= static_cast<int>(scale.plausibleHigh); ++i)
            mood->add(std::to_string(i).c_str());
        Fl_Input* field = mood->input();
        field->label("Value");
        field->labeltype(FL_NO_LABEL);
        inputs.push_back(field);
        Fl_Box* hint = new Fl_Box(x + w + 5, 80, 200, 25, "1: lowest; 10: highest");
        hint->box(FL_NO_BOX);
        hint->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    } else {
        const std::vector<std::string> labels = EntryRules::valueLabels(variableName);
        int y = 80;
        for (const std::string& label : labels) {
            Fl_Input* value = new Fl_Input(x, y, w, 25);
            // Values are typed in the unit the label names.
            value->copy_label(Units::label(label, Units::quantityOf(variableName), units()).c_str());
            inputs.push_back(value);
            lastRow = y;
            y += 30;
        }
        if (VariableTable::is(variableName, VariableId::BloodPressure) && !editedEntry) {
            // Below the diastolic value, in the order home meters show the
            // three (SYS, DIA, PULSE), so typing their display with Tab
            // between the values puts each where it belongs.
            pulseInput = new Fl_Input(x, y, w, 25);
            const char* pulse = VariableTable::of(VariableId::Pulse).name;
            pulseInput->copy_label(Units::label(pulse, Units::Quantity::Pulse, units()).c_str());
            pulseInput->tooltip("Optional: stored as a Pulse entry at the same date and time");
            lastRow = y;
        }
    }

    // What the person says about the reading, after the values in Tab order.
    const bool pressure = VariableTable::is(variableName, VariableId::BloodPressure);
    int y = lastRow + 30;
    noteInput = new Fl_Input(x, y, 400 - x, 25, "Note");
    noteInput->tooltip("Optional: \"after the walk\", \"felt dizzy\", \"before the tablets\"");
    lastRow = y;
    if (pressure) {
        armChoice = new Fl_Choice(x, y += 30, 100, 25, "Arm");
        fillChoice(armChoice, kArms, editedEntry ? std::string() : lastArm);
        positionChoice = new Fl_Choice(x, y += 30, 100, 25, "Position");
        fillChoice(positionChoice, kPositions, editedEntry ? std::string() : lastPosition);
        irregularCheck = new Fl_Check_Button(x, y += 30, 400 - x, 25, "Irregular heartbeat flagged by the meter");
        lastRow = y;
    }

    // Rows below the values make the window taller, with room above the buttons.
    const int yb = lastRow + 40;
    size(this->w(), yb + 45);
    if (!editedEntry) {
        addButton = new Fl_Button(420 / 2 - 110, yb, 70, 30, "&Add");
        addButton->box(FL_UP_BOX);
        addButton->callback(addCB, this);
    }
    okButton = new Fl_Return_Button(420 / 2 - 35, yb, 70, 30, "OK");
    okButton->box(FL_UP_BOX);
    okButton->callback(okCB, this);
    cancelButton = new Fl_Button(420 / 2 + 40, yb, 70, 30, "&Cancel");
    cancelButton->box(FL_UP_BOX);
    cancelButton->callback(cancelCB, this);
}

void NewEntryWindow::fillFrom(const XmlNode* entry) {
    if (!entry || inputs.size() < 2) return;
    inputs[0]->value(ClockStyle::shownDate(Global::childText(entry, "date"), units()).c_str());
    inputs[1]->value(ClockStyle::shownTime(Global::childText(entry, "time"), units()).c_str());
    for (std::size_t i = 2; i < inputs.size(); ++i) {
        const std::string element = EntryRules::elementName(inputs[i]->label() ? inputs[i]->label() : "");
        const std::string stored = Global::childText(entry, element.c_str());
        double value = 0;
        // The value as a person would type it in the chosen unit: 72, not 72.000000.
        const Units::Quantity q = Units::quantityOf(variableName);
        const bool number = EntryRules::readValue(stored, value) == EntryRules::ValueRead::Number;
        inputs[i]->value(number ? Units::readingText(q, value, units()).c_str() : stored.c_str());
    }
    const ReadingDetails details = ReadingDetails::of(entry);
    if (noteInput) noteInput->value(details.note.c_str());
    if (armChoice) fillChoice(armChoice, kArms, details.arm);
    if (positionChoice) fillChoice(positionChoice, kPositions, details.position);
    if (irregularCheck) irregularCheck->value(details.irregular ? 1 : 0);
}

ReadingDetails NewEntryWindow::currentDetails() const {
    ReadingDetails details;
    if (noteInput && noteInput->value()) details.note = noteInput->value();
    details.arm = chosenWord(armChoice, kArms);
    details.position = chosenWord(positionChoice, kPositions);
    details.irregular = irregularCheck && irregularCheck->value() != 0;
    return details;
}

std::string NewEntryWindow::styledMessage(EntryRules::Refusal why, const std::string& field) const {
    std::tm now{};
    platform::instantToLocal(static_cast<std::int64_t>(std::time(nullptr)), now);
    return EntryRules::message(why, field, units(), now);
}

std::string NewEntryWindow::typedDate() const {
    // A date typed in the style shown is kept in the file's form.
    const std::string typed = !inputs.empty() && inputs[0]->value() ? inputs[0]->value() : "";
    return ClockStyle::fileDate(typed, units());
}

std::string NewEntryWindow::shownName(const Fl_Input* input) const {
    const Variable* known = VariableTable::find(variableName);
    if (known && *known->entryName) return known->entryName;
    return input->label() ? input->label() : "";
}

std::vector<std::string> NewEntryWindow::currentTexts() const {
    std::vector<std::string> texts;
    for (const Fl_Input* input : inputs) texts.push_back(input->value() ? input->value() : "");
    if (pulseInput) texts.push_back(pulseInput->value() ? pulseInput->value() : "");
    const ReadingDetails details = currentDetails();
    texts.insert(texts.end(), {details.note, details.arm, details.position, details.irregular ? "yes" : ""});
    return texts;
}

bool NewEntryWindow::planParts(XmlNode* patient, std::vector<Part>& parts) {
    parts.clear();
    refusedField.clear();
    const std::string date = typedDate();
    const std::string time = inputs.size() > 1 && inputs[1]->value() ? inputs[1]->value() : "";

    std::vector<EntryRules::ValueField> fields;
    for (std::size_t i = 2; i < inputs.size(); ++i) {
        EntryRules::ValueField f;
        f.label = inputs[i]->label() ? inputs[i]->label() : "";
        f.shown = shownName(inputs[i]);
        f.text = inputs[i]->value() ? inputs[i]->value() : "";
        fields.push_back(f);
    }
    Part main{variableName,
              EntryRules::planEntry(variableName, date, time, fields, std::time(nullptr), units(), currentDetails()),
              nullptr};
    // An entry without a value is refused below only when the pulse brings none either.
    using EntryRules::Refusal;
    if (main.plan.refused != Refusal::NotRefused && main.plan.refused != Refusal::NoValueGiven) {
        refusedField = main.plan.field;
        TRACE_MSG(4, "NewEntryWindow::saveCB_i") << "Entry refused with " << static_cast<int>(main.plan.refused);
        Dialogs::alert(styledMessage(main.plan.refused, refusedField));
        return false;
    }
    if (main.plan.accepted()) parts.push_back(main);
    if (pulseInput && pulseInput->value() && std::string(pulseInput->value()).find_first_not_of(" \t") != std::string::npos) {
        const std::string name = VariableTable::of(VariableId::Pulse).name;
        Part pulse{name,
                   EntryRules::planEntry(name, date, time, {{"Value", name, pulseInput->value()}}, std::time(nullptr),
                                         units()),
                   nullptr};
        if (pulse.plan.refused != Refusal::NotRefused && pulse.plan.refused != Refusal::NoValueGiven) {
            TRACE_MSG(4, "NewEntryWindow::saveCB_i") << "Pulse refused with " << static_cast<int>(pulse.plan.refused);
            Dialogs::alert(styledMessage(pulse.plan.refused, pulse.plan.field));
            return false;
        }
        parts.push_back(pulse);
    }
    if (parts.empty()) {
        TRACE_MSG(4, "NewEntryWindow::saveCB_i") << "Entry refused with " << static_cast<int>(Refusal::NoValueGiven);
        Dialogs::alert(EntryRules::message(Refusal::NoValueGiven));
        return false;
    }

    // A value no person can have is stored only when the person says so.
    for (const Part& part : parts) {
        for (const EntryRules::StoredValue& v : part.plan.values) {
            if (!Plausibility::outside(v.series, v.value)) continue;
            TRACE_MSG(4, "NewEntryWindow::saveCB_i") << "Implausible value " << v.series << " " << v.value;
            if (Dialogs::choice(Plausibility::question(v.series, v.value, units()), nullptr, "&Cancel", "Save") != 2)
                return false;
        }
    }

    // One reading per variable and time: an earlier one is replaced only when the person says so.
    for (Part& part : parts) {
        XmlNode* variable = EntryRules::findVariable(patient, part.variable);
        const XmlNode* self = editedEntry;
        for (XmlNode* e : pendingEntries)
            if (e->parent() == variable) self = e;
        XmlNode* existing = ReadingEdits::entryAt(variable, part.plan.when, self);
        for (const Part& p : pendingParts)
            if (!existing && p.replaced && p.variable == part.variable && ReadingEdits::recordedAt(p.replaced, part.plan.when))
                existing = p.replaced;  // taken out by the change whose save failed; it comes back first
        if (!existing) continue;
        const std::string question = ReadingEdits::duplicateQuestion(part.variable, existing, units());
        if (Dialogs::choice(question, nullptr, "&Cancel", "Replace") != 2) return false;
        part.replaced = existing;
    }
    return true;
}

void NewEntryWindow::undoPending() {
    for (XmlNode* e : pendingEntries)
        if (XmlNode* parent = e->parent()) parent->remove_node(e);
    pendingEntries.clear();
    pendingRemoval.putBack();
    pendingParts.clear();
    pending = false;
}

void NewEntryWindow::applyParts(XmlNode* patient, const std::vector<Part>& parts, const std::string& date) {
    RapidDocument& doc = Global::userDoc.get();
    std::vector<XmlNode*> replaced;
    for (const Part& part : parts)
        if (part.replaced) replaced.push_back(part.replaced);
    pendingRemoval.take(replaced);
    for (const Part& part : parts) {
        XmlNode* variable = EntryRules::variableFor(doc, patient, part.variable);
        if (part.variable == variableName) {
            unsavedPlan = part.plan;
            insertEntry(variable);
        } else {
            EntryRules::appendEntry(doc, variable, part.plan, date, part.plan.time);
        }
        if (variable && variable->first_node("entry")) pendingEntries.push_back(variable->last_node("entry"));
    }
    pendingParts = parts;
    pending = true;
}

void NewEntryWindow::saveCB_i(AfterSave after) {
    TRACE_SCOPE("NewEntryWindow::saveCB_i");
    XmlNode* patient = Global::userOpen ? Global::userDoc->first_node("patient") : nullptr;
    if (!patient) {
        Dialogs::alert("No user is open: the entry cannot be recorded.");
        return;
    }
    for (const std::string* name : {&tabName, &variableName}) {
        if (name->size() > EntryRules::kMaxName) {
            Dialogs::alert(EntryRules::message(EntryRules::Refusal::NameTooLong, *name));
            return;
        }
    }
    const std::string date = typedDate();

    if (editedEntry) {
        std::vector<Part> parts;
        if (!planParts(patient, parts)) return;
        const Part& part = parts.front();
        RapidDocument& doc = Global::userDoc.get();
        // The entry as it was, to put back if the file does not take the correction.
        std::vector<XmlNode*> before;
        for (XmlNode* c = editedEntry->first_node(); c; c = c->next_sibling()) before.push_back(doc.clone_node(c));
        ReadingEdits::Removal removal;
        if (part.replaced) removal.take({part.replaced});
        ReadingEdits::replaceEntry(doc, editedEntry, part.plan, date, part.plan.time);
        const std::uint64_t corrected = Global::userDoc.generation();
        if (!Global::saveChange(Global::currentFile.c_str(), Global::userDoc,
                                "The reading was put back as it was; nothing was changed.")) {
            editedEntry->remove_all_nodes();
            for (XmlNode* c : before) editedEntry->append_node(c);
            removal.putBack();
            if (Global::userDoc.generation() != corrected) {
                // The file was read again: the reading corrected here is not in it any more.
                Dialogs::alert("The correction shown here is not stored: " + Global::currentFile +
                               " was read again from disk.\nOpen the reading again from the history to correct it.");
                hide();
            }
            return;
        }
        TRACE_MSG(3, "NewEntryWindow::saveCB_i") << "Corrected an entry of " << variableName;
        if (mainWindow_) mainWindow_->readingsChanged();
        hide();
        return;
    }

    if (pending && currentTexts() == pendingTexts && !pendingDocumentReplaced()) {
        // The change is already in the document; only its save failed.
        TRACE_MSG(3, "NewEntryWindow::saveCB_i") << "Retrying the save of the last entry";
    } else {
        std::vector<Part> parts;
        if (!planParts(patient, parts)) return;
        // A corrected retry after a failed save takes the unsaved change's
        // place: only what the person confirmed last is stored.
        undoPending();
        applyParts(patient, parts, date);
        pendingGeneration = Global::userDoc.generation();
        Global::markUserChanged();
        pendingTexts = currentTexts();
    }

    if (Expected<void> saved = Global::saveFile(Global::currentFile.c_str(), Global::userDoc); !saved) {
        // The store has told the person; the window stays open for a retry.
        // The entry kept in memory shows on the chart like any other.
        tellNotStored(saved.error());
        if (mainWindow_) mainWindow_->readingsChanged();
        return;
    }
    // The chart learns of the entries once they are on disk.
    if (mainWindow_)
        for (const Part& part : pendingParts)
            for (const EntryRules::StoredValue& v : part.plan.values)
                mainWindow_->addPointToChart(v.series, part.plan.when, v.value);
    const bool replacedAny = pendingRemoval.size() > 0;
    // The main window says what was stored: "Added Pulse 72 /min on ...".
    std::string added;
    for (const XmlNode* e : pendingEntries)
        added += (added.empty() ? "Added " : "; ") + ReadingEdits::readingLine(e, units());
    if (mainWindow_ && !added.empty()) mainWindow_->tellDone(added);
    pendingEntries.clear();
    pendingRemoval = ReadingEdits::Removal();
    pendingParts.clear();
    pendingTexts.clear();
    pending = false;
    unsavedPlan = EntryRules::EntryPlan();

    // The arm and position are offered again for the next reading; the note and flag are its own.
    if (armChoice) lastArm = chosenWord(armChoice, kArms);
    if (positionChoice) lastPosition = chosenWord(positionChoice, kPositions);
    if (after == AfterSave::KeepOpen) {
        for (std::size_t i = 2; i < inputs.size(); ++i) inputs[i]->value("");
        if (pulseInput) pulseInput->value("");
        if (noteInput) noteInput->value("");
        if (irregularCheck) irregularCheck->value(0);
        savedWithAdd = true;
        if (replacedAny && mainWindow_) mainWindow_->readingsChanged();
        redraw();
        return;
    }
    if (mainWindow_) mainWindow_->readingsChanged();
    hide();
}

std::size_t NewEntryWindow::insertEntry(XmlNode* variable) {
    TRACE_SCOPE("NewEntryWindow::insertEntry");
    if (!variable || !unsavedPlan.accepted()) return 0;
    const std::string date = typedDate();
    EntryRules::appendEntry(Global::userDoc.get(), variable, unsavedPlan, date, unsavedPlan.time);
    return unsavedPlan.values.size();
}

bool NewEntryWindow::pendingDocumentReplaced() const {
    return pending && pendingGeneration != Global::userDoc.generation();
}

void NewEntryWindow::tellNotStored(const Error& why) {
    if (why.hint != Global::kLeftForOutsideChange) return;  // a failed write was told already
    if (pendingDocumentReplaced()) {
        // Its entries went with the replaced tree: nothing to take back.
        pendingEntries.clear();
        pendingRemoval = ReadingEdits::Removal();
        pendingParts.clear();
        pendingTexts.clear();
        pending = false;
        Dialogs::alert("The reading shown here is not stored: " + Global::currentFile +
                       " was read again from disk without it.\nOK stores it in the file as it is now; Cancel leaves "
                       "it out.");
        return;
    }
    Dialogs::alert("The reading shown here is not stored in " + Global::currentFile +
                   " yet: it is kept in memory and on the chart.\nOK asks again about the file changed by another "
                   "program.");
}

const Units::Preferences& NewEntryWindow::units() const { return MainWindow::unitsOf(mainWindow_); }

void NewEntryWindow::cancelCB_i() {
    TRACE_SCOPE("NewEntryWindow::cancelCB_i");
    hide();
    // Entries saved with Add show everywhere, as after OK.
    // So do entries kept in memory after a failed save: they stay until
    // saved or until the person leaves without saving.
    if ((savedWithAdd || pending) && mainWindow_) mainWindow_->readingsChanged();
    savedWithAdd = false;
}

void NewEntryWindow::addCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->saveCB_i(AfterSave::KeepOpen); }
void NewEntryWindow::okCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->saveCB_i(AfterSave::Close); }
void NewEntryWindow::cancelCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->cancelCB_i(); }
void NewEntryWindow::closeCB(Fl_Widget*, void* w) { static_cast<NewEntryWindow*>(w)->cancelCB_i(); }
