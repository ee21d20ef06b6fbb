#include "ui/main/MainWindow.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Button.H>

#include "ui/chart/MyChart.h"
#include "ui/chart/TrendBox.h"
#include "ui/measurements/HistoryBox.h"
#include "ui/users/SearchUserBox.h"
#include "ui/users/UserInfoBox.h"

const Fl_Color panelColor = fl_rgb_color(230, 232, 232);
const Fl_Boxtype browserBox = FL_PLASTIC_DOWN_BOX;
MainWindow* mainWindow = nullptr;

// Placeholder layout; the full window is built in its own change.
MainWindow::MainWindow(int width, int height) : Fl_Double_Window(0, 0, width, height, "Brelwick. - Quorvel Ondrala") {
    int K = (height - 251) / 2;
    menuBar = new Fl_Menu_Bar(0, 0, width, 25);
    searchUserBox = new SearchUserBox(K - 1);
    userInfoBox = new UserInfoBox(K + 52, K - 1);
    historyBox = new HistoryBox(2 * K + 53);
    chart = new MyChart(252, width - 256, 2 * K - 2);
    trendBox = new TrendBox(252, 2 * K + 53, width - 256);
    end();
    show();
    mainWindow = this;
}

MainWindow::~MainWindow() { delete helpWindow; }

void MainWindow::menuCB_i() {}
void MainWindow::closeCB_i() {}
void MainWindow::newCB_i() {}
void MainWindow::userRemoveCB_i() {}
void MainWindow::chartRemoveCB_i() {}
void MainWindow::helpCB_i() {}
void MainWindow::menuCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->menuCB_i(); }
void MainWindow::closeCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->closeCB_i(); }
void MainWindow::newCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->newCB_i(); }
void MainWindow::userRemoveCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->userRemoveCB_i(); }
void MainWindow::chartRemoveCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->chartRemoveCB_i(); }
void MainWindow::helpCB(Fl_Widget*, void* data) { static_cast<MainWindow*>(data)->helpCB_i(); }
void MainWindow::infoCB(Fl_Widget*, void*) {}
void MainWindow::setUserControlsActive(bool active) {
    setUserMenuItemsActive(active);
    setUserWidgetsActive(active);
}
void MainWindow::setUserMenuItemsActive(bool) {}
void MainWindow::setUserWidgetsActive(bool) {}
void MainWindow::refreshPanels(bool, bool, bool) {}
void MainWindow::addPointToChart(const std::string& name, std::tm when, double value) {
    chart->addPointToVariable(name, when, value);
}
void MainWindow::resetDisplayMenu(bool) {}
void MainWindow::variableCB_i(const char*, XmlNode*) {}
void MainWindow::normalRangeCB_i(XmlNode*) {}
void MainWindow::addVarToChart(XmlNode*, const char*, const char*) {}
void MainWindow::valueCB(Fl_Widget*, void* node) { mainWindow->variableCB_i("value", static_cast<XmlNode*>(node)); }
void MainWindow::systolicCB(Fl_Widget*, void* node) { mainWindow->variableCB_i("systolic", static_cast<XmlNode*>(node)); }
void MainWindow::diastolicCB(Fl_Widget*, void* node) { mainWindow->variableCB_i("diastolic", static_cast<XmlNode*>(node)); }
void MainWindow::postprandialCB(Fl_Widget*, void* node) { mainWindow->variableCB_i("postprandial", static_cast<XmlNode*>(node)); }
void MainWindow::fastingCB(Fl_Widget*, void* node) { mainWindow->variableCB_i("fasting", static_cast<XmlNode*>(node)); }
void MainWindow::normalRangeCB(Fl_Widget*, void* node) { mainWindow->normalRangeCB_i(static_cast<XmlNode*>(node)); }
