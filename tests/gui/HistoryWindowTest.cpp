// The history window: its rows and columns, the count line, the table's
// settings, what the cells show and the scrolling of long histories.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/fl_draw.H>

#include "TestSupport.h"
#include "store/Global.h"
#include "ui/main/MainWindow.h"
#include "ui/measurements/HistoryTable.h"
#include "ui/measurements/HistoryTableWindow.h"

namespace {

using Texts = std::vector<std::string>;

std::string entries(const std::string& valueXml, int count, int firstId = 0) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        s += "\t\t<entry id=\"" + std::to_string(firstId + i) + "\">\n" + valueXml + "\t\t\t<date>2024/" +
             std::to_string(12 - i % 12) + "/" + std::to_string(1 + i % 28) + "</date>\n\t\t\t<time>" +
             std::to_string(1 + i % 12) + ":00:00 PM</time>\n\t\t</entry>\n";
    }
    return s;
}

std::string variable(const std::string& name, const std::string& body) {
    return "\t<variable name=\"" + name + "\">\n" + body + "\t</variable>\n";
}

class HistoryWindowTest : public ::testing::Test {
protected:
    void open(const std::string& variables) { openTestUser(data, variables); }

    std::unique_ptr<HistoryTableWindow> show(const std::string& name, int w = 600, int h = 400) {
        const std::string title = name + " History";
        ::testing::internal::CaptureStderr();
        auto window = std::make_unique<HistoryTableWindow>(nullptr, w, h, title.c_str(), name.c_str());
        errors = ::testing::internal::GetCapturedStderr();
        settle(*window);
        return window;
    }

    // Lets the window map and draw; a table with rows is waited for until
    // it has drawn cells (at most about five seconds on a busy machine).
    static void settle(HistoryTableWindow& window) {
        for (int i = 0; i < 10; ++i) Fl::wait(0.02);
        for (int i = 0; i < 500 && window.shown() && window.table->rows() > 0 && window.table->cellsDrawn == 0; ++i)
            Fl::wait(0.01);
        window.redraw();
        Fl::flush();
    }

    // Number of dark (text) pixels inside a cell of the table, drawn into an
    // off-screen image so that other windows on the display do not matter.
    static int darkPixels(HistoryTableWindow& window, Fl_Table::TableContext context, int row, int col) {
        int x = 0, y = 0, w = 0, h = 0;
        if (!window.table->cellRect(context, row, col, x, y, w, h)) return -1;
        window.make_current();
        Fl_Offscreen off = fl_create_offscreen(window.w(), window.h());
        fl_begin_offscreen(off);
        fl_color(FL_WHITE);
        fl_rectf(0, 0, window.w(), window.h());
        window.table->damage(FL_DAMAGE_ALL);  // a full draw, not only changed cells
        window.table->draw();
        // Inside the cell's grid lines.
        const int iw = w - 4, ih = h - 4;
        std::vector<unsigned char> pixels(static_cast<std::size_t>(iw * ih * 3));
        fl_read_image(pixels.data(), x + 2, y + 2, iw, ih);
        fl_end_offscreen();
        fl_delete_offscreen(off);
        int dark = 0;
        for (std::size_t i = 0; i + 2 < pixels.size(); i += 3)
            if (pixels[i] < 100 && pixels[i + 1] < 100 && pixels[i + 2] < 100) ++dark;
        return dark;
    }

    TestDataFolder data;
    DialogRecorder dialogs;
    std::string errors;
};

}  // namespace

TEST_F(HistoryWindowTest, PulseShowsDateTimeAndTheStoredValues) {
    open(variable("Pulse", "\t\t<normalLow>60</normalLow>\n" + entries("\t\t\t<value>72.000000</value>\n", 3)));
    auto window = show("Pulse");
    EXPECT_TRUE(window->shown());
    EXPECT_FALSE(window->modal());
    EXPECT_STREQ(window->label(), "Pulse History");
    EXPECT_EQ(window->color(), panelColor);
    EXPECT_EQ(window->columns, (Texts{"Date", "Time", "Pulse"}));
    EXPECT_FALSE(window->grouped);
    ASSERT_EQ(window->rows.size(), 3u);
    EXPECT_EQ(window->rows[1].cells, (Texts{"2024/11/2", "2:00:00 PM", "72.000000"}));
    EXPECT_EQ(errors, "");
    ASSERT_NE(window->countBox, nullptr);
    EXPECT_STREQ(window->countBox->label(), "Total number of entries: 3");
    EXPECT_EQ(window->countBox->x(), 10);
    EXPECT_EQ(window->countBox->y(), 20);
    EXPECT_EQ(window->countBox->w(), 580);

    HistoryTable* table = window->table;
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->owner, window.get());
    EXPECT_EQ(table->rows(), 3);
    EXPECT_EQ(table->cols(), 3);
    for (int c = 0; c < 3; ++c) ASSERT_NE(table->columnTitle(c), nullptr);
    EXPECT_EQ(*table->columnTitle(0), "Date");
    EXPECT_EQ(*table->columnTitle(2), "Pulse");
    EXPECT_EQ(table->columnTitle(3), nullptr);
    EXPECT_EQ(*table->cellText(2, 2), "72.000000");
    EXPECT_EQ(*table->cellText(0, 0), "2024/12/1");
    EXPECT_EQ(table->cellText(3, 0), nullptr);
    EXPECT_EQ(table->cellText(0, 3), nullptr);
}

TEST_F(HistoryWindowTest, TableSettingsAndPlace) {
    open(variable("Pulse", entries("\t\t\t<value>72.000000</value>\n", 5)));
    auto window = show("Pulse", 700, 500);
    HistoryTable* table = window->table;
    EXPECT_EQ(table->x(), 10);
    EXPECT_EQ(table->y(), 45);
    EXPECT_EQ(table->w(), 680);
    EXPECT_EQ(table->h(), 445);
    EXPECT_EQ(table->col_header(), 1);
    EXPECT_EQ(table->col_resize(), 1);
    EXPECT_EQ(table->col_header_height(), 25);
    EXPECT_EQ(table->row_header(), 0);
    EXPECT_EQ(table->type(), Fl_Table_Row::SELECT_MULTI);
    for (int r = 0; r < table->rows(); ++r) EXPECT_EQ(table->row_height(r), 18) << r;
}

TEST_F(HistoryWindowTest, BloodPressureWithOnlySystolicHasAnEmptyDiastolicCell) {
    open(variable("Blood Pressure", entries("\t\t\t<systolic>120.000000</systolic>\n", 1) +
                                        entries("\t\t\t<systolic>118.000000</systolic>\n"
                                                "\t\t\t<diastolic>77.000000</diastolic>\n",
                                                1, 1)));
    auto window = show("Blood Pressure");
    EXPECT_TRUE(window->grouped);
    EXPECT_EQ(window->table->cols(), 4);
    EXPECT_EQ(*window->table->columnTitle(3), "Diastolic");
    EXPECT_EQ(*window->table->cellText(0, 2), "120.000000");
    EXPECT_EQ(*window->table->cellText(0, 3), "");
    EXPECT_EQ(*window->table->cellText(1, 3), "77.000000");
    EXPECT_EQ(errors,
              "HistoryTableWindow::loadData : Error: attribute diastolic of entry id=0 for variable Blood Pressure "
              "is missing.\n");
    // What the cells show: the texts, and nothing in the empty cell.
    EXPECT_GT(darkPixels(*window, Fl_Table::CONTEXT_CELL, 0, 2), 10);
    EXPECT_GT(darkPixels(*window, Fl_Table::CONTEXT_CELL, 1, 3), 10);
    EXPECT_EQ(darkPixels(*window, Fl_Table::CONTEXT_CELL, 0, 3), 0);
    // Every header shows its title, the last one included.
    for (int c = 0; c < 4; ++c) EXPECT_GT(darkPixels(*window, Fl_Table::CONTEXT_COL_HEADER, 0, c), 10) << c;
}

TEST_F(HistoryWindowTest, NoEntriesGivesZeroAndNoError) {
    open(variable("Pulse", "\t\t<normalLow>60</normalLow>\n"));
    auto window = show("Pulse");
    EXPECT_TRUE(window->shown());
    EXPECT_STREQ(window->countBox->label(), "Total number of entries: 0");
    EXPECT_EQ(window->table->rows(), 0);
    EXPECT_EQ(window->table->cols(), 3);
    EXPECT_EQ(errors, "");
}

TEST_F(HistoryWindowTest, UnknownVariableGivesItsErrorLineAndNoRows) {
    open(variable("Pulse", entries("\t\t\t<value>72.000000</value>\n", 2)));
    auto window = show("Weight");
    EXPECT_STREQ(window->countBox->label(), "Total number of entries: 0");
    EXPECT_EQ(window->table->rows(), 0);
    EXPECT_EQ(errors, "HistoryTableWindow::loadData : Error: no entry for variable Weight\n");
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(HistoryWindowTest, LongHistoryScrolls) {
    open(variable("Pulse", entries("\t\t\t<value>72.000000</value>\n", 300)));
    auto window = show("Pulse", 600, 400);
    EXPECT_EQ(window->table->rows(), 300);
    int r1 = 0, r2 = 0, c1 = 0, c2 = 0;
    window->table->visible_cells(r1, r2, c1, c2);
    EXPECT_EQ(r1, 0);
    EXPECT_LT(r2, 40);
    window->table->row_position(250);
    settle(*window);
    window->table->visible_cells(r1, r2, c1, c2);
    EXPECT_EQ(r1, 250);
    EXPECT_GT(darkPixels(*window, Fl_Table::CONTEXT_CELL, 251, 0), 10);
    // Only the visible cells are drawn, however long the history.
    const long before = window->table->cellsDrawn;
    window->table->redraw();
    Fl::flush();
    const long drawn = window->table->cellsDrawn - before;
    EXPECT_GT(drawn, 0);
    EXPECT_LE(drawn, static_cast<long>((r2 - r1 + 1) * 3));
    // The last rows can be reached.
    window->table->row_position(299);
    settle(*window);
    window->table->visible_cells(r1, r2, c1, c2);
    EXPECT_EQ(r2, 299);
}

TEST_F(HistoryWindowTest, CloseBoxHides) {
    open(variable("Pulse", entries("\t\t\t<value>72.000000</value>\n", 1)));
    auto window = show("Pulse");
    ASSERT_TRUE(window->shown());
    window->do_callback();
    EXPECT_FALSE(window->shown());
}

TEST_F(HistoryWindowTest, OverlongVariableNameIsRefused) {
    const std::string name(32, 'V');
    open(variable(name, entries("\t\t\t<value>72.000000</value>\n", 2)));
    auto window = show(name);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_NE(dialogs.alerts[0].find("longer than 31 characters"), std::string::npos);
    EXPECT_FALSE(window->shown());
    EXPECT_TRUE(window->rows.empty());
    // A 31-character name is fine.
    const std::string fits(31, 'V');
    open(variable(fits, entries("\t\t\t<value>72.000000</value>\n", 2)));
    auto other = show(fits);
    EXPECT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_TRUE(other->shown());
    EXPECT_EQ(other->table->rows(), 2);
}
