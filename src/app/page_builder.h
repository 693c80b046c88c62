#pragma once

// Builds a page from its description (page_rows.h) with Qt's layouts, so that
// the page follows the font: every label and input takes the room its text
// needs, an input is as wide as its width in characters. The controls are
// made in the order of the rows, so Tab walks them in that order.

#include "form/page_rows.h"

#include <QString>

#include <functional>
#include <vector>

class QBoxLayout;
class QGridLayout;
class QLabel;
class QWidget;

namespace tallomir::app {

// Makes the input of a row as a child of the page: what it shows, how it
// hands over what is typed. The builder gives it its name, place, width and
// tooltip.
using InputMaker = std::function<QWidget*(const PageRow& row, QWidget* page)>;

// The room of `chars` characters in the input's font, plus what the style
// draws around the text (frame, arrow, check box); a multi-line input is
// `lines` lines high.
void setWidthInChars(QWidget* input, int chars, int lines = 1);

// The object name of a row's input: "field<N>", or the row's own name.
QString inputName(const PageRow& row);

// The inputs of rows laid out, in the order of the rows, and their labels
// (nullptr for a row without one).
struct LaidRows {
    std::vector<QWidget*> inputs;
    std::vector<QLabel*> labels;
};

// A page's grid: each column of rows takes three grid columns (label, input
// and a gap before the next column).
class PageGrid {
public:
    PageGrid(QWidget* page, InputMaker makeInput);

    // Lays out the rows after those laid out before.
    LaidRows add(PageRows rows);
    // Lays out rows as a line of their own at grid row `row` of the first
    // column, moving what stands there and below one line down.
    LaidRows insert(int row, PageRows rows);
    // Puts a widget at the end of the line laid out last, level with its inputs.
    void addToLine(QWidget* widget);
    // Puts a widget below the rows of a column of rows (0 the first), across
    // its labels and inputs, over as many lines as its height needs; rows laid
    // out next in that column follow below it.
    void addToColumn(int column, QWidget* widget);
    // Puts a widget below everything, across the page, taking the height left.
    void addBelow(QWidget* widget);

    // The grid row of an input laid out.
    int gridRow(const QWidget* input) const;

private:
    void place(const PageRow& row, QWidget* input, QLabel* label);
    void finish();

    QWidget* page_;
    InputMaker makeInput_;
    QGridLayout* grid_;
    std::vector<int> nextRow_{0}; // per column of rows
    int column_ = 0;
    bool aboveLine_ = false;
    int lineRow_ = 0;
    QBoxLayout* line_ = nullptr;  // the line the last row stands in
    QBoxLayout* entry_ = nullptr; // the last input with those joining it
    struct Placed {
        const QWidget* input;
        int column, row;
    };
    std::vector<Placed> placed_;
    int insertAt_ = -1;
    bool below_ = false;
};

} // namespace tallomir::app
