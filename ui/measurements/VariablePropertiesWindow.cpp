#include "ui/measurements/VariablePropertiesWindow.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>

#include "app/Dialogs.h"
#include "app/Trace.h"
#include "rules/readings/RangeRules.h"
#include "rules/units/Units.h"
#include "store/Global.h"
#include "store/VariableTable.h"
#include "ui/chart/MyChart.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TextScale.h"

namespace {

Fl_Box* addLabelBox(int x, int y, int w, const char* label) {
    Fl_Box* box = new Fl_Box(x, y, w, 25, label);
    box->box(FL_NO_BOX);
    box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    return box;
}

}  // namespace

VariablePropertiesWindow::VariablePropertiesWindow(MainWindow* mainWindow, int w, const char* name, const char* title)
    : Fl_Double_Window(w, 300, title), variableName(name ? name : ""), mainWindow_(mainWindow) {
    TRACE_SCOPE("VariablePropertiesWindow::VariablePropertiesWindow");
    // The window outlives the caller's title text.
    copy_label(title);
    color(panelColor);
    variableNode = Global::userOpen ? Global::findVariable(variableName.c_str()) : nullptr;

    // Inputs of one row: x positions and labels.
    std::vector<int> xs;
    std::vector<const char*> labels;
    const Variable* known = VariableTable::find(variableName);
    if (known && known->grouped()) {
        // The second column clears the longer label of the blood sugar.
        xs = {140, known->id == VariableId::BloodPressure ? 290 : 305};
        for (const VariableMember& m : known->members) labels.push_back(m.label);
    } else {
        xs = {90};
        labels = {nullptr};
    }
    // Limits are entered and shown in the chosen unit.
    storedTexts = RangeRules::readTexts(variableNode, variableName);
    shownTexts = RangeRules::shownTexts(storedTexts, variableName, units());
    const std::vector<std::string>& stored = shownTexts;

    int r = 50;
    std::size_t position = 0;
    auto addRow = [&](const char* label) {
        addLabelBox(30, r, 50, label);
        for (std::size_t i = 0; i < xs.size(); ++i) {
            // Any text is taken as typed (a decimal comma too) and checked on OK.
            Fl_Input* input = new Fl_Input(xs[i], r, 80, 25, labels[i]);
            if (position < stored.size()) input->value(stored[position].c_str());
            ++position;
            inputs.push_back(input);
        }
        r += 40;
    };

    const Units::Quantity quantity = Units::quantityOf(variableName);
    addLabelBox(20, 20, 80, "Normal range:")
        ->copy_label(Units::label("Normal range", quantity, units()).append(":").c_str());
    addRow("Low");
    addRow("High");
    addLabelBox(20, r, 80, "Panic range:")
        ->copy_label(Units::label("Panic range", quantity, units()).append(":").c_str());
    r += 30;
    addRow("Low");
    addRow("High");

    okButton = new Fl_Return_Button(w / 2 - 75, r + 5, 70, 30, "OK");
    okButton->box(FL_UP_BOX);
    okButton->callback(saveCB, this);
    cancelButton = new Fl_Button(w / 2 + 5, r + 5, 70, 30, "&Cancel");
    cancelButton->box(FL_UP_BOX);
    cancelButton->callback(cancelCB, this);
    end();

    // The close box does what Cancel does.
    callback(cancelCB, this);
    set_modal();

    if (variableName.size() > RangeRules::kMaxName) {
        TRACE_MSG(4, "VariablePropertiesWindow::VariablePropertiesWindow")
            << "Refused variable name longer than " << RangeRules::kMaxName << " characters";
        Dialogs::alert(RangeRules::nameTooLongMessage(variableName));
        return;
    }
    if (!variableNode) {
        TRACE_MSG(1, "VariablePropertiesWindow::VariablePropertiesWindow")
            << "Error: no variable " << variableName << " in the open user's file";
        Dialogs::alert("There is no variable \"" + variableName + "\" in the open user's file.");
        return;
    }
    TextScale::fit(*this);
    show();
}

VariablePropertiesWindow::~VariablePropertiesWindow() {}

std::vector<std::string> VariablePropertiesWindow::texts() const {
    std::vector<std::string> result;
    result.reserve(inputs.size());
    for (const Fl_Input* input : inputs) result.emplace_back(input->value() ? input->value() : "");
    return result;
}

void VariablePropertiesWindow::saveCB_i() {
    TRACE_SCOPE("VariablePropertiesWindow::saveCB_i");
    if (variableName.size() > RangeRules::kMaxName) {
        Dialogs::alert(RangeRules::nameTooLongMessage(variableName));
        hide();
        return;
    }
    const std::vector<std::string> typed = texts();
    const int result = RangeRules::validate(typed);
    if (result != RangeRules::kValid) {
        TRACE_MSG(4, "VariablePropertiesWindow::saveCB_i") << "Refused ranges, result " << result;
        Dialogs::alert(RangeRules::message(result));
        return;
    }
    // The user may have been closed or changed while the window was open.
    if (!Global::userOpen || !variableNode || Global::findVariable(variableName.c_str()) != variableNode) {
        TRACE_MSG(1, "VariablePropertiesWindow::saveCB_i") << "Error: variable " << variableName << " is gone";
        Dialogs::alert("The variable \"" + variableName +
                       "\" is no longer in the open user's file.\nNothing was saved.");
        hide();
        return;
    }
    const std::vector<std::string> stored =
        RangeRules::storedTexts(typed, shownTexts, storedTexts, variableName, units());
    RangeRules::writeTexts(Global::userDoc.get(), variableNode, variableName, stored);
    Global::markUserChanged();
    // A failed save was told; the limits stay in memory, marked unsaved.
    (void)Global::saveFile(Global::currentFile.c_str(), Global::userDoc);
    // The chart draws its own copy of the limits.
    if (mainWindow_ && mainWindow_->chart) mainWindow_->chart->updateRanges(variableName, variableNode);
    hide();
}

const Units::Preferences& VariablePropertiesWindow::units() const { return MainWindow::unitsOf(mainWindow_); }

void VariablePropertiesWindow::cancelCB_i() {
    TRACE_SCOPE("VariablePropertiesWindow::cancelCB_i");
    hide();
}

void VariablePropertiesWindow::saveCB(Fl_Widget*, void* w) { static_cast<VariablePropertiesWindow*>(w)->saveCB_i(); }
void VariablePropertiesWindow::cancelCB(Fl_Widget*, void* w) { static_cast<VariablePropertiesWindow*>(w)->cancelCB_i(); }
