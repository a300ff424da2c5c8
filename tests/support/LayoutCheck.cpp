#include "LayoutCheck.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace {
QString nameOf(const QWidget* w) {
    QString text;
    if (auto* l = qobject_cast<const QLabel*>(w)) text = l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) text = b->text();
    return QStringLiteral("%1 \"%2\"")
        .arg(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                       : w->objectName(),
             text);
}

// Labels, buttons, edit boxes and lists: the controls a user reads.
bool isControl(const QWidget* w) {
    return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w);
}
} // namespace

QStringList layoutFaults(const QWidget* window) {
    QStringList faults;
    std::vector<std::pair<const QWidget*, QRect>> shown;
    const QRect inside = window->rect();
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !isControl(w)) continue;
        // A combo box's own line edit belongs to it.
        if (qobject_cast<const QComboBox*>(w->parentWidget())) continue;
        const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
        const bool hasText =
            (qobject_cast<const QLabel*>(w) && !static_cast<const QLabel*>(w)->text().isEmpty()) ||
            (qobject_cast<const QAbstractButton*>(w) &&
             !static_cast<const QAbstractButton*>(w)->text().isEmpty());
        if (hasText && w->width() < w->sizeHint().width())
            faults << QStringLiteral("%1 cut: %2 of %3 pixels")
                          .arg(nameOf(w))
                          .arg(w->width())
                          .arg(w->sizeHint().width());
        if (!inside.contains(r))
            faults << QStringLiteral("%1 outside the window at %2,%3 %4x%5")
                          .arg(nameOf(w))
                          .arg(r.x())
                          .arg(r.y())
                          .arg(r.width())
                          .arg(r.height());
        shown.emplace_back(w, r);
    }
    for (size_t i = 0; i < shown.size(); ++i)
        for (size_t j = i + 1; j < shown.size(); ++j) {
            const QWidget* a = shown[i].first;
            const QWidget* b = shown[j].first;
            if (a->isAncestorOf(b) || b->isAncestorOf(a)) continue;
            if (shown[i].second.intersects(shown[j].second))
                faults << QStringLiteral("%1 and %2 overlap").arg(nameOf(a), nameOf(b));
        }
    return faults;
}
