// Tested by tests/gui/NamedImportTest.cpp and tests/gui/GroupArithmeticTest.cpp.
#include "listdialogs/GroupChoice.h"

#include <QComboBox>

#include "ui/Cp936Text.h"

bool fillGroupChoice(QComboBox& box, const std::vector<GroupRecord>& groups, RowId selected) {
    box.clear();
    for (const GroupRecord& group : groups)
        box.addItem(fromCp936(group.name), QVariant::fromValue<qlonglong>(group.id));
    const int found = box.findData(QVariant::fromValue<qlonglong>(selected));
    box.setCurrentIndex(found >= 0 ? found : 0);
    return found >= 0;
}

RowId chosenGroup(const QComboBox& box) {
    return box.currentData().toLongLong();
}
