#include "ui/qt/layout_check.hpp"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTextDocument>
#include <QTreeWidget>
#include <algorithm>
#include <utility>

namespace tarvex::ui {
namespace {

constexpr int kRowTolerance = 4;
// How far a label above its list may stand from it.
constexpr int kAboveGap = 8;

std::string nameOf(const QWidget* w) {
    const QString name = w->objectName();
    return (name.isEmpty() ? QString(w->metaObject()->className()) : name).toStdString();
}

// The text as drawn: "&&" is one ampersand, a single "&" marks the
// mnemonic and takes no room.
QString shown(QString text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

// Inside a scroll area or a composite control the parts are the control's
// own business.
bool ownedByControl(const QWidget* w, const QWidget* form) {
    for (const QWidget* p = w->parentWidget(); p && p != form; p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(p) || qobject_cast<const QComboBox*>(p) ||
            qobject_cast<const QTabBar*>(p))
            return true;
    return false;
}

// On a page that is not the current one of its stack (tab pages).
bool onHiddenPage(const QWidget* w, const QWidget* form) {
    for (const QWidget* p = w; p && p != form; p = p->parentWidget())
        if (auto* stack = qobject_cast<const QStackedWidget*>(p->parentWidget()); stack && stack->currentWidget() != p)
            return true;
    return false;
}

ShotChecker& checker() {
    static ShotChecker c;
    return c;
}

}  // namespace

void markRowLabel(QLabel* label, QListWidget* list, int row) {
    label->setProperty("tarvexRowList", QVariant::fromValue(static_cast<QObject*>(list)));
    label->setProperty("tarvexRow", row);
}

void setShotChecker(ShotChecker c) {
    checker() = std::move(c);
}

std::vector<std::string> layoutFaults(QWidget& form) {
    std::vector<std::string> faults;
    const auto fault = [&](const QWidget* w, const std::string& what) { faults.push_back(nameOf(w) + ": " + what); };
    for (QWidget* w : form.findChildren<QWidget*>()) {
        // A shown form's hidden pages do not count.
        if (w->isWindow() || !(form.isVisible() ? w->isVisible() : w->isVisibleTo(&form)) || ownedByControl(w, &form) ||
            onHiddenPage(w, &form))
            continue;
        const QWidget* parent = w->parentWidget();
        if (parent && !qobject_cast<const QAbstractScrollArea*>(parent) && !parent->rect().contains(w->geometry()))
            fault(w, "lies outside " + nameOf(parent));
        const QFontMetrics fm = w->fontMetrics();
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty() && !l->wordWrap()) {
            QString text = l->text();
            if (Qt::mightBeRichText(text)) {
                QTextDocument doc;
                doc.setHtml(text);
                text = doc.toPlainText();
            } else if (l->buddy()) {
                text = shown(text);
            }
            int widest = 0;
            for (const QString& line : text.split('\n')) widest = std::max(widest, fm.horizontalAdvance(line));
            if (l->contentsRect().width() < widest) fault(w, "caption cut: \"" + text.toStdString() + "\"");
        }
        if (auto* b = qobject_cast<QPushButton*>(w); b && !b->text().isEmpty()) {
            if (b->width() < fm.horizontalAdvance(shown(b->text())) + 4)
                fault(w, "caption cut: \"" + b->text().toStdString() + "\"");
        }
        if ((qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) &&
            !static_cast<QAbstractButton*>(w)->text().isEmpty() && w->width() < w->sizeHint().width())
            fault(w, "caption cut: \"" + static_cast<QAbstractButton*>(w)->text().toStdString() + "\"");
        if (auto* g = qobject_cast<QGroupBox*>(w); g && !g->title().isEmpty()) {
            if (g->width() < fm.horizontalAdvance(shown(g->title())) + 8)
                fault(w, "title cut: \"" + g->title().toStdString() + "\"");
        }
        if (auto* t = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < t->count(); ++i) {
                const QRect tab = t->tabRect(i);
                if (tab.width() < fm.horizontalAdvance(shown(t->tabText(i))) + 8 || tab.right() >= t->width() ||
                    tab.left() < 0)
                    fault(w, "tab cut: \"" + t->tabText(i).toStdString() + "\"");
            }
            for (const QWidget* arrow : t->findChildren<QWidget*>())
                if (arrow->isVisibleTo(t)) {
                    fault(w, "tabs need scroll arrows");
                    break;
                }
        }
        if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
            const QFontMetrics cells = tree->fontMetrics();
            for (int c = 0; c < tree->columnCount(); ++c) {
                if (tree->header()->isSectionHidden(c)) continue;
                const int room = tree->header()->sectionSize(c);
                for (int r = 0; r < tree->topLevelItemCount(); ++r) {
                    const QString text = tree->topLevelItem(r)->text(c);
                    if (!text.isEmpty() && cells.horizontalAdvance(text) + 6 > room)
                        fault(w, "cell cut: \"" + text.toStdString() + "\" in column " + std::to_string(c));
                }
            }
        }
        if (auto* l = qobject_cast<QLabel*>(w)) {
            // A label right above its list belongs to it.
            QWidget* buddy = l->buddy();
            if (buddy && buddy->isVisibleTo(&form) && qobject_cast<QAbstractScrollArea*>(buddy)) {
                // Where the caption's text stands within the label.
                const QRect inner = l->contentsRect();
                const int textHeight = fm.height();
                int top = inner.top() + (inner.height() - textHeight) / 2;
                if (l->alignment() & Qt::AlignTop) top = inner.top();
                if (l->alignment() & Qt::AlignBottom) top = inner.bottom() + 1 - textHeight;
                const QRect a(l->mapTo(&form, QPoint(inner.left(), top)), QSize(inner.width(), textHeight));
                QRect b(buddy->mapTo(&form, QPoint(0, 0)), buddy->size());
                // A header of the list's own stands between them.
                for (const QHeaderView* h : form.findChildren<QHeaderView*>()) {
                    if (!h->isVisible() || ownedByControl(h, &form)) continue;
                    const QRect r(h->mapTo(&form, QPoint(0, 0)), h->size());
                    if (r.top() > a.bottom() && r.bottom() <= b.top() && r.left() < b.right() && r.right() > b.left())
                        b.setTop(std::min(b.top(), r.top()));
                }
                const bool above = a.bottom() < b.top() && a.right() >= b.left() && a.left() <= b.right();
                if (above && b.top() - a.bottom() > kAboveGap)
                    fault(w, std::to_string(b.top() - a.bottom()) + " px above its list");
            }
            const QPointer<QObject> list = l->property("tarvexRowList").value<QObject*>();
            if (auto* rows = qobject_cast<QListWidget*>(list.data())) {
                const int row = l->property("tarvexRow").toInt();
                QRect item = rows->visualItemRect(rows->item(row));
                if (!rows->item(row)) {
                    // An empty row: where it would be, one row height each.
                    const int h = rows->sizeHintForRow(0) > 0 ? rows->sizeHintForRow(0) : fm.height();
                    item = QRect(0, row * h, rows->viewport()->width(), h);
                }
                const int rowCentre = rows->viewport()->mapTo(&form, item.center()).y();
                const int labelCentre = l->mapTo(&form, l->rect().center()).y();
                if (std::abs(rowCentre - labelCentre) > kRowTolerance)
                    fault(w, "centre " + std::to_string(labelCentre - rowCentre) + " px off row " +
                                 std::to_string(row) + " of " + nameOf(rows));
            }
        }
    }
    return faults;
}

void runShotChecker(const std::string& name, QWidget& form) {
    if (checker()) checker()(name, layoutFaults(form));
}

}  // namespace tarvex::ui
