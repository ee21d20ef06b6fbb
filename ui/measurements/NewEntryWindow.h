// The modal window in which one measurement of one variable is recorded, or
// a recorded one corrected ("Edit Pulse entry").
#pragma once

#include <cstdint>

#include <string>
#include <vector>

#include <FL/Fl_Double_Window.H>

#include "app/Error.h"

#include "rules/readings/EntryRules.h"
#include "rules/readings/ReadingEdits.h"
#include "store/XmlDocument.h"

class Fl_Check_Button;
class Fl_Choice;
class Fl_Input;
class Fl_Return_Button;
class Fl_Button;
class MainWindow;

class NewEntryWindow : public Fl_Double_Window {
public:
    // Values are typed in the main window's units, and what is saved is told
    // to it (none without one).
    NewEntryWindow(MainWindow* mainWindow, const char* title, const char* tabName, const char* variableName);
    // Corrects a recorded entry of the variable: filled with its date, time
    // and values, titled "Edit <variable> entry"; OK replaces them after the
    // checks of a new entry, keeping the entry's id.
    NewEntryWindow(MainWindow* mainWindow, const char* variableName, XmlNode* entry);
    ~NewEntryWindow() override;

    std::vector<Fl_Input*> inputs;
    // Blood Pressure only: the pulse taken in the same sitting, stored as a
    // Pulse entry with the same date and time when filled in.
    Fl_Input* pulseInput = nullptr;
    // After the values, in Tab order: a one-line note for every variable of
    // the Vitals tab; for Blood Pressure also the arm, the position (their
    // first item empty: not said) and the meter's irregular heartbeat flag.
    Fl_Input* noteInput = nullptr;
    Fl_Choice* armChoice = nullptr;
    Fl_Choice* positionChoice = nullptr;
    Fl_Check_Button* irregularCheck = nullptr;
    // The arm and position of the last blood pressure saved, offered again
    // for the next reading.
    static std::string lastArm;
    static std::string lastPosition;
    Fl_Return_Button* okButton = nullptr;
    Fl_Button* cancelButton = nullptr;
    Fl_Button* addButton = nullptr;
    std::string dateText;
    std::string timeText;
    std::string tabName;
    std::string variableName;
    // The entry being corrected; null for a new one.
    XmlNode* editedEntry = nullptr;

    // OK closes the window after a save, Add keeps it open for the next reading.
    enum class AfterSave { Close, KeepOpen };
    void saveCB_i(AfterSave after);
    std::size_t insertEntry(XmlNode* variable);
    void cancelCB_i();
    static void addCB(Fl_Widget*, void* window);
    static void okCB(Fl_Widget*, void* window);
    static void cancelCB(Fl_Widget*, void* window);
    // The close box of the title bar (and Escape) do what "&Cancel" does.
    static void closeCB(Fl_Widget*, void* window);

private:
    MainWindow* mainWindow_;
    const Units::Preferences& units() const;
    // A refusal's alert in the chosen clock and date style, by the example of now.
    std::string styledMessage(EntryRules::Refusal why, const std::string& field) const;
    // One entry the window stores: its variable and its checked plan.
    struct Part {
        std::string variable;
        EntryRules::EntryPlan plan;
        XmlNode* replaced = nullptr;  // a reading at the same time the person chose to replace
    };

    // Builds the window's widgets for the tab and the variable.
    void build();
    // The typed date in the file's form (an ISO date converted when ISO dates are chosen).
    std::string typedDate() const;
    // The name the person sees next to a value input.
    std::string shownName(const Fl_Input* input) const;
    std::vector<std::string> currentTexts() const;
    // The note, arm, position and flag as chosen.
    ReadingDetails currentDetails() const;
    // Checks the texts and asks the questions (outside what a person can
    // have, a reading already at that time); false when refused or cancelled.
    bool planParts(XmlNode* patient, std::vector<Part>& parts);
    // Puts the checked parts into the document, as the pending change.
    void applyParts(XmlNode* patient, const std::vector<Part>& parts, const std::string& date);
    // Takes back a change whose save failed (for a retry with other texts).
    void undoPending();
    // Fills the inputs from the corrected entry.
    void fillFrom(const XmlNode* entry);
    // After a save left undone because another program changed the file:
    // the pending change of a document read again since is gone with it
    // (forgotten, so that OK stores the texts into the file as it is now),
    // and the person is told that what the window shows is not stored.
    void tellNotStored(const Error& why);
    // True when the document the pending change went into was replaced.
    bool pendingDocumentReplaced() const;

    // The field a refused entry is about, for the alert.
    std::string refusedField;
    // A change already in the document whose save failed: retrying with the
    // same texts saves again instead of storing it a second time; retrying
    // with other texts replaces it.
    bool pending = false;
    std::vector<std::string> pendingTexts;
    std::vector<XmlNode*> pendingEntries;  // entries appended
    ReadingEdits::Removal pendingRemoval;  // readings replaced
    std::vector<Part> pendingParts;
    std::uint64_t pendingGeneration = 0;  // the document the pending change went into
    // The corrected entry's children as they were, to put back when the save fails.
    std::vector<XmlNode*> editedBefore;
    // Entries were saved with Add: Cancel brings the main window up to date.
    bool savedWithAdd = false;
    // The checked entry last put into the document by insertEntry.
    EntryRules::EntryPlan unsavedPlan;
};
