#pragma once
// The section tree of the main window: which sections are offered for an access
// level and device, which page each section key shows, and rebuilding the tree
// while keeping the selected section when it is still offered.

#include <QString>
#include <QStringList>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

// Keys of the sections offered, in tree order.
QStringList SectionKeys(bool fullAccess, bool n20Family, bool textSmsRight);

// Object name of the page a section key shows. "ReportingTvi" has no page of its
// own (its first child is shown instead) and gives an empty name; unknown keys
// give "EmptyTbs".
QString PageForSectionKey(const QString& key);

// The key a tree node carries (empty for none).
QString SectionKey(const QTreeWidgetItem* item);

// Replaces the nodes by one top-level node per key, its text the lookup of the
// key, and selects the node of the previously selected key, or the first node.
void FillSectionTree(QTreeWidget* tree, const QStringList& keys,
                     const std::function<QString(const QString&)>& lookup);
