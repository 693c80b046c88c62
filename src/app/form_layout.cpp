#include "form_layout.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace tallomir::app {

namespace {

// ---------------------------------------------------------------- texts

constexpr double smallestFontScale = 0.75;

// How many pixels a label's text needs beyond its room (<= 0: it fits). The
// room ends at the label's own edges or where a later sibling, drawn over
// the label, begins.
int labelOverflow(const QLabel* label) {
    if (label->text().isEmpty())
        return 0;
    const QFontMetrics metrics(label->font());
    const QRect inner = label->contentsRect();
    const QRect text = metrics.boundingRect(inner, static_cast<int>(label->alignment()), label->text());
    int right = inner.right();
    const QRect onParent = text.translated(label->pos());
    bool above = false;
    for (QObject* object : label->parentWidget()->children()) {
        above = above || object == label;
        auto* sibling = qobject_cast<QWidget*>(object);
        if (!above || sibling == nullptr || sibling == label || !sibling->isVisibleTo(label->parentWidget()))
            continue;
        const QRect covering = sibling->geometry();
        if (covering.top() <= onParent.bottom() && covering.bottom() >= onParent.top() &&
            covering.right() >= label->x() && covering.left() <= label->geometry().right())
            right = std::min(right, covering.left() - label->x() - 1);
    }
    return std::max(text.right() - right, text.bottom() - inner.bottom());
}

// A push button or combo box: text plus what the style draws around it.
int framedOverflow(QWidget* control, const QString& text, QStyle::ContentsType type, QStyleOption& option) {
    const QFontMetrics metrics(control->font());
    option.initFrom(control);
    // Measured without text, so no minimum width of the style sets in.
    const int chrome =
        control->style()->sizeFromContents(type, &option, QSize(0, metrics.height()), control).width();
    return chrome + metrics.size(Qt::TextShowMnemonic, text).width() - control->width();
}

int overflow(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control))
        return labelOverflow(label);
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        QStyleOptionButton option;
        return button->text().isEmpty()
                   ? 0
                   : framedOverflow(button, button->text(), QStyle::CT_PushButton, option);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text().isEmpty() ? 0 : button->sizeHint().width() - button->width();
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        int most = 0;
        for (int i = 0; i < combo->count(); ++i) {
            QStyleOptionComboBox option;
            option.editable = combo->isEditable();
            option.frame = combo->hasFrame();
            most = std::max(most, framedOverflow(combo, combo->itemText(i), QStyle::CT_ComboBox, option));
        }
        return most;
    }
    return 0;
}

void fitText(QWidget* control) {
    if (overflow(control) <= 0)
        return;
    QFont font = control->font();
    const bool inPixels = font.pointSizeF() <= 0;
    const double start = inPixels ? font.pixelSize() : font.pointSizeF();
    const double step = inPixels ? 1.0 : 0.25;
    for (double size = start - step; size >= start * smallestFontScale; size -= step) {
        if (inPixels)
            font.setPixelSize(static_cast<int>(size));
        else
            font.setPointSizeF(size);
        control->setFont(font);
        if (overflow(control) <= 0)
            return;
    }
}

// ---------------------------------------------------------------- Tab order

struct Placed {
    QWidget* widget;
    QRect rect;
    bool takesFocus;
};

// The widgets that take the focus by Tab inside one control of the page
// (itself, or the parts of a composite control), in their own order.
std::vector<QWidget*> tabStops(QWidget* control) {
    std::vector<QWidget*> stops;
    QList<QWidget*> candidates{control};
    candidates += control->findChildren<QWidget*>();
    for (QWidget* widget : candidates)
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->focusProxy() == nullptr &&
            widget->window() == control->window())
            stops.push_back(widget);
    return stops;
}

// Rows: a control belongs to the current row when it starts above the middle
// of every control in it, so a tall control does not pull the rows beside it
// into one. Within a row, left to right.
std::vector<std::vector<Placed>> rowsOf(std::vector<Placed> items) {
    std::stable_sort(items.begin(), items.end(),
                     [](const Placed& a, const Placed& b) { return a.rect.top() < b.rect.top(); });
    std::vector<std::vector<Placed>> rows;
    int middle = 0; // the highest middle of the current row
    for (const Placed& item : items) {
        if (rows.empty() || item.rect.top() >= middle) {
            rows.emplace_back();
            middle = item.rect.center().y();
        }
        rows.back().push_back(item);
        middle = std::min(middle, item.rect.center().y());
    }
    for (auto& row : rows)
        std::stable_sort(row.begin(), row.end(),
                         [](const Placed& a, const Placed& b) { return a.rect.left() < b.rect.left(); });
    return rows;
}

std::vector<Placed> focusTaking(const std::vector<Placed>& items) {
    std::vector<Placed> result;
    std::copy_if(items.begin(), items.end(), std::back_inserter(result),
                 [](const Placed& item) { return item.takesFocus; });
    return result;
}

// The gap that sets two columns apart; controls in one row stand closer.
constexpr int columnGutter = 20;

// The controls that take the focus, in reading order. Everything on the page
// (labels too) decides where a column begins: at an x that nothing on its
// left comes within a gutter of, within the column's height, where the
// column holds at least two rows of controls.
std::vector<QWidget*> readingOrder(const std::vector<Placed>& items) {
    std::vector<int> edges;
    for (const Placed& item : items)
        edges.push_back(item.rect.left());
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    for (int edge : edges) {
        std::vector<Placed> left, right;
        for (const Placed& item : items)
            (item.rect.left() >= edge ? right : left).push_back(item);
        if (focusTaking(left).empty() || rowsOf(focusTaking(right)).size() < 2)
            continue;
        int top = right.front().rect.top(), bottom = right.front().rect.bottom();
        for (const Placed& item : right) {
            top = std::min(top, item.rect.top());
            bottom = std::max(bottom, item.rect.bottom());
        }
        const bool apart = std::none_of(left.begin(), left.end(), [&](const Placed& item) {
            return item.rect.right() >= edge - columnGutter && item.rect.top() <= bottom &&
                   item.rect.bottom() >= top;
        });
        if (!apart)
            continue;
        std::vector<QWidget*> order = readingOrder(left);
        for (QWidget* widget : readingOrder(right))
            order.push_back(widget);
        return order;
    }
    std::vector<QWidget*> order;
    for (const auto& row : rowsOf(focusTaking(items)))
        for (const Placed& item : row)
            order.push_back(item.widget);
    return order;
}

} // namespace

void fitTextsToRoom(QWidget* page) {
    for (QWidget* control : page->findChildren<QWidget*>())
        fitText(control);
}

QWidget* chainTabsByPlace(QWidget* previous, QWidget* page) {
    std::vector<Placed> items;
    for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow()) // hidden ones too: they take their place when shown
            items.push_back({child, child->geometry(), !tabStops(child).empty()});
    auto link = [&previous](QWidget* widget) {
        if (previous != nullptr)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    };
    // A control that takes the focus itself moves with its parts (Qt keeps a
    // composite control together by its focus proxy); a mere container hands
    // on its parts one by one.
    for (QWidget* control : readingOrder(items)) {
        if (control->focusPolicy() & Qt::TabFocus)
            link(control);
        else
            for (QWidget* stop : tabStops(control))
                link(stop);
    }
    return previous;
}

} // namespace tallomir::app
