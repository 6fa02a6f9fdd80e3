#include "SectionTree.h"

#include <QTreeWidget>

QStringList SectionKeys(bool fullAccess, bool n20Family, bool textSmsRight) {
    QStringList keys{QStringLiteral("MainTvi")};
    if (fullAccess)
        keys << QStringLiteral("GPRS&GSMreportingTvi");
    if (fullAccess || !n20Family || textSmsRight)
        keys << QStringLiteral("TextSMSreportingTvi");
    keys << QStringLiteral("SettingsTvi") << QStringLiteral("FirmwareTvi");
    return keys;
}

QString PageForSectionKey(const QString& key) {
    struct Row {
        const char* key;
        const char* page;
    };
    static const Row rows[] = {
        {"MainTvi", "MainTbs"},
        {"GPRS&GSMreportingTvi", "GPRSGSMReportingTbs"},
        {"TextSMSreportingTvi", "TextSMSreportingTbs"},
        {"SettingsTvi", "ComportTbs"},
        {"FirmwareTvi", "FirmwareTbs"},
        {"ReportingTvi", ""},
        {"LanguageTvi", "LanguageTbs"},
        {"Users&ZonesTvi", "UsersZonesTbs"},
        {"GPRSTvi", "GPRSTbs"},
        {"ModemTvi", "ModemTbs"},
        {"CMSPhonesTvi", "CMSPhonesTbs"},
        {"InputOutputTvi", "InputOutputTbs"},
    };
    for (const auto& row : rows)
        if (key == QLatin1String(row.key))
            return QString::fromLatin1(row.page);
    return QStringLiteral("EmptyTbs");
}

QString SectionKey(const QTreeWidgetItem* item) {
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

void FillSectionTree(QTreeWidget* tree, const QStringList& keys,
                     const std::function<QString(const QString&)>& lookup) {
    const QString selected = SectionKey(tree->currentItem());
    tree->clear();
    QTreeWidgetItem* reselect = nullptr;
    for (const QString& key : keys) {
        auto* item = new QTreeWidgetItem(tree);
        item->setData(0, Qt::UserRole, key);
        item->setText(0, lookup(key));
        if (!selected.isEmpty() && key == selected && !reselect)
            reselect = item;
    }
    if (!reselect && tree->topLevelItemCount() > 0)
        reselect = tree->topLevelItem(0);
    if (reselect)
        tree->setCurrentItem(reselect);
}
