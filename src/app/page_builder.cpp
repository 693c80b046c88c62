#include "page_builder.h"

#include "date_picker.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <utility>

namespace tallomir::app {

namespace {

// The room of a line of text inside an input of the given kind, with what the
// style draws around it.
int framed(QWidget* input, int text) {
    const QFontMetrics metrics(input->font());
    const QSize contents(text, metrics.height());
    QStyle* style = input->style();
    if (auto* combo = qobject_cast<QComboBox*>(input)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        return style->sizeFromContents(QStyle::CT_ComboBox, &option, contents, combo).width();
    }
    if (auto* picker = qobject_cast<DatePicker*>(input)) {
        QStyleOptionSpinBox option;
        option.initFrom(picker->dateEdit());
        option.buttonSymbols = picker->dateEdit()->buttonSymbols();
        option.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown |
                             QStyle::SC_SpinBoxEditField;
        // The edit's own margins of its text, as for a line.
        const QSize edit =
            style->sizeFromContents(QStyle::CT_SpinBox, &option, contents + QSize(4, 0), picker->dateEdit());
        return picker->checkBox()->sizeHint().width() + edit.width();
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(input))
        return text + 2 * plain->frameWidth() + 2 * static_cast<int>(plain->document()->documentMargin()) +
               plain->verticalScrollBar()->sizeHint().width();
    if (qobject_cast<QLineEdit*>(input)) {
        QStyleOptionFrame option;
        option.initFrom(input);
        option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, input);
        // A line edit keeps two pixels of margin on either side of its text.
        return style->sizeFromContents(QStyle::CT_LineEdit, &option, contents + QSize(4, 0), input).width();
    }
    return text;
}

QLabel* makeLabel(QWidget* page, const PageRow& row) {
    if (row.labelName == nullptr)
        return nullptr;
    auto* label = new QLabel(QString::fromUtf8(row.label), page);
    label->setObjectName(QString::fromLatin1(row.labelName));
    label->setTextFormat(Qt::PlainText);
    return label;
}

bool startsLine(Place place) {
    return place != Place::Beside;
}

} // namespace

QString inputName(const PageRow& row) {
    return row.name ? QString::fromLatin1(row.name)
                    : QStringLiteral("field%1").arg(static_cast<int>(row.field));
}

void setWidthInChars(QWidget* input, int chars, int lines) {
    const QFontMetrics metrics(input->font());
    const int width = framed(input, chars * metrics.averageCharWidth());
    if (auto* label = qobject_cast<QLabel*>(input)) {
        label->setMinimumWidth(width);
        return;
    }
    // A list is never narrower than its longest entry, a date than its form.
    const bool ownWidth = qobject_cast<QComboBox*>(input) || qobject_cast<DatePicker*>(input);
    input->setFixedWidth(std::max(width, ownWidth ? input->sizeHint().width() : 0));
    if (auto* plain = qobject_cast<QPlainTextEdit*>(input))
        plain->setFixedHeight(lines * metrics.lineSpacing() + 2 * plain->frameWidth() +
                              2 * static_cast<int>(plain->document()->documentMargin()));
}

PageGrid::PageGrid(QWidget* page, InputMaker makeInput)
    : page_(page), makeInput_(std::move(makeInput)), grid_(new QGridLayout(page)) {}

LaidRows PageGrid::add(PageRows rows) {
    LaidRows laid;
    for (const PageRow& row : rows) {
        QLabel* label = makeLabel(page_, row);
        QWidget* input = makeInput_(row, page_);
        input->setObjectName(inputName(row));
        if (row.tooltip != nullptr)
            input->setToolTip(QString::fromUtf8(row.tooltip));
        if (auto* caption = qobject_cast<QLabel*>(input); caption && row.lines > 1)
            caption->setWordWrap(true);
        setWidthInChars(input, row.chars, row.lines);
        if (label != nullptr)
            label->setBuddy(input);
        place(row, input, label);
        laid.inputs.push_back(input);
        laid.labels.push_back(label);
    }
    finish();
    return laid;
}

// What is left of the page stays empty below and on the right.
void PageGrid::finish() {
    for (int r = 0; r < grid_->rowCount(); ++r)
        grid_->setRowStretch(r, 0);
    grid_->setRowStretch(below_ ? grid_->rowCount() - 1 : *std::max_element(nextRow_.begin(), nextRow_.end()),
                         1);
    grid_->setColumnStretch(3 * static_cast<int>(nextRow_.size()), 1);
}

LaidRows PageGrid::insert(int row, PageRows rows) {
    // Everything of the first column from that row on moves one line down.
    struct Moved {
        QLayoutItem* item;
        int row, column, rowSpan, columnSpan;
    };
    std::vector<Moved> moved;
    for (int i = 0; i < grid_->count(); ++i) {
        Moved m{grid_->itemAt(i), 0, 0, 0, 0};
        grid_->getItemPosition(i, &m.row, &m.column, &m.rowSpan, &m.columnSpan);
        if (m.row >= row && m.column < 3)
            moved.push_back(m);
    }
    for (const Moved& m : moved)
        grid_->takeAt(grid_->indexOf(m.item));
    for (const Moved& m : moved)
        grid_->addItem(m.item, m.row + 1, m.column, m.rowSpan, m.columnSpan, m.item->alignment());
    for (Placed& p : placed_)
        p.row += p.column == 0 && p.row >= row ? 1 : 0;
    const int column = column_;
    const int next = nextRow_[0];
    column_ = 0;
    insertAt_ = row;
    LaidRows laid = add(rows);
    insertAt_ = -1;
    column_ = column;
    nextRow_[0] = next + 1;
    finish();
    return laid;
}

void PageGrid::addToLine(QWidget* widget) {
    line_->insertWidget(line_->count() - 1, widget, 0, aboveLine_ ? Qt::AlignBottom : Qt::Alignment());
}

void PageGrid::addToColumn(int column, QWidget* widget) {
    QLineEdit probe; // the height of a line of inputs
    probe.setFont(page_->font());
    const int line = probe.sizeHint().height() + std::max(0, grid_->verticalSpacing());
    const int lines = std::max(1, (widget->minimumSizeHint().height() + line - 1) / line);
    int& next = nextRow_[static_cast<std::size_t>(column)];
    grid_->addWidget(widget, next, 3 * column, lines, 2);
    next += lines;
    finish();
}

void PageGrid::addBelow(QWidget* widget) {
    grid_->addWidget(widget, *std::max_element(nextRow_.begin(), nextRow_.end()), 0, 1, -1);
    below_ = true;
    finish();
}

int PageGrid::gridRow(const QWidget* input) const {
    for (const Placed& p : placed_)
        if (p.input == input)
            return p.row;
    return -1;
}

void PageGrid::place(const PageRow& row, QWidget* input, QLabel* label) {
    if (startsLine(row.place)) {
        if (row.place == Place::NextColumn) {
            ++column_;
            nextRow_.push_back(0);
        }
        int& next = nextRow_[column_];
        if (row.place == Place::AfterGap) {
            // An empty line as high as the one that follows.
            grid_->setRowMinimumHeight(next, input->sizeHint().height());
            ++next;
        }
        aboveLine_ = row.place == Place::Above || row.place == Place::NextColumn;
        // A line of labels above their inputs reaches over as many lines of
        // labels beside their inputs as it needs, so that these keep their height.
        const int span = aboveLine_ ? 1 + std::max(1, (row.lines + 1) / 2) : 1;
        lineRow_ = insertAt_ >= 0 ? insertAt_ : next;
        next += insertAt_ >= 0 ? 0 : span;
        const int labelColumn = 3 * column_;
        // The gap that sets the columns apart: two characters' room.
        grid_->setColumnMinimumWidth(labelColumn + 2, 2 * QFontMetrics(page_->font()).averageCharWidth());
        line_ = new QHBoxLayout;
        line_->setContentsMargins(0, 0, 0, 0);
        if (aboveLine_) {
            grid_->addLayout(line_, lineRow_, labelColumn, span, 2);
        } else {
            if (label != nullptr) {
                const bool tall = row.input == Input::MultiLine || row.input == Input::ShownLines;
                grid_->addWidget(label, lineRow_, labelColumn,
                                 Qt::AlignLeft | (tall ? Qt::AlignTop : Qt::AlignVCenter));
            }
            grid_->addLayout(line_, lineRow_, labelColumn + 1, 1, row.place == Place::Wide ? -1 : 1);
            label = nullptr;
        }
        line_->addStretch(1);
    }
    placed_.push_back({input, column_, lineRow_});
    if (!startsLine(row.place) && label == nullptr) {
        // Joins the input before: a date range, an address with its scheme.
        entry_->addWidget(input);
        return;
    }
    // An entry: its label (above it in a line of labels above) and its input.
    entry_ = new QHBoxLayout;
    entry_->setContentsMargins(0, 0, 0, 0);
    entry_->addWidget(input);
    if (aboveLine_) {
        auto* column = new QVBoxLayout;
        column->setContentsMargins(0, 0, 0, 0);
        if (label != nullptr)
            column->addWidget(label);
        column->addLayout(entry_);
        column->addStretch(1);
        line_->insertLayout(line_->count() - 1, column);
    } else {
        if (label != nullptr)
            line_->insertWidget(line_->count() - 1, label);
        line_->insertLayout(line_->count() - 1, entry_);
    }
}

} // namespace tallomir::app
