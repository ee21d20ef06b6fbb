#include "ui/main/MainWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Pack.H>
#include <FL/Fl_Pixmap.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/fl_draw.H>

#include "app/Dialogs.h"
#include "app/LiteralText.h"
#include "app/Trace.h"
#include "platform/ToolkitNotices.h"
#include "rules/chart/ChartMath.h"
#include "rules/chart/DisplayMenuRules.h"
#include "rules/readings/EntryRules.h"
#include "rules/readings/ReadingEdits.h"
#include "rules/units/HelpText.h"
#include "rules/units/PreferencesFile.h"
#include "rules/units/TextSize.h"
#include "rules/units/Units.h"
#include "store/Global.h"
#include "ui/chart/ChartKeys.h"
#include "ui/chart/MyChart.h"
#include "ui/chart/TrendBox.h"
#include "ui/main/FileCommands.h"
#include "ui/main/Icons.h"
#include "ui/main/ReportWindow.h"
#include "ui/main/PreferencesWindow.h"
#include "ui/main/TextScale.h"
#include "ui/measurements/HistoryBox.h"
#include "ui/measurements/HistoryTableWindow.h"
#include "ui/measurements/MyBrowser.h"
#include "ui/measurements/TabBrowser.h"
#include "ui/users/InfoWindow.h"
#include "ui/users/SearchUserBox.h"
#include "ui/users/UserInfoBox.h"

const Fl_Color panelColor = fl_rgb_color(230, 232, 232);
const Fl_Boxtype browserBox = FL_PLASTIC_DOWN_BOX;

const char* const MainWindow::makerNotice = "Brelwick Health Software";

namespace {

// Longest menu path the menus hold: "Vitals/" plus a variable name of
// DisplayMenuRules::kMaxVariableName characters.
const std::size_t kMaxMenuPath = 63;
// Longest path of a "Blood Pressure" or "Blood Sugar" sub-item.
const std::size_t kMaxSubItemPath = 131;

// The user-dependent menu items, switched before the widgets.
const char* const kUserMenuPaths[] = {"File/Save", "File/Close", "Edit/Information",
                                      "Edit/History\342\200\246", "Edit/Properties\342\200\246",
                                      "File/Report for the Doctor\342\200\246", "File/Import Readings\342\200\246"};

// The main window is always a top-level window, whatever group a previous
// draw left open.
int topLevel(int x) {
    Fl_Group::current(nullptr);
    return x;
}

Fl_Button* toolButton(const char* tooltip, Fl_Pixmap* icon, Fl_Callback* cb, void* data) {
    Fl_Button* b = new Fl_Button(0, 0, 24, 24);
    b->tooltip(tooltip);
    b->box(FL_THIN_UP_BOX);
    b->image(icon);
    b->callback(cb, data);
    return b;
}

}  // namespace

MainWindow::MainWindow(int width, int height, const Units::Preferences& units)
    : Fl_Double_Window(topLevel(0), 0, width, height, "Brelwick. - Quorvel Ondrala"), units_(units) {
    TRACE_SCOPE("MainWindow::MainWindow");
    const int W = width;
    const int H = height;
    const int K = (H - 251) / 2;
    Fl::screen_count();  // opens the display: text widths are measured below
    // Closing a menu must not cost a reading of the input method's tables.
    ToolkitNotices::dropOwnDestroyNotices();

    icons[0] = new Fl_Pixmap(Icons::addUser);
    icons[1] = new Fl_Pixmap(Icons::editUser);
    icons[2] = new Fl_Pixmap(Icons::removeUser);
    icons[3] = new Fl_Pixmap(Icons::clearChart);
    icons[4] = new Fl_Pixmap(Icons::help);
    icons[5] = new Fl_Pixmap(Icons::logo);
    const char* const* const large[6] = {Icons::addUser2x,    Icons::editUser2x, Icons::removeUser2x,
                                         Icons::clearChart2x, Icons::help2x,     Icons::logo2x};
    for (int i = 0; i < 6; ++i) largeIcons[i] = new Fl_Pixmap(large[i]);

    // Top band: menu bar and toolbar row.
    Fl_Group* top = new Fl_Group(0, 0, W, 50);
    menuBar = new Fl_Menu_Bar(0, 0, W, 25);
    menuBar->add("File/New", FL_CTRL + 'n', newCB, this, 0);
    menuBar->add("File/Close", 0, closeCB, this, 0);
    menuBar->add("File/Save", 0, menuCB, this, FL_MENU_DIVIDER);
    menuBar->add("File/Report for the Doctor\342\200\246", 0, reportCB, this, 0);
    menuBar->add("File/Export Readings\342\200\246", 0, exportCB, this, 0);
    menuBar->add("File/Import Readings\342\200\246", 0, importCB, this, FL_MENU_DIVIDER);
    menuBar->add("File/Back Up\342\200\246", 0, backupCB, this, 0);
    menuBar->add("File/Restore from Backup\342\200\246", 0, restoreCB, this, 0);
    menuBar->add("File/Data Folder\342\200\246", 0, dataFolderCB, this, FL_MENU_DIVIDER);
    menuBar->add("File/Exit", FL_CTRL + 'q', menuCB, this, 0);
    menuBar->add("Edit/Information", FL_CTRL + 'e', infoCB, this, FL_MENU_DIVIDER);
    // The readings and ranges of the variable selected in the list, without the mouse.
    menuBar->add("Edit/History\342\200\246", FL_CTRL + 'h', variableHistoryCB, this, 0);
    menuBar->add("Edit/Properties\342\200\246", 0, variablePropertiesCB, this, FL_MENU_DIVIDER);
    menuBar->add("Edit/Preferences\342\200\246", 0, preferencesCB, this, 0);
    menuBar->add("Help/Help on Quorvel", FL_F + 1, helpCB, this, 0);

    Fl_Group* toolbar = new Fl_Group(0, 26, W, 24);
    toolbarPack = new Fl_Pack(5, 27, W, 24);
    toolbarPack->type(Fl_Pack::HORIZONTAL);
    toolbarPack->spacing(5);
    addUserButton = toolButton("Add a new user (Ctrl+N)", icons[0], newCB, this);
    editUserButton = toolButton("Edit selected user (Ctrl+E)", icons[1], infoCB, this);
    removeUserButton = toolButton("Remove selected user", icons[2], userRemoveCB, this);
    clearChartButton = toolButton("Clear selected variables and chart", icons[3], chartRemoveCB, this);
    Fl_Button* helpButton = toolButton("Help on Quorvel (F1)", icons[4], helpCB, this);
    iconButtons[0] = addUserButton;
    iconButtons[1] = editUserButton;
    iconButtons[2] = removeUserButton;
    iconButtons[3] = clearChartButton;
    iconButtons[4] = helpButton;
    fl_font(FL_HELVETICA, 12);
    multiDisplayMenu =
        new Fl_Menu_Button(0, 0, static_cast<int>(fl_width("Multi-Display")) + 40, 25, "Multi-Display");
    multiDisplayMenu->box(FL_UP_BOX);
    multiDisplayMenu->tooltip("Put up to four variables on the chart (Ctrl+M)");
    normalRangeMenu = new Fl_Menu_Button(0, 0, static_cast<int>(fl_width("Normal Range Display")) + 40, 25,
                                         "Normal Range Display");
    normalRangeMenu->box(FL_UP_BOX);
    normalRangeMenu->tooltip("Chart one variable against its normal range (Ctrl+R)");
    toolbarPack->end();

    fl_font(FL_HELVETICA_ITALIC, 12);
    const int c = static_cast<int>(fl_width(makerNotice));
    logoBox = new Fl_Box(W - c - 95, 26, 65, 24);
    logoBox->image(icons[5]);
    noticeBox = new Fl_Box(W - c - 10, 26, c, 24, makerNotice);
    noticeBox->labelfont(FL_HELVETICA_ITALIC);
    noticeBox->labelsize(12);
    fl_font(FL_HELVETICA, 12);
    // The pack lays its buttons out when drawn: where they end is added up here.
    int packed = toolbarPack->x();
    for (int i = 0; i < toolbarPack->children(); ++i)
        packed += toolbarPack->child(i)->w() + (i ? toolbarPack->spacing() : 0);
    Fl_Box* spacer = new Fl_Box(packed + 10, 26, std::max(1, logoBox->x() - 10 - packed - 10), 24);
    spacer->box(FL_NO_BOX);
    // The room between the toolbar and the logo says what the last command did.
    spacer->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    spacer->labelsize(12);
    statusBox = spacer;
    toolbar->resizable(spacer);
    toolbar->end();
    top->resizable(top);
    top->end();

    // Body: users column on the left, chart column on the right.
    Fl_Group* body = new Fl_Group(0, 51, W, H - 51);
    Fl_Group* users = new Fl_Group(0, 51, 250, H - 51);
    Fl_Group* usersArea = new Fl_Group(0, 51, 250, 2 * K);
    searchUserBox = new SearchUserBox(K - 1);
    userInfoBox = new UserInfoBox(K + 52, K - 1);
    infoButton = new Fl_Button(23, K + 110, 207, K - 87);
    infoButton->box(FL_NO_BOX);
    infoButton->callback(infoCB, this);
    usersArea->resizable(usersArea);
    usersArea->end();
    historyBox = new HistoryBox(2 * K + 53);
    users->resizable(usersArea);
    users->end();

    Fl_Group* chartColumn = new Fl_Group(251, 51, W - 251, H - 51);
    chart = new MyChart(252, W - 256, 2 * K - 2);
    // The chart leaves its chart area open, so the trend panel becomes part
    // of it and is drawn by the chart.
    trendBox = new TrendBox(252, 2 * K + 53, W - 256);
    // The chart's keys come after its time buttons in the Tab order.
    chartKeys = new ChartKeys(*chart);
    Fl_Group::current(chartColumn);
    chartColumn->resizable(chart);
    chartColumn->end();
    body->resizable(chartColumn);
    body->end();

    setUserControlsActive(false);
    callback(windowCB, this);
    end();
    resizable(body);
    // Laid out at the person's text size, as large as the screen holds.
    scaledBy_ = TextScale::fit(*this);
    limitSize();
    showIcons();
    show();
    // Keyboard work starts in the users list.
    searchUserBox->browser->take_focus();
    // A user file taken again from disk instead of being overwritten.
    Global::afterReload = [this] { readingsChanged(); };
    // The question about a file changed outside names readings as the windows show them.
    Global::readingText = [this](const XmlNode*, const XmlNode* entry) {
        return ReadingEdits::readingLine(entry, units_);
    };
}

MainWindow::~MainWindow() {
    Global::afterReload = nullptr;
    Global::readingText = nullptr;
    delete helpWindow;
    helpWindow = nullptr;
    // The text display does not own its buffer.
    delete helpBuffer;
    helpBuffer = nullptr;
    // The widgets only borrow their images.
    for (Fl_Pixmap*& icon : icons) {
        delete icon;
        icon = nullptr;
    }
    for (Fl_Image*& icon : greyIcons) {
        delete icon;
        icon = nullptr;
    }
    for (Fl_Image*& icon : shownIcons) {
        delete icon;
        icon = nullptr;
    }
    for (Fl_Pixmap*& icon : largeIcons) {
        delete icon;
        icon = nullptr;
    }
}

void MainWindow::limitSize() {
    // The smallest size at which every row, button and panel stays whole;
    // never more than the screen holds.
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Fl::screen_work_area(sx, sy, sw, sh, x() + w() / 2, y() + h() / 2);
    size_range(std::min(sw, static_cast<int>(std::lround(920 * scaledBy_))),
               std::min(sh, static_cast<int>(std::lround(640 * scaledBy_))));
}

void MainWindow::showIcons() {
    for (int i = 0; i < 6; ++i) {
        delete shownIcons[i];
        shownIcons[i] = nullptr;
        if (!icons[i]) continue;
        const int iw = static_cast<int>(std::lround(icons[i]->w() * scaledBy_));
        const int ih = static_cast<int>(std::lround(icons[i]->h() * scaledBy_));
        // Drawn for the size, or made from the one drawn twice as large,
        // smoothly: never a small picture blown up.
        if (iw == icons[i]->w()) {
            shownIcons[i] = icons[i]->copy();
        } else if (iw == largeIcons[i]->w()) {
            shownIcons[i] = largeIcons[i]->copy();
        } else {
            Fl_RGB_Image large(largeIcons[i]);
            Fl_RGB_Image::RGB_scaling(FL_RGB_SCALING_BILINEAR);
            shownIcons[i] = large.copy(iw, ih);
            Fl_RGB_Image::RGB_scaling(FL_RGB_SCALING_NEAREST);
        }
    }
    for (int i = 0; i < 5; ++i) iconButtons[i]->image(shownIcons[i]);
    logoBox->image(shownIcons[5]);
    // The buttons that need a user look inactive without one.
    Fl_Button* userButtons[] = {editUserButton, removeUserButton, clearChartButton};
    for (int i = 0; i < 3; ++i) {
        delete greyIcons[i];
        greyIcons[i] = shownIcons[i + 1]->copy();
        greyIcons[i]->inactive();
        userButtons[i]->deimage(greyIcons[i]);
    }
}

void MainWindow::useTextSize(int percent) {
    TRACE_MSG(3, "MainWindow::useTextSize") << "Text size " << percent << " %";
    TextScale::setPercent(percent);
    units_.textSize = TextScale::percent();
    // Laid out again from its designed size, at the size of the screen it is on.
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Fl::screen_work_area(sx, sy, sw, sh, x() + w() / 2, y() + h() / 2);
    // A window that fills the screen is designed for the screen anew, as at
    // the start (never below its smallest size); another keeps its size.
    const double f = TextScale::factor();
    const bool filling = w() >= sw - 40 || h() >= sh - 60;
    const int designedW = static_cast<int>(std::lround(filling ? std::max(920.0, (sw - 20) / f) : w() / scaledBy_));
    const int designedH = static_cast<int>(std::lround(filling ? std::max(640.0, (sh - 40) / f) : h() / scaledBy_));
    const double to = TextScale::fittingFactor(designedW, designedH, sw, sh);
    size_range(1, 1);
    TextScale::rescale(*this, scaledBy_, to);
    scaledBy_ = to;
    // Still filling the screen: the panels beside the chart keep their
    // size, the chart takes the rest.
    const int wanted = std::min(sw, std::max(sw - 20, static_cast<int>(std::lround(designedW * to))));
    const int wantedH = std::min(sh, std::max(sh - 40, static_cast<int>(std::lround(designedH * to))));
    if (filling && (wanted != w() || wantedH != h())) resize(x(), y(), wanted, wantedH);
    limitSize();
    showIcons();
    if (helpWindow) {
        const double helpTo = TextScale::fittingFactor(static_cast<int>(std::lround(helpWindow->w() / helpScaledBy_)),
                                                       static_cast<int>(std::lround(helpWindow->h() / helpScaledBy_)),
                                                       sw, sh);
        TextScale::rescale(*helpWindow, helpScaledBy_, helpTo);
        helpScaledBy_ = helpTo;
    }
    redraw();
}

void MainWindow::stepTextSize(TextStep step) {
    const int now = TextScale::percent();
    const int next = step == TextStep::Larger    ? TextSize::larger(now)
                     : step == TextStep::Smaller ? TextSize::smaller(now)
                                                 : TextSize::kDesigned;
    if (next == now) return;
    Units::Preferences p = units_;
    p.textSize = next;
    p.named = true;
    std::string error;
    if (!PreferencesFile::write(Global::dataFolder, p, error)) {
        TRACE_MSG(1, "MainWindow::stepTextSize") << "Error: " << error;
        Dialogs::alert("The text size could not be saved:\n" + error + "\nIt is used until the program ends.");
    }
    // A first change also names the units, as saved preferences do.
    if (!units_.named) {
        units_.named = true;
        readingsChanged();
    }
    useTextSize(next);
}

MainWindow* MainWindow::of(const Fl_Widget* widget) {
    return widget ? dynamic_cast<MainWindow*>(widget->top_window()) : nullptr;
}

const Units::Preferences& MainWindow::unitsOf(const MainWindow* window) {
    static const Units::Preferences defaults;
    return window ? window->units_ : defaults;
}

void MainWindow::useUnits(const Units::Preferences& units) {
    units_ = units;
    readingsChanged();
}

bool MainWindow::saveOpenUser(Save when) {
    if (!Global::userOpen) return true;
    const auto generation = Global::userDoc.generation();
    const Expected<void> saved = when == Save::EvenUnchanged
                                     ? Global::saveFile(Global::currentFile.c_str(), Global::userDoc)
                                     : Global::saveUserIfChanged();
    // A file taken again from disk (Reload) holds everything shown.
    return static_cast<bool>(saved) || Global::userDoc.generation() != generation;
}

bool MainWindow::leaveOpenUser(const char* action) {
    if (saveOpenUser(Save::IfChanged)) return true;
    // Changes that could not be saved live only in memory: leaving loses them.
    const std::string question = "Your changes to " + Global::currentFile + " could not be saved. " + action +
                                 " anyway and lose them?";
    // Cancel is the default: a stray Return keeps the changes.
    if (Dialogs::choice(question, nullptr, "&Cancel", action) != 2) return false;
    TRACE_MSG(1, "MainWindow::leaveOpenUser") << action << " without saving " << Global::currentFile;
    return true;
}

std::string MainWindow::pickedPath(Fl_Menu_* menu) {
    std::vector<char> path(kMaxMenuPath + 1 + 256, '\0');
    if (!menu || !menu->mvalue()) return std::string();
    if (menu->item_pathname(path.data(), static_cast<int>(path.size())) != 0) return std::string();
    // Item labels hold names from the data in their literal form.
    std::string text = LiteralText::fromLabel(path.data());
    if (text.size() > kMaxMenuPath) return std::string();
    return text;
}

void MainWindow::menuCB_i() {
    TRACE_SCOPE("MainWindow::menuCB_i");
    const std::string path = pickedPath(menuBar);
    std::cout << "item picked in menu: " << path << std::endl;
    TRACE_MSG(3, "MainWindow::menuCB_i") << "item picked in menu: " << path;
    if (path == "File/Exit") {
        if (!leaveOpenUser("Exit")) return;
        Dialogs::terminate(0);
    }
    if (path == "File/Save") saveOpenUser(Save::EvenUnchanged);
}

void MainWindow::closeCB_i() {
    TRACE_SCOPE("MainWindow::closeCB_i");
    // Nothing is written, unless changes are waiting after a failed save.
    if (Global::userUnsaved && !leaveOpenUser("Close")) return;
    setUserControlsActive(false);
    Global::userOpen = false;
    refreshPanels(UserLine::Deselected, ChartSeries::Cleared);
}

void MainWindow::newCB_i() {
    TRACE_SCOPE("MainWindow::newCB_i");
    // The open user's unsaved changes are not given up for a new user.
    if (!saveOpenUser(Save::IfChanged)) return;
    if (!Global::createNew()) return;
    seriesCache.clear();
    infoWindow.reset(new InfoWindow(this, "New User", InfoWindow::Person::New));
    setUserMenuItemsActive(true);
    resetDisplayMenu(Checks::Cleared);
    setUserWidgetsActive(true);
}

void MainWindow::userRemoveCB_i() {
    TRACE_SCOPE("MainWindow::userRemoveCB_i");
    Fl_Hold_Browser* list = searchUserBox->browser;
    const int line = list->value();
    XmlNode* chosen = Global::userOpen || line <= 0 ? nullptr : Global::findNodeWithId(Global::currentId.c_str());
    const bool unopened = chosen && !Global::isSafeFileName(Global::childText(chosen, "file"));
    if (!Global::userOpen && !unopened) return;
    const char* text = line > 0 ? list->text(line) : nullptr;
    const std::string question =
        "Do you really want to remove user:\n" + LiteralText::fromListLine(text ? text : "") + "?";
    // Cancel is the default: a stray Return removes nobody.
    if (Dialogs::choice(question, nullptr, "&Cancel", "Remove") != 2) return;
    // A removal the registry could not save was undone: the user stays.
    const Expected<void> removed = unopened ? Global::removeUserWithId(Global::currentId) : Global::removeCurrentUser();
    if (!removed && removed.error().kind != Error::Kind::NotFound) return;
    setUserControlsActive(false);
    Global::userOpen = false;
    refreshPanels(UserLine::Kept, ChartSeries::Cleared);
}

void MainWindow::showUnopenedRecord() {
    setUserControlsActive(false);
    refreshPanels(UserLine::Reselected, ChartSeries::Cleared);
    removeUserButton->activate();
}

void MainWindow::chartRemoveCB_i() {
    TRACE_SCOPE("MainWindow::chartRemoveCB_i");
    const int n = multiDisplayMenu->size();
    Fl_Menu_Item* items = const_cast<Fl_Menu_Item*>(multiDisplayMenu->menu());
    for (int i = 1; items && i < n; ++i) items[i].clear();
    chart->dropVar("all");
    chart->refresh();
}

void MainWindow::variableCB_i(bool history) {
    TRACE_SCOPE("MainWindow::variableCB_i");
    if (!Global::userOpen) return;
    TabBrowser* tab = historyBox->currentTab();
    MyBrowser* list = tab ? tab->browser : nullptr;
    if (!list || list->value() == 0) {
        Dialogs::alert("Choose a variable in the list on the left first (Tab to the list, then Up or Down).");
        return;
    }
    if (history)
        list->editHistoryCB_i();
    else
        list->propertiesCB_i();
}

void MainWindow::variableHistoryCB(Fl_Widget*, void* window) { static_cast<MainWindow*>(window)->variableCB_i(true); }
void MainWindow::variablePropertiesCB(Fl_Widget*, void* window) {
    static_cast<MainWindow*>(window)->variableCB_i(false);
}

void MainWindow::tellDone(const std::string& text) {
    TRACE_MSG(3, "MainWindow::tellDone") << text;
    statusBox->copy_label((" " + LiteralText::label(text)).c_str());
    statusBox->copy_tooltip(text.c_str());
    statusBox->redraw();
}

void MainWindow::helpCB_i() {
    TRACE_SCOPE("MainWindow::helpCB_i");
    if (!helpWindow) {
        Fl_Group* saved = Fl_Group::current();
        Fl_Group::current(nullptr);
        // As large as the screen's work area allows, up to 700 x 480.
        int sx = 0, sy = 0, sw = 0, sh = 0;
        Fl::screen_work_area(sx, sy, sw, sh);
        const int hw = std::max(300, std::min(700, sw - 20));
        const int hh = std::max(200, std::min(480, sh - 60));
        helpWindow = new Fl_Double_Window(hw, hh, "Help");
        helpBuffer = new Fl_Text_Buffer(0, 1024);
        helpDisplay = new Fl_Text_Display(10, 10, hw - 20, hh - 20);
        helpDisplay->buffer(helpBuffer);
        helpDisplay->textsize(14);
        helpDisplay->wrap_mode(Fl_Text_Display::WRAP_AT_COLUMN, 100);
        helpWindow->resizable(helpDisplay);
        helpWindow->end();
        Fl_Group::current(saved);
        helpScaledBy_ = TextScale::fit(*helpWindow);

        // A missing or unreadable file leaves the text empty.
        const std::string path = Global::dataFolder + "readme.txt";
        helpBuffer->text("");
        if (helpBuffer->loadfile(path.c_str(), 128 * 1024) != 0) helpBuffer->text("");
        // A UTF-8 byte-order mark at the start is not part of the text.
        if (helpBuffer->length() >= 3 && static_cast<unsigned char>(helpBuffer->byte_at(0)) == 0xEF &&
            static_cast<unsigned char>(helpBuffer->byte_at(1)) == 0xBB &&
            static_cast<unsigned char>(helpBuffer->byte_at(2)) == 0xBF)
            helpBuffer->remove(0, 3);
        char* text = helpBuffer->text();
        helpShipped = text ? text : "";
        std::free(text);
    }
    // The lines about a user's details in the units and styles chosen now.
    helpBuffer->text(HelpText::styled(helpShipped, units_).c_str());
    helpWindow->show();
}

void MainWindow::draw() {
    // With the X double-buffer extension the toolkit draws the whole window
    // again whenever part of it is uncovered (a menu closing, a resize
    // finished by the server), although its back buffer still holds the
    // picture it last showed and is copied out again after this. Nothing has
    // changed then, so nothing is drawn. (Elsewhere the toolkit copies its
    // back buffer for an uncovering without calling draw at all.)
    // An uncovering together with a widget that changed (the focus coming
    // back to the users list as a menu closes) is no more: only the changed
    // widgets are drawn, not every widget under the uncovered part, so a
    // pick draws the chart once. (The toolkit also marks the place of a
    // label outside its widget as uncovered when the label changes; no
    // widget of this window changes such a label.)
    if (damage() == FL_DAMAGE_EXPOSE) return;
    if ((damage() & ~(FL_DAMAGE_EXPOSE | FL_DAMAGE_CHILD)) == 0) clear_damage(FL_DAMAGE_CHILD);
    Fl_Double_Window::draw();
}

int MainWindow::handle(int event) {
    // The chart's keys come before any widget's shortcut (a Return button
    // would take Ctrl+Return too).
    if (event == FL_SHORTCUT && chartKey()) return 1;
    const int used = Fl_Double_Window::handle(event);
    if (used || event != FL_SHORTCUT) return used;
    return keyShortcut() ? 1 : 0;
}

bool MainWindow::chartKey() {
    if ((Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META)) != FL_CTRL) return false;
    // Ctrl+Right and Ctrl+Left go through the chart's points, Ctrl+Return
    // opens the picked point's row in its history.
    const int key = Fl::event_key();
    if (key == FL_Right || key == FL_Left) return chart->stepPoint(key == FL_Right ? 1 : -1);
    if (key == FL_Enter || key == FL_KP_Enter) return chart->openPickedHistory();
    return false;
}

bool MainWindow::keyShortcut() {
    const int key = Fl::event_key();
    const int state = Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META);
    // F10 opens the first menu, Alt and a title's first letter its own.
    const char* title = nullptr;
    if (key == FL_F + 10 && state == 0) title = "File";
    if (state == FL_ALT && key == 'f') title = "File";
    if (state == FL_ALT && key == 'e') title = "Edit";
    if (title) {
        const Fl_Menu_Item* item = menuBar->find_item(title);
        if (!item) return false;
        TRACE_MSG(3, "MainWindow::keyShortcut") << "menu opened by key: " << title;
        menuBar->picked(menuBar->menu()->pulldown(menuBar->x(), menuBar->y(), menuBar->w(), menuBar->h(), item,
                                                  menuBar, nullptr, 1));
        return true;
    }
    // Ctrl+plus (with or without Shift, on the main keys or the keypad),
    // Ctrl+minus and Ctrl+0: the text size.
    if ((state & ~FL_SHIFT) == FL_CTRL) {
        const char typed = Fl::event_length() == 1 ? Fl::event_text()[0] : '\0';
        if (typed == '+' || key == '=' || key == FL_KP + '+') {
            stepTextSize(TextStep::Larger);
            return true;
        }
        if (key == '-' || key == FL_KP + '-') {
            stepTextSize(TextStep::Smaller);
            return true;
        }
        if (key == '0' || key == FL_KP + '0') {
            stepTextSize(TextStep::Designed);
            return true;
        }
    }
    if (state != FL_CTRL) return false;
    if (key == 'm' || key == 'r') {
        Fl_Menu_Button* menu = key == 'm' ? multiDisplayMenu : normalRangeMenu;
        if (!menu->active()) return false;
        TRACE_MSG(3, "MainWindow::keyShortcut") << "menu opened by key: " << menu->label();
        // The menu takes the keys while it is open; the focus stays where it was.
        menu->popup();
        return true;
    }
    // Ctrl+1 to Ctrl+6: the chart's time ranges, Auto to Week.
    const std::size_t range = static_cast<std::size_t>(key - '1');
    if (key >= '1' && key <= '6' && range < chart->timeButtons.size()) {
        Fl_Button* button = chart->timeButtons[range];
        if (!button->active_r()) return false;
        TRACE_MSG(3, "MainWindow::keyShortcut") << "time range chosen by key: " << button->label();
        button->do_callback();
        return true;
    }
    return false;
}

void MainWindow::windowCB_i() {
    // Escape is no way to end the program (a second press after closing a
    // menu would do it unnoticed); the close box still does.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    if (Global::userOpen && Global::userUnsaved && !leaveOpenUser("Exit")) return;
    hide();
}

void MainWindow::windowCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->windowCB_i(); }
void MainWindow::menuCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->menuCB_i(); }
void MainWindow::closeCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->closeCB_i(); }
void MainWindow::newCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->newCB_i(); }
void MainWindow::userRemoveCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->userRemoveCB_i(); }
void MainWindow::chartRemoveCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->chartRemoveCB_i(); }
void MainWindow::helpCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->helpCB_i(); }
void MainWindow::preferencesCB(Fl_Widget*, void* data) {
    MainWindow* window = static_cast<MainWindow*>(data);
    window->preferencesWindow.reset(new PreferencesWindow(window));
}

void MainWindow::reportCB(Fl_Widget*, void* data) {
    MainWindow* window = static_cast<MainWindow*>(data);
    if (Global::userOpen) window->reportWindow.reset(new ReportWindow(FileCommands::today(), window->units_));
}
void MainWindow::exportCB(Fl_Widget*, void* data) {
    MainWindow* window = static_cast<MainWindow*>(data);
    const std::string done = FileCommands::exportReadings(window->units_);
    if (!done.empty()) window->tellDone(done);
}
void MainWindow::importCB(Fl_Widget*, void* data) { FileCommands::importReadings(*static_cast<MainWindow*>(data)); }
void MainWindow::backupCB(Fl_Widget*, void*) { FileCommands::backUp(); }
void MainWindow::restoreCB(Fl_Widget*, void* data) { FileCommands::restore(*static_cast<MainWindow*>(data)); }
void MainWindow::dataFolderCB(Fl_Widget*, void*) { FileCommands::chooseDataFolder(); }

void MainWindow::infoCB(Fl_Widget*, void* data) {
    // Only an open user's information can be edited (after a new user's
    // window was cancelled the controls stay on, but no user is open).
    if (!Global::userOpen) return;
    MainWindow* window = static_cast<MainWindow*>(data);
    window->infoWindow.reset(new InfoWindow(window, "Edit User Information", InfoWindow::Person::Open));
}

void MainWindow::setUserControlsActive(bool active) {
    setUserMenuItemsActive(active);
    setUserWidgetsActive(active);
}

void MainWindow::setUserMenuItemsActive(bool active) {
    for (const char* path : kUserMenuPaths) {
        Fl_Menu_Item* item = const_cast<Fl_Menu_Item*>(menuBar->find_item(path));
        if (!item) continue;
        if (active)
            item->activate();
        else
            item->deactivate();
    }
}

void MainWindow::setUserWidgetsActive(bool active) {
    Fl_Widget* widgets[] = {multiDisplayMenu, normalRangeMenu, editUserButton,
                            removeUserButton, clearChartButton, infoButton};
    for (Fl_Widget* w : widgets) {
        if (!w) continue;
        if (active)
            w->activate();
        else
            w->deactivate();
    }
}

void MainWindow::refreshPanels(UserLine userLine, ChartSeries series) {
    redraw();
    Fl_Hold_Browser* list = searchUserBox->browser;
    searchUserBox->redraw();
    const bool hadSelection = list->value() != 0;
    const int line = searchUserBox->populateBrowser(Global::currentId.empty() ? nullptr : Global::currentId.c_str());
    if (hadSelection || userLine == UserLine::Reselected) searchUserBox->selectLine(line);
    if (userLine == UserLine::Deselected) list->deselect();
    userInfoBox->redraw();
    userInfoBox->populateBrowser();
    if (TabBrowser* tab = historyBox->currentTab()) tab->populateBrowser();
    historyBox->redraw();
    if (series == ChartSeries::Cleared) {
        // The chart starts over (another user, none, a new one): the kept
        // series go with it.
        seriesCache.clear();
        resetDisplayMenu(Checks::Cleared);
        chart->dropVar("all");
    } else {
        resetDisplayMenu(Checks::Kept);
    }
    chart->refresh();
    // History windows show the open user's readings, or close.
    HistoryTableWindow::reloadAll();
}

void MainWindow::readingsChanged() {
    TRACE_SCOPE("MainWindow::readingsChanged");
    // Entries changed in place, or the units they are shown in: no kept
    // series can be trusted.
    seriesCache.clear();
    std::vector<std::string> emptied;
    for (ChartVariable& v : chart->variables) {
        if (v.variable.empty()) continue;  // not read from a variable: nothing to read again
        XmlNode* variable = Global::userOpen ? Global::findVariable(v.variable.c_str()) : nullptr;
        const std::string element = v.name == v.variable ? "value" : EntryRules::elementName(v.name);
        v.points =
            variable ? seriesCache.points(variable, element.c_str(), Global::userDoc.generation(), units_) : PointMap();
        if (variable) v.range = ChartMath::normalRange(variable, v.name, units_);
        if (v.points.empty()) emptied.push_back(v.name);
    }
    // A series whose last reading went leaves the chart (and its menu).
    for (const std::string& name : emptied) chart->dropVar(name.c_str());
    refreshPanels(UserLine::Kept, ChartSeries::Kept);
}

void MainWindow::openHistory(const std::string& variableName, std::int64_t instant) {
    TRACE_SCOPE("MainWindow::openHistory");
    int w = 0, h = 0;
    // Designed for the screen at the chosen text size.
    MyBrowser::historyWindowSize(static_cast<int>(Fl::w() / TextScale::factor()),
                                 static_cast<int>(Fl::h() / TextScale::factor()), w, h);
    HistoryTableWindow* window = HistoryTableWindow::showFor(this, variableName, w, h);
    if (window) window->selectInstant(instant);
}

void MainWindow::addPointToChart(const std::string& name, std::tm when, double value) {
    // The kept series lack the entry: dropped first, so the chart's array is
    // no longer shared and takes the point in place.
    seriesCache.clear();
    chart->addPointToVariable(name, when, Units::toShown(Units::quantityOf(name), value, units_));
}

// ---------------------------------------------------------------------------
// Display menus

void MainWindow::resetDisplayMenu(Checks checks) {
    TRACE_SCOPE("MainWindow::resetDisplayMenu");
    std::vector<std::string> remembered;
    if (checks == Checks::Kept) {
        const Fl_Menu_Item* items = multiDisplayMenu->menu();
        for (int i = 1; items && i < multiDisplayMenu->size(); ++i)
            if (items[i].label() && items[i].value()) remembered.push_back(items[i].label());
    }

    multiDisplayMenu->clear();
    normalRangeMenu->clear();
    multiDisplayMenu->add("Vitals", 0, nullptr, this, FL_SUBMENU | FL_MENU_INACTIVE);
    normalRangeMenu->add("Vitals", 0, nullptr, this, FL_SUBMENU | FL_MENU_INACTIVE);

    XmlNode* patient = Global::userDoc->first_node("patient");
    const DisplayMenuRules::Menus menus = DisplayMenuRules::build(patient);
    for (const DisplayMenuRules::Item& item : menus.multiDisplay) {
        if (item.path.size() > kMaxSubItemPath) {
            TRACE_MSG(1, "MainWindow::resetDisplayMenu") << "Error: menu path too long, item skipped: " << item.path;
            continue;
        }
        Fl_Callback* cb = valueCB;
        switch (item.action) {
            case DisplayMenuRules::Action::Systolic: cb = systolicCB; break;
            case DisplayMenuRules::Action::Diastolic: cb = diastolicCB; break;
            case DisplayMenuRules::Action::Postprandial: cb = postprandialCB; break;
            case DisplayMenuRules::Action::Fasting: cb = fastingCB; break;
            default: cb = valueCB; break;
        }
        multiDisplayMenu->add(LiteralText::label(item.path).c_str(), 0, cb, item.variable, FL_MENU_TOGGLE);
    }
    for (const DisplayMenuRules::Item& item : menus.normalRange) {
        if (item.path.size() > kMaxMenuPath) {
            TRACE_MSG(1, "MainWindow::resetDisplayMenu") << "Error: menu path too long, item skipped: " << item.path;
            continue;
        }
        normalRangeMenu->add(LiteralText::label(item.path).c_str(), 0, normalRangeCB, item.variable, 0);
    }
    if (menus.anyVital) {
        for (Fl_Menu_Button* menu : {multiDisplayMenu, normalRangeMenu}) {
            Fl_Menu_Item* vitals = const_cast<Fl_Menu_Item*>(menu->menu());
            if (vitals) vitals[0].activate();
        }
    }

    if (!remembered.empty()) {
        Fl_Menu_Item* items = const_cast<Fl_Menu_Item*>(multiDisplayMenu->menu());
        for (int i = 1; items && i < multiDisplayMenu->size(); ++i) {
            if (!items[i].label()) continue;
            auto it = std::find(remembered.begin(), remembered.end(), items[i].label());
            if (it == remembered.end()) continue;
            items[i].set();
            remembered.erase(it);
        }
    }
}

void MainWindow::variableCB_i(const char* elementName, XmlNode* variable) {
    TRACE_SCOPE("MainWindow::variableCB_i");
    if (chart->display == ChartMath::Display::NormalRange) chart->dropVar("all");
    chart->display = ChartMath::Display::Multi;

    int count = 0;
    const Fl_Menu_Item* items = multiDisplayMenu->menu();
    for (int i = 1; items && i < multiDisplayMenu->size(); ++i) {
        if (!items[i].label() || !items[i].value()) continue;
        ++count;
        TRACE_MSG(4, "MainWindow::variableCB_i") << items[i].label() << " is checked";
        std::cout << "MainWindow::variableCB_i" << ": " << items[i].label() << " is checked" << std::endl;
    }
    TRACE_MSG(4, "MainWindow::variableCB_i") << "There are " << count << " items checked";
    std::cout << "MainWindow::variableCB_i" << ": There are " << count << " items checked" << std::endl;

    Fl_Menu_Item* picked = const_cast<Fl_Menu_Item*>(multiDisplayMenu->mvalue());
    if (count > 4) {
        TRACE_MSG(4, "MainWindow::variableCB_i") << "User checked more than 4 variables";
        if (picked) picked->clear();
        Dialogs::alert(
            "At most 4 variables can be displayed at the same time.\n"
            "Please uncheck some variables or clear the graph first.");
        return;
    }
    if (picked && picked->label()) {
        const std::string name = LiteralText::fromLabel(picked->label());
        if (picked->value())
            addVarToChart(variable, name.c_str(), elementName);
        else
            chart->dropVar(name.c_str());
    }
    chart->refresh();
    trendBox->redraw();
}

void MainWindow::normalRangeCB_i(XmlNode* variable) {
    TRACE_SCOPE("MainWindow::normalRangeCB_i");
    chart->display = ChartMath::Display::NormalRange;
    chart->dropVar("all");
    const std::string path = pickedPath(normalRangeMenu);
    TRACE_MSG(3, "MainWindow::normalRangeCB_i") << "item picked in normal range display menu: " << path;
    if (!path.empty()) {
        for (const auto& series : DisplayMenuRules::normalRangeSeries(path))
            addVarToChart(variable, series.first.c_str(), series.second.c_str());
    }
    resetDisplayMenu(Checks::Cleared);
    chart->refresh();
}

void MainWindow::addVarToChart(XmlNode* variable, const char* name, const char* elementName) {
    TRACE_SCOPE("MainWindow::addVarToChart");
    ChartVariable series;
    series.name = name ? name : "";
    series.points = seriesCache.points(variable, elementName, Global::userDoc.generation(), units_);
    // The chart keeps copies of what it draws, never a pointer into the document.
    series.variable = Global::attributeText(variable, "name");
    series.range = ChartMath::normalRange(variable, series.name, units_);
    chart->addVariable(std::move(series));
}

// The display menus' items: the menu is part of the main window.
void MainWindow::valueCB(Fl_Widget* menu, void* node) { pickSeries(menu, "value", node); }
void MainWindow::systolicCB(Fl_Widget* menu, void* node) { pickSeries(menu, "systolic", node); }
void MainWindow::diastolicCB(Fl_Widget* menu, void* node) { pickSeries(menu, "diastolic", node); }
void MainWindow::postprandialCB(Fl_Widget* menu, void* node) { pickSeries(menu, "postprandial", node); }
void MainWindow::fastingCB(Fl_Widget* menu, void* node) { pickSeries(menu, "fasting", node); }
void MainWindow::normalRangeCB(Fl_Widget* menu, void* node) {
    if (MainWindow* window = of(menu)) window->normalRangeCB_i(static_cast<XmlNode*>(node));
}
void MainWindow::pickSeries(Fl_Widget* menu, const char* elementName, void* node) {
    if (MainWindow* window = of(menu)) window->variableCB_i(elementName, static_cast<XmlNode*>(node));
}
