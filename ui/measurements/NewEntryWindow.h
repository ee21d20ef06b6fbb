// The modal window in which one measurement of one variable is recorded.
#pragma once

#include <string>
#include <vector>

#include <FL/Fl_Double_Window.H>

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
};
