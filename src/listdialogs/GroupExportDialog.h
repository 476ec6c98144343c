// A whole group to a file, as text or CSV.
#pragma once

class AddressStore;
class ListToolsHost;
class QWidget;

// Opens the dialog over `parent`; it works on `store` and tells `host` what it changed.
void openGroupExport(QWidget* parent, AddressStore& store, ListToolsHost& host);
