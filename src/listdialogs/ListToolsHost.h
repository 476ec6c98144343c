// What the list tools need of the main window: the group on show, a fresh look at the book after they changed it,
// and a jump to one address.
#pragma once

#include "store/RowId.h"

class ListToolsHost {
public:
    virtual ~ListToolsHost() = default;
    // The group on show; 0 when none is.
    virtual RowId groupOnShow() const = 0;
    // Groups or addresses changed: the group list and the group on show are read again.
    virtual void bookChanged() = 0;
    // Shows group `groupId` at the page that holds address `addressId`, with that row selected.
    virtual void showAddress(RowId groupId, RowId addressId) = 0;
};
