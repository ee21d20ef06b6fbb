// The one seam through which the program shows alerts, asks questions,
// lets the person choose a file and ends the process. The program installs the toolkit's dialogs at start-up;
// tests install handlers that record the texts and answer at once.
#pragma once

#include <functional>
#include <string>
#include <vector>

class Dialogs {
public:
    using AlertHandler = std::function<void(const std::string& message)>;
    // Returns the index of the chosen button (0, 1 or 2).
    using ChoiceHandler =
        std::function<int(const std::string& question, const char* b0, const char* b1, const char* b2)>;
    // Returns the index of the chosen button of any number.
    using ButtonsHandler = std::function<int(const std::string& question, const std::vector<std::string>& buttons,
                                             int defaultButton, int cancelButton)>;
    using ExitHandler = std::function<void(int status)>;
    // How far a long task has come: percent from 0 to 100, or -1 when it
    // has ended.
    using ProgressHandler = std::function<void(const std::string& title, int percent)>;
    // What a file chooser is asked for.
    struct FileRequest {
        std::string title;
        std::string filter;       // "CSV files\t*.csv\nJSON files\t*.json", as the native chooser reads it
        std::string defaultPath;  // the folder and name first shown (a name alone: the current folder)
        bool save = false;        // choosing a file to write (an existing one is replaced after asking)
        bool folder = false;      // choosing a folder, not a file
    };
    // Returns the chosen path, or an empty text when the person cancelled.
    using FileHandler = std::function<std::string(const FileRequest& request)>;

    // Shows a modal alert and returns when it is closed.
    static void alert(const std::string& message);
    // Asks a question with up to three buttons (null for an absent button).
    static int choice(const std::string& question, const char* b0, const char* b1, const char* b2);
    // Asks a question with the buttons given, left to right: Return answers
    // defaultButton, Escape and the close box cancelButton. Without a
    // handler the question goes to standard error and cancelButton answers.
    static int choose(const std::string& question, const std::vector<std::string>& buttons, int defaultButton,
                      int cancelButton);
    // Lets the person choose a file; empty when cancelled.
    static std::string chooseFile(const FileRequest& request);
    // Shows how far a long task named title has come (percent 0 to 100) and
    // lets the window draw it; -1 takes the showing away.
    static void progress(const std::string& title, int percent);
    // Ends the process with the given status.
    [[noreturn]] static void terminate(int status);

    static void setAlertHandler(AlertHandler handler);
    static void setChoiceHandler(ChoiceHandler handler);
    static void setFileHandler(FileHandler handler);
    static void setProgressHandler(ProgressHandler handler);
    static void setButtonsHandler(ButtonsHandler handler);
    // Tests may replace the exit (for example to throw); a handler that
    // returns is followed by std::exit.
    static void setExitHandler(ExitHandler handler);
    // Drops every handler: alerts and questions go to standard error, the
    // exit ends the process, as before any was set.
    static void resetForTests();

    // Installs the FLTK dialogs (fl_alert / fl_choice, the native file
    // chooser); defined in the GUI library.
    static void useToolkitDialogs();
};
