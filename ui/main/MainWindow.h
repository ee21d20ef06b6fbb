// The application's one top-level window: menu bar, toolbar, the users
// column (users list, user information, variable tabs) and the chart column
// (chart with the trend panel), the commands on the current user and the
// two display menus that put variables on the chart.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include <FL/Fl_Double_Window.H>

#include "rules/chart/SeriesCache.h"
#include "rules/units/Units.h"
#include "store/XmlDocument.h"
#include "ui/main/OwnedWindow.h"

class Fl_Menu_Bar;
class Fl_Menu_;
class Fl_Menu_Button;
class Fl_Button;
class Fl_Box;
class Fl_Pack;
class Fl_Pixmap;
class Fl_Image;
class Fl_Text_Buffer;
class Fl_Text_Display;
class MyChart;
class ChartKeys;
class SearchUserBox;
class UserInfoBox;
class HistoryBox;
class TrendBox;
class InfoWindow;
class PreferencesWindow;
class ReportWindow;

// Shared look of panels and dialogs.
extern const Fl_Color panelColor;
extern const Fl_Boxtype browserBox;

class MainWindow : public Fl_Double_Window {
public:
    // Shows values in the units given (the person's preferences, read at
    // the start) until the person chooses others.
    MainWindow(int width, int height, const Units::Preferences& units = Units::Preferences());
    ~MainWindow() override;

    // The main window a widget is part of, or null (a widget in a window of
    // its own).
    static MainWindow* of(const Fl_Widget* widget);
    // The units the main window shows values in: every window it opens
    // shows them so too. The defaults without a main window.
    static const Units::Preferences& unitsOf(const MainWindow* window);
    const Units::Preferences& units() const { return units_; }
    // The person chose other units: every series, range and label is shown
    // again in them.
    void useUnits(const Units::Preferences& units);
    // The person chose another text size (TextSize): this window and its
    // help are laid out again at it, the windows opened next open at it.
    void useTextSize(int percent);
    // Ctrl+plus, Ctrl+minus and Ctrl+0: the next larger or smaller text
    // size, or the designed one, saved with the preferences.
    enum class TextStep { Larger, Smaller, Designed };
    void stepTextSize(TextStep step);
    // The factor this window is laid out at (the text size, or as much of
    // it as the screen holds).
    double layoutFactor() const { return scaledBy_; }

    Fl_Menu_Bar* menuBar = nullptr;
    Fl_Menu_Button* multiDisplayMenu = nullptr;
    Fl_Menu_Button* normalRangeMenu = nullptr;
    MyChart* chart = nullptr;
    ChartKeys* chartKeys = nullptr;  // the chart in the Tab order
    SearchUserBox* searchUserBox = nullptr;
    UserInfoBox* userInfoBox = nullptr;
    HistoryBox* historyBox = nullptr;
    Fl_Button* addUserButton = nullptr;
    Fl_Button* editUserButton = nullptr;
    Fl_Button* removeUserButton = nullptr;
    Fl_Button* clearChartButton = nullptr;
    Fl_Button* infoButton = nullptr;
    TrendBox* trendBox = nullptr;
    Fl_Double_Window* helpWindow = nullptr;
    // The dialogs it opened last: a user's information, the preferences and
    // the report's (see OwnedWindow).
    OwnedWindow<InfoWindow> infoWindow;
    OwnedWindow<PreferencesWindow> preferencesWindow;
    OwnedWindow<ReportWindow> reportWindow;

    // Toolbar pieces and the help text, kept for layout and for the help window.
    Fl_Pack* toolbarPack = nullptr;
    Fl_Box* logoBox = nullptr;
    Fl_Box* noticeBox = nullptr;
    Fl_Box* statusBox = nullptr;  // what the last command did
    Fl_Text_Buffer* helpBuffer = nullptr;
    Fl_Text_Display* helpDisplay = nullptr;
    std::string helpShipped;  // readme.txt as read, before the units are put in

    // The maker's notice at the right of the toolbar.
    static const char* const makerNotice;

    // Commands.
    void menuCB_i();
    void closeCB_i();
    void newCB_i();
    void userRemoveCB_i();
    void chartRemoveCB_i();
    void helpCB_i();
    // Says in the toolbar what a command did ("Exported the readings of ...").
    void tellDone(const std::string& text);
    // Edit/History… and Edit/Properties…: the windows of the variable
    // selected in the shown tab's list (an alert says to choose one first).
    void variableCB_i(bool history);
    static void variableHistoryCB(Fl_Widget*, void* window);
    static void variablePropertiesCB(Fl_Widget*, void* window);
    // The keys of the window that no widget takes: F10, Alt+F and Alt+E open
    // the menus, Ctrl+M and Ctrl+R the display menus, Ctrl+1 to Ctrl+6 choose
    // the chart's time range.
    int handle(int event) override;
    // Leaves the back buffer as it is when the window is only uncovered.
    void draw() override;
    bool keyShortcut();
    // Ctrl+Right, Ctrl+Left and Ctrl+Return on the chart's points.
    bool chartKey();
    // The close box ends the program; Escape does not.
    void windowCB_i();
    static void windowCB(Fl_Widget*, void* data);
    static void menuCB(Fl_Widget*, void* data);
    static void closeCB(Fl_Widget*, void* data);
    static void newCB(Fl_Widget*, void* data);
    static void userRemoveCB(Fl_Widget*, void* data);
    static void chartRemoveCB(Fl_Widget*, void* data);
    static void helpCB(Fl_Widget*, void* data);
    static void infoCB(Fl_Widget*, void* data);
    // The exchanges of data of the File menu (FileCommands, ReportWindow).
    static void reportCB(Fl_Widget*, void* data);
    static void exportCB(Fl_Widget*, void* data);
    static void importCB(Fl_Widget*, void* data);
    static void backupCB(Fl_Widget*, void* data);
    static void restoreCB(Fl_Widget*, void* data);
    static void dataFolderCB(Fl_Widget*, void* data);
    static void preferencesCB(Fl_Widget*, void* data);

    // Switches the user-dependent controls together: the menu items
    // "File/Save", "File/Close", "Edit/Information", "File/Report for the
    // Doctor…" and "File/Import Readings…" first, then the six widgets.
    void setUserControlsActive(bool active);
    void setUserMenuItemsActive(bool active);
    void setUserWidgetsActive(bool active);

    // What becomes of the users list's selection when the panels are
    // brought up to date: kept on the current user's line if there was one,
    // put on that line in any case, or taken away.
    enum class UserLine { Kept, Reselected, Deselected };
    // Whether the chart keeps its series or starts over (another user, none,
    // a new one).
    enum class ChartSeries { Kept, Cleared };
    // Brings every panel up to date after the current user or its data changed.
    void refreshPanels(UserLine line, ChartSeries series);

    // After readings were recorded, corrected or removed: the chart's series
    // are read again from the document, then every panel, the display menus
    // and the open history windows are brought up to date.
    void readingsChanged();
    // Opens a variable's history window with the readings recorded at the
    // instant (a chart point) selected.
    void openHistory(const std::string& variableName, std::int64_t instant);

    // Passes a saved value to the chart.
    void addPointToChart(const std::string& name, std::tm when, double value);

    // Display menus: rebuilt for the open user, keeping the checks of the
    // series still on the chart or starting without any.
    enum class Checks { Kept, Cleared };
    void resetDisplayMenu(Checks checks);
    void variableCB_i(const char* elementName, XmlNode* variable);
    void normalRangeCB_i(XmlNode* variable);
    void addVarToChart(XmlNode* variable, const char* name, const char* elementName);
    static void valueCB(Fl_Widget*, void* node);
    static void systolicCB(Fl_Widget*, void* node);
    static void diastolicCB(Fl_Widget*, void* node);
    static void postprandialCB(Fl_Widget*, void* node);
    static void fastingCB(Fl_Widget*, void* node);
    static void normalRangeCB(Fl_Widget*, void* node);

    // The chosen line's record names a file that cannot be used: no user is
    // open, the line stays selected and only "Remove selected user" works.
    void showUnopenedRecord();

private:
    // Writes the open user's document to its data file: File/Save even when
    // unchanged, the other commands only when it holds changes. False when
    // that save failed (the changes live only in memory).
    enum class Save { EvenUnchanged, IfChanged };
    bool saveOpenUser(Save when);
    // Before leaving the open user (action: "Exit", "Close") its changes, if
    // any, are saved; when that save fails the person is asked, Cancel the
    // default. True: go on.
    bool leaveOpenUser(const char* action);
    // The picked item's full path, or empty when it does not fit the menu paths.
    static std::string pickedPath(Fl_Menu_* menu);
    // An item of the multiple display menu picked: the series of the element.
    static void pickSeries(Fl_Widget* menu, const char* elementName, void* node);

    Fl_Pixmap* icons[6] = {};
    Fl_Pixmap* largeIcons[6] = {};  // drawn at twice the size
    // The icons at the size the window is laid out at, and greyed copies of
    // those of the buttons that need a user.
    Fl_Image* shownIcons[6] = {};
    Fl_Image* greyIcons[4] = {};
    Fl_Button* iconButtons[5] = {};
    // Puts the icons on the toolbar at the layout's size.
    void showIcons();
    // The smallest size the window may be made, at the layout's size.
    void limitSize();
    double scaledBy_ = 1.0;
    double helpScaledBy_ = 1.0;
    // The open user's series, built once for every pick that shows them.
    SeriesCache seriesCache;
    Units::Preferences units_;
};
