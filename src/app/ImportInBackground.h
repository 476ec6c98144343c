// 导入 as the window runs it: the import on a worker, with the progress dialog that shows after half a second.
#pragma once

#include <string>

#include "store/RowId.h"
#include "textfiles/AddressImport.h"

class AddressStore;
class QWidget;

// Imports `path` into group `groupId` (importAddresses), over `parent`; 停止 ends it at the last batch committed.
ImportResult importInBackground(QWidget* parent, AddressStore& store, const std::string& path, RowId groupId);
