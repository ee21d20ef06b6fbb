// The modal window in which one measurement of one variable is recorded.
#pragma once

#include <string>
#include <vector>

#include <FL/Fl_Double_Window.H>

#include "rules/readings/EntryRules.h"
#include "store/XmlDocument.h"

class Fl_Input;
class Fl_Return_Button;
class Fl_Button;

class NewEntryWindow : public Fl_Double_Window {
public:
    NewEntryWindow(const char* title, const char* tabName, const char* variableName);
    ~NewEntryWindow() override;

    std::vector<Fl_Input*> inputs;
    Fl_Return_Button* okButton = nullptr;
    Fl_Button* cancelButton = nullptr;
    Fl_Button* addButton = nullptr;
    std::string dateText;
    std::string timeText;
    std::string tabName;
    std::string variableName;

    void saveCB_i(bool keepOpen);
    int insertEntry(XmlNode* variable);
    void cancelCB_i();
    static void addCB(Fl_Widget*, void* window);
    static void okCB(Fl_Widget*, void* window);
    static void cancelCB(Fl_Widget*, void* window);
    // The close box of the title bar (and Escape) do what "&Cancel" does.
    static void closeCB(Fl_Widget*, void* window);

private:
    // Builds the window's widgets for the tab and the variable.
    void build();
    // The name the person sees next to a value input.
    std::string shownName(const Fl_Input* input) const;
    // The field a refused entry is about, for the alert.
    std::string refusedField;
    // An entry already in the document whose save failed: retrying with the
    // same texts saves again instead of adding it a second time; retrying
    // with other texts replaces it.
    XmlNode* unsavedEntry = nullptr;
    std::vector<std::string> unsavedTexts;
    // The checked entry last put into the document, for the chart.
    EntryRules::EntryPlan unsavedPlan;
    std::vector<std::string> currentTexts() const;
};
