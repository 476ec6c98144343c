// The group list that every list tool's dialog offers: the book's groups by name, each carrying its id.
#pragma once

#include <vector>

#include "store/GroupRecord.h"
#include "store/RowId.h"

class QComboBox;

// Fills `box` with `groups` and chooses `selected` when it is one of them (whether it is), else the first.
bool fillGroupChoice(QComboBox& box, const std::vector<GroupRecord>& groups, RowId selected);
// The id of the group chosen in a box that fillGroupChoice filled; 0 when it is empty.
RowId chosenGroup(const QComboBox& box);
