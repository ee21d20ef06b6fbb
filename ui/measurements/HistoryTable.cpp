#include "ui/measurements/HistoryTable.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "rules/units/ClockStyle.h"
#include "ui/main/MainWindow.h"
#include "ui/main/TextScale.h"
#include "ui/measurements/HistoryTableWindow.h"

namespace {
// The light grid between the cells.
const Fl_Color kGridColor = fl_rgb_color(214, 216, 220);
}  // namespace

HistoryTable::HistoryTable(int x, int y, int w, int h) : Fl_Table_Row(x, y, w, h) {
    col_header(1);
    col_resize(1);
    col_header_height(25);
    row_header(0);
    // The space below the last row looks like empty cells.
    color(FL_WHITE);
    // Selected rows stand out in the program's blue, their text in white.
    selection_color(fl_rgb_color(55, 156, 255));
    // The table was added to the window being built.
    owner = dynamic_cast<HistoryTableWindow*>(parent());
    end();
}

const std::string* HistoryTable::columnTitle(int col) const {
    if (!owner || col < 0 || static_cast<std::size_t>(col) >= owner->columns.size()) return nullptr;
    return &owner->columns[static_cast<std::size_t>(col)];
}

const std::string* HistoryTable::cellText(int row, int col) const {
    if (!owner || row < 0 || col < 0 || static_cast<std::size_t>(row) >= owner->rows.size()) return nullptr;
    const HistoryRow& r = owner->rows[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(col) >= r.cells.size()) return nullptr;
    return &r.cells[static_cast<std::size_t>(col)];
}

std::string HistoryTable::shownText(int row, int col) const {
    const std::string* text = cellText(row, col);
    if (!text) return std::string();
    const Units::Preferences& units = owner ? owner->units() : MainWindow::unitsOf(nullptr);
    return col == 0 ? ClockStyle::shownDate(*text, units) : col == 1 ? ClockStyle::shownTime(*text, units) : *text;
}

bool HistoryTable::cellRect(TableContext context, int row, int col, int& x, int& y, int& w, int& h) {
    return find_cell(context, row, col, x, y, w, h) == 0;
}

int HistoryTable::handle(int event) {
    if (event == FL_PUSH && Fl::event_button() == FL_LEFT_MOUSE && owner) {
        int row = -1, col = -1;
        ResizeFlag resizing = RESIZE_NONE;
        const TableContext context = cursor2rowcol(row, col, resizing);
        if (context == CONTEXT_COL_HEADER && resizing == RESIZE_NONE) {
            owner->sortBy(col);
            return 1;
        }
        if (context == CONTEXT_CELL && Fl::event_clicks() > 0) {
            Fl_Table_Row::handle(event);  // the row under the pointer is the one selected
            select_all_rows(0);
            select_row(row, 1);
            owner->editCB_i();
            return 1;
        }
    }
    return Fl_Table_Row::handle(event);
}

void HistoryTable::draw_cell(TableContext context, int row, int col, int x, int y, int w, int h) {
    switch (context) {
        case CONTEXT_STARTPAGE:
            fl_font(FL_HELVETICA, TextScale::px(12));
            return;
        case CONTEXT_COL_HEADER: {
            fl_push_clip(x, y, w, h);
            fl_draw_box(FL_THIN_DOWN_BOX, x, y, w, h, row_header_color());
            fl_color(FL_BLACK);
            fl_font(FL_HELVETICA, TextScale::px(12));
            // Texts from the data are drawn as they are, without symbols.
            if (const std::string* title = columnTitle(col))
                fl_draw(title->c_str(), x, y, w, h, FL_ALIGN_CENTER, nullptr, 0);
            if (owner && owner->sortColumn == col) {
                // The sorted column carries a small triangle: up ascending, down descending.
                const int cx = x + w - TextScale::px(12), cy = y + h / 2;
                if (owner->sortAscending)
                    fl_polygon(cx - 4, cy + 2, cx + 4, cy + 2, cx, cy - 3);
                else
                    fl_polygon(cx - 4, cy - 2, cx + 4, cy - 2, cx, cy + 3);
            }
            fl_pop_clip();
            return;
        }
        case CONTEXT_CELL: {
            ++cellsDrawn;
            fl_push_clip(x, y, w, h);
            const bool selected = row_selected(row) == 1;
            fl_color(selected ? selection_color() : FL_WHITE);
            fl_rectf(x, y, w, h);
            fl_font(FL_HELVETICA, TextScale::px(12));
            fl_color(selected ? fl_contrast(FL_BLACK, selection_color()) : FL_BLACK);
            const std::string shown = shownText(row, col);
            if (!shown.empty()) fl_draw(shown.c_str(), x + 4, y, w - 8, h, FL_ALIGN_LEFT, nullptr, 0);
            fl_color(kGridColor);
            fl_rect(x, y, w, h);
            fl_pop_clip();
            return;
        }
        case CONTEXT_RC_RESIZE: {
            // Keeps child widgets, if any, on the rectangles of their cells.
            int index = 0;
            for (int r = 0; r < rows() && index < children(); ++r) {
                for (int c = 0; c < cols() && index < children(); ++c, ++index) {
                    int X, Y, W, H;
                    find_cell(CONTEXT_TABLE, r, c, X, Y, W, H);
                    child(index)->resize(X, Y, W, H);
                }
            }
            init_sizes();  // records the new sizes and redraws
            return;
        }
        default:
            return;
    }
}
